// Background work of a window: every thread is created suspended, runs one function, is told to
// stop through a stop signal it shares with its siblings, and is joined (without a time limit)
// by whoever owns it, at the latest in the owner's destructor. No thread outlives its window.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "win/handle.h"

// A stop request that threads can poll (IsSet) or wait for (Event, a manual-reset event).
class CStopSignal {
public:
    CStopSignal() noexcept : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    bool Valid() const noexcept { return m_event.Valid(); }
    void Set() noexcept
    {
        m_set.store(true);
        if (m_event)
            ::SetEvent(m_event.Get());
    }
    // For the next run, once every thread that saw the last request has been joined.
    void Reset() noexcept
    {
        m_set.store(false);
        if (m_event)
            ::ResetEvent(m_event.Get());
    }
    bool IsSet() const noexcept { return m_set.load(); }
    HANDLE Event() const noexcept { return m_event.Get(); }
    // Keeps a running flag beside the event, for loops that only poll.
    const std::atomic<bool>& Flag() const noexcept { return m_set; }

private:
    CKernelHandle m_event;
    std::atomic<bool> m_set{false};
};

class CWorkerThread {
public:
    CWorkerThread() = default;
    ~CWorkerThread() { Join(); }  // the owner has signalled stop before
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Creates the thread suspended, then lets it run `body`. False when a thread is already
    // there or the system gives none; `body` has then not run and will not.
    bool Start(std::function<void()> body) noexcept;
    bool Started() const noexcept { return m_thread.Valid(); }
    // Waits for the thread to end and closes it. True if there was a thread.
    bool Join() noexcept;

private:
    static unsigned __stdcall Entry(void* self);

    std::function<void()> m_body;
    CKernelHandle m_thread;
};
