#include "win/worker_thread.h"

#include <process.h>

bool CWorkerThread::Start(std::function<void()> body) noexcept
{
    if (m_thread || !body)
        return false;
    m_body = std::move(body);
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, Entry, this, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        m_body = nullptr;
        return false;
    }
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
    ::ResumeThread(m_thread.Get());
    return true;
}

bool CWorkerThread::Join() noexcept
{
    if (!m_thread)
        return false;
    ::WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
    m_body = nullptr;
    return true;
}

unsigned __stdcall CWorkerThread::Entry(void* self)
{
    try {
        static_cast<CWorkerThread*>(self)->m_body();
    } catch (...) {
        // Nothing may leave a thread's entry point; the body reports its own failures.
    }
    return 0;
}
