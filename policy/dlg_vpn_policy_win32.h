// The server selection window (template 130): the account's routes and servers from the server
// directory, a live speed test, the protocols the highlighted server offers, and the choice,
// remembered in the settings store, for the login exchange. Run it modally; after IDOK read
// Selection(). The decisions live in policy/server_selection.h; this class carries them out.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

#include "app/login_interfaces.h"
#include "app/server_directory.h"
#include "app/settings_store.h"
#include "policy/server_selection.h"
#include "policy/speed_test.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_dialog_win32.h"
#include "win/worker_thread.h"

// What has to hold for the chosen protocol before the window may close with OK. False keeps
// the window open; the checks tell the user why themselves.
class IProtocolChecks {
public:
    virtual ~IProtocolChecks() = default;
    virtual bool Apply(HWND window, EVpnProtocol protocol) = 0;
};

class CDlgVpnPolicy : public CSkinedDialog {
public:
    // Called on each speed-test worker's thread for the echo that worker uses alone.
    using EchoFactory = std::function<std::unique_ptr<IIcmpEcho>()>;

    // The directory, settings and checks must outlive the window.
    CDlgVpnPolicy(const CServerDirectory& directory, ISettingsStore& settings, IProtocolChecks& checks,
                  EchoFactory echoes);
    ~CDlgVpnPolicy() override;

    // Route index, server index and protocol; set by an accepted OK.
    const SServerSelection& Selection() const { return m_selection; }

    // Speed-test workers started and joined over this object's life; equal once it is closed.
    size_t WorkersStarted() const { return m_workersStarted; }
    size_t WorkersJoined() const { return m_workersJoined; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notification, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnNotify(int id, const NMHDR& header, LRESULT& result) override;
    void OnDestroy() override { StopTest(); }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Inside the frame's edges: (10, 30)-(587, 320) at the designed client size, and still the
    // whole body when the dialog font makes the window larger.
    RECT BodyRect(const RECT& client) const override { return RECT{10, 30, client.right - 10, client.bottom - 27}; }

private:
    void FillRoutes(const SSelectionView& view);
    void FillServers(const SSelectionView& view);
    void CheckProtocol(std::optional<EVpnProtocol> protocol);
    void ShowProtocolsOf(int serverIndex);
    SSelectionInput ReadInput() const;
    void SetSpeedText(int row, const std::wstring& text);

    void StartTest();
    void StopTest();
    void RunWorker();
    LRESULT OnSpeedTestReport(int row, int32_t averageMs);

    const CServerDirectory& m_directory;
    ISettingsStore& m_settings;
    IProtocolChecks& m_checks;
    EchoFactory m_echoes;
    SServerSelection m_selection;

    // Speed test. The hosts are read before the workers start and never change while they run.
    SpeedTestHosts m_hosts;
    CSpeedTestBoard m_board;
    std::atomic<bool> m_running{false};
    std::array<CWorkerThread, kSpeedTestWorkers> m_workers;
    size_t m_workersStarted = 0;
    size_t m_workersJoined = 0;

    CSkinedButton m_ok;
    CSkinedButton m_cancel;
    CSkinedButton m_retest;
    CSkinedButton m_proxy;
};

// The login exchange's seam over the window: reads the directory from the login response file
// the main window keeps, and runs the window modally over the owner.
class CServerSelectionWindow : public IServerSelectionWindow {
public:
    CServerSelectionWindow(HWND owner, const std::wstring& responsePath, ISettingsStore& settings,
                           IProtocolChecks& checks)
        : m_owner(owner), m_responsePath(responsePath), m_settings(settings), m_checks(checks)
    {
    }
    bool Choose(SServerSelection& selection) override;

private:
    HWND m_owner;
    const std::wstring& m_responsePath;
    ISettingsStore& m_settings;
    IProtocolChecks& m_checks;
};
