// The route journal: a connection that dies at any point leaves a journal whose clean-up at the
// next start puts the table back as it was before the connection; and what the clean-up does
// with journals that are cut short, unreadable or out of date.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "test_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/route_cleanup.h"
#include "vpn/route_journal.h"

namespace
{

// The in-memory table as the client reaches it. Every change is reported, so that a test can keep
// what the table and the journal hold after each step; the removal of one destination can be
// refused.
class CWatchedIpHelper : public IIpHelper
{
public:
    explicit CWatchedIpHelper(CMemoryIpHelper& table) : Table(table) {}
    std::function<void()> AfterChange = [] {};
    uint32_t RefusedDeletion = 0; // answered with access denied

    uint32_t GetForwardTable(std::vector<CRouteRow>& rows) override { return Table.GetForwardTable(rows); }
    uint32_t CreateForwardEntry(const CRouteRow& row) override { return Changed(Table.CreateForwardEntry(row)); }
    uint32_t DeleteForwardEntry(const CRouteRow& row) override
    {
        return Changed(RefusedDeletion != 0 && row.Destination == RefusedDeletion ? 5u : Table.DeleteForwardEntry(row));
    }
    uint32_t GetAdapters(std::vector<CAdapterAddress>& list) override { return Table.GetAdapters(list); }
    uint32_t GetInterfaceMetrics(std::vector<CInterfaceMetric>& list) override { return Table.GetInterfaceMetrics(list); }

private:
    uint32_t Changed(uint32_t result)
    {
        AfterChange();
        return result;
    }
    CMemoryIpHelper& Table;
};

// The journal's file: what is on disk survives the process.
class CMemoryJournalFile : public IJournalFile
{
public:
    std::optional<std::string> Disk;
    std::function<void()> AfterChange = [] {};

    EReadResult Read(std::string& text) override
    {
        text = Disk.value_or("");
        return Disk ? EReadResult::Read : EReadResult::Missing;
    }
    bool Replace(const std::string& text) override
    {
        Disk = text;
        AfterChange();
        return true;
    }
    bool Remove() override
    {
        Disk.reset();
        AfterChange();
        return true;
    }
};

struct CFakeTunnel : ILeftoverTunnel
{
    int HangUps = 0;
    int OpenVpnEnds = 0;
    bool HangUpDialUp() override { return ++HangUps == 1; }
    bool EndOpenVpn() override { return ++OpenVpnEnds == 1; }
};

// 192.168.1.10 on interface 1 behind 192.168.1.1 (metric 20), a tunnel adapter 10.8.0.6 on
// interface 7 (metric 25), and two routes of the user's own that are exactly what the first
// route entry gives in either mode.
void SetUpMachine(CMemoryIpHelper& table)
{
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    table.CreateForwardEntry(RouteRow("0.0.0.0", "0.0.0.0", "192.168.1.1", 1, 20));
    table.CreateForwardEntry(RouteRow("192.168.1.0", "255.255.255.0", "192.168.1.10", 1, 20));
    table.CreateForwardEntry(RouteRow("10.0.0.0", "255.255.255.0", "10.8.0.6", 7, 26));
    table.CreateForwardEntry(RouteRow("10.0.0.0", "255.255.255.0", "192.168.1.1", 1, 21));
}

TEST(RouteJournalCrash, EveryStepOfAConnectionIsUndoneAtTheNextStart)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back(L"10." + std::to_wstring(i / 100) + L"." + std::to_wstring(i % 100) +
                          L".0 mask 255.255.255.0");

