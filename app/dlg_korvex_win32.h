// The main window: login fields, Connect and Disconnect, the status line, the links and the
// notice pane, in the skinned frame. It hides instead of closing; only the tray's Exit ends it.
// It shows; connection control (app/connection_control.h) decides, and the application object
// wires the two together.
#pragma once

#include "app/connection_control.h"
#include "app/login_exchange.h"
#include "app/login_interfaces.h"
#include "app/notice_pane_win32.h"
#include "app/tray_notify_icon_win32.h"
#include "app/web_links.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_check_box_win32.h"
#include "skin/skin_dialog_win32.h"
#include "skin/skin_static_win32.h"
#include "win/window_messages.h"

#include <array>

class CKorvexApp;

class CDlgKorvex : public CSkinedDialog, public ILoginUi, public IConnectionView, public IVpnStatusSink {
public:
    explicit CDlgKorvex(CKorvexApp& app);
    ~CDlgKorvex() override;

    // Before the window runs; it must outlive the window.
    void SetController(CConnectionController& controller) { m_controller = &controller; }

    // Shows the window normally and brings it to the front.
    void ShowMainWindow();
    // What the user typed, for the login exchange.
    SLoginInput ReadLoginInput() const;
    const SWebHosts& Hosts() const { return m_hosts; }

    // ILoginUi and IConnectionView: what the login exchange and connection control do to it.
    void SetStatus(std::wstring_view text, bool showBox) override;
    void ShowBox(std::wstring_view text) override;
    void EnableConnectButtons(bool connect, bool disconnect) override;
    void OpenUrl(std::wstring_view url) override;
    void QuitProgram() override;
    void SetResponsePath(const std::wstring& path) override;
    void ShowOutcomeAndTearDown() override;
    bool Abandoned() const override;
    void ShowInformation(std::wstring_view text) override;
    bool AskYesNo(std::wstring_view question) override;
    void ShowWindow() override;
    void HideWindow() override;
    void SetTrayIcon(ETrayIcon icon) override;
    void ShowBalloon() override;
    void CancelLoginWindows() override;
    void CloseProgram() override;

    // Any thread: only posts the change to the window.
    void PostVpnStatusChanged(uint32_t generation) override;

    const std::wstring& ResponsePath() const { return m_responsePath; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    void OnOK() override;
    void OnCancel() override { HideWindow(); }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // The body piece at its own size.
    RECT BodyRect(const RECT&) const override { return RECT{10, 30, 10, 30}; }

private:
    void PlaceControls();
    void SetWindowIcons();
    void AttachNoticePane();
    void FillLoginFields();
    void FillSavedPassword();
    void RecoverRoutes();
    void OpenDiagnosis();

    CKorvexApp& m_app;
    CConnectionController* m_controller = nullptr;
    SWebHosts m_hosts;
    std::wstring m_responsePath;
    CIconHandle m_mainIcon;
    CTrayNotifyIcon m_tray;
    CNoticePane m_notice;
    bool m_diagnosisOpen = false;  // the tray menu still works while it is open

    CSkinedButton m_connect;
    CSkinedButton m_disconnect;
    std::array<CSkinedButton, 5> m_links;
    CSkinedCheckBox m_savePassword;
    CSkinedStatic m_status;
};
