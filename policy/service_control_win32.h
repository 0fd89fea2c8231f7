// The service seam over the Windows service control manager, process termination and the
// process's own token. Nothing here waits: the sleep and the tick count are the system's.
#pragma once

#include <windows.h>

#include "policy/service_control.h"

class CWin32ServiceControl final : public IServiceControl {
public:
    uint32_t OpenManager(std::unique_ptr<IServiceManager>& manager) override;
    uint32_t TerminateProcess(uint32_t processId) override;
    uint32_t EnablePrivilege(std::wstring_view name) override;
    uint32_t TickCount() override { return ::GetTickCount(); }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};
