// The connection's routing work against an in-memory routing table.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vpn/general_vpn.h"
#include "test_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"

static void PrintTo(const CVpnStatus& status, std::ostream* out)
{
    *out << "(" << status.State << ", " << status.Error << ", " << status.Detail << ")";
}

namespace
{


class CRecordingCallback : public CGeneralVpnCallbackInterface
{
public:
    void OnVpnStatusChanged(CGeneralVpn* connection) override
    {
        std::lock_guard<std::mutex> guard(Lock);
        Seen.push_back(connection->GetStatus());
    }
    std::vector<uint32_t> States()
    {
        std::lock_guard<std::mutex> guard(Lock);
        std::vector<uint32_t> states;
        for (const CVpnStatus& status : Seen)
            states.push_back(status.State);
        return states;
    }
    std::vector<CVpnStatus> Seen;

private:
    std::mutex Lock;
};

CVpnStatus Status(uint32_t state, uint32_t error, uint32_t detail)
{
    CVpnStatus status;
    status.State = state;
    status.Error = error;
    status.Detail = detail;
    return status;
}

// A machine on 192.168.1.0/24 behind 192.168.1.1, and a tunnel adapter that got 10.8.0.6.
void SetUpMachine(CMemoryIpHelper& table)
{
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    CRouteRow onLink;
    onLink.Destination = InetAddr("192.168.1.0");
    onLink.Mask = InetAddr("255.255.255.0");
    onLink.NextHop = InetAddr("192.168.1.10");
    onLink.InterfaceIndex = 1;
    onLink.Type = 3;
    onLink.Proto = 2;
    onLink.Metric1 = 20;
    table.CreateForwardEntry(onLink);
    CRouteRow defaultRoute;
    defaultRoute.NextHop = InetAddr("192.168.1.1");
    defaultRoute.InterfaceIndex = 1;
    defaultRoute.Type = 4;
    defaultRoute.Proto = 2;
    defaultRoute.Age = 5000;
    defaultRoute.Metric1 = 20;
    defaultRoute.Metric2 = defaultRoute.Metric3 = defaultRoute.Metric4 = defaultRoute.Metric5 =
        NoMetric;
    table.CreateForwardEntry(defaultRoute);
}

void BusyWait(int microseconds)
{
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::microseconds(microseconds))
        ;
}

class VpnRoutes : public ::testing::Test
{
protected:
    VpnRoutes() : vpn(table)
    {
        SetUpMachine(table);
        before = table.Rows();
        vpn.Callback = &callback;
        vpn.SetTunnel(L"10.8.0.6", L"");
    }

    // Rows the connection added, in table order.
    std::vector<CRouteRow> Added() const
    {
        const std::vector<CRouteRow> rows = table.Rows();
        return std::vector<CRouteRow>(rows.begin() + static_cast<long>(before.size()), rows.end());
    }

    void ConnectAndTunnelUp()
    {
        ASSERT_EQ(0u, vpn.Connect());
        vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    }

    CMemoryIpHelper table;
    std::vector<CRouteRow> before;
    CTestVpn vpn;
    CRecordingCallback callback;
};

TEST_F(VpnRoutes, EntriesGoIntoTheTunnel)
{
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 MASK 255.240.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(8, 0, 0), vpn.GetStatus());
    const std::vector<CRouteRow> added = Added();
    ASSERT_EQ(2u, added.size());
    EXPECT_EQ(InetAddr("172.16.0.0"), added[1].Destination);
    EXPECT_EQ(InetAddr("255.240.0.0"), added[1].Mask);
    for (const CRouteRow& row : added) {
        EXPECT_EQ(7u, row.InterfaceIndex);
        EXPECT_EQ(InetAddr("10.8.0.6"), row.NextHop);
        EXPECT_EQ(26u, row.Metric1);
        EXPECT_EQ(3u, row.Type);
        EXPECT_EQ(3u, row.Proto);
        EXPECT_EQ(NoMetric, row.Metric5);
    }
}

