// Connection control: what Connect and Disconnect do, what the main window makes of every state
// change its connection reports, the one-second supervision of a running connection, and the
// teardown. The decisions are made here; the main window (IConnectionView) only carries them out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_store.h"
#include "vpn/general_vpn.h"

namespace connection_text {
inline constexpr wchar_t kHideTip[] =
    L"登录成功后，程序将自动最小化到任务栏图标区，点击任务栏图标可以重新打开主窗口。\n\n"
    L"本消息只提示一次，下次连接将不再提示。";
inline constexpr wchar_t kDisconnected[] = L"已经断开连接";
inline constexpr wchar_t kDropped[] = L"连接被意外断开";
inline constexpr wchar_t kRoutesQuestion[] = L"无法正确修改下列本地路由表，是否继续使用？\r\n";
inline constexpr wchar_t kPartlyRouted[] = L"登录成功(部分路由没有修改)";
inline constexpr wchar_t kRoutesRefused[] = L"无法修改本地路由表";
}  // namespace connection_text

// The tray images, by resource number.
enum class ETrayIcon : int {
    Idle = 132,
    SendReceive = 133,
    Send = 134,
    Connected = 135,
    Receive = 136,
};

// The main window as connection control sees it.
class IConnectionView {
public:
    virtual ~IConnectionView() = default;
    virtual void SetStatus(std::wstring_view text, bool showBox) = 0;
    virtual void ShowBox(std::wstring_view text) = 0;
    virtual void ShowInformation(std::wstring_view text) = 0;
    virtual bool AskYesNo(std::wstring_view question) = 0;
    virtual void EnableConnectButtons(bool connect, bool disconnect) = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    virtual void SetTrayIcon(ETrayIcon icon) = 0;
    virtual void ShowBalloon() = 0;
    // Closes every window the program has open for the login, so that the exchange returns.
    virtual void CancelLoginWindows() = 0;
    // Ends the main window's run, which ends the program.
    virtual void CloseProgram() = 0;
};

// Who owns the current connection. Each connection carries a generation number, which its state
// changes are posted with: a message naming another generation comes from a connection that is
// gone.
class ICurrentConnection {
public:
    virtual ~ICurrentConnection() = default;
    virtual CGeneralVpn* Current() = 0;
    virtual uint32_t CurrentGeneration() const = 0;
    virtual void DestroyCurrent() = 0;  // the destructor ends the tunnel and restores the routes
};

// Where connections report their state changes, on whatever thread they run: the sink only
// posts the generation on to the user-interface thread, never handles it there and then.
class IVpnStatusSink {
public:
    virtual ~IVpnStatusSink() = default;
    virtual void PostVpnStatusChanged(uint32_t generation) = 0;
};

// What Connect starts: makes sure the dial-up services run, and the login exchange.
class IConnectSteps {
public:
    virtual ~IConnectSteps() = default;
    virtual void EnsureDialUpServices() = 0;
    virtual void RunLogin() = 0;
};

// "list" of at most ten entries joined by CR LF, then a line "..." when there were more.
std::wstring FailedRoutesList(const std::vector<std::wstring>& routes);

// The tray image for a tick, by whether the byte counters moved since the last one.
ETrayIcon TrafficIcon(bool sentChanged, bool receivedChanged);

class CConnectionController {
public:
    CConnectionController(IConnectionView& view, ISettingsStore& settings, ICurrentConnection& connections,
                          IConnectSteps& steps);

    // Connect (the button or Enter). Ignored while a login runs or a connection exists.
    void OnConnect();
    void OnDisconnect();
    // A state change posted by a connection of the given generation.
    void OnStateChanged(uint32_t generation);
    // The supervision timer.
    void OnTick();
    // The current connection's outcome in the status line, and its report after an error; all
    // from one reading of its codes.
    void ShowOutcome();
    void TearDown();
    // Exit: the connection ends and so does the program. A login under way is abandoned first:
    // its windows close, it stops at its next step, and the program ends when it has returned.
    void Exit();
    bool ExitRequested() const { return m_exitRequested; }
    bool LoginRunning() const { return m_loginRunning; }

private:
    void OnRoutesNotChanged(CGeneralVpn& connection);

    IConnectionView& m_view;
    ISettingsStore& m_settings;
    ICurrentConnection& m_connections;
    IConnectSteps& m_steps;
    bool m_connected = false;
    bool m_loginRunning = false;
    bool m_exitRequested = false;
    uint32_t m_lastSent = 0;
    uint32_t m_lastReceived = 0;
};
