// Service helpers of the dial-up tunnels: the check before each connection that the remote
// access manager (RasMan) and the telephony service (TapiSrv) run, and the forced restart that
// makes RasMan pick up a changed dial-up setting. RasMan cannot be stopped politely while other
// services share its process, so the restart ends that process and starts again whatever it
// took down. Every wait is bounded; no failure is reported, each one just ends its step.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "policy/service_control.h"

inline constexpr wchar_t kRasManService[] = L"RasMan";
inline constexpr wchar_t kTapiSrvService[] = L"TapiSrv";
inline constexpr wchar_t kDebugPrivilege[] = L"SeDebugPrivilege";

// Masks for TestServiceState, tested bitwise against the state number: kMaskStopped is met by
// states 1, 3, 5 and 7, kMaskRunning by 4, 5, 6 and 7.
inline constexpr uint32_t kMaskStopped = 1;
inline constexpr uint32_t kMaskRunning = 4;

inline constexpr int kStartPolls = 10;
inline constexpr uint32_t kStartPollMs = 1000;
inline constexpr int kStopPolls = 100;
inline constexpr uint32_t kStopPollMs = 100;
// The blocked-operation window stays up at least this long, so the user can read it.
inline constexpr uint32_t kRestartMinimumDisplayMs = 3000;

namespace service_text {
inline constexpr wchar_t kApplyingNewSettings[] = L"正在启用新配置，请稍候……";
}  // namespace service_text

enum class EServiceTest {
    NotMet = 0,
    Met = 1,
    Unknown = 2,  // the service could not be opened or queried
};

// Opens the service, tests its state against `mask` and closes it again.
EServiceTest TestServiceState(IServiceManager& manager, std::wstring_view name, uint32_t mask);

// Starts a service that is neither running nor starting: a disabled one is set to automatic
// start first. Then waits, at most 10 x 1 s, while it stays start-pending. Without a manager
// nothing happens.
void StartServiceIfStopped(IServiceControl& control, IServiceManager* manager, std::wstring_view name);

// The forced restart of RasMan, and of every service that was running and went down with it.
void RestartVpnRelatedServices(IServiceControl& control);

// The blocked operation's work: tells the user, restarts, and keeps the window up at least 3 s.
// `setStatus` writes the window's status text.
void RunVpnServiceRestart(IServiceControl& control, const std::function<void(const std::wstring&)>& setStatus);

// Before each dial-up connection: if TapiSrv or RasMan is not running, start TapiSrv, then
// RasMan. A service whose state cannot be read counts as running. Nothing happens if the
// manager cannot be opened. Blocks for up to 10 s per service start.
void EnsureDialUpServicesRunning(IServiceControl& control);