TEST_F(VpnRoutes, TunnelGatewayBecomesTheNextHopAndMetricIsOneWithoutInterfaceTable)
{
    table.SetInterfaceTableAvailable(false);
    vpn.SetTunnel(L"10.8.0.6", L"10.8.0.5");
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0"};
    ConnectAndTunnelUp();
    const std::vector<CRouteRow> added = Added();
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(InetAddr("10.8.0.5"), added[0].NextHop);
    EXPECT_EQ(1u, added[0].Metric1);
}

TEST_F(VpnRoutes, GatewayModeSendsEntriesAroundTheTunnelWithoutAskingForAdapters)
{
    table.FailAdapterQuery(1234); // would fail the tunnel template, which gateway mode skips
    vpn.ModifyDefaultGateway = 1;
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(8, 0, 0), vpn.GetStatus());
    const std::vector<CRouteRow> added = Added();
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(InetAddr("192.168.1.1"), added[0].NextHop);
    EXPECT_EQ(1u, added[0].InterfaceIndex);
    EXPECT_EQ(21u, added[0].Metric1);
    EXPECT_EQ(0u, added[0].Age);
    EXPECT_EQ(4u, added[0].Type); // the default route's own
}

TEST_F(VpnRoutes, ProxyHostRouteComesFirstAndStaysAfterDisconnect)
{
    vpn.SetProxy({1, L"10.2.3.4", 8080, L"", L""});
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0"};
    ConnectAndTunnelUp();
    std::vector<CRouteRow> added = Added();
    ASSERT_EQ(2u, added.size());
    const CRouteRow proxy = added[0];
    EXPECT_EQ(InetAddr("10.2.3.4"), proxy.Destination);
    EXPECT_EQ(HostMask, proxy.Mask);
    EXPECT_EQ(InetAddr("192.168.1.1"), proxy.NextHop);
    EXPECT_EQ(1u, proxy.InterfaceIndex);

    vpn.Disconnect();
    EXPECT_EQ(std::vector<CRouteRow>{proxy}, Added());

    // The next connection finds it there; that is no failure.
    CTestVpn next(table);
    next.SetTunnel(L"10.8.0.6", L"");
    next.SetProxy({1, L"10.2.3.4", 8080, L"", L""});
    ASSERT_EQ(0u, next.Connect());
    next.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ(Status(8, 0, 0), next.GetStatus());
}

