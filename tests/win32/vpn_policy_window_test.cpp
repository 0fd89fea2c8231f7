// The server selection window on the screen, driven from a helper thread while it runs modally:
// what it lists and preselects, the speed test through a scripted echo, the messages, and the
// system's own echo to the loopback address.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/ini.h"
#include "base/ansi.h"
#include "fetch_test_driver.h"
#include "policy/dlg_vpn_policy_win32.h"
#include "policy/icmp_echo_win32.h"
#include "res/resource.h"
#include "skin_test_window.h"
#include "tests/unit/fake_icmp_echo.h"

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kTitle[] = L"选择加速网络";

// Every worker's echo is the test's one scripted echo.
class CSharedEcho final : public IIcmpEcho {
public:
    explicit CSharedEcho(CFakeIcmpEcho& echo) : m_echo(echo) {}
    bool Probe(std::wstring_view host, SEchoReply& reply) override { return m_echo.Probe(host, reply); }

private:
    CFakeIcmpEcho& m_echo;
};

class CRecordingChecks final : public IProtocolChecks {
public:
    bool Apply(HWND, EVpnProtocol protocol) override
    {
        applied.push_back(protocol);
        return pass;
    }
    std::vector<EVpnProtocol> applied;
    bool pass = true;
};

std::wstring ListText(HWND list, int row, int column)
{
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// The speed column of every row.
std::vector<std::wstring> SpeedColumn(HWND list)
{
    std::vector<std::wstring> texts;
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row)
        texts.push_back(ListText(list, row, 2));
    return texts;
}

bool Checked(HWND window, int id) { return ::SendMessageW(::GetDlgItem(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND window, int id) { return ::IsWindowEnabled(::GetDlgItem(window, id)) != FALSE; }

// Answers the box with this text; false when it did not come.
bool AnswerBox(DWORD uiThread, const wchar_t* text)
{
    HWND box = WaitForMessageBox(uiThread, kTestBoxCaption, text, 3000);
    if (!box)
        return false;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitUntilGone(box, 3000);
}

class VpnPolicyWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFetchWindowTests();
        skin_test::UseBuiltInSkin();
    }

    // The window over a directory written as INI text, run modally; `driver` acts meanwhile.
    SModalRun Run(const std::wstring& directoryText, const std::function<void(DWORD, HWND)>& driver,
                  DWORD limitMs = 15000)
    {
        const CServerDirectory directory(CIniDocument::Parse(WideToAnsi(directoryText)));
        CDlgVpnPolicy dialog(directory, m_settings, m_checks,
                             [this] { return std::make_unique<CSharedEcho>(m_echo); });
        const SModalRun run = RunModal(
            dialog,
            [&](DWORD uiThread) {
                HWND window = WaitForThreadWindow(uiThread, kTitle, 5000);
                ASSERT_NE(window, nullptr) << "the selection window did not open";
                driver(uiThread, window);
            },
            limitMs);
        m_selection = dialog.Selection();
        m_workersStarted = dialog.WorkersStarted();
        m_workersJoined = dialog.WorkersJoined();
        return run;
    }

    CMemorySettingsStore m_settings;
    CFakeIcmpEcho m_echo;
    CRecordingChecks m_checks;
    SServerSelection m_selection;
    size_t m_workersStarted = 0;
    size_t m_workersJoined = 0;
};

constexpr wchar_t kDirectory[] =
    L"[Routes]\r\nTitle0=电信加速\r\nTitle1= 网通游戏 \r\nTitle2=电信加速\r\n"
    L"[Servers]\r\n"
    L"Title0=北京一号\r\nComment0=双线机房\r\nLoad0=0.35\r\nServerHost0=127.0.0.1\r\nProtocols0=pptp,l2tp,openvpn\r\n"
    L"Title1=上海二号\r\nComment1=仅PPTP\r\nLoad1=1\r\nServerHost1=127.0.0.2\r\nProtocols1=pptp\r\n"
    L"Title2=广州三号\r\nLoad2=abc\r\nServerHost2=127.0.0.3\r\nProtocols2=PPTP\r\n"
    L"Title3=上海二号\r\nComment3=后一个同名\r\nLoad3=0.8\r\nServerHost3= 127.0.0.4 \r\nProtocols3=pptp,openvpn\r\n"
    L"Title4=武汉\r\nServerHost4=127.0.0.5\r\nProtocols4=l2tp\r\n"
    L"Title5=天津\r\nServerHost5=\r\nProtocols5=openvpn\r\n";

