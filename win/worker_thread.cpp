#include "win/worker_thread.h"

bool CWorkerThread::Start(std::function<void()> body) noexcept
{
    if (m_done || !body)
        return false;
    m_body = std::move(body);
    m_done.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Long: the pool then adds a thread rather than queue behind work that is still running.
    if (!m_done || !::QueueUserWorkItem(Entry, this, WT_EXECUTELONGFUNCTION)) {
        m_done.Reset();
        m_body = nullptr;
        return false;
    }
    return true;
}

bool CWorkerThread::Join() noexcept
{
    if (!m_done)
        return false;
    ::WaitForSingleObject(m_done.Get(), INFINITE);
    m_done.Reset();
    m_body = nullptr;
    return true;
}

DWORD __stdcall CWorkerThread::Entry(void* self)
{
    auto* worker = static_cast<CWorkerThread*>(self);
    try {
        worker->m_body();
    } catch (...) {
        // Nothing may leave a pool callback; the body reports its own failures.
    }
    // The owner may destroy the worker as soon as this is set.
    ::SetEvent(worker->m_done.Get());
    return 0;
}
