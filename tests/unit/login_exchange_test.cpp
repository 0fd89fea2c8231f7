#include "app/login_exchange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/login_rules.h"
#include "tests/unit/fake_password_protection.h"

namespace {
namespace fs = std::filesystem;

struct FakeUi : ILoginUi {
    std::vector<std::wstring> events;
    std::wstring responsePath;

    void SetStatus(std::wstring_view text, bool showBox) override
    {
        events.push_back(L"status:" + std::wstring(text) + (showBox ? L" [box]" : L""));
    }
    void ShowBox(std::wstring_view text) override { events.push_back(L"box:" + std::wstring(text)); }
    void EnableConnectButtons(bool connect, bool disconnect) override
    {
        events.push_back(std::wstring(L"buttons:") + (connect ? L"1" : L"0") + (disconnect ? L"1" : L"0"));
    }
    void OpenUrl(std::wstring_view url) override { events.push_back(L"open:" + std::wstring(url)); }
    void QuitProgram() override { events.push_back(L"quit"); }
    void SetResponsePath(const std::wstring& path) override { responsePath = path; }
    void ShowOutcomeAndTearDown() override { events.push_back(L"outcome"); }
};

struct FakeFetch : IFetchWindow {
    std::deque<SFetchResult> answers;
    std::vector<std::vector<std::wstring>> requests;

    SFetchResult Fetch(const std::vector<std::wstring>& urls) override
    {
        requests.push_back(urls);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected fetch";
            return {};
        }
        SFetchResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct FakeSelection : IServerSelectionWindow {
    bool accept = true;
    SServerSelection choice{0, 0, EVpnProtocol::Pptp};
    int runs = 0;
    std::function<void()> whileOpen;

    bool Choose(SServerSelection& selection) override
    {
        ++runs;
        if (whileOpen)
            whileOpen();
        if (accept)
            selection = choice;
        return accept;
    }
};

struct FakeConnection : ILoginConnection {
    SConnectionSettings config;
    int configured = 0;
    int connects = 0;
    uint32_t result = 0;

    void Configure(const SConnectionSettings& settings) override
    {
        config = settings;
        ++configured;
    }
    uint32_t Connect() override
    {
        ++connects;
        return result;
    }
};

struct FakeConnections : IConnectionFactory {
    uint32_t connectResult = 0;
    std::vector<EVpnProtocol> protocols;
    std::unique_ptr<FakeConnection> current;

