// The service seam's Win32 side against the system's own service manager (Wine's, here):
// unknown services, the snapshot, starting a disabled service of our own, ending a process and
// the token's privileges. RasMan and TapiSrv do not exist under Wine; their behaviour is tested
// over the in-memory manager. Nor does Wine's manager notice when a service's process is ended
// from outside (the service stays "running"), so the process ended here is one of our own.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "base/text.h"
#include "policy/service_control_win32.h"
#include "policy/service_restart.h"
#include "win/handle.h"

namespace {

constexpr wchar_t kTestService[] = L"KorvexTestService";

struct ScHandleTraits {
    using Type = SC_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseServiceHandle(h); }
};
using CScHandle = CHandle<ScHandleTraits>;

const SServiceEntry* Find(const std::vector<SServiceEntry>& services, std::wstring_view name)
{
    for (const SServiceEntry& service : services) {
        if (EqualsIgnoreCase(service.name, name))
            return &service;
    }
    return nullptr;
}

std::vector<SServiceEntry> TakeSnapshot(IServiceManager& manager)
{
    std::vector<SServiceEntry> services;
    EXPECT_EQ(manager.Snapshot(services), 0u);
    return services;
}

// A disabled own-process service of our own for the test's life, run by a program of the
// system that serves as any single service. Stopped and deleted at the end, also when a test
// failed half-way; a leftover of an earlier run is deleted first.
class CTestService {
public:
    CTestService() : m_manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS))
    {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        m_image = std::wstring(system) + L"\\wuauserv.exe";
        if (!m_manager || ::GetFileAttributesW(m_image.c_str()) == INVALID_FILE_ATTRIBUTES)
            return;
        Remove();
        m_service.Reset(::CreateServiceW(m_manager.Get(), kTestService, kTestService, SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED, SERVICE_ERROR_IGNORE,
                                         m_image.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    ~CTestService()
    {
        m_service.Reset();
        Remove();
    }
    bool Created() const { return m_service.Valid(); }

private:
    void Remove()
    {
        const CScHandle service(::OpenServiceW(m_manager.Get(), kTestService, SERVICE_ALL_ACCESS));
        if (!service)
            return;
        SERVICE_STATUS status{};
        ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        ::DeleteService(service.Get());
    }

    CScHandle m_manager;
    CScHandle m_service;
    std::wstring m_image;
};

bool PrivilegeEnabled(const wchar_t* name)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const CKernelHandle owner(token);
    LUID wanted{};
    if (!::LookupPrivilegeValueW(nullptr, name, &wanted))
        return false;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<unsigned long long> buffer(size / sizeof(unsigned long long) + 1);
    if (!::GetTokenInformation(token, TokenPrivileges, buffer.data(),
                               static_cast<DWORD>(buffer.size() * sizeof(unsigned long long)), &size))
        return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == wanted.LowPart && entry.Luid.HighPart == wanted.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

}  // namespace

TEST(ServiceControlWin32Test, UnknownServiceFailsToOpenAndCountsAsUnknown)
{
    CWin32ServiceControl control;
    std::unique_ptr<IServiceManager> manager;
    ASSERT_EQ(control.OpenManager(manager), 0u);
    ASSERT_NE(manager, nullptr);

    for (const wchar_t* name : {L"KorvexNoSuchService", kRasManService, kTapiSrvService}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
        std::unique_ptr<IService> service;
        EXPECT_EQ(manager->Open(name, service), static_cast<uint32_t>(ERROR_SERVICE_DOES_NOT_EXIST));
        EXPECT_EQ(service, nullptr);
        EXPECT_EQ(TestServiceState(*manager, name, kMaskRunning), EServiceTest::Unknown);
    }
}

TEST(ServiceControlWin32Test, SnapshotAndStateShowARunningServiceWithItsProcess)
{
    CWin32ServiceControl control;
    std::unique_ptr<IServiceManager> manager;
    ASSERT_EQ(control.OpenManager(manager), 0u);
    const std::vector<SServiceEntry> services = TakeSnapshot(*manager);
    ASSERT_FALSE(services.empty());

    // Wine starts its plug-and-play service with every prefix.
    const SServiceEntry* plugPlay = Find(services, L"plugplay");
    ASSERT_NE(plugPlay, nullptr);
    EXPECT_EQ(plugPlay->state, service_state::kRunning);
    ASSERT_NE(plugPlay->processId, 0u);
    EXPECT_NE(plugPlay->processId, ::GetCurrentProcessId());
    const CKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, plugPlay->processId));
    EXPECT_TRUE(process.Valid()) << "the snapshot names a live process";
    EXPECT_EQ(TestServiceState(*manager, L"PlugPlay", kMaskRunning), EServiceTest::Met);
    EXPECT_EQ(TestServiceState(*manager, L"PlugPlay", kMaskStopped), EServiceTest::NotMet);
    for (const SServiceEntry& service : services) {
        if (service.state == service_state::kStopped) {
            EXPECT_EQ(service.processId, 0u) << ::testing::PrintToString(service.name);
        }
    }
}

