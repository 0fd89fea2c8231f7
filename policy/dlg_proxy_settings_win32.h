// The proxy settings window (template 164): the proxy OpenVPN goes through (none, HTTP CONNECT,
// SOCKS5), its address, port and credentials, read from section Proxy when it opens and written
// back at OK. Cancel saves nothing. The decisions live in policy/proxy_settings.h.
#pragma once

#include <windows.h>

#include "app/login_interfaces.h"
#include "app/settings_store.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_dialog_win32.h"
#include "vpn/vpn_protocol.h"

class CDlgProxySettings : public CSkinedDialog {
public:
    // The store and the protection of the password must outlive the window.
    CDlgProxySettings(ISettingsStore& settings, IPasswordProtection& protection);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    void OnOK() override;
    // Inside the frame's edges: (10, 30)-(460, 275) at the designed client size, and still the
    // whole body when the dialog font makes the window larger.
    RECT BodyRect(const RECT& client) const override { return RECT{10, 30, client.right - 10, client.bottom - 27}; }

private:
    void ShowRadios(int32_t type) const;

    ISettingsStore& m_settings;
    IPasswordProtection& m_protection;
    SProxySettings m_values;
    CSkinedButton m_ok;
    CSkinedButton m_cancel;
};
