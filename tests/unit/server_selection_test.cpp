#include "policy/server_selection.h"

#include <gtest/gtest.h>

namespace {
CServerDirectory Directory(std::string_view text)
{
    return CServerDirectory(CIniDocument::Parse(text));
}

std::vector<std::wstring> ServerTitles(const SSelectionView& view)
{
    std::vector<std::wstring> titles;
    for (const SServerRow& row : view.servers)
        titles.push_back(row.title);
    return titles;
}

std::optional<std::wstring> StoredString(CMemorySettingsStore& store, const SettingKey& key)
{
    if (!store.Contains(key.section, key.key))
        return std::nullopt;
    return settings::ReadString(store, key);
}

std::optional<int32_t> StoredInt(CMemorySettingsStore& store, const SettingKey& key)
{
    if (!store.Contains(key.section, key.key))
        return std::nullopt;
    return settings::ReadInt(store, key);
}
}  // namespace

TEST(ServerSelectionView, ListsTheDirectoryAndPreselectsTheLastChoice)
{
    struct SCase {
        const char* name;
        const char* directory;
        const wchar_t* lastRoute;  // nullptr: never saved
        const wchar_t* lastServer;
        std::vector<std::wstring> routes;
        int selectedRoute;
        std::vector<std::wstring> servers;
        int selectedRow;
    };
    const SCase cases[] = {
        {"lists end at the first blank title",
         "[Routes]\nTitle0=A\nTitle1= B \nTitle3=D\n[Servers]\nTitle0=s0\nTitle1=s1\nTitle2= \nTitle3=s3\n",
         L"D", L"s3", {L"A", L"B"}, 0, {L"s0", L"s1"}, 0},
        {"a later duplicate wins", "[Routes]\nTitle0=A\nTitle1=B\nTitle2=A\n[Servers]\nTitle0=x\nTitle1=x\nTitle2=y\n",
         L"A", L"x", {L"A", L"B", L"A"}, 2, {L"x", L"x", L"y"}, 1},
        {"titles match trimmed and case-sensitively",
         "[Routes]\nTitle0=x\nTitle1= Web \nTitle2=web\n[Servers]\nTitle0=a\nTitle1=Near\nTitle2=near\n", L"Web",
         L"Near", {L"x", L"Web", L"web"}, 1, {L"a", L"Near", L"near"}, 1},
        {"a gone server selects the first row, not the route's",
         "[Routes]\nTitle0=A\nTitle1=B\nTitle2=C\n[Servers]\nTitle0=s0\nTitle1=s1\nTitle2=s2\n", L"C", L"gone",
         {L"A", L"B", L"C"}, 2, {L"s0", L"s1", L"s2"}, 0},
        {"a gone route selects the first route", "[Routes]\nTitle0=A\nTitle1=B\n", L"gone", nullptr, {L"A", L"B"}, 0,
         {}, -1},
        {"an empty directory selects nothing", "", L"A", L"s0", {}, -1, {}, -1},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        if (c.lastRoute)
            settings::WriteString(store, settings::LastVpnRouteTitle, c.lastRoute);
        if (c.lastServer)
            settings::WriteString(store, settings::LastVpnServerTitle, c.lastServer);
        const SSelectionView view = BuildSelectionView(Directory(c.directory), store);
        EXPECT_EQ(view.routes, c.routes);
        EXPECT_EQ(view.selectedRoute, c.selectedRoute);
        EXPECT_EQ(ServerTitles(view), c.servers);
        EXPECT_EQ(view.selectedRow, c.selectedRow);
    }
}

TEST(ServerSelectionView, RowsCarryCommentLoadAndIndexAndVpnTypeChecksAProtocol)
{
    CMemorySettingsStore store;
    const SSelectionView view = BuildSelectionView(
        Directory("[Servers]\nTitle0= Near \nComment0=\"  quiet \"\nLoad0=0.35\nTitle1=Far\nLoad1=1\n"), store);
    ASSERT_EQ(view.servers.size(), 2u);
    EXPECT_EQ(view.servers[0].comment, L"  quiet ");
    EXPECT_EQ(view.servers[0].loadText, L" 35%");
    EXPECT_EQ(view.servers[1].comment, L"");
    EXPECT_EQ(view.servers[1].loadText, L"100%");
    EXPECT_EQ(view.servers[1].serverIndex, 1);
    EXPECT_EQ(view.checked, EVpnProtocol::Pptp);  // VpnType's default

    const std::pair<int32_t, std::optional<EVpnProtocol>> types[] = {
        {1, EVpnProtocol::Pptp}, {2, EVpnProtocol::L2tp}, {3, EVpnProtocol::OpenVpn}, {7, std::nullopt},
        {0, std::nullopt},
    };
    for (const auto& [number, checked] : types) {
        settings::WriteInt(store, settings::VpnType, number);
        EXPECT_EQ(BuildSelectionView(CServerDirectory(), store).checked, checked) << number;
    }
}