TEST(ServiceControlWin32Test, StartsADisabledServiceWhichThenRunsInItsOwnProcess)
{
    CTestService created;
    if (!created.Created())
        GTEST_SKIP() << "no service could be made here (error " << ::GetLastError() << ")";
    CWin32ServiceControl control;
    std::unique_ptr<IServiceManager> manager;
    ASSERT_EQ(control.OpenManager(manager), 0u);

    std::vector<SServiceEntry> snapshot = TakeSnapshot(*manager);
    const SServiceEntry* before = Find(snapshot, kTestService);
    ASSERT_NE(before, nullptr) << "own-process services are in the snapshot";
    EXPECT_EQ(before->state, service_state::kStopped);
    EXPECT_EQ(before->processId, 0u);
    std::unique_ptr<IService> service;
    ASSERT_EQ(manager->Open(kTestService, service), 0u);
    uint32_t startType = 0;
    ASSERT_EQ(service->QueryStartType(startType), 0u);
    EXPECT_EQ(startType, service_start::kDisabled);
    EXPECT_EQ(service->Start(), static_cast<uint32_t>(ERROR_SERVICE_DISABLED));

    StartServiceIfStopped(control, manager.get(), kTestService);

    ASSERT_EQ(service->QueryStartType(startType), 0u);
    EXPECT_EQ(startType, service_start::kAutomatic) << "left with automatic start";
    uint32_t state = 0;
    ASSERT_EQ(service->QueryState(state), 0u);
    EXPECT_EQ(state, service_state::kRunning);
    snapshot = TakeSnapshot(*manager);
    const SServiceEntry* running = Find(snapshot, kTestService);
    ASSERT_NE(running, nullptr);
    ASSERT_NE(running->processId, 0u);
    const uint32_t processId = running->processId;

    // Without RasMan the restart ends before it touches anything.
    RestartVpnRelatedServices(control);
    snapshot = TakeSnapshot(*manager);
    running = Find(snapshot, kTestService);
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(running->state, service_state::kRunning);
    EXPECT_EQ(running->processId, processId);
}

TEST(ServiceControlWin32Test, EndsAProcessByItsIdWithExitCodeZero)
{
    wchar_t command[] = L"cmd.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // Suspended, it can do nothing but be ended.
    ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &started))
        << ::GetLastError();
    const CKernelHandle process(started.hProcess);
    const CKernelHandle thread(started.hThread);

    CWin32ServiceControl control;
    EXPECT_EQ(control.TerminateProcess(started.dwProcessId), 0u);
    ASSERT_EQ(::WaitForSingleObject(process.Get(), 5000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    EXPECT_TRUE(::GetExitCodeProcess(process.Get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(control.TerminateProcess(0), static_cast<uint32_t>(ERROR_INVALID_PARAMETER)) << "no process 0 to end";
}

TEST(ServiceControlWin32Test, EnablesAPrivilegeTheTokenHoldsAndRefusesAnUnknownOne)
{
    CWin32ServiceControl control;
    EXPECT_EQ(control.EnablePrivilege(kDebugPrivilege), 0u);
    EXPECT_TRUE(PrivilegeEnabled(kDebugPrivilege));
    EXPECT_EQ(control.EnablePrivilege(L"SeKorvexNoSuchPrivilege"), static_cast<uint32_t>(ERROR_NO_SUCH_PRIVILEGE));
}