    ILoginConnection* CreateCurrentConnection(EVpnProtocol protocol) override
    {
        protocols.push_back(protocol);
        current = std::make_unique<FakeConnection>();
        current->result = connectResult;
        return current.get();
    }
};

const std::string kDocument =
    "[VPN]\r\nRequiredClientVersion=1.1.0.0\r\nAuthResult=ok\r\nUpdateURL=http://www.example.test/update\r\n"
    "[Routes]\r\nTitle0=Games\r\nRouteId0=g1\r\nTitle1=Web\r\nRouteId1=w 2\r\nModifyDefaultGateway1=1\r\n"
    "[Servers]\r\nTitle0=S0\r\nServerHost0=127.0.0.10\r\nTitle1=S1\r\nServerHost1=127.0.0.11\r\n";

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

SFetchResult Answer(const std::string& body, int winner = 0)
{
    return SFetchResult{true, winner, body};
}

SFetchResult Cancelled()
{
    return SFetchResult{false, -1, {}};
}
}  // namespace

class LoginExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_dir = fs::temp_directory_path() /
                ("korvex_login_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "_" + std::to_string(stamp));
        fs::create_directories(m_dir);
        m_environment.tempDir = m_dir.wstring() + L"/";
        m_environment.overrideFile = (m_dir / "korvex.exe.ini").wstring();
        m_environment.defaultLoginUrls = L"http://127.0.0.1:8088/;http://127.0.0.2:8088/";
        m_environment.referralTag = L"main";
        m_environment.webHost = L"www.example.test";
        m_environment.ownVersion = MakeClientVersion(1, 1, 0, 0);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    void Run(const SLoginInput& input = {L"alice", L"secret", true})
    {
        CLoginExchange exchange(m_environment, {m_ui, m_fetch, m_selection, m_store, m_protection, m_connections});
        exchange.Run(input);
    }
    fs::path ResponseFile() const { return m_dir / "korvex.ini"; }
    void WriteFile(const fs::path& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::wstring> Events(std::initializer_list<std::wstring> afterPreparing)
    {
        std::vector<std::wstring> events{L"status:准备登录信息……"};
        events.insert(events.end(), afterPreparing);
        return events;
    }

    fs::path m_dir;
    SLoginEnvironment m_environment;
    FakeUi m_ui;
    FakeFetch m_fetch;
    FakeSelection m_selection;
    CMemorySettingsStore m_store;
    CFakePasswordProtection m_protection;
    FakeConnections m_connections;
};

TEST_F(LoginExchangeTest, EmptyUserNameTouchesNothing)
{
    WriteFile(ResponseFile(), "left over");
    Run({L"", L"secret", true});
    EXPECT_EQ(m_ui.events, (std::vector<std::wstring>{L"box:请输入有效用户名"}));
    EXPECT_FALSE(m_store.Contains(L"Main", L"SavePassword"));
    EXPECT_TRUE(m_fetch.requests.empty());
    EXPECT_TRUE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, CredentialChoiceIsSavedProtectedOrDeleted)
{
    m_fetch.answers = {Cancelled(), Cancelled(), Cancelled()};
    Run({L"alice", L"secret", true});
    EXPECT_EQ(settings::ReadInt(m_store, settings::SavePassword), 1);
    EXPECT_EQ(settings::ReadString(m_store, settings::Username), L"alice");
    EXPECT_EQ(settings::ReadBlob(m_store, settings::Password), m_protection.Protect(L"secret"));

    m_protection.works = false;
    Run({L"alice", L"changed", true});
    EXPECT_FALSE(m_store.Contains(L"Main", L"Password"));

    Run({L"bob", L"secret", false});
    EXPECT_EQ(settings::ReadInt(m_store, settings::SavePassword), 0);
    EXPECT_FALSE(m_store.Contains(L"Main", L"Username"));
    EXPECT_FALSE(m_store.Contains(L"Main", L"Password"));
}

TEST_F(LoginExchangeTest, LoginRacesEveryBaseAndFollowsTheWinner)
{
    m_fetch.answers = {Answer(kDocument, 1),
                       Answer("10.0.0.0 mask 255.0.0.0\r\n\r\n172.16.0.0 mask 255.240.0.0\r\n")};
    m_selection.choice = {1, 1, EVpnProtocol::OpenVpn};
    m_selection.whileOpen = [this] {
        // The selection window reads the directory through the stored path.
        EXPECT_EQ(fs::path(m_ui.responsePath), ResponseFile());
        std::ifstream file(ResponseFile(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), kDocument);
    };
    m_store.WriteInt(L"Proxy", L"Type", 2);
    m_store.WriteString(L"Proxy", L"Server", L"127.0.0.9");
    m_store.WriteInt(L"Proxy", L"Port", 1080);
    m_store.WriteString(L"Proxy", L"Username", L"pu");
    m_store.WriteBlob(L"Proxy", L"Password", *m_protection.Protect(L"代理pp"));

    Run({L"a&b", L"p w", false});

    ASSERT_EQ(m_fetch.requests.size(), 2u);
    EXPECT_EQ(m_fetch.requests[0],
              (std::vector<std::wstring>{
                  L"http://127.0.0.1:8088/client_login.php?username=a%26b&password=p%20w&cmd=login&rf=main",
                  L"http://127.0.0.2:8088/client_login.php?username=a%26b&password=p%20w&cmd=login&rf=main"}));
    EXPECT_EQ(m_fetch.requests[1],
              (std::vector<std::wstring>{L"http://127.0.0.2:8088/client_login.php?username=a%26b&password=p%20w"
                                         L"&cmd=getvpnroutes&id=w%202&rf=main"}));
    EXPECT_EQ(m_selection.runs, 1);
    ASSERT_EQ(m_connections.protocols, std::vector<EVpnProtocol>{EVpnProtocol::OpenVpn});
    const FakeConnection& connection = *m_connections.current;
    EXPECT_EQ(connection.configured, 1);
    EXPECT_EQ(connection.connects, 1);
    EXPECT_EQ(connection.config.serverHost, L"127.0.0.11");
    EXPECT_EQ(connection.config.userName, L"a&b");
    EXPECT_EQ(connection.config.password, L"p w");
    EXPECT_EQ(connection.config.proxy.type, 2);
    EXPECT_EQ(connection.config.proxy.server, L"127.0.0.9");
    EXPECT_EQ(connection.config.proxy.port, 1080);
    EXPECT_EQ(connection.config.proxy.userName, L"pu");
    EXPECT_EQ(connection.config.proxy.password, L"代理pp") << "the stored proxy password is unprotected";
    EXPECT_EQ(connection.config.modifyDefaultGateway, 1);
    EXPECT_EQ(connection.config.routes,
              (std::vector<std::wstring>{L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0"}));
    EXPECT_EQ(m_ui.events, Events({L"buttons:01"}));
    EXPECT_FALSE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, OverrideLoginUrlReplacesTheDefaults)
{
    WriteFile(m_environment.overrideFile, "[main]\nloginurl= http://127.0.0.3/ ; \n");
    m_fetch.answers = {Cancelled()};
    Run();
    ASSERT_EQ(m_fetch.requests.size(), 1u);
    EXPECT_EQ(m_fetch.requests[0], (std::vector<std::wstring>{
                                       L"http://127.0.0.3/client_login.php?username=alice&password=secret&cmd=login&rf=main"}));
}

TEST_F(LoginExchangeTest, VersionGate)
{
    m_fetch.answers = {Answer(kDocument), Answer("")};
    Run();
    EXPECT_EQ(m_selection.runs, 1) << "1.1.0.0 must pass for a 1.1.0.0 client";

    m_ui.events.clear();
    m_selection.runs = 0;
    m_fetch.answers = {Answer(Replace(kDocument, "1.1.0.0", "1.1.0.1"))};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"box:" + UpgradeMessage(L"www.example.test"),
                                   L"open:http://www.example.test/update", L"quit"}));
    EXPECT_EQ(m_selection.runs, 0);
    EXPECT_FALSE(fs::exists(ResponseFile()));

    // Only web pages are handed to the shell; the program still quits.
    m_ui.events.clear();
    m_fetch.answers = {Answer(Replace(Replace(kDocument, "1.1.0.0", "9.0.0.0"), "http://www.example.test/update",
                                      "C:\\Windows\\System32\\calc.exe"))};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"box:" + UpgradeMessage(L"www.example.test"), L"quit"}));
}