TEST_F(VpnRoutes, EntriesWithoutMaskOrWithZeroAreSkippedUnreported)
{
    vpn.Routes = {L"10.1.0.0/16", L"0.0.0.0 mask 0.0.0.0", L"10.0.0.0 mask 0.0.0.0",
                  L"10.0.0.0 mask 255.0.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(8, 0, 0), vpn.GetStatus());
    EXPECT_EQ(1u, Added().size());
    EXPECT_TRUE(vpn.GetFailedRoutes().empty());
}

TEST_F(VpnRoutes, FailedEntriesAreListedAsStoredInTheOrderTried)
{
    table.RefuseDestination(InetAddr("10.0.0.0"), 5);
    table.RefuseDestination(InetAddr("172.16.0.0"), 5);
    vpn.Routes = {L"172.16.0.0 mask 255.240.0.0 ", L"192.168.100.0 mask 255.255.255.0",
                  L"10.0.0.0 Mask 255.0.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(10, 6, 0), vpn.GetStatus());
    EXPECT_EQ((std::vector<std::wstring>{L"172.16.0.0 mask 255.240.0.0 ", L"10.0.0.0 Mask 255.0.0.0"}),
              vpn.GetFailedRoutes());
    EXPECT_EQ(1u, Added().size());
}

TEST_F(VpnRoutes, TextThatIsNoAddressIsNeverRouted)
{
    vpn.SetProxy({2, L"proxy.example.com", 1080, L"", L""});
    vpn.Routes = {L"example.com mask 255.255.255.255", L"10.0.0.0 mask 255.0.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(10, 6, 0), vpn.GetStatus());
    EXPECT_EQ((std::vector<std::wstring>{L"proxy.example.com", L"example.com mask 255.255.255.255"}),
              vpn.GetFailedRoutes());
    const std::vector<CRouteRow> added = Added();
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ(InetAddr("10.0.0.0"), added[0].Destination);
}

TEST_F(VpnRoutes, UnknownTunnelAddressMakesEveryEntryFail)
{
    vpn.SetTunnel(L"10.9.9.9", L"");
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(Status(10, 6, 0), vpn.GetStatus());
    EXPECT_EQ(2u, vpn.GetFailedRoutes().size());
    EXPECT_TRUE(Added().empty());
}

TEST_F(VpnRoutes, NoDefaultRouteRefusesConnectSilently)
{
    CMemoryIpHelper bare;
    bare.AddInterface(1, "192.168.1.10", 20);
    CTestVpn lonely(bare);
    lonely.Callback = &callback;
    EXPECT_EQ(VpnError::GatewayNotFound, lonely.Connect());
    EXPECT_EQ(Status(2, 4, 13), lonely.GetStatus());
    EXPECT_TRUE(callback.Seen.empty());
}

TEST_F(VpnRoutes, DisconnectLeavesTheTableAsItWas)
{
    // A route of the user's own that one entry happens to repeat.
    CRouteRow own;
    own.Destination = InetAddr("172.16.0.0");
    own.Mask = InetAddr("255.240.0.0");
    own.NextHop = InetAddr("10.8.0.6");
    own.InterfaceIndex = 7;
    ASSERT_EQ(0u, table.CreateForwardEntry(own));
    before = table.Rows();

    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0",
                  L"192.168.100.0 mask 255.255.255.0"};
    ConnectAndTunnelUp();
    EXPECT_EQ(std::vector<std::wstring>{L"172.16.0.0 mask 255.240.0.0"}, vpn.GetFailedRoutes());
    // The tunnel reported up a second time adds nothing new.
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ(3u, vpn.GetFailedRoutes().size());
    EXPECT_EQ(2u, Added().size());

    EXPECT_EQ(0u, vpn.Disconnect());
    EXPECT_EQ(before, table.Rows());
    EXPECT_EQ(Status(1, 0, 0), vpn.GetStatus());
    EXPECT_EQ(VpnState::RestoringRoutes, callback.States().back());
    EXPECT_TRUE(vpn.Routes.empty());
}

TEST_F(VpnRoutes, TunnelUpAfterDisconnectRoutesNothing)
{
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0"};
    ASSERT_EQ(0u, vpn.Connect());
    vpn.Disconnect();
    vpn.Routes = {L"10.0.0.0 mask 255.0.0.0"}; // even if something refilled the list
    const size_t notified = callback.Seen.size();
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ(before, table.Rows());
    EXPECT_EQ(Status(1, 0, 0), vpn.GetStatus());
    EXPECT_EQ(notified, callback.Seen.size());
}

// A tunnel that comes up on its own thread while the user disconnects: whichever wins, no
// route may be left behind and the connection ends disconnected.
TEST(VpnRouteRace, LateTunnelUpAgainstDisconnectLeavesNoRoute)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < 40; ++i)
        entries.push_back(L"10." + std::to_wstring(i) + L".0.0 mask 255.255.0.0");

    int appliedFirst = 0;
    for (int round = 0; round < 100; ++round) {
        CMemoryIpHelper table;
        SetUpMachine(table);
        const std::vector<CRouteRow> before = table.Rows();
        CTestVpn vpn(table);
        CRecordingCallback callback;
        vpn.Callback = &callback;
        vpn.SetTunnel(L"10.8.0.6", L"");
        vpn.Routes = entries;
        ASSERT_EQ(0u, vpn.Connect());

        // Once the tunnel thread runs, one side gets a head start that shifts from round to
        // round, so that either side wins in some rounds and they overlap in others.
        const int shift = round % 21 - 10;
        std::atomic<bool> started{false};
        std::thread tunnel([&] {
            started = true;
            BusyWait(shift < 0 ? -shift * 20 : 0);
            vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
        });
        while (!started)
            std::this_thread::yield();
        BusyWait(shift > 0 ? shift * 20 : 0);
        vpn.Disconnect();
        tunnel.join();

        ASSERT_EQ(before, table.Rows()) << "round " << round;
        ASSERT_EQ(VpnState::Disconnected, vpn.GetStatus().State) << "round " << round;
        const std::vector<uint32_t> states = callback.States();
        appliedFirst += std::count(states.begin(), states.end(), VpnState::LoggedIn);
    }
    // Informative only: how often the tunnel won the race.
    RecordProperty("TunnelWon", appliedFirst);
}

} // namespace
