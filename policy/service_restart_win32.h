// The forced restart of the dial-up services as the blocked-operation window's operation:
//
//     CWin32ServiceControl services;
//     CBlockedOperation_RestartVpnRelatedServices restart(services);
//     CDlgBlockedOperation window;
//     window.SetOperation(&restart);
//     window.DoModal(owner);
#pragma once

#include "policy/dlg_blocked_operation_win32.h"
#include "policy/service_control.h"

class CBlockedOperation_RestartVpnRelatedServices final : public CDlgBlockedOperation::IOperation {
public:
    // The services must outlive the operation.
    explicit CBlockedOperation_RestartVpnRelatedServices(IServiceControl& services) : m_services(services) {}

    void Run(CDlgBlockedOperation& window) override;
    void Reserved() override {}

private:
    IServiceControl& m_services;
};