TEST_F(LoginExchangeTest, MissingOrEmptyDocumentIsANetworkError)
{
    m_fetch.answers = {Answer(Replace(kDocument, "RequiredClientVersion=1.1.0.0", "RequiredClientVersion=1.1")),
                       Answer("", -1)};
    for (int run = 0; run < 2; ++run) {
        m_ui.events.clear();
        Run();
        EXPECT_EQ(m_ui.events, Events({L"status:网络不通，或者服务器返回错误，无法继续登录。 [box]"}));
        EXPECT_FALSE(fs::exists(ResponseFile()));
    }
    EXPECT_EQ(m_selection.runs, 0);
}

TEST_F(LoginExchangeTest, RefusedLogins)
{
    m_fetch.answers = {Answer(Replace(kDocument, "AuthResult=ok\r\n", ""))};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"box:用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。", L"status:登录失败"}));

    m_ui.events.clear();
    m_fetch.answers = {Answer(Replace(kDocument, "AuthResult=ok", "AuthResult=Expired"))};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"box:您的帐户已经过期，请访问www.example.test进行续费操作。", L"status:帐户到期",
                                   L"open:http://www.example.test/?rf=main"}));
    EXPECT_EQ(m_selection.runs, 0);
    EXPECT_TRUE(m_connections.protocols.empty());
    EXPECT_FALSE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, CancellingAnyWindowEndsTheExchange)
{
    m_fetch.answers = {Cancelled()};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"status:登录被取消"}));
    EXPECT_EQ(m_selection.runs, 0);
    EXPECT_FALSE(fs::exists(ResponseFile()));

    m_ui.events.clear();
    m_fetch.answers = {Answer(kDocument)};
    m_selection.accept = false;
    Run();
    EXPECT_EQ(m_ui.events, Events({L"status:登录被取消。"}));
    EXPECT_FALSE(fs::exists(ResponseFile()));

    m_ui.events.clear();
    m_fetch.answers = {Answer(kDocument), Cancelled()};
    m_selection.accept = true;
    Run();
    EXPECT_EQ(m_ui.events, Events({L"status:登录被取消"}));
    EXPECT_TRUE(m_connections.protocols.empty());
    EXPECT_FALSE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, ResponseFileThatCannotBeCreatedCountsAsCancelled)
{
    m_environment.tempDir = (m_dir / "missing").wstring() + L"/";
    Run();
    EXPECT_EQ(m_ui.events, Events({L"status:登录被取消"}));
    EXPECT_TRUE(m_fetch.requests.empty());
}

