// The dial-up connection's notifications, played by a fake dial-up service from its own
// thread: their mapping to states, the tunnel coming up with its routes, and hang-ups that
// meet notifications still on their way.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/windows_vpn_fake_ras.h"
#include "vpn/windows_vpn.h"

using namespace windows_vpn_test;

namespace
{

// A connection that has dialled, with one route entry to add when the tunnel is up.
struct CDialling
{
    CDialling()
    {
        SetUpMachine(table);
        before = table.Rows();
        vpn = std::make_unique<CWindowsVpn>(table, ras);
        vpn->Callback = &observer;
        vpn->ServerHost = L"vpn3.korvex.test";
        vpn->DialType = CWindowsVpn::DialPptp;
        vpn->Routes = {L"10.0.0.0 mask 255.0.0.0"};
    }

    CMemoryIpHelper table;
    std::vector<CRouteRow> before;
    CFakeRasApi ras;
    CRecordingObserver observer;
    std::unique_ptr<CWindowsVpn> vpn;
};

TEST(WindowsVpnNotify, EachNotificationMapsToItsState)
{
    struct CRow
    {
        uint32_t RasState, RasError;
        std::vector<CVpnStatus> Notified;
    };
    const CRow rows[] = {
        {RasState::ConnectDevice, 0, {Status(4, 0, 0)}},
        {RasState::ConnectDevice, 619, {Status(4, 1, 619)}},
        {RasState::Authenticate, 0, {Status(5, 0, 0)}},
        {RasState::Authenticate, 691, {Status(5, 1, 691)}},
        {RasState::Authenticated, 0, {Status(6, 0, 0)}},
        {RasState::Authenticated, 734, {Status(6, 1, 734)}},
        {RasState::Connected, 678, {Status(7, 1, 678)}},
        {RasState::Connected, 0, {Status(10, 0, 0), Status(8, 0, 0)}},
        {RasState::Disconnected, 0, {Status(1, 0, 0)}},
        {RasState::Disconnected, 629, {Status(1, 1, 629)}},
        {3 /* DeviceConnected */, 0, {}},
        {3, 720, {Status(3, 1, 720)}}, // the state stays, the error is added
        {0x1000 /* Interactive */, 0, {}},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "state " << row.RasState << ", error " << row.RasError);
        CDialling dialling;
        ASSERT_EQ(0u, dialling.vpn->Connect());
        dialling.ras.Play({{row.RasState, row.RasError}});
        dialling.ras.WaitForPlayback();
        EXPECT_EQ(row.Notified, dialling.observer.Snapshot());
        EXPECT_EQ(std::vector<uint32_t>{1}, dialling.ras.NotifierResults);
        // Only a clean Connected asks for the tunnel address and touches the table.
        const bool up = row.RasState == RasState::Connected && row.RasError == 0;
        EXPECT_EQ(up ? 1u : 0u, dialling.ras.CountInJournal("address"));
        EXPECT_EQ(dialling.before.size() + (up ? 1 : 0), dialling.table.RowCount());
        if (row.Notified.empty()) {
            EXPECT_EQ(Status(3, 0, 0), dialling.vpn->GetStatus());
        }
    }
}

TEST(WindowsVpnNotify, ADialRunsToLoggedInWithRoutesIntoTheTunnel)
{
    CDialling dialling;
    ASSERT_EQ(0u, dialling.vpn->Connect());
    dialling.ras.Play({{RasState::ConnectDevice, 0},
                       {RasState::Authenticate, 0},
                       {RasState::Authenticated, 0},
                       {RasState::Connected, 0}});
    dialling.ras.WaitForPlayback();

    std::vector<uint32_t> states;
    for (const CVpnStatus& status : dialling.observer.Snapshot())
        states.push_back(status.State);
    EXPECT_EQ((std::vector<uint32_t>{4, 5, 6, 10, 8}), states);

    // The address the service reported is the route's next hop, on the dial-up adapter.
    const std::vector<CRouteRow> rows = dialling.table.Rows();
    ASSERT_EQ(dialling.before.size() + 1, rows.size());
    EXPECT_EQ(InetAddr("10.0.0.0"), rows.back().Destination);
    EXPECT_EQ(InetAddr("10.8.0.6"), rows.back().NextHop);
    EXPECT_EQ(7u, rows.back().InterfaceIndex);
    EXPECT_EQ(26u, rows.back().Metric1);

    dialling.vpn->Disconnect();
    EXPECT_EQ(dialling.before, dialling.table.Rows());
    EXPECT_EQ(std::vector<RasConnectionHandle>{dialling.ras.DialHandle}, dialling.ras.HangUps);
    EXPECT_EQ(Status(1, 0, 0), dialling.vpn->GetStatus());
}

TEST(WindowsVpnNotify, WithoutATunnelAddressTheAttemptStaysAuthenticated)
{
    CDialling dialling;
    dialling.ras.ProjectionResult = 731;
    ASSERT_EQ(0u, dialling.vpn->Connect());
    dialling.ras.Play({{RasState::Authenticated, 0}, {RasState::Connected, 0}});
    dialling.ras.WaitForPlayback();
    EXPECT_EQ(std::vector<CVpnStatus>{Status(6, 0, 0)}, dialling.observer.Snapshot());
    EXPECT_EQ((std::vector<uint32_t>{1, 731}), dialling.ras.NotifierResults);
    EXPECT_EQ(dialling.before, dialling.table.Rows());
}

