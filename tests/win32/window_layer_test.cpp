// The window layer under the program's windows: several subclasses on one window, worker
// threads and their stop signal.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "skin_test_window.h"
#include "win/subclass.h"
#include "win/window_text.h"
#include "win/worker_thread.h"

namespace {

using skin_test::CTestWindow;

constexpr UINT kProbe = WM_APP + 100;

// Appends its name to the probe's trace (lParam: a std::wstring) and hands the message on.
class CTracer : public CWindowSubclass {
public:
    explicit CTracer(wchar_t name) : m_name(name) {}
    int ended = 0;

protected:
    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kProbe)
            reinterpret_cast<std::wstring*>(lParam)->push_back(m_name);
        return CallNext(message, wParam, lParam);
    }
    void OnSubclassEnded() override { ++ended; }

private:
    wchar_t m_name;
};

std::wstring Trace(HWND window)
{
    std::wstring trace;
    ::SendMessageW(window, kProbe, 0, reinterpret_cast<LPARAM>(&trace));
    return trace;
}

LRESULT CALLBACK Outsider(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static WNDPROC next = nullptr;
    if (message == WM_NULL && wParam == 1) {
        next = reinterpret_cast<WNDPROC>(lParam);
        return 0;
    }
    return ::CallWindowProcW(next, window, message, wParam, lParam);
}

TEST(WindowSubclassTest, NewestFirstAnyOrderOfLeavingAndTheOwnProcedureBack)
{
    CTestWindow window(100, 50);
    const LONG_PTR own = ::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC);
    CTracer a(L'a'), b(L'b'), c(L'c');
    ASSERT_TRUE(a.Subclass(window.Handle()));
    ASSERT_TRUE(b.Subclass(window.Handle()));
    ASSERT_TRUE(c.Subclass(window.Handle()));
    EXPECT_FALSE(b.Subclass(window.Handle()));
    EXPECT_EQ(Trace(window.Handle()), L"cba");
    EXPECT_EQ(CWindowSubclass::Find<CTracer>(window.Handle()), &c);

    b.Unsubclass();  // from the middle
    EXPECT_EQ(Trace(window.Handle()), L"ca");
    c.Unsubclass();
    a.Unsubclass();
    EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), own);
    EXPECT_EQ(Trace(window.Handle()), L"");
    EXPECT_EQ(CWindowSubclass::Find<CTracer>(window.Handle()), nullptr);

    // Someone outside the mechanism subclasses after us: our procedure must stay under theirs.
    ASSERT_TRUE(a.Subclass(window.Handle()));
    const LONG_PTR ours = ::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC);
    ::SetWindowLongPtrW(window.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Outsider));
    Outsider(window.Handle(), WM_NULL, 1, ours);
    a.Unsubclass();
    EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Outsider));
    EXPECT_EQ(Trace(window.Handle()), L"");  // still reaches the window through our empty chain
    ASSERT_TRUE(b.Subclass(window.Handle()));
    EXPECT_EQ(Trace(window.Handle()), L"b");
}

TEST(WindowSubclassTest, EverySubclassLetsGoWhenTheWindowIsDestroyed)
{
    CTracer a(L'a'), b(L'b');
    {
        CTestWindow window(100, 50);
        ASSERT_TRUE(a.Subclass(window.Handle()));
        ASSERT_TRUE(b.Subclass(window.Handle()));
    }
    EXPECT_EQ(a.ended + b.ended, 2);
    EXPECT_EQ(a.SubclassedWindow(), nullptr);
    EXPECT_EQ(b.SubclassedWindow(), nullptr);
    CTestWindow next(100, 50);
    EXPECT_TRUE(a.Subclass(next.Handle()));
}

TEST(WindowTextTest, ReadsAndWritesLongAndChineseTexts)
{
    CTestWindow window(100, 50);
    const std::wstring text = L"选择加速网络 " + std::wstring(3000, L'x');
    WriteWindowText(window.Handle(), text);
    EXPECT_EQ(ReadWindowText(window.Handle()), text);
    EXPECT_EQ(ReadWindowText(nullptr), L"");
}

TEST(WorkerThreadTest, RunsOnceStopsOnTheSignalAndIsJoinedByItsOwner)
{
    CStopSignal stop;
    ASSERT_TRUE(stop.Valid());
    std::atomic<int> rounds{0};
    DWORD workerId = 0;
    {
        CWorkerThread worker;
        ASSERT_TRUE(worker.Start([&] {
            workerId = ::GetCurrentThreadId();
            while (::WaitForSingleObject(stop.Event(), 10) == WAIT_TIMEOUT)
                ++rounds;
        }));
        EXPECT_FALSE(worker.Start([] {}));  // one thread per owner
        ::Sleep(50);
        stop.Set();
        EXPECT_TRUE(stop.IsSet());
    }  // the destructor joins
    EXPECT_GT(rounds.load(), 0);
    EXPECT_NE(workerId, ::GetCurrentThreadId());

    stop.Reset();
    EXPECT_FALSE(stop.IsSet());
    EXPECT_EQ(::WaitForSingleObject(stop.Event(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // An exception stays on its thread, and the owner can start again after the join.
    CWorkerThread worker;
    ASSERT_TRUE(worker.Start([] { throw std::bad_alloc(); }));
    EXPECT_TRUE(worker.Join());
    EXPECT_FALSE(worker.Join());
    EXPECT_TRUE(worker.Start([] {}));
}

TEST(WorkerThreadTest, WorkersThatBlockRunSideBySide)
{
    // A console reader blocks until its child ends; the speed test's workers and the downloads
    // must still run beside it, so every worker needs a thread of its own at once.
    constexpr int kWorkers = 6;
    std::atomic<int> running{0};
    CKernelHandle allRunning(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::array<CWorkerThread, kWorkers> workers;
    for (CWorkerThread& worker : workers) {
        ASSERT_TRUE(worker.Start([&] {
            if (++running == kWorkers)
                ::SetEvent(allRunning.Get());
            ::WaitForSingleObject(allRunning.Get(), 10000);
        }));
    }
    EXPECT_EQ(::WaitForSingleObject(allRunning.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    for (CWorkerThread& worker : workers)
        EXPECT_TRUE(worker.Join());
    EXPECT_EQ(running.load(), kWorkers);
}

}  // namespace