TEST_F(LoginExchangeTest, NoLoginUsesTheFileLeftInTheTemporaryFolder)
{
    WriteFile(m_environment.overrideFile, "[Main]\nNoLogin=0x1\nVpnType=2\nVpnServerHost=127.0.0.20\nLoginURL=\n");
    Run();
    EXPECT_EQ(m_ui.events, Events({L"status:网络不通，或者服务器返回错误，无法继续登录。 [box]"}));

    m_ui.events.clear();
    WriteFile(ResponseFile(), kDocument);
    Run();
    EXPECT_TRUE(m_fetch.requests.empty());
    EXPECT_EQ(m_selection.runs, 0);
    ASSERT_EQ(m_connections.protocols, std::vector<EVpnProtocol>{EVpnProtocol::L2tp});
    EXPECT_EQ(m_connections.current->config.serverHost, L"127.0.0.20");
    EXPECT_EQ(m_connections.current->config.modifyDefaultGateway, 0);
    EXPECT_TRUE(m_connections.current->config.routes.empty());
    EXPECT_EQ(m_ui.events, Events({L"buttons:01"}));
    EXPECT_FALSE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, NoLoginWithUnknownProtocolCreatesNoConnection)
{
    WriteFile(m_environment.overrideFile, "[Main]\nNoLogin=1\nVpnType=7\n");
    WriteFile(ResponseFile(), kDocument);
    Run();
    EXPECT_TRUE(m_connections.protocols.empty());
    EXPECT_EQ(m_ui.events, Events({L"status:网络不通，或者服务器返回错误，无法继续登录。 [box]"}));
    EXPECT_FALSE(fs::exists(ResponseFile()));
}

TEST_F(LoginExchangeTest, ConnectResults)
{
    m_connections.connectResult = 3;
    m_fetch.answers = {Answer(kDocument), Answer("")};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"box:Qivra网络加速器已经连接过，请先断开原有连接。", L"buttons:01"}));

    m_ui.events.clear();
    m_connections.connectResult = 4;
    m_fetch.answers = {Answer(kDocument), Answer("")};
    Run();
    EXPECT_EQ(m_ui.events, Events({L"outcome"}));
    EXPECT_FALSE(fs::exists(ResponseFile()));
}
