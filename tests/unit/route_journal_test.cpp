// The route journal: a connection that dies at any point leaves a journal whose clean-up at the
// next start puts the table back as it was before the connection; and what the clean-up does
// with journals that are cut short, unreadable or out of date.

#include <gtest/gtest.h>

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

// The process: it lives for a number of steps (table calls and journal writes); nothing it
// attempts after that reaches the table or the disk. Unlimited when stepsLeft is negative.
struct CProcessLife
{
    long StepsLeft = -1;
    long Steps = 0;
    bool Step()
    {
        if (StepsLeft == 0)
            return false;
        if (StepsLeft > 0)
            --StepsLeft;
        ++Steps;
        return true;
    }
};

// The in-memory table as a mortal process reaches it; deletions of one destination can be refused.
class CMortalIpHelper : public IIpHelper
{
public:
    CMortalIpHelper(CMemoryIpHelper& table, CProcessLife& life) : Table(table), Life(life) {}
    uint32_t RefusedDeletion = 0; // a destination whose removal answers access denied

    uint32_t GetForwardTable(std::vector<CRouteRow>& rows) override
    {
        return Life.Step() ? Table.GetForwardTable(rows) : Dead;
    }
    uint32_t CreateForwardEntry(const CRouteRow& row) override
    {
        return Life.Step() ? Table.CreateForwardEntry(row) : Dead;
    }
    uint32_t DeleteForwardEntry(const CRouteRow& row) override
    {
        if (!Life.Step())
            return Dead;
        return RefusedDeletion != 0 && row.Destination == RefusedDeletion ? 5u : Table.DeleteForwardEntry(row);
    }
    uint32_t GetAdapters(std::vector<CAdapterAddress>& adapters) override
    {
        return Life.Step() ? Table.GetAdapters(adapters) : Dead;
    }
    uint32_t GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces) override
    {
        return Life.Step() ? Table.GetInterfaceMetrics(interfaces) : Dead;
    }

private:
    static constexpr uint32_t Dead = WinError::InvalidParameter;
    CMemoryIpHelper& Table;
    CProcessLife& Life;
};

// The journal's file: what is on disk survives the process.
class CMemoryJournalFile : public IJournalFile
{
public:
    std::optional<std::string> Disk;
    CProcessLife* Life = nullptr;

    EReadResult Read(std::string& text) override
    {
        if (!Disk)
            return EReadResult::Missing;
        text = *Disk;
        return EReadResult::Read;
    }
    bool Replace(const std::string& text) override
    {
        if (Life && !Life->Step())
            return false;
        Disk = text;
        return true;
    }
    bool Remove() override
    {
        if (Life && !Life->Step())
            return false;
        Disk.reset();
        return true;
    }
};

class CFakeTunnel : public ILeftoverTunnel
{
public:
    int HangUps = 0;
    int OpenVpnEnds = 0;
    bool HangUpDialUp() override { return ++HangUps == 1; }
    bool EndOpenVpn() override { return ++OpenVpnEnds == 1; }
};

CRouteRow Row(const char* destination, const char* mask, const char* nextHop, uint32_t interfaceIndex,
              uint32_t metric)
{
    CRouteRow row;
    row.Destination = InetAddr(destination);
    row.Mask = InetAddr(mask);
    row.NextHop = InetAddr(nextHop);
    row.InterfaceIndex = interfaceIndex;
    row.Metric1 = metric;
    return row;
}

// 192.168.1.10 on interface 1 behind 192.168.1.1 (metric 20), a tunnel adapter 10.8.0.6 on
// interface 7 (metric 25), and two routes of the user's own that are exactly what the first
// route entry gives in either mode.
void SetUpMachine(CMemoryIpHelper& table)
{
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    table.CreateForwardEntry(Row("0.0.0.0", "0.0.0.0", "192.168.1.1", 1, 20));
    table.CreateForwardEntry(Row("192.168.1.0", "255.255.255.0", "192.168.1.10", 1, 20));
    table.CreateForwardEntry(Row("10.0.0.0", "255.255.255.0", "10.8.0.6", 7, 26));
    table.CreateForwardEntry(Row("10.0.0.0", "255.255.255.0", "192.168.1.1", 1, 21));
}

