// Drives modal windows of the test thread from a helper thread: finds them by title, answers
// message boxes, presses buttons. Every wait has a limit, and a run that overstays its limit is
// cancelled so that a broken window fails the test instead of hanging it.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class CDialog;
class CDlgDownload;
class IDownloadOutput;

// A top-level window of the thread with exactly this title, or null. Reading the title waits
// for the UI thread to answer, so a window found here has finished its initialisation.
HWND FindThreadWindow(DWORD threadId, const std::wstring& title);
// The same without sending the thread a message, for a driver that must not wait on a UI thread
// that may be done with the window at any moment. The window may still be initialising.
HWND PeekThreadWindow(DWORD threadId, const std::wstring& title);
HWND WaitForThreadWindow(DWORD threadId, const std::wstring& title, DWORD ms);
// A message box of the thread (dialog class) with this caption showing this text, or null.
HWND WaitForMessageBox(DWORD threadId, const std::wstring& caption, const std::wstring& text, DWORD ms);
bool WaitUntilGone(HWND window, DWORD ms);
// Presses the command until the dialog hides, then waits for it to be destroyed.
bool PressUntilGone(HWND window, WORD command, DWORD ms);

// True once `condition` holds, false when `limit` has passed first; asks every 10 ms.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::Sleep(10);
    }
    return true;
}

// Threads of this process, from a Toolhelp snapshot, less the system pool's own: workers run on
// that pool, which keeps a thread idle for a while after its work has returned.
size_t ProcessThreadCount();

// Bounds a modal run on the constructing thread: `driver`, if any, runs on a helper thread
// meanwhile with the constructing thread's id; once `limitMs` has passed, every dialog of that
// thread is cancelled until Finish.
class CModalLimit {
public:
    explicit CModalLimit(DWORD limitMs, std::function<void(DWORD uiThread)> driver = {});
    ~CModalLimit() { Finish(); }
    CModalLimit(const CModalLimit&) = delete;
    CModalLimit& operator=(const CModalLimit&) = delete;
    // Call when the modal run has returned. True if the limit had to cancel it.
    bool Finish();

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_timedOut{false};
    std::thread m_helper;
};

struct SModalRun {
    INT_PTR result = 0;
    bool timedOut = false;  // the run was cancelled from outside after its limit
};

// Runs the window modally on the calling thread under a CModalLimit.
SModalRun RunModal(CDialog& dialog, const std::function<void(DWORD uiThread)>& driver,
                         DWORD limitMs);

// What one fetch window run over some URLs gave, with the thread bookkeeping around it.
struct SFetchOutcome {
    SModalRun run;
    int winnerIndex = -1;
    std::string body;  // what reached the window's Output
    size_t threadsStarted = 0;
    size_t threadsJoined = 0;
    size_t processThreadsBefore = 0;
    size_t processThreadsAfter = 0;
};

inline constexpr wchar_t kFetchWindowTitle[] = L"Qivra网络加速器登录";
inline constexpr wchar_t kTestBoxCaption[] = L"Korvex";

// Common controls for the animation, and the caption the tests find message boxes by.
void PrepareFetchWindowTests();

// The body goes to `output` when one is given, else to memory (and into the outcome).
SFetchOutcome FetchWithWindow(const std::vector<std::wstring>& urls,
                              const std::function<void(DWORD uiThread)>& driver = {}, DWORD limitMs = 5000,
                              IDownloadOutput* output = nullptr);
