// The diagnosis window: runs ipconfig, a route trace to the web host and route print one after
// the other as hidden children, shows their output live under a dated header, ends the report
// with the client's event log, and copies or saves it. A plain dialog, not skinned.
//
// A run executes inside the start button's handler and dispatches the thread's messages itself
// while a command runs, so the window keeps painting and its close button keeps working. Closing
// during a run ends the run at once: the command is terminated, the rest are skipped, no
// completion message is shown.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "vpn/console_redirector_win32.h"
#include "win/dialog.h"

// Keeps a diagnosis command's output and wakes the window when there is some, and when the
// command has ended. The reader thread only appends and posts; it never waits for the window.
class CConsoleRedirectorDiagnosis : public CConsoleRedirector {
public:
    ~CConsoleRedirectorDiagnosis() override;
    void SetWindow(HWND window) noexcept { m_window.store(window); }

protected:
    void OnOutput(const char* data, size_t length) override;
    void OnEnd() override;

private:
    std::atomic<HWND> m_window{nullptr};
};

class CDlgDiagnosis : public CDialog {
public:
    // `systemDir` is where the commands live, with its trailing backslash; `webHost` is where the
    // route trace goes; `eventLogText` gives the client's event log when a run ends.
    CDlgDiagnosis(std::wstring systemDir, std::wstring webHost, std::function<std::wstring()> eventLogText);
    ~CDlgDiagnosis() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    void OnOK() override;      // start
    void OnCancel() override;  // close, also during a run
    void OnDestroy() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Run();
    // False when the run must end: the window is closing or the program quits.
    bool RunCommand(const std::wstring& commandLine);
    // Waits for one message of this thread and dispatches it as the dialog's own loop would.
    // False once WM_QUIT has come (it is posted again for the loop outside).
    bool DispatchOneMessage();
    void AppendText(std::wstring_view text);
    void EnableButtons(bool enable);
    void Copy();
    void Save();
    std::wstring AskSavePath();

    std::wstring m_systemDir;
    std::wstring m_webHost;
    std::function<std::wstring()> m_eventLogText;
    CConsoleRedirectorDiagnosis m_redirector;
    bool m_running = false;
    bool m_closing = false;
};
