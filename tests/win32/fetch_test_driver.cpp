#include "fetch_test_driver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "net/dlg_download_win32.h"
#include "win/handle.h"
#include "win/message_box.h"
#include "win/system_library.h"
#include "win/worker_thread.h"

namespace {
std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

bool IsDialog(HWND window)
{
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    return std::wstring(name) == L"#32770";
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    ::EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool HasChildWithText(HWND parent, const std::wstring& text)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (TextOf(child) == text)
            return true;
    }
    return false;
}

template <typename ReadTitle>
HWND WindowTitled(DWORD threadId, const std::wstring& title, ReadTitle readTitle)
{
    for (HWND window : ThreadWindows(threadId)) {
        if (readTitle(window) == title)
            return window;
    }
    return nullptr;
}

template <typename Find>
HWND Poll(DWORD ms, Find find)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (HWND found = find())
            return found;
        if (std::chrono::steady_clock::now() >= end)
            return nullptr;
        ::Sleep(10);
    }
}
}  // namespace

HWND FindThreadWindow(DWORD threadId, const std::wstring& title)
{
    return WindowTitled(threadId, title, TextOf);
}

HWND PeekThreadWindow(DWORD threadId, const std::wstring& title)
{
    return WindowTitled(threadId, title, [](HWND window) {
        wchar_t text[512] = {};
        ::InternalGetWindowText(window, text, 512);
        return std::wstring(text);
    });
}

HWND WaitForThreadWindow(DWORD threadId, const std::wstring& title, DWORD ms)
{
    return Poll(ms, [&] { return FindThreadWindow(threadId, title); });
}

HWND WaitForMessageBox(DWORD threadId, const std::wstring& caption, const std::wstring& text, DWORD ms)
{
    return Poll(ms, [&]() -> HWND {
        for (HWND window : ThreadWindows(threadId)) {
            if (IsDialog(window) && TextOf(window) == caption && HasChildWithText(window, text))
                return window;
        }
        return nullptr;
    });
}

bool WaitUntilGone(HWND window, DWORD ms)
{
    return Poll(ms, [&]() -> HWND { return ::IsWindow(window) ? nullptr : HWND(1); }) != nullptr;
}

bool PressUntilGone(HWND window, WORD command, DWORD ms)
{
    // Under Wine a dialog ended from outside hides at once but is destroyed only when its loop
    // wakes again, so keep nudging it with empty messages.
    bool pressed = false;
    return Poll(ms, [&]() -> HWND {
        if (!::IsWindow(window))
            return HWND(1);
        if (!pressed && ::IsWindowVisible(window))
            ::PostMessageW(window, WM_COMMAND, command, 0);
        else
            pressed = true;
        ::PostMessageW(window, WM_NULL, 0, 0);
        ::Sleep(40);
        return nullptr;
    }) != nullptr;
}

namespace {
// Where a thread began, as the system recorded it; null when it cannot tell.
void* ThreadStartAddress(HANDLE thread)
{
    using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = SystemFunction<QueryThread>(L"ntdll.dll", "NtQueryInformationThread");
    constexpr int kThreadQuerySetWin32StartAddress = 9;
    void* start = nullptr;
    return query && query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof(start), nullptr) >= 0 ? start
                                                                                                        : nullptr;
}

// The entry point every thread of the system's pool begins at, learnt from a pooled no-op.
void* PoolThreadStart()
{
    static void* const start = [] {
        void* seen = nullptr;
        CWorkerThread probe;
        if (probe.Start([&] { seen = ThreadStartAddress(::GetCurrentThread()); }))
            probe.Join();
        return seen;
    }();
    return start;
}
}  // namespace

size_t ProcessThreadCount()
{
    void* const poolStart = PoolThreadStart();
    CFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return 0;
    THREADENTRY32 entry;
    entry.dwSize = sizeof(entry);
    size_t count = 0;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID != self)
            continue;
        CKernelHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        if (!poolStart || !thread || ThreadStartAddress(thread.Get()) != poolStart)
            ++count;
    }
    return count;
}

CModalLimit::CModalLimit(DWORD limitMs, std::function<void(DWORD uiThread)> driver)
{
    const DWORD uiThread = ::GetCurrentThreadId();
    m_helper = std::thread([this, uiThread, limitMs, driver = std::move(driver)] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        if (driver)
            driver(uiThread);
        while (!m_done && std::chrono::steady_clock::now() < end)
            ::Sleep(10);
        while (!m_done) {
            m_timedOut = true;
            for (HWND window : ThreadWindows(uiThread)) {
                if (IsDialog(window))
                    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            }
            ::Sleep(50);
        }
    });
}

bool CModalLimit::Finish()
{
    m_done = true;
    if (m_helper.joinable())
        m_helper.join();
    return m_timedOut;
}

SModalRun RunModal(CDialog& dialog, const std::function<void(DWORD uiThread)>& driver, DWORD limitMs)
{
    CModalLimit limit(limitMs, driver);
    SModalRun run;
    run.result = dialog.DoModal();
    run.timedOut = limit.Finish();
    return run;
}

void PrepareFetchWindowTests()
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
    SetMessageBoxCaption(kTestBoxCaption);
}

SFetchOutcome FetchWithWindow(const std::vector<std::wstring>& urls,
                              const std::function<void(DWORD uiThread)>& driver, DWORD limitMs,
                              IDownloadOutput* output)
{
    SFetchOutcome outcome;
    outcome.processThreadsBefore = ProcessThreadCount();
    {
        CMemoryDownloadOutput memory;
        CDlgDownload dialog;
        for (const std::wstring& url : urls)
            dialog.AddUrl(url);
        dialog.SetOutput(output ? output : &memory);
        outcome.run = RunModal(dialog, driver, limitMs);
        outcome.winnerIndex = dialog.WinnerIndex();
        outcome.body = memory.Bytes();
        outcome.threadsStarted = dialog.ThreadsStarted();
        outcome.threadsJoined = dialog.ThreadsJoined();
    }
    outcome.processThreadsAfter = ProcessThreadCount();
    return outcome;
}
