#include "app/connect_steps_win32.h"

#include <cstdint>
#include <vector>

#include "app/dlg_korvex_win32.h"
#include "app/korvex_app_win32.h"
#include "app/login_exchange.h"
#include "app/login_windows_win32.h"
#include "policy/protocol_checks_win32.h"
#include "policy/service_control_win32.h"
#include "policy/service_restart.h"
#include "res/resource.h"
#include "win/resource_string.h"

namespace {
// The file version of the running program, packed like MakeClientVersion; 0 if unreadable.
uint64_t OwnFileVersion(const std::wstring& modulePath)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(modulePath.c_str(), &ignored);
    if (size == 0)
        return 0;
    std::vector<uint8_t> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!::GetFileVersionInfoW(modulePath.c_str(), 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || !info)
        return 0;
    return (uint64_t{info->dwFileVersionMS} << 32) | info->dwFileVersionLS;
}
}  // namespace

void CConnectSteps::EnsureDialUpServices()
{
    CWin32ServiceControl services;
    EnsureDialUpServicesRunning(services);
}

void CConnectSteps::RunLogin()
{
    const HWND owner = m_mainWindow.Handle();
    CFetchWindow fetch(owner);
    CProtocolChecks checks(m_app.ModuleDir(), m_mainWindow.Hosts().webHost);
    CServerSelectionWindow selection(owner, m_mainWindow.ResponsePath(), m_app.Settings(), checks);
    CPasswordProtection protection;
    const SWebHosts& hosts = m_mainWindow.Hosts();
    SLoginEnvironment environment{m_app.TempDir(), m_app.OverrideFilePath(), LoadResourceString(IDS_LOGIN_URLS),
                                  hosts.referralTag, hosts.webHost, OwnFileVersion(m_app.ModulePath())};
    CLoginExchange exchange(environment,
                            SLoginServices{m_mainWindow, fetch, selection, m_app.Settings(), protection, m_connections});
    exchange.Run(m_mainWindow.ReadLoginInput());
}
