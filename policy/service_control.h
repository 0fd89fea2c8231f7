// The service restart's window onto the platform's service control manager: what the restart
// and the dial-up service check need, no more. Every operation answers 0 or the system's error
// number. Handles are objects that close themselves. The Win32 implementation is
// policy/service_control_win32.h; tests use an in-memory fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The platform's service state numbers.
namespace service_state {
inline constexpr uint32_t kStopped = 1;
inline constexpr uint32_t kStartPending = 2;
inline constexpr uint32_t kStopPending = 3;
inline constexpr uint32_t kRunning = 4;
inline constexpr uint32_t kContinuePending = 5;
inline constexpr uint32_t kPausePending = 6;
inline constexpr uint32_t kPaused = 7;
}  // namespace service_state

// The platform's start types that the restart reads or writes.
namespace service_start {
inline constexpr uint32_t kAutomatic = 2;
inline constexpr uint32_t kOnDemand = 3;
inline constexpr uint32_t kDisabled = 4;
}  // namespace service_start

// One service of a snapshot.
struct SServiceEntry {
    std::wstring name;
    uint32_t state = 0;
    uint32_t processId = 0;  // 0 when the service has no running process
};

// An open service, with full access.
class IService {
public:
    virtual ~IService() = default;
    virtual uint32_t QueryState(uint32_t& state) = 0;
    // The configuration's start type (read as the whole configuration, at most 8192 bytes).
    virtual uint32_t QueryStartType(uint32_t& startType) = 0;
    // Changes the start type and nothing else of the configuration.
    virtual uint32_t ChangeStartType(uint32_t startType) = 0;
    // Starts the service without arguments; does not wait.
    virtual uint32_t Start() = 0;
};

// An open service control manager of the local machine, with full access.
class IServiceManager {
public:
    virtual ~IServiceManager() = default;
    // Opens a service by name (not OpenService: <windows.h> makes that a macro). Null `service`
    // on failure; ERROR_SERVICE_DOES_NOT_EXIST (1060) for an unknown name.
    virtual uint32_t Open(std::wstring_view name, std::unique_ptr<IService>& service) = 0;
    // Every Win32 service (own and shared process) in every state, with its process id. All or
    // nothing: `services` is left empty on failure.
    virtual uint32_t Snapshot(std::vector<SServiceEntry>& services) = 0;
};

class IServiceControl {
public:
    virtual ~IServiceControl() = default;
    virtual uint32_t OpenManager(std::unique_ptr<IServiceManager>& manager) = 0;
    // Ends the process with exit code 0, and with it every service it hosts.
    virtual uint32_t TerminateProcess(uint32_t processId) = 0;
    // Enables one privilege, by its name, in the process's own token.
    virtual uint32_t EnablePrivilege(std::wstring_view name) = 0;

    // The bounded waits go through here so that tests need not really wait: a millisecond tick
    // that wraps around, and a sleep.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};