    for (const int32_t modifyDefaultGateway : {0, 1}) {
        // One connection, from Connect to its destruction, with what the table and the disk hold
        // after each of its steps. A process that dies right after step N leaves exactly state N
        // behind (dying after a read leaves what the step before left).
        struct CState
        {
            std::vector<CRouteRow> Table;
            std::optional<std::string> Journal;
        };
        std::vector<CState> states;
        CMemoryIpHelper table;
        SetUpMachine(table);
        const std::vector<CRouteRow> before = table.Rows();
        CWatchedIpHelper ipHelper(table);
        CMemoryJournalFile journal;
        ipHelper.AfterChange = journal.AfterChange = [&] { states.push_back({table.Rows(), journal.Disk}); };
        {
            CTestVpn vpn(ipHelper);
            vpn.SetRouteJournal(&journal);
            vpn.ModifyDefaultGateway = modifyDefaultGateway;
            vpn.SetTunnel(L"10.8.0.6");
            vpn.Routes = entries;
            ASSERT_EQ(0u, vpn.Connect());
            vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
            ASSERT_EQ(1u, vpn.GetFailedRoutes().size()); // the user's own route
        }
        ASSERT_GT(states.size(), 400u);
        states.insert(states.begin(), CState{before, {}});

        for (size_t step = 0; step < states.size(); ++step) {
            // The next start.
            CMemoryIpHelper left;
            left.AddInterface(1, "192.168.1.10", 20);
            left.AddInterface(7, "10.8.0.6", 25);
            for (const CRouteRow& row : states[step].Table)
                left.CreateForwardEntry(row);
            CMemoryJournalFile leftJournal;
            leftJournal.Disk = states[step].Journal;
            CFakeTunnel tunnel;
            const CRouteCleanupResult result = CleanUpRouteJournal(left, leftJournal, tunnel);
            ASSERT_EQ(before, left.Rows()) << "gateway mode " << modifyDefaultGateway << ", died after step " << step;
            ASSERT_FALSE(leftJournal.Disk) << "died after step " << step;
            ASSERT_EQ(states[step].Journal ? ERouteCleanup::Restored : ERouteCleanup::NothingLeft, result.Outcome);
            ASSERT_EQ(states[step].Journal ? 1 : 0, tunnel.HangUps);
            ASSERT_EQ(0u, result.Failed);
        }
    }
}

std::string Journal(const std::string& body)
{
    return "korvex-route-journal 1\n" + body;
}

constexpr char RouteA[] = "route 10.1.0.0 255.255.0.0 10.8.0.6 7 26\n";
constexpr char RouteB[] = "route 10.2.0.0 255.255.0.0 10.8.0.6 7 26\n";

