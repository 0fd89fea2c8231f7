// The protocol checks over this machine: the registry, the system's version, the blocked-
// operation window for the service restart, the OpenVPN components and message boxes owned by
// the selection window.
#pragma once

#include <string>

#include "policy/dlg_vpn_policy_win32.h"
#include "policy/protocol_checks.h"
#include "win/handle.h"

class CProtocolChecks final : public IProtocolChecks, private IProtocolCheckPlatform {
public:
    CProtocolChecks(std::wstring moduleDir, std::wstring webHost)
        : m_moduleDir(std::move(moduleDir)), m_webHost(std::move(webHost))
    {
    }
    bool Apply(HWND window, EVpnProtocol protocol) override;

private:
    bool OpenIpSecSwitch() override;
    bool IpSecSwitchIsOne() override;
    bool SetIpSecSwitch() override;
    void CloseIpSecSwitch() override { m_key.Reset(); }
    unsigned SystemMajorVersion() override;
    void RestartDialUpServices() override;
    bool OpenVpnComponentsPresent() override;
    bool TapAdapterPresent() override;
    void InstallTapDriver() override;
    bool AskYesNo(std::wstring_view question) override;
    void ShowMessage(std::wstring_view text) override;

    std::wstring m_moduleDir;
    std::wstring m_webHost;
    HWND m_window = nullptr;
    CRegistryKey m_key;
};
