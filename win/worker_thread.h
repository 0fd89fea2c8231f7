// Background work of a window: each worker runs one function on a thread of the system's pool, is
// told to stop through a stop signal it shares with its siblings, and is joined (without a time
// limit) by whoever owns it, at the latest in the owner's destructor. No work outlives its window.
//
// The pool keeps an idle thread for a while, so a fetch or a speed test that follows another does
// not pay for a new thread (several milliseconds under Wine, more than a loopback download).
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

    // Queues `body` to run on a pool thread of its own: work that blocks for long (a console
    // reader) never holds up another worker. False when a worker is already running or the
    // system takes no work; `body` has then not run and will not.
    bool Start(std::function<void()> body) noexcept;
    bool Started() const noexcept { return m_done.Valid(); }
    // Waits for `body` to return. True if there was a worker.
    bool Join() noexcept;

private:
    static DWORD __stdcall Entry(void* self);

    std::function<void()> m_body;
    CKernelHandle m_done;  // set by the pool thread as its last touch of this object
};
