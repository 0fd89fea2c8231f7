// Which window a command works on: a top-level window picked by its title, class and the
// executable of its process, and optionally one of its controls by id.
#pragma once

#include "tools/uidriver/command_line.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct CWindowQuery {
    std::optional<std::wstring> title;      // exact
    std::optional<std::wstring> className;  // exact, case-insensitive
    std::optional<std::wstring> exe;        // file name of the process image, case-insensitive
    std::optional<int> controlId;           // a descendant of the top-level window
    bool visibleOnly = false;               // skip hidden top-level windows

    // Reads --title, --class, --exe and --id.
    bool Read(const CCommandLine& line, std::wstring& error);

    bool Matches(HWND topLevel) const;
    std::vector<HWND> TopLevels() const;  // every match, topmost first
    HWND TopLevel() const;                // the topmost match, or null
    HWND Find() const;                    // the control if an id is given, else the top-level window
    std::wstring Describe() const;        // for messages: window "title" (korvex.exe) control 1004
};

// Text of a control from another process, asked for with WM_GETTEXT; empty if it does not answer.
std::wstring ControlText(HWND window);
// The title as the system keeps it; never waits for the window's thread.
std::wstring WindowTitle(HWND window);
std::wstring WindowClass(HWND window);
std::wstring ProcessExe(HWND window);

// Calls test every few milliseconds until it returns true (then true) or `seconds` have passed
// (then false). The test runs at least once, so a zero time limit checks once.
bool PollUntil(double seconds, const std::function<bool()>& test);

// The --timeout option in seconds (default 10), capped so that no wait is unbounded.
bool ReadTimeout(const CCommandLine& line, double& seconds, std::wstring& error);

// Reads the query and --timeout, then waits for the window to exist. Returns kExitOk with
// `window` set, or complains and returns the exit code.
int AwaitWindow(const CCommandLine& line, CWindowQuery& query, HWND& window, double& timeout);