TEST(WindowsVpnNotify, HangUpWhileDiallingGoesThroughDisconnectingAndRestoring)
{
    CDialling dialling;
    ASSERT_EQ(0u, dialling.vpn->Connect());
    dialling.ras.Play({{RasState::ConnectDevice, 0}, {RasState::Authenticate, 0}});
    dialling.ras.WaitForPlayback();

    CVpnStatus atHangUp;
    dialling.ras.OnHangUp = [&] { atHangUp = dialling.vpn->GetStatus(); };
    dialling.vpn->Disconnect();

    EXPECT_EQ(Status(0, 0, 0), atHangUp); // silently Disconnecting when the line is released
    EXPECT_EQ(std::vector<RasConnectionHandle>{dialling.ras.DialHandle}, dialling.ras.HangUps);
    EXPECT_EQ((std::vector<CVpnStatus>{Status(4, 0, 0), Status(5, 0, 0), Status(9, 0, 0)}),
              dialling.observer.Snapshot());
    EXPECT_EQ(Status(1, 0, 0), dialling.vpn->GetStatus());

    // What the service still reports about the released line no longer reaches us.
    dialling.ras.Play({{RasState::Authenticated, 0}, {RasState::Connected, 0},
                       {RasState::Disconnected, 0}});
    dialling.ras.WaitForPlayback();
    EXPECT_EQ(3u, dialling.observer.Snapshot().size());
    EXPECT_EQ(2u, dialling.ras.NotifierResults.size());
    EXPECT_EQ(0u, dialling.ras.CountInJournal("address"));
    EXPECT_EQ(dialling.before, dialling.table.Rows());
}

// An observer that holds up the notification thread for a moment once route application has
// begun, so that the user's hang-up meets a notification in progress.
class CSlowObserver : public CGeneralVpnCallbackInterface
{
public:
    void OnVpnStatusChanged(CGeneralVpn* connection) override
    {
        const uint32_t state = connection->GetStatus().State;
        States.push_back(state);
        if (state == VpnState::ModifyingRoutes && !Inside.exchange(true))
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::atomic<bool> Inside{false};
    std::vector<uint32_t> States; // read after the notifications have ended
};

TEST(WindowsVpnNotify, HangUpWaitsForANotificationInProgress)
{
    CSlowObserver observer; // outlives the connection, whose destruction still reports
    CDialling dialling;
    dialling.vpn->Callback = &observer;
    ASSERT_EQ(0u, dialling.vpn->Connect());
    dialling.ras.Play({{RasState::Connected, 0}});
    while (!observer.Inside)
        std::this_thread::yield();
    dialling.vpn->Disconnect();
    dialling.ras.WaitForPlayback();

    // The tunnel-up finished (routes added, logged in) before the gate closed; only then was
    // the line released and the routes taken back.
    const std::vector<std::string> expected = {"enum",  "entry", "dial",  "notify", "address",
                                               "notified", "end", "hangup"};
    EXPECT_EQ(expected, dialling.ras.Journal);
    EXPECT_EQ((std::vector<uint32_t>{10, 8, 9}), observer.States);
    EXPECT_EQ(dialling.before, dialling.table.Rows());
    EXPECT_EQ(Status(1, 0, 0), dialling.vpn->GetStatus());
}

void BusyWait(std::chrono::microseconds duration)
{
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end)
        ;
}

// The user disconnects and the owner destroys the connection while the service is still
// reporting on another thread, at shifting moments: no notification may run after the gate
// closed (under the sanitizers, one reaching the destroyed connection would be caught), the
// address is never asked for on a hung-up handle, and no route is left behind.
TEST(WindowsVpnNotify, DisconnectRacingNotificationsLeavesNothingBehind)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < 20; ++i)
        entries.push_back(L"10." + std::to_wstring(i) + L".0.0 mask 255.255.0.0");

    int loggedIn = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        CDialling dialling;
        dialling.vpn->Routes = entries;
        ASSERT_EQ(0u, dialling.vpn->Connect());
        dialling.ras.Play({{RasState::ConnectDevice, 0},
                           {RasState::Authenticate, 0},
                           {RasState::Authenticated, 0},
                           {RasState::Connected, 0},
                           {RasState::Disconnected, 0}},
                          std::chrono::microseconds(20));
        // From the first notification on, the hang-up comes a little later each round.
        while (dialling.observer.Snapshot().empty())
            ;
        BusyWait(std::chrono::microseconds(round * 3));
        dialling.vpn->Disconnect();
        dialling.vpn.reset();
        dialling.ras.WaitForPlayback();
        for (const CVpnStatus& status : dialling.observer.Snapshot())
            loggedIn += status.State == VpnState::LoggedIn;

        const std::vector<std::string>& journal = dialling.ras.Journal;
        const auto closed = std::find(journal.begin(), journal.end(), "end");
        ASSERT_NE(journal.end(), closed);
        EXPECT_EQ(journal.end(), std::find(closed, journal.end(), "notify"));
        EXPECT_EQ(journal.end(), std::find(closed, journal.end(), "address"));
        EXPECT_NE(journal.end(), std::find(closed, journal.end(), "hangup"));
        EXPECT_EQ(dialling.before, dialling.table.Rows());
    }
    // Informative only: in how many rounds the tunnel came up before the hang-up.
    RecordProperty("LoggedInRounds", loggedIn);
}

} // namespace
