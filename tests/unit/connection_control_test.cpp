#include "app/connection_control.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "test_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"

namespace {

// The main window, as a log of what it was told.
class CFakeView : public IConnectionView {
public:
    std::vector<std::wstring> log;
    std::deque<bool> answers;  // to the yes/no questions, in turn
    std::wstring status;
    ETrayIcon icon = ETrayIcon::Idle;

    void SetStatus(std::wstring_view text, bool showBox) override
    {
        status = text;
        log.push_back((showBox ? L"status+box:" : L"status:") + status);
    }
    void ShowBox(std::wstring_view text) override { log.push_back(L"box:" + std::wstring(text)); }
    void ShowInformation(std::wstring_view text) override { log.push_back(L"tip:" + std::wstring(text)); }
    bool AskYesNo(std::wstring_view question) override
    {
        log.push_back(L"ask:" + std::wstring(question));
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    void EnableConnectButtons(bool connect, bool disconnect) override
    {
        log.push_back(std::wstring(L"buttons:") + (connect ? L"C" : L"-") + (disconnect ? L"D" : L"-"));
    }
    void ShowWindow() override { log.push_back(L"show"); }
    void HideWindow() override { log.push_back(L"hide"); }
    void SetTrayIcon(ETrayIcon image) override
    {
        icon = image;
        log.push_back(L"icon:" + std::to_wstring(static_cast<int>(image)));
    }
    void ShowBalloon() override { log.push_back(L"balloon"); }
    void CancelLoginWindows() override { log.push_back(L"cancel-windows"); }
    void CloseProgram() override { log.push_back(L"close"); }

    bool Saw(const std::wstring& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
};

class CFakeConnections : public ICurrentConnection, public IConnectSteps {
public:
    CMemoryIpHelper table;
    std::unique_ptr<CTestVpn> connection;
    uint32_t generation = 0;
    std::function<void()> login;  // what the login exchange does
    int logins = 0;
    int serviceChecks = 0;

    CTestVpn& Create()
    {
        connection = std::make_unique<CTestVpn>(table);
        ++generation;
        return *connection;
    }
    CGeneralVpn* Current() override { return connection.get(); }
    uint32_t CurrentGeneration() const override { return generation; }
    void DestroyCurrent() override { connection.reset(); }
    void EnsureDialUpServices() override { ++serviceChecks; }
    void RunLogin() override
    {
        ++logins;
        if (login)
            login();
    }
};

class ConnectionControl : public ::testing::Test {
protected:
    // A connection that reports these codes, as the current one.
    CTestVpn& Reporting(uint32_t state, uint32_t error, uint32_t detail)
    {
        CTestVpn& vpn = m_connections.Create();
        vpn.StoreStatus(state, error, detail);
        return vpn;
    }
    void Report() { m_controller.OnStateChanged(m_connections.generation); }

    CFakeView m_view;
    CMemorySettingsStore m_settings;
    CFakeConnections m_connections;
    CConnectionController m_controller{m_view, m_settings, m_connections, m_connections};
};

TEST_F(ConnectionControl, EachStateChangeShowsItsOutcomeAndEndsTheConnectionOnError)
{
    struct SCase {
        uint32_t state, error, detail;
        std::vector<std::wstring> shown;  // what the window is told, in order
        bool kept;                        // the connection is still the current one
    };
    const std::wstring tornDown[] = {L"buttons:C-", L"icon:132"};
    const SCase cases[] = {
        {8, 0, 0, {L"status:登录成功", L"hide", L"icon:135", L"balloon"}, true},
        {4, 0, 0, {L"status:正在连接……"}, true},
        // The detail text wins the status line when there is one; the box holds the report.
        {8, 1, 691,
         {L"status:拒绝访问", L"box:状态：登录成功\r\n错误信息：VPN内部错误\r\n详细信息：拒绝访问\r\n", tornDown[0],
          tornDown[1]},
         false},
        {4, 1, 5,
         {L"status:VPN内部错误", L"box:状态：正在连接……\r\n错误信息：VPN内部错误\r\n详细信息：\r\n", tornDown[0],
          tornDown[1]},
         false},
        {1, 0, 0, {L"status:连接已经断开", tornDown[0], tornDown[1]}, false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << "," << c.error << "," << c.detail);
        m_view.log.clear();
        Reporting(c.state, c.error, c.detail);
        Report();
        EXPECT_EQ(m_view.log, c.shown);
        EXPECT_EQ(m_connections.connection != nullptr, c.kept);
    }
}

TEST_F(ConnectionControl, ChangesOfAnotherGenerationAreDropped)
{
    Reporting(8, 0, 0);
    m_controller.OnStateChanged(m_connections.generation - 1);
    m_connections.connection.reset();
    m_controller.OnStateChanged(m_connections.generation);
    EXPECT_TRUE(m_view.log.empty());
}

TEST_F(ConnectionControl, FailedRoutesAreListedTenAtMostAndTheUserDecides)
{
    const std::vector<std::wstring> eleven = {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11"};
    EXPECT_EQ(FailedRoutesList({}), L"");
    EXPECT_EQ(FailedRoutesList({eleven.begin(), eleven.begin() + 10}), L"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10");
    EXPECT_EQ(FailedRoutesList(eleven), L"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n...");

    // A real route failure: the tunnel adapter refuses one destination.
    m_connections.table.AddInterface(1, "192.168.1.10", 20);
    m_connections.table.AddInterface(7, "10.8.0.6", 25);
    CRouteRow defaultRoute;
    defaultRoute.NextHop = InetAddr("192.168.1.1");
    defaultRoute.InterfaceIndex = 1;
    m_connections.table.CreateForwardEntry(defaultRoute);
    m_connections.table.RefuseDestination(InetAddr("172.16.0.0"), 5);
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        m_view.log.clear();
        CTestVpn& vpn = m_connections.Create();
        vpn.Routes = {L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0"};
        vpn.SetTunnel(L"10.8.0.6");
        ASSERT_EQ(vpn.Connect(), 0u);
        vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
        m_view.answers = {keep};
        Report();
        ASSERT_FALSE(m_view.log.empty());
        EXPECT_EQ(m_view.log[0], L"ask:无法正确修改下列本地路由表，是否继续使用？\r\n172.16.0.0 mask 255.240.0.0");
        if (keep) {
            EXPECT_EQ(m_view.log, (std::vector<std::wstring>{m_view.log[0], L"status:登录成功(部分路由没有修改)"}));
            EXPECT_NE(m_connections.connection, nullptr);
            // Connected now: a later drop is announced.
            vpn.pollFailure = 629;
            m_controller.OnTick();
            EXPECT_TRUE(m_view.Saw(L"status+box:连接被意外断开"));
        } else {
            EXPECT_EQ(m_view.log, (std::vector<std::wstring>{m_view.log[0], L"status:无法修改本地路由表",
                                                             L"buttons:C-", L"icon:132"}));
            EXPECT_EQ(m_connections.connection, nullptr);
        }
    }
}

TEST_F(ConnectionControl, TicksShowTrafficAndNoticeADrop)
{
    CTestVpn& vpn = Reporting(8, 0, 0);
    Report();
    struct STick {
        uint32_t sent, received;
        ETrayIcon icon;
    };
    const STick ticks[] = {
        {0, 0, ETrayIcon::Connected},  {10, 0, ETrayIcon::Send},       {10, 5, ETrayIcon::Receive},
        {20, 9, ETrayIcon::SendReceive}, {20, 9, ETrayIcon::Connected},
    };
    for (const STick& tick : ticks) {
        vpn.sent = tick.sent;
        vpn.received = tick.received;
        m_controller.OnTick();
        EXPECT_EQ(m_view.icon, tick.icon) << tick.sent << "/" << tick.received;
    }

    m_view.log.clear();
    vpn.pollFailure = 629;
    m_controller.OnTick();
    EXPECT_EQ(m_view.log, (std::vector<std::wstring>{L"show", L"buttons:C-", L"icon:132", L"status+box:连接被意外断开"}));
    EXPECT_EQ(m_connections.connection, nullptr);

    // The counters start again from 0, and a line lost while still dialling is no announced drop.
    CTestVpn& next = Reporting(4, 0, 0);
    m_controller.OnTick();
    EXPECT_EQ(m_view.icon, ETrayIcon::Connected);
    m_view.log.clear();
    next.pollFailure = 6;
    m_controller.OnTick();
    EXPECT_EQ(m_view.log, (std::vector<std::wstring>{L"show", L"buttons:C-", L"icon:132"}));
    m_controller.OnTick();  // nothing left to watch
    EXPECT_EQ(m_view.log.size(), 3u);
}

TEST_F(ConnectionControl, ConnectShowsTheTipOnceAndIsIgnoredWhileBusy)
{
    m_connections.login = [this] {
        m_controller.OnConnect();  // Enter pressed again while the exchange runs
        m_connections.Create();
    };
    m_controller.OnConnect();
    EXPECT_EQ(m_connections.logins, 1);
    EXPECT_EQ(m_connections.serviceChecks, 1);
    EXPECT_EQ(m_view.log.front().rfind(L"tip:登录成功后，程序将自动最小化到任务栏图标区", 0), 0u);
    EXPECT_EQ(settings::ReadInt(m_settings, settings::TipHideAfterConnection), 1);

    m_controller.OnConnect();  // a connection exists
    EXPECT_EQ(m_connections.logins, 1);

    m_controller.OnDisconnect();
    EXPECT_EQ(m_view.status, L"已经断开连接");
    m_view.log.clear();
    m_connections.login = nullptr;
    m_controller.OnConnect();
    EXPECT_EQ(m_connections.logins, 2);
    EXPECT_TRUE(m_view.log.empty()) << "the tip is shown only once";
}

TEST_F(ConnectionControl, ExitDuringALoginEndsItFirst)
{
    m_connections.login = [this] {
        m_controller.Exit();
        EXPECT_EQ(m_view.log.back(), L"cancel-windows");
        EXPECT_FALSE(m_view.Saw(L"close")) << "the login is still on the stack";
        m_connections.Create();  // whatever it managed to start
    };
    m_controller.OnConnect();
    EXPECT_EQ(m_connections.connection, nullptr);
    EXPECT_EQ(m_view.log.back(), L"close");
    m_controller.OnConnect();
    EXPECT_EQ(m_connections.logins, 1) << "no login after Exit";

    // Exit when nothing runs ends at once, with the connection.
    CFakeView view;
    CConnectionController idle(view, m_settings, m_connections, m_connections);
    m_connections.Create();
    idle.Exit();
    EXPECT_EQ(m_connections.connection, nullptr);
    EXPECT_EQ(view.log, (std::vector<std::wstring>{L"buttons:C-", L"icon:132", L"close"}));
}

}  // namespace
