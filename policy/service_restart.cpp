#include "policy/service_restart.h"

#include <memory>
#include <vector>

#include "base/text.h"

namespace {
const SServiceEntry* FindService(const std::vector<SServiceEntry>& services, std::wstring_view name)
{
    for (const SServiceEntry& service : services) {
        if (EqualsIgnoreCase(service.name, name))
            return &service;
    }
    return nullptr;
}

// Waits for RasMan's process to be gone, reopening the manager each time so the state is fresh.
// Leaves `manager` empty when a reopening fails; the steps after it then do nothing.
void WaitForRasManToStop(IServiceControl& control, std::unique_ptr<IServiceManager>& manager)
{
    for (int poll = 0; poll < kStopPolls; ++poll) {
        manager.reset();
        if (control.OpenManager(manager) != 0) {
            manager.reset();
            return;
        }
        if (TestServiceState(*manager, kRasManService, kMaskStopped) != EServiceTest::NotMet)
            return;
        control.Sleep(kStopPollMs);
    }
}

// Starts again what was running before and is neither running nor starting now.
void RestartWhatWentDown(IServiceControl& control, IServiceManager* manager,
                         const std::vector<SServiceEntry>& before)
{
    if (!manager)
        return;
    std::vector<SServiceEntry> now;
    if (manager->Snapshot(now) != 0)
        return;
    for (const SServiceEntry& service : before) {
        if (service.state != service_state::kRunning)
            continue;
        const SServiceEntry* fresh = FindService(now, service.name);
        if (fresh && fresh->state != service_state::kRunning && fresh->state != service_state::kStartPending)
            StartServiceIfStopped(control, manager, service.name);
    }
}
}  // namespace

EServiceTest TestServiceState(IServiceManager& manager, std::wstring_view name, uint32_t mask)
{
    std::unique_ptr<IService> service;
    if (manager.Open(name, service) != 0 || !service)
        return EServiceTest::Unknown;
    uint32_t state = 0;
    if (service->QueryState(state) != 0)
        return EServiceTest::Unknown;
    return (state & mask) != 0 ? EServiceTest::Met : EServiceTest::NotMet;
}

void StartServiceIfStopped(IServiceControl& control, IServiceManager* manager, std::wstring_view name)
{
    if (!manager)
        return;
    std::unique_ptr<IService> service;
    if (manager->Open(name, service) != 0 || !service)
        return;
    uint32_t state = 0;
    if (service->QueryState(state) != 0 || state == service_state::kRunning ||
        state == service_state::kStartPending)
        return;
    uint32_t startType = 0;
    if (service->QueryStartType(startType) != 0)
        return;
    // A disabled service refuses to start; it is left with automatic start afterwards.
    if (startType == service_start::kDisabled && service->ChangeStartType(service_start::kAutomatic) != 0)
        return;
    if (service->Start() != 0)
        return;
    for (int poll = 0; poll < kStartPolls; ++poll) {
        if (service->QueryState(state) != 0 || state != service_state::kStartPending)
            return;
        control.Sleep(kStartPollMs);
    }
}

void RestartVpnRelatedServices(IServiceControl& control)
{
    // Without the debug privilege RasMan's process may refuse to end; we try anyway.
    control.EnablePrivilege(kDebugPrivilege);
    std::unique_ptr<IServiceManager> manager;
    if (control.OpenManager(manager) != 0 || !manager)
        return;
    std::vector<SServiceEntry> before;
    if (manager->Snapshot(before) != 0)
        return;
    const SServiceEntry* rasMan = FindService(before, kRasManService);
    const SServiceEntry* tapiSrv = FindService(before, kTapiSrvService);
    if (!rasMan || !tapiSrv)
        return;

    // Ending the process takes down every service that shares it.
    if (rasMan->processId != 0)
        control.TerminateProcess(rasMan->processId);
    WaitForRasManToStop(control, manager);

    // TapiSrv is started here only if it was not running before; if it shared RasMan's process
    // it is among what went down and comes back below.
    if (tapiSrv->processId == 0)
        StartServiceIfStopped(control, manager.get(), kTapiSrvService);
    StartServiceIfStopped(control, manager.get(), kRasManService);
    // A second pass gives what could not be started in the first another chance.
    for (int pass = 0; pass < 2; ++pass)
        RestartWhatWentDown(control, manager.get(), before);
}

void RunVpnServiceRestart(IServiceControl& control, const std::function<void(const std::wstring&)>& setStatus)
{
    if (setStatus)
        setStatus(service_text::kApplyingNewSettings);
    const uint32_t started = control.TickCount();
    RestartVpnRelatedServices(control);
    const uint32_t elapsed = control.TickCount() - started;  // unsigned: right across a wrap-around
    if (elapsed < kRestartMinimumDisplayMs)
        control.Sleep(kRestartMinimumDisplayMs - elapsed);
}

void EnsureDialUpServicesRunning(IServiceControl& control)
{
    std::unique_ptr<IServiceManager> manager;
    if (control.OpenManager(manager) != 0 || !manager)
        return;
    if (TestServiceState(*manager, kTapiSrvService, kMaskRunning) == EServiceTest::NotMet ||
        TestServiceState(*manager, kRasManService, kMaskRunning) == EServiceTest::NotMet) {
        StartServiceIfStopped(control, manager.get(), kTapiSrvService);
        StartServiceIfStopped(control, manager.get(), kRasManService);
    }
}