TEST(RouteJournalCrash, EveryStepOfAConnectionIsUndoneAtTheNextStart)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < 200; ++i)
        entries.push_back(L"10." + std::to_wstring(i / 100) + L"." + std::to_wstring(i % 100) +
                          L".0 mask 255.255.255.0");

    for (const int32_t modifyDefaultGateway : {0, 1}) {
        // A run that lives for `steps` steps; -1 lives through Connect, Disconnect and destruction.
        // The steps it took, and the routes that failed.
        const auto run = [&](long steps, CMemoryIpHelper& table, CMemoryJournalFile& journal, size_t& failed) {
            CProcessLife life{steps};
            CMortalIpHelper ipHelper(table, life);
            journal.Life = &life;
            {
                CTestVpn vpn(ipHelper);
                vpn.SetRouteJournal(&journal);
                vpn.ModifyDefaultGateway = modifyDefaultGateway;
                vpn.SetTunnel(L"10.8.0.6");
                vpn.Routes = entries;
                vpn.Connect();
                vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
                failed = vpn.GetFailedRoutes().size();
                vpn.Disconnect();
            }
            journal.Life = nullptr;
            return life.Steps;
        };

        CMemoryIpHelper unharmed;
        SetUpMachine(unharmed);
        CMemoryJournalFile unharmedJournal;
        size_t failed = 0;
        const long steps = run(-1, unharmed, unharmedJournal, failed);
        ASSERT_GT(steps, 400);
        ASSERT_EQ(1u, failed); // the user's own route

        for (long diesAfter = 0; diesAfter <= steps; ++diesAfter) {
            CMemoryIpHelper table;
            SetUpMachine(table);
            const std::vector<CRouteRow> before = table.Rows();
            CMemoryJournalFile journal;
            run(diesAfter, table, journal, failed);
            const bool journalLeft = journal.Disk.has_value();

            CFakeTunnel tunnel;
            const CRouteCleanupResult result = CleanUpRouteJournal(table, journal, tunnel);
            ASSERT_EQ(before, table.Rows()) << "gateway mode " << modifyDefaultGateway << ", died after step " << diesAfter;
            ASSERT_FALSE(journal.Disk) << "died after step " << diesAfter;
            ASSERT_EQ(journalLeft ? ERouteCleanup::Restored : ERouteCleanup::NothingLeft, result.Outcome);
            ASSERT_EQ(journalLeft ? 1 : 0, tunnel.HangUps);
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
    const CRouteRow a = Row("10.1.0.0", "255.255.0.0", "10.8.0.6", 7, 26);
    const CRouteRow b = Row("10.2.0.0", "255.255.0.0", "10.8.0.6", 7, 26);
    const CRouteRow bOtherMetric = Row("10.2.0.0", "255.255.0.0", "10.8.0.6", 7, 30);
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
        CProcessLife life;
        CMortalIpHelper ipHelper(table, life);
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

TEST(RouteJournalFormat, ReadsWhatItWritesAndNothingLoose)
{
    const std::vector<CJournalRoute> routes = {
        JournalRouteOf(Row("0.0.0.0", "255.255.255.255", "255.255.255.255", 0, 0)),
        JournalRouteOf(Row("1.2.3.4", "255.0.0.0", "10.0.0.1", 4294967295u, 4294967295u)),
    };
    const std::string text = FormatRouteJournal(routes);
    EXPECT_EQ(Journal("route 0.0.0.0 255.255.255.255 255.255.255.255 0 0\n"
                      "route 1.2.3.4 255.0.0.0 10.0.0.1 4294967295 4294967295\n"),
              text);
    std::vector<CJournalRoute> read;
    ASSERT_TRUE(ParseRouteJournal(text, read));
    EXPECT_EQ(routes, read);

    for (const char* damaged : {"route 1.2.3.4  255.0.0.0 10.0.0.1 1 1", "route 1.2.3.256 255.0.0.0 10.0.0.1 1 1",
                                "route 1.2.3.4 255.0.0.0 10.0.0.1 1 4294967296", "route 1.2.3.4 255.0.0.0 10.0.0.1 +1 1",
                                "route 1.2.3.4 255.0.0.0 10.0.0.1 1 1 ", "ROUTE 1.2.3.4 255.0.0.0 10.0.0.1 1 1", ""})
        EXPECT_FALSE(ParseRouteJournal(Journal(damaged + std::string("\n") + RouteA), read)) << damaged;
    // Saved by a person with CR LF.
    ASSERT_TRUE(ParseRouteJournal("korvex-route-journal 1\r\nroute 1.2.3.4 255.0.0.0 10.0.0.1 1 1\r\n", read));
    EXPECT_EQ(1u, read.size());
}

} // namespace
