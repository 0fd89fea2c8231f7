#include "policy/service_control_win32.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "win/handle.h"

namespace {
struct ServiceHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseServiceHandle(h); }
};
using CServiceHandle = CHandle<ServiceHandleTraits>;

// The configuration buffer the restart has always used; a service's configuration fits.
constexpr DWORD kConfigurationBytes = 8192;

// The last error of a call that failed; never 0, so that a failure cannot read as success.
uint32_t LastError() noexcept
{
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// Bytes for the system's structures, aligned for any of them.
class CAlignedBuffer {
public:
    explicit CAlignedBuffer(size_t bytes) : m_storage((bytes + sizeof(Unit) - 1) / sizeof(Unit)) {}
    BYTE* Bytes() { return reinterpret_cast<BYTE*>(m_storage.data()); }
    DWORD Size() const { return static_cast<DWORD>(m_storage.size() * sizeof(Unit)); }

private:
    using Unit = unsigned long long;
    std::vector<Unit> m_storage;
};

class CWin32Service final : public IService {
public:
    explicit CWin32Service(CServiceHandle handle) : m_handle(std::move(handle)) {}

    uint32_t QueryState(uint32_t& state) override
    {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(m_handle.Get(), &status))
            return LastError();
        state = status.dwCurrentState;
        return 0;
    }

    uint32_t QueryStartType(uint32_t& startType) override
    {
        CAlignedBuffer buffer(kConfigurationBytes);
        auto* configuration = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.Bytes());
        DWORD needed = 0;
        if (!::QueryServiceConfigW(m_handle.Get(), configuration, buffer.Size(), &needed))
            return LastError();
        startType = configuration->dwStartType;
        return 0;
    }

    uint32_t ChangeStartType(uint32_t startType) override
    {
        if (!::ChangeServiceConfigW(m_handle.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr))
            return LastError();
        return 0;
    }

    uint32_t Start() override
    {
        if (!::StartServiceW(m_handle.Get(), 0, nullptr))
            return LastError();
        return 0;
    }

private:
    CServiceHandle m_handle;
};

class CWin32ServiceManager final : public IServiceManager {
public:
    explicit CWin32ServiceManager(CServiceHandle handle) : m_handle(std::move(handle)) {}

    uint32_t Open(std::wstring_view name, std::unique_ptr<IService>& service) override
    {
        service.reset();
        const std::wstring text(name);
        CServiceHandle handle(::OpenServiceW(m_handle.Get(), text.c_str(), SERVICE_ALL_ACCESS));
        if (!handle)
            return LastError();
        service = std::make_unique<CWin32Service>(std::move(handle));
        return 0;
    }

    // Asks once for the size of the whole list and once more with that much room. A list that
    // grew in between fails the snapshot; the restart then skips what needed it.
    uint32_t Snapshot(std::vector<SServiceEntry>& services) override
    {
        services.clear();
        DWORD needed = 0;
        DWORD count = 0;
        if (::EnumServicesStatusExW(m_handle.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0,
                                    &needed, &count, nullptr, nullptr))
            return 0;  // no services at all
        const DWORD error = ::GetLastError();
        if (error != ERROR_MORE_DATA || needed == 0)
            return LastError();
        CAlignedBuffer buffer(needed);
        if (!::EnumServicesStatusExW(m_handle.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                     buffer.Bytes(), buffer.Size(), &needed, &count, nullptr, nullptr))
            return LastError();
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.Bytes());
        services.reserve(count);
        for (DWORD i = 0; i < count; ++i) {
            const ENUM_SERVICE_STATUS_PROCESSW& entry = entries[i];
            services.push_back({entry.lpServiceName ? entry.lpServiceName : L"",
                                entry.ServiceStatusProcess.dwCurrentState, entry.ServiceStatusProcess.dwProcessId});
        }
        return 0;
    }

private:
    CServiceHandle m_handle;
};
}  // namespace

uint32_t CWin32ServiceControl::OpenManager(std::unique_ptr<IServiceManager>& manager)
{
    manager.reset();
    CServiceHandle handle(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!handle)
        return LastError();
    manager = std::make_unique<CWin32ServiceManager>(std::move(handle));
    return 0;
}

uint32_t CWin32ServiceControl::TerminateProcess(uint32_t processId)
{
    const CKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process)
        return LastError();
    if (!::TerminateProcess(process.Get(), 0))
        return LastError();
    return 0;
}

uint32_t CWin32ServiceControl::EnablePrivilege(std::wstring_view name)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
        return LastError();
    const CKernelHandle owner(token);
    const std::wstring text(name);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, text.c_str(), &privileges.Privileges[0].Luid))
        return LastError();
    if (!::AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr))
        return LastError();
    // Success with ERROR_NOT_ALL_ASSIGNED means the token does not hold the privilege.
    return ::GetLastError() == ERROR_NOT_ALL_ASSIGNED ? ERROR_NOT_ALL_ASSIGNED : 0;
}