TEST_F(VpnPolicyWindowTest, ListsPreselectsMeasuresAndAcceptsTheChoice)
{
    m_settings.WriteString(L"Main", L"LastVpnRouteTitle", L"电信加速");
    m_settings.WriteString(L"Main", L"LastVpnServerTitle", L"上海二号");
    m_settings.WriteInt(L"Main", L"VpnType", 2);
    m_echo.Script(L"127.0.0.1", {CFakeIcmpEcho::Reply(23), CFakeIcmpEcho::Lost()});
    m_echo.Script(L"127.0.0.2", {CFakeIcmpEcho::Reply(1), CFakeIcmpEcho::Reply(2)});
    m_echo.Script(L"127.0.0.4", {CFakeIcmpEcho::Reply(0)});
    m_echo.Script(L"127.0.0.5", {CFakeIcmpEcho::Failed(11010)});

    const SModalRun run = Run(kDirectory, [&](DWORD uiThread, HWND window) {
        const HWND combo = ::GetDlgItem(window, IDC_POLICY_ROUTES);
        const HWND list = ::GetDlgItem(window, IDC_POLICY_SERVERS);
        EXPECT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(::SendMessageW(combo, CB_GETCURSEL, 0, 0), 2) << "the later duplicate route wins";

        const int widths[] = {100, 280, 80, 60};
        const wchar_t* headings[] = {L"服务器名称", L"服务器说明", L"响应速度", L"负载"};
        for (int column = 0; column < 4; ++column) {
            wchar_t heading[32] = {};
            LVCOLUMNW info{};
            info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            info.pszText = heading;
            info.cchTextMax = 32;
            ASSERT_TRUE(::SendMessageW(list, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info)));
            EXPECT_STREQ(heading, headings[column]);
            EXPECT_EQ(info.cx, widths[column]);
            EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        }
        EXPECT_EQ(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        ASSERT_EQ(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 6);
        EXPECT_EQ(ListText(list, 3, 0), L"上海二号");
        EXPECT_EQ(ListText(list, 3, 1), L"后一个同名");
        EXPECT_EQ(ListText(list, 0, 3), L" 35%");
        EXPECT_EQ(ListText(list, 1, 3), L"100%");
        EXPECT_EQ(ListText(list, 2, 3), L"  0%");
        EXPECT_EQ(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 3)
            << "the later duplicate server wins";
        EXPECT_EQ(::SendMessageW(list, LVM_GETITEMSTATE, 3, LVIS_FOCUSED), 0) << "selected, not focused";
        GUITHREADINFO focus{};
        focus.cbSize = sizeof(focus);
        ASSERT_TRUE(::GetGUIThreadInfo(uiThread, &focus));
        EXPECT_EQ(focus.hwndFocus, list) << "the keyboard goes to the server list";

        // Row 3 offers PPTP and OpenVPN: the stored L2TP is taken away.
        EXPECT_TRUE(Enabled(window, IDC_POLICY_PPTP));
        EXPECT_FALSE(Enabled(window, IDC_POLICY_L2TP));
        EXPECT_TRUE(Enabled(window, IDC_POLICY_OPENVPN));
        EXPECT_FALSE(Checked(window, IDC_POLICY_L2TP));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window, IDC_POLICY_PROXY)));

        const std::vector<std::wstring> measured = {L"  23 毫秒", L"   1 毫秒", L"     超时",
                                                    L"   0 毫秒", L"     超时", L"测试中..."};
        EXPECT_TRUE(WaitFor([&] { return SpeedColumn(list) == measured; }, 5s))
            << "speed column: " << ::testing::PrintToString(SpeedColumn(list));
        EXPECT_EQ(m_echo.ProbeCount(L"127.0.0.4"), 2u) << "the host is trimmed";
        EXPECT_EQ(m_echo.ProbeCount(L""), 0u);

        // OK without a protocol keeps the window; what was written so far stays written.
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(AnswerBox(uiThread, L"请选择连接方式"));
        EXPECT_EQ(m_settings.ReadString(L"Main", L"LastVpnServerTitle", L""), L"上海二号");
        EXPECT_EQ(m_settings.ReadInt(L"Main", L"VpnType", 0), 2);
        EXPECT_TRUE(::IsWindowVisible(window));

        ::SendMessageW(::GetDlgItem(window, IDC_POLICY_OPENVPN), BM_CLICK, 0, 0);
        EXPECT_TRUE(PressUntilGone(window, IDOK, 3000));
    });

    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(m_selection.routeIndex, 2);
    EXPECT_EQ(m_selection.serverIndex, 3);
    EXPECT_EQ(m_selection.protocol, EVpnProtocol::OpenVpn);
    EXPECT_EQ(m_checks.applied, std::vector<EVpnProtocol>{EVpnProtocol::OpenVpn});
    EXPECT_EQ(m_settings.ReadInt(L"Main", L"VpnType", 0), 3);
    EXPECT_EQ(m_workersStarted, m_workersJoined);
}

