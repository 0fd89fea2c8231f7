#include "policy/protocol_checks_win32.h"

#include "app/event_log.h"
#include "policy/dlg_blocked_operation_win32.h"
#include "policy/service_control_win32.h"
#include "policy/service_restart_win32.h"
#include "vpn/openvpn_components_win32.h"
#include "win/message_box.h"

namespace {
constexpr wchar_t kRasManParameters[] = L"SYSTEM\\CurrentControlSet\\Services\\RasMan\\Parameters";
constexpr wchar_t kProhibitIpSec[] = L"ProhibitIpSec";
}  // namespace

bool CProtocolChecks::Apply(HWND window, EVpnProtocol protocol)
{
    m_window = window;
    return ApplyProtocolChecks(protocol, *this, m_webHost);
}

bool CProtocolChecks::OpenIpSecSwitch()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRasManParameters, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return false;
    m_key.Reset(key);
    return true;
}

bool CProtocolChecks::IpSecSwitchIsOne()
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegQueryValueExW(m_key.Get(), kProhibitIpSec, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof(value) && value == 1;
}

bool CProtocolChecks::SetIpSecSwitch()
{
    const DWORD one = 1;
    return ::RegSetValueExW(m_key.Get(), kProhibitIpSec, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                            sizeof(one)) == ERROR_SUCCESS;
}

unsigned CProtocolChecks::SystemMajorVersion()
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return ::GetVersionExW(&version) ? version.dwMajorVersion : 0;
#pragma GCC diagnostic pop
}

void CProtocolChecks::RestartDialUpServices()
{
    CWin32ServiceControl services;
    CBlockedOperation_RestartVpnRelatedServices restart(services);
    CDlgBlockedOperation window;
    window.SetOperation(&restart);
    window.DoModal(m_window);
    TheEventLog().ServicesRestarted();
}

bool CProtocolChecks::OpenVpnComponentsPresent() { return CheckOpenVpnComponents(m_moduleDir); }

bool CProtocolChecks::TapAdapterPresent() { return IsTapAdapterPresent(); }

void CProtocolChecks::InstallTapDriver() { ::InstallTapDriver(); }

bool CProtocolChecks::AskYesNo(std::wstring_view question)
{
    return ::ShowMessage(m_window, std::wstring(question), MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

void CProtocolChecks::ShowMessage(std::wstring_view text) { ::ShowMessage(m_window, std::wstring(text)); }