TEST(RouteJournalCleanup, RemovesOnlyWhatIsThereAsJournalledAndKeepsWhatItCannotRead)
{
    const CRouteRow a = RouteRow("10.1.0.0", "255.255.0.0", "10.8.0.6", 7, 26);
    const CRouteRow b = RouteRow("10.2.0.0", "255.255.0.0", "10.8.0.6", 7, 26);
    const CRouteRow bOtherMetric = RouteRow("10.2.0.0", "255.255.0.0", "10.8.0.6", 7, 30);
    const std::string bTorn(RouteB, sizeof RouteB - 2); // without its line feed
    struct SCase
    {
        const char* what;
        std::string journal;
        std::vector<CRouteRow> table;
        bool refuseDeletionOfB;
        ERouteCleanup outcome;
        std::vector<CRouteRow> tableAfter;
        std::optional<std::string> journalAfter; // nullopt: deleted
    };
    const SCase cases[] = {
        {"both present", Journal(std::string(RouteA) + RouteB), {a, b}, false, ERouteCleanup::Restored, {}, {}},
        {"the user removed one already", Journal(std::string(RouteA) + RouteB), {b}, false,
         ERouteCleanup::Restored, {}, {}},
        {"one differs in its metric: not ours", Journal(std::string(RouteA) + RouteB), {a, bOtherMetric}, false,
         ERouteCleanup::Restored, {bOtherMetric}, {}},
        {"torn last line", Journal(RouteA + bTorn), {a, b}, false, ERouteCleanup::Restored, {b}, {}},
        {"damaged last line", Journal(std::string(RouteA) + "route 10.2.0.0 255.25\n"), {a, b}, false,
         ERouteCleanup::Restored, {b}, {}},
        {"torn header", "korvex-route-jour", {a}, false, ERouteCleanup::Restored, {a}, {}},
        {"saved by a person with CR LF", "korvex-route-journal 1\r\nroute 10.1.0.0 255.255.0.0 10.8.0.6 7 26\r\n", {a},
         false, ERouteCleanup::Restored, {}, {}},
        {"a removal fails", Journal(std::string(RouteA) + RouteB), {a, b}, true, ERouteCleanup::Incomplete, {b},
         Journal(RouteB)},
        {"damaged line before the last", Journal("route 10.1.0.0 255.255.0.0 10.8.0.6 7\n" + std::string(RouteB)),
         {a, b}, false, ERouteCleanup::Unreadable, {a, b}, Journal("route 10.1.0.0 255.255.0.0 10.8.0.6 7\n" + std::string(RouteB))},
        {"another version", "korvex-route-journal 2\n" + std::string(RouteA), {a}, false, ERouteCleanup::Unreadable,
         {a}, "korvex-route-journal 2\n" + std::string(RouteA)},
        {"not a journal", "route 10.1.0.0 255.255.0.0 10.8.0.6 7 26", {a}, false, ERouteCleanup::Unreadable, {a},
         "route 10.1.0.0 255.255.0.0 10.8.0.6 7 26"},
        {"loose address forms", Journal("route 10.1 255.255.0.0 10.8.0.6 7 26\n" + std::string(RouteB)), {a, b},
         false, ERouteCleanup::Unreadable, {a, b}, Journal("route 10.1 255.255.0.0 10.8.0.6 7 26\n" + std::string(RouteB))},
    };
    for (const SCase& test : cases) {
        CMemoryIpHelper table;
        table.AddInterface(7, "10.8.0.6", 25);
        for (const CRouteRow& row : test.table)
            ASSERT_EQ(0u, table.CreateForwardEntry(row)) << test.what;
        CWatchedIpHelper ipHelper(table);
        ipHelper.RefusedDeletion = test.refuseDeletionOfB ? b.Destination : 0;
        CMemoryJournalFile journal;
        journal.Disk = test.journal;
        CFakeTunnel tunnel;

        const CRouteCleanupResult result = CleanUpRouteJournal(ipHelper, journal, tunnel);
        EXPECT_EQ(test.outcome, result.Outcome) << test.what;
        EXPECT_EQ(test.tableAfter, table.Rows()) << test.what;
        EXPECT_EQ(test.journalAfter, journal.Disk) << test.what;
        // Nothing is touched on account of a journal we cannot read, not even the tunnel.
        const int tunnelCalls = test.outcome == ERouteCleanup::Unreadable ? 0 : 1;
        EXPECT_EQ(tunnelCalls, tunnel.HangUps) << test.what;
        EXPECT_EQ(tunnelCalls, tunnel.OpenVpnEnds) << test.what;
        const bool failed = test.outcome != ERouteCleanup::Restored;
        EXPECT_EQ(failed ? L"未能完全恢复上次异常退出时修改的路由表" : L"已恢复上次异常退出时修改的路由表",
                  RouteCleanupStatusText(result))
            << test.what;
    }
}

// A journal an earlier run could not clean up is never lost to the next connection: a readable
// one is carried on, an unreadable one is left alone.
TEST(RouteJournalConnection, KeepsWhatAnEarlierRunLeft)
{
    const std::string unreadable = "korvex-route-journal 2\n" + std::string(RouteA);
    for (const std::string& left : {Journal(RouteA), unreadable}) {
        CMemoryIpHelper table;
        SetUpMachine(table);
        CMemoryJournalFile journal;
        journal.Disk = left;
        {
            CTestVpn vpn(table);
            vpn.SetRouteJournal(&journal);
            vpn.SetTunnel(L"10.8.0.6");
            vpn.Routes = {L"10.5.0.0 mask 255.255.0.0"};
            vpn.Connect();
            vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
            if (left != unreadable) {
                EXPECT_EQ(Journal(std::string(RouteA) + "route 10.5.0.0 255.255.0.0 10.8.0.6 7 26\n"), journal.Disk);
            }
        }
        EXPECT_EQ(left, journal.Disk);
    }
}

} // namespace
