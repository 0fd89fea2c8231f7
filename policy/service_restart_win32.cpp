#include "policy/service_restart_win32.h"

#include <string>

#include "policy/service_restart.h"

void CBlockedOperation_RestartVpnRelatedServices::Run(CDlgBlockedOperation& window)
{
    RunVpnServiceRestart(m_services, [&window](const std::wstring& text) { window.SetStatusText(text); });
}
