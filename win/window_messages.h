// The program's private window messages, all in one place. Each window's first private message
// is WM_USER + 1, with a meaning of its own; the numbers that other programs or earlier versions
// rely on keep their values, and the rest start above WM_APP + 1.
#pragma once

#include <windows.h>

// Main window.
inline constexpr UINT kTrayCallbackMessage = WM_USER + 1;    // the tray icon's mouse messages
inline constexpr UINT kVpnStatusMessage = WM_USER + 2;       // lParam: the connection that changed
inline constexpr UINT kShowMainWindowMessage = WM_APP + 1;   // posted by a second instance

// Fetch window.
inline constexpr UINT kDownloadFinishedMessage = WM_USER + 1;       // lParam: the download job
inline constexpr UINT kReportStartProblemsMessage = WM_APP + 2;     // from the run's own loop

// Server selection window: a speed-test worker's report, sent with a time limit.
// wParam: the row measured (-1 for none), lParam: average milliseconds (-1: no answer);
// the result is the next row to measure, or -1.
inline constexpr UINT kSpeedTestReportMessage = WM_USER + 1;

// Blocked-operation window.
inline constexpr UINT kBlockedOperationFinishedMessage = WM_USER + 1;  // the worker's last act, both parameters 0

// Diagnosis window: the console reader's wake-up, posted on output (wParam 0) and when a command
// has ended (wParam 1), lParam 0. It only ends the window's wait for its next message.
inline constexpr UINT kDiagnosisWakeUpMessage = WM_USER + 1;
