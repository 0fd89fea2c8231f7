// The main window: login fields, Connect and Disconnect, the status line, the links and the
// notice pane, in the skinned frame. It hides instead of closing; only the tray's Exit ends it.
#pragma once

#include "app/login_interfaces.h"
#include "app/notice_pane_win32.h"
#include "app/tray_notify_icon_win32.h"
#include "app/vpn_factory_win32.h"
#include "app/web_links.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_check_box_win32.h"
#include "skin/skin_dialog_win32.h"
#include "skin/skin_static_win32.h"
#include "vpn/general_vpn.h"
#include "win/window_messages.h"

#include <array>
#include <memory>

class CKorvexApp;


class CDlgKorvex : public CSkinedDialog, public ILoginUi, public CGeneralVpnCallbackInterface {
public:
    explicit CDlgKorvex(CKorvexApp& app);
    ~CDlgKorvex() override;

    // Shows the window normally and brings it to the front.
    void ShowMainWindow();

    // ILoginUi: what the login exchange does to the window.
    void SetStatus(std::wstring_view text, bool showBox) override;
    void ShowBox(std::wstring_view text) override;
    void EnableConnectButtons(bool connect, bool disconnect) override;
    void OpenUrl(std::wstring_view url) override;
    void QuitProgram() override;
    void SetResponsePath(const std::wstring& path) override;
    void ShowOutcomeAndTearDown() override;

    // Any thread: only posts the change to the window.
    void OnVpnStatusChanged(CGeneralVpn* connection) override;

    const std::wstring& ResponsePath() const { return m_responsePath; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    void OnOK() override { OnConnect(); }
    void OnCancel() override { ::ShowWindow(Handle(), SW_HIDE); }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // The body piece at its own size.
    RECT BodyRect(const RECT&) const override { return RECT{10, 30, 10, 30}; }

private:
    void PlaceControls();
    void FillLoginFields();
    void OnConnect();
    void OnDisconnect();
    void OnExit();
    void TearDown();
    void ShowOutcome();
    CGeneralVpn* CurrentVpn() const { return m_connections.Current(); }

    CKorvexApp& m_app;
    SWebHosts m_hosts;
    std::wstring m_responsePath;
    int m_connected = 0;
    CIconHandle m_mainIcon;
    CTrayNotifyIcon m_tray;
    CVpnConnectionFactory m_connections{*this};
    CNoticePane m_notice;

    CSkinedButton m_connect;
    CSkinedButton m_disconnect;
    std::array<CSkinedButton, 5> m_links;
    CSkinedCheckBox m_savePassword;
    CSkinedStatic m_status;
};