TEST_F(VpnPolicyWindowTest, HandsOutRowsInOrderAndStopsInTimeWhateverTheWorkersAreDoing)
{
    std::wstring directory = L"[Routes]\r\nTitle0=r\r\n[Servers]\r\n";
    for (int i = 0; i < 6; ++i) {
        directory += L"Title" + std::to_wstring(i) + L"=s" + std::to_wstring(i) + L"\r\nServerHost" +
                     std::to_wstring(i) + L"=127.0.0." + std::to_wstring(i + 1) + L"\r\nProtocols" +
                     std::to_wstring(i) + L"=pptp\r\n";
        m_echo.Script(L"127.0.0." + std::to_wstring(i + 1), {CFakeIcmpEcho::Reply(10 + static_cast<uint32_t>(i))});
    }
    // Every probe waits out a full echo timeout unless released.
    m_echo.Hold(1000ms);

    std::chrono::milliseconds stopTook{0};
    const SModalRun run = Run(directory, [&](DWORD, HWND window) {
        const HWND list = ::GetDlgItem(window, IDC_POLICY_SERVERS);
        const std::wstring testing = L"测试中...";
        ASSERT_TRUE(m_echo.WaitForProbes(5, 3s));
        std::vector<std::wstring> expected(5, testing);
        expected.push_back(L"待测");
        EXPECT_EQ(SpeedColumn(list), expected) << "five workers take rows 0-4; row 5 waits";

        m_echo.Release();
        EXPECT_TRUE(WaitFor([&] { return SpeedColumn(list)[5] != L"待测"; }, 3s));

        // Re-test while every worker sits in a held probe: the old pass must end within one
        // probe, and the new one starts from row 0 with the rows keeping their texts meanwhile.
        ASSERT_TRUE(WaitFor([&] { return SpeedColumn(list)[5] == L"  15 毫秒"; }, 3s));
        m_echo.Hold(1000ms);
        ::SendMessageW(::GetDlgItem(window, IDC_POLICY_RETEST), BM_CLICK, 0, 0);
        EXPECT_TRUE(m_echo.WaitForProbes(6 * 2 + 5, 3s));
        EXPECT_EQ(SpeedColumn(list)[5], L"  15 毫秒") << "row 5 keeps its result until the pass reaches it";

        const auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 5000));
        stopTook = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    });

    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_LT(stopTook.count(), 1800) << "a stop must end within one probe or one report timeout";
    EXPECT_EQ(m_workersStarted, 10u);
    EXPECT_EQ(m_workersJoined, 10u);
    EXPECT_FALSE(m_settings.Contains(L"Main", L"LastVpnRouteTitle")) << "Cancel writes nothing";
    EXPECT_TRUE(m_checks.applied.empty());
}

TEST_F(VpnPolicyWindowTest, TellsWhatIsMissing)
{
    // An empty directory: nothing to choose, OK names the route first.
    SModalRun run = Run(L"[VPN]\r\n", [&](DWORD uiThread, HWND window) {
        EXPECT_EQ(::SendMessageW(::GetDlgItem(window, IDC_POLICY_SERVERS), LVM_GETITEMCOUNT, 0, 0), 0);
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(AnswerBox(uiThread, L"您没有选择合适的加速方式"));
        EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 3000));
    });
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(m_settings.ReadString(L"Main", L"LastVpnRouteTitle", L"unset"), L"");

    // A first server without protocols says so before the window shows; a click beside the rows
    // leaves no server chosen.
    bool shownBeforeBox = true;
    run = RunModal(
        *std::make_unique<CDlgVpnPolicy>(
            CServerDirectory(CIniDocument::Parse(WideToAnsi(
                L"[Routes]\r\nTitle0=r\r\n[Servers]\r\nTitle0=a\r\nProtocols0=\r\nTitle1=b\r\nProtocols1=pptp\r\n"))),
            m_settings, m_checks, [this] { return std::make_unique<CSharedEcho>(m_echo); }),
        [&](DWORD uiThread) {
            HWND box = WaitForMessageBox(uiThread, kTestBoxCaption,
                                         L"您选择的服务器暂时没有提供可用的连接方式，请使用其他服务器", 3000);
            ASSERT_NE(box, nullptr);
            HWND window = FindThreadWindow(uiThread, kTitle);
            shownBeforeBox = window && ::IsWindowVisible(window);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            window = WaitForThreadWindow(uiThread, kTitle, 3000);
            ASSERT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }, 3s));
            for (int id : {IDC_POLICY_PPTP, IDC_POLICY_L2TP, IDC_POLICY_OPENVPN})
                EXPECT_FALSE(Enabled(window, id));
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED;
            ::SendMessageW(::GetDlgItem(window, IDC_POLICY_SERVERS), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(&none));
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(AnswerBox(uiThread, L"您没有选择合适的加速服务器"));
            EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 3000));
        },
        10000);
    EXPECT_FALSE(shownBeforeBox) << "the message belongs to the initialisation";
    EXPECT_EQ(run.result, IDCANCEL);
}

TEST(IcmpEchoTest, TheSystemEchoAnswersOnLoopbackWithOurData)
{
    CIcmpEcho echo;
    ASSERT_TRUE(echo.Loaded());
    for (const wchar_t* host : {L"127.0.0.1", L"localhost"}) {
        SEchoReply reply;
        reply.status = 99;
        ASSERT_TRUE(echo.Probe(host, reply)) << host << ": error " << ::GetLastError();
        EXPECT_EQ(reply.status, 0u);
        EXPECT_EQ(reply.address, ::htonl(INADDR_LOOPBACK));
        EXPECT_LT(reply.roundTripTime, kEchoTimeoutMs);
    }
}

}  // namespace