TEST(ServerSelectionLoad, LeadingNumberTimesHundredTruncated)
{
    const std::pair<std::wstring, std::wstring> loads[] = {
        {L"0.35", L" 35%"},
        {L"1", L"100%"},
        {L"", L"  0%"},
        {L"abc", L"  0%"},
        {L"0.999", L" 99%"},
        {L"  0.5xyz", L" 50%"},
        {L"\t.25", L" 25%"},
        {L"+0.5", L" 50%"},
        {L"-0.5", L"-50%"},
        {L"5E-1", L" 50%"},
        {L"12", L"1200%"},
        {L"0x1p-1", L" 50%"},  // hexadecimal, as strtod reads it
        {L"0x", L"  0%"},
        {L"0,5", L"  0%"},  // only '.' is a decimal point, whatever the locale
        {L"--1", L"  0%"},
        {L"0.29", L" 28%"},  // 0.29 * 100 is 28.999... in double, as it has always shown
        {L"\uFF10.5", L"  0%"},  // a full-width digit is no digit
        {L"1e30", L"2147483647%"},
        {L"-1e30", L"-2147483648%"},
        {L"1e999", L"2147483647%"},
        {L"1e-999", L"  0%"},
        {L"0x1p99999", L"2147483647%"},
        {L"INF", L"2147483647%"},
        {L"-infinity", L"-2147483648%"},
        {L"nan", L"  0%"},
        {L"-nan(1)", L"  0%"},
    };
    for (const auto& [stored, text] : loads)
        EXPECT_EQ(LoadText(stored), text) << std::string(stored.begin(), stored.end());
}

TEST(ServerSelectionProtocols, WordsMatchCaseSensitivelyAnywhere)
{
    struct SCase {
        const wchar_t* value;
        std::array<bool, 3> offered;
        bool empty;
    };
    const SCase cases[] = {
        {L"pptp,openvpn", {true, false, true}, false},
        {L"l2tp", {false, true, false}, false},
        {L" openvpn pptp l2tp ", {true, true, true}, false},
        {L"xopenvpnx", {false, false, true}, false},
        {L"PPTP", {false, false, false}, false},
        {L"", {false, false, false}, true},
        {L" \t", {false, false, false}, true},
    };
    for (const SCase& c : cases) {
        const SProtocolOffer offer = ProtocolOffer(c.value);
        EXPECT_EQ(offer.offered, c.offered) << std::string(c.value, c.value + wcslen(c.value));
        EXPECT_EQ(offer.empty, c.empty) << std::string(c.value, c.value + wcslen(c.value));
    }
}

TEST(ServerSelectionAccept, ChecksInOrderAndWritesUpToTheFirstFailure)
{
    struct SCase {
        const char* name;
        SSelectionInput input;
        const wchar_t* message;  // nullptr: accepted
        std::optional<std::wstring> route;
        std::optional<std::wstring> server;
        std::optional<int32_t> vpnType;
        SServerSelection selection;
    };
    const SCase cases[] = {
        {"nothing selected", {L"", -1, -1, L"", -1, {true, true, true}}, selection_text::kNoRoute, L"", std::nullopt,
         std::nullopt, {}},
        {"typed route text without a route", {L"Games", -1, 0, L"Near", 0, {true, false, false}},
         selection_text::kNoRoute, L"Games", std::nullopt, std::nullopt, {}},
        {"a route but no row", {L"Games", 1, -1, L"", -1, {true, false, false}}, selection_text::kNoServer, L"Games",
         std::nullopt, std::nullopt, {}},
        {"a row but no protocol", {L"Games", 1, 0, L"Near", 4, {false, false, false}}, selection_text::kNoProtocol,
         L"Games", L"Near", std::nullopt, {}},
        {"one protocol", {L"Games", 1, 0, L"Near", 4, {true, false, false}}, nullptr, L"Games", L"Near", 1,
         {1, 4, EVpnProtocol::Pptp}},
        {"the last usable protocol wins", {L"Web", 0, 2, L"Far", 2, {true, true, false}}, nullptr, L"Web", L"Far", 2,
         {0, 2, EVpnProtocol::L2tp}},
        {"all usable", {L"Web", 0, 2, L"Far", 7, {true, true, true}}, nullptr, L"Web", L"Far", 3,
         {0, 7, EVpnProtocol::OpenVpn}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        const SSelectionOutcome outcome = AcceptSelection(c.input, store);
        EXPECT_EQ(outcome.accepted, c.message == nullptr);
        EXPECT_EQ(outcome.message, c.message ? c.message : L"");
        EXPECT_EQ(StoredString(store, settings::LastVpnRouteTitle), c.route);
        EXPECT_EQ(StoredString(store, settings::LastVpnServerTitle), c.server);
        EXPECT_EQ(StoredInt(store, settings::VpnType), c.vpnType);
        if (outcome.accepted) {
            EXPECT_EQ(outcome.selection.routeIndex, c.selection.routeIndex);
            EXPECT_EQ(outcome.selection.serverIndex, c.selection.serverIndex);
            EXPECT_EQ(outcome.selection.protocol, c.selection.protocol);
        }
    }
}
