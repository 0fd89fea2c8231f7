// The whole login exchange with the real fetch window against the reference service, which
// CTest serves on a loopback port for the Windows suite (KORVEX_SERVICE_URL).
#include "app/login_exchange.h"
#include "app/login_rules.h"
#include "app/login_windows_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
struct CRecordingUi : ILoginUi {
    std::vector<std::wstring> statuses, boxes, opened;
    bool quit = false;
    void SetStatus(std::wstring_view text, bool showBox) override
    {
        statuses.emplace_back(text);
        if (showBox)
            boxes.emplace_back(text);
    }
    void ShowBox(std::wstring_view text) override { boxes.emplace_back(text); }
    void EnableConnectButtons(bool, bool) override {}
    void OpenUrl(std::wstring_view url) override { opened.emplace_back(url); }
    void QuitProgram() override { quit = true; }
    void SetResponsePath(const std::wstring&) override {}
    void ShowOutcomeAndTearDown() override {}
};

struct CFirstChoice : IServerSelectionWindow {
    int routeIndex = 0;
    bool Choose(SServerSelection& selection) override
    {
        selection = {routeIndex, 0, EVpnProtocol::Pptp};
        return true;
    }
};

struct CRecordingConnection : ILoginConnection, IConnectionFactory {
    std::optional<SConnectionSettings> configured;
    bool connected = false;
    void Configure(const SConnectionSettings& settings) override { configured = settings; }
    uint32_t Connect() override
    {
        connected = true;
        return 0;
    }
    ILoginConnection* CreateCurrentConnection(EVpnProtocol) override { return this; }
};

std::wstring ServiceUrl()
{
    const char* url = std::getenv("KORVEX_SERVICE_URL");
    return url ? std::wstring(url, url + strlen(url)) : std::wstring();
}

class LoginServiceTest : public ::testing::Test {
protected:
    std::wstring tempDir;
    std::wstring overrideFile;
    CRecordingUi ui;
    CFetchWindow fetch{nullptr};
    CFirstChoice selection;
    CMemorySettingsStore settings;
    CPasswordProtection protection;
    CRecordingConnection connection;

    void SetUp() override
    {
        if (ServiceUrl().empty())
            GTEST_SKIP() << "KORVEX_SERVICE_URL is not set: no reference service to log in to";
        wchar_t buffer[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, buffer), 0u);
        tempDir = std::wstring(buffer) + L"korvex-login-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(tempDir.c_str(), nullptr);
        overrideFile = tempDir + L"korvex.exe.ini";
        const std::wstring service = ServiceUrl();
        std::ofstream(std::filesystem::path(overrideFile), std::ios::binary)
            << "[Main]\r\nLoginURL=http://127.0.0.1:9/;" << std::string(service.begin(), service.end()) << "\r\n";
    }
    void TearDown() override
    {
        ::DeleteFileW(overrideFile.c_str());
        ::RemoveDirectoryW(tempDir.c_str());
    }

    void Login(const std::wstring& user, const std::wstring& password)
    {
        SLoginEnvironment environment{tempDir, overrideFile, L"", L"main", L"127.0.0.1",
                                      MakeClientVersion(1, 1, 0, 0)};
        CLoginExchange exchange(environment, SLoginServices{ui, fetch, selection, settings, protection, connection});
        exchange.Run(SLoginInput{user, password, true});
        // The login document never outlives the exchange.
        EXPECT_EQ(::GetFileAttributesW(exchange.ResponsePath().c_str()), INVALID_FILE_ATTRIBUTES);
    }
};
}  // namespace

TEST_F(LoginServiceTest, DemoAccountGetsItsRouteListFromTheAnsweringHost)
{
    // The first login host refuses at once; the reference service answers.
    Login(L"demo", L"demo");
    ASSERT_TRUE(connection.configured.has_value()) << "boxes: " << ui.boxes.size();
    EXPECT_TRUE(connection.connected);
    EXPECT_TRUE(ui.boxes.empty());
    const SConnectionSettings& config = *connection.configured;
    EXPECT_EQ(config.serverHost, L"127.0.0.1");
    EXPECT_EQ(config.userName, L"demo");
    EXPECT_FALSE(config.routes.empty());
    for (const std::wstring& entry : config.routes)
        EXPECT_NE(entry.find(L"mask"), std::wstring::npos);
    // The choice was saved, with the password protected.
    EXPECT_EQ(settings.ReadString(L"Main", L"Username", L""), L"demo");
    EXPECT_EQ(protection.Unprotect(*settings.ReadBlob(L"Main", L"Password")), L"demo");
}

TEST_F(LoginServiceTest, EncodedFieldsReachTheServiceAsTyped)
{
    // A Chinese user name, and a password and route id full of query characters.
    selection.routeIndex = 0;
    Login(L"加速测试", L"p&w=1+2 %41#x");
    ASSERT_TRUE(connection.configured.has_value()) << (ui.boxes.empty() ? "" : "box shown");
    EXPECT_FALSE(connection.configured->routes.empty());
}

TEST_F(LoginServiceTest, WrongPasswordAndAnotherUserAreRefused)
{
    Login(L"demo", L"wrong");
    EXPECT_FALSE(connection.configured.has_value());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], L"用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。");
    EXPECT_EQ(ui.statuses.back(), L"登录失败");

    ui = CRecordingUi{};
    Login(L"demo&x=1", L"demo");  // not the demo user with an extra field
    EXPECT_FALSE(connection.configured.has_value());
    EXPECT_EQ(ui.statuses.back(), L"登录失败");
}

TEST_F(LoginServiceTest, NewerClientRequiredQuitsAndOpensOnlyWebPages)
{
    Login(L"upgrade", L"upgrade");
    EXPECT_TRUE(ui.quit);
    ASSERT_EQ(ui.opened.size(), 1u);
    EXPECT_EQ(ui.opened[0].rfind(L"http://", 0), 0u);

    ui = CRecordingUi{};
    Login(L"upgrade-file", L"upgrade-file");
    EXPECT_TRUE(ui.quit);
    EXPECT_TRUE(ui.opened.empty());  // a file: URL from the service is never handed to the shell
    EXPECT_FALSE(connection.configured.has_value());
}
