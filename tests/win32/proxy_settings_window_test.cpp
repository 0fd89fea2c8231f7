// The proxy settings window on the screen, driven from a helper thread while it runs modally,
// over the registry store and the user's data protection: what it shows for the stored values,
// what OK saves (or refuses to), that Cancel saves nothing, that the password never rests in plain
// text, and that the selection window's hidden button opens it.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ini.h"
#include "app/login_windows_win32.h"
#include "app/password_win32.h"
#include "app/registry_settings_win32.h"
#include "fetch_test_driver.h"
#include "policy/dlg_proxy_settings_win32.h"
#include "policy/dlg_vpn_policy_win32.h"
#include "res/resource.h"
#include "skin_test_window.h"
#include "win/window_text.h"

namespace {

constexpr wchar_t kTitle[] = L"设置代理服务器";
constexpr int kRadioIds[] = {IDC_PROXY_TYPE_NONE, IDC_PROXY_TYPE_HTTP, IDC_PROXY_TYPE_SOCKS5};

bool Checked(HWND window, int id) { return ::SendMessageW(::GetDlgItem(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
std::vector<bool> Radios(HWND window)
{
    std::vector<bool> radios;
    for (int id : kRadioIds)
        radios.push_back(Checked(window, id));
    return radios;
}
std::wstring Text(HWND window, int id) { return ReadWindowText(::GetDlgItem(window, id)); }
void Type(HWND window, int id, const std::wstring& text) { WriteWindowText(::GetDlgItem(window, id), text); }
void Click(HWND window, int id) { ::SendMessageW(::GetDlgItem(window, id), BM_CLICK, 0, 0); }

// The title is there from the start of the initialisation; the window shows once it has ended,
// and only then may a test act on it.
bool WaitUntilShown(HWND window)
{
    for (int tries = 0; tries < 500; ++tries) {
        if (::IsWindowVisible(window))
            return true;
        ::Sleep(10);
    }
    return false;
}

// The fields a test fills in; nullopt leaves one as the window showed it.
struct STyped {
    STyped(int clickId = 0, std::optional<std::wstring> serverText = {}, std::optional<std::wstring> portText = {},
           std::optional<std::wstring> userNameText = {}, std::optional<std::wstring> passwordText = {})
        : click(clickId), server(std::move(serverText)), port(std::move(portText)),
          userName(std::move(userNameText)), password(std::move(passwordText))
    {
    }
    int click;  // a radio button's id; 0 clicks none
    std::optional<std::wstring> server, port, userName, password;
};
void Fill(HWND window, const STyped& typed)
{
    if (typed.click)
        Click(window, typed.click);
    const std::pair<int, const std::optional<std::wstring>*> fields[] = {
        {IDC_PROXY_SERVER, &typed.server},
        {IDC_PROXY_PORT, &typed.port},
        {IDC_PROXY_USERNAME, &typed.userName},
        {IDC_PROXY_PASSWORD, &typed.password},
    };
    for (const auto& [id, text] : fields) {
        if (*text)
            Type(window, id, **text);
    }
}

class CPassingChecks final : public IProtocolChecks {
public:
    bool Apply(HWND, EVpnProtocol) override { return true; }
};

class ProxySettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFetchWindowTests();
        skin_test::UseBuiltInSkin();
    }
    void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, (L"software\\" + m_company).c_str()); }

    // The window run modally over the store; `driver` acts on it meanwhile.
    SModalRun Run(const std::function<void(DWORD, HWND, CDlgProxySettings&)>& driver)
    {
        CDlgProxySettings dialog(m_store, m_protection);
        return RunModal(
            dialog,
            [&](DWORD uiThread) {
                HWND window = WaitForThreadWindow(uiThread, kTitle, 5000);
                ASSERT_NE(window, nullptr) << "the proxy settings window did not open";
                ASSERT_TRUE(WaitUntilShown(window)) << "the window never showed";
                driver(uiThread, window, dialog);
            },
            15000);
    }

    // OK on what the window showed after `typed`; the window must close.
    SModalRun RunAndAccept(const STyped& typed)
    {
        return Run([&](DWORD, HWND window, CDlgProxySettings&) {
            Fill(window, typed);
            EXPECT_TRUE(PressUntilGone(window, IDOK, 3000));
        });
    }

    bool SectionExists() const
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, m_store.SectionPath(L"Proxy").c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }
    DWORD RawPasswordType() const
    {
        DWORD type = REG_NONE;
        if (::RegGetValueW(HKEY_CURRENT_USER, m_store.SectionPath(L"Proxy").c_str(), L"Password", RRF_RT_ANY, &type,
                           nullptr, nullptr) != ERROR_SUCCESS)
            return REG_NONE;
        return type;
    }
    void StoreProxy(int32_t type, const wchar_t* server, int32_t port, const wchar_t* userName)
    {
        m_store.WriteInt(L"Proxy", L"Type", type);
        m_store.WriteString(L"Proxy", L"Server", std::wstring_view(server));
        m_store.WriteInt(L"Proxy", L"Port", port);
        m_store.WriteString(L"Proxy", L"Username", std::wstring_view(userName));
    }

    const std::wstring m_company = L"Korvex代理测试" + std::to_wstring(::GetCurrentProcessId());
    CRegistrySettingsStore m_store{m_company, L"korvex"};
    CPasswordProtection m_protection;
};

TEST_F(ProxySettingsWindowTest, ShowsTheStoredValuesAndCancelSavesNothing)
{
    struct SCase {
        const char* name;
        std::optional<int32_t> storedType;  // nullopt: no Proxy section at all
        std::vector<bool> radios;           // none, HTTP CONNECT, SOCKS5
    };
    const SCase cases[] = {
        {"no Proxy section", std::nullopt, {true, false, false}},
        {"HTTP CONNECT checks the hidden button only", 1, {false, true, false}},
        {"SOCKS5", 2, {false, false, true}},
        {"an unknown type checks nothing", 5, {false, false, false}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::SHDeleteKeyW(HKEY_CURRENT_USER, (L"software\\" + m_company).c_str());
        if (c.storedType) {
            StoreProxy(*c.storedType, L"127.0.0.9", 8080, L"代理用户");
            settings::WriteProxyPassword(m_store, m_protection, L"代理口令");
        }

        const SModalRun run = Run([&](DWORD, HWND window, CDlgProxySettings& dialog) {
            EXPECT_EQ(Radios(window), c.radios);
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(window, IDC_PROXY_TYPE_HTTP)));
            EXPECT_EQ(Text(window, IDC_PROXY_SERVER), c.storedType ? L"127.0.0.9" : L"");
            EXPECT_EQ(Text(window, IDC_PROXY_PORT), c.storedType ? L"8080" : L"0");
            EXPECT_EQ(Text(window, IDC_PROXY_USERNAME), c.storedType ? L"代理用户" : L"");
            EXPECT_EQ(Text(window, IDC_PROXY_PASSWORD), c.storedType ? L"代理口令" : L"");
            for (HWND button : {dialog.Frame().CloseButton().Handle(), dialog.Frame().MinimizeButton().Handle(),
                                dialog.Frame().MaximizeButton().Handle()})
                EXPECT_FALSE(::IsWindowVisible(button)) << "no caption buttons";

            Fill(window, {IDC_PROXY_TYPE_SOCKS5, L"changed", L"1", L"changed", L"changed"});
            EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 3000));
        });
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, IDCANCEL);
        if (!c.storedType) {
            EXPECT_FALSE(SectionExists()) << "Cancel saves nothing";
            continue;
        }
        const SProxySettings kept = settings::ReadProxy(m_store, m_protection);
        EXPECT_EQ(kept.type, *c.storedType);
        EXPECT_EQ(kept.server, L"127.0.0.9");
        EXPECT_EQ(kept.port, 8080);
        EXPECT_EQ(kept.userName, L"代理用户");
        EXPECT_EQ(kept.password, L"代理口令");
    }
}

TEST_F(ProxySettingsWindowTest, OkSavesWhatTheUserSees)
{
    struct SCase {
        const char* name;
        std::optional<int32_t> storedType;
        STyped typed;
        int32_t type;
        std::wstring server;
        int32_t port;
    };
    const SCase cases[] = {
        {"stored HTTP CONNECT, then 无", 1, {IDC_PROXY_TYPE_NONE}, 0, L"127.0.0.9", 8080},
        {"stored HTTP CONNECT, then Socks5", 1, {IDC_PROXY_TYPE_SOCKS5}, 2, L"127.0.0.9", 8080},
        {"stored HTTP CONNECT, untouched", 1, STyped(), 1, L"127.0.0.9", 8080},
        {"digits then letters", 2, {0, std::nullopt, L"3389abc"}, 2, L"127.0.0.9", 3389},
        {"no proxy with a server typed", std::nullopt, {IDC_PROXY_TYPE_NONE, L"127.0.0.7", L"3128", L"u"}, 0,
         L"127.0.0.7", 3128},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        ::SHDeleteKeyW(HKEY_CURRENT_USER, (L"software\\" + m_company).c_str());
        if (c.storedType)
            StoreProxy(*c.storedType, L"127.0.0.9", 8080, L"u");

        const SModalRun run = RunAndAccept(c.typed);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, IDOK);
        EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Type", -1), c.type);
        EXPECT_EQ(m_store.ReadString(L"Proxy", L"Server", L"missing"), c.server);
        EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Port", -1), c.port);
        EXPECT_EQ(m_store.ReadString(L"Proxy", L"Username", L"missing"), L"u");
        EXPECT_EQ(RawPasswordType(), static_cast<DWORD>(REG_BINARY)) << "even an empty password is protected";
        EXPECT_EQ(settings::ReadProxyPassword(m_store, m_protection), L"");
    }
}

TEST_F(ProxySettingsWindowTest, APortThatIsNoIntegerIsRefusedAndNothingSaved)
{
    const SModalRun run = Run([&](DWORD uiThread, HWND window, CDlgProxySettings&) {
        for (const wchar_t* port : {L"abc", L""}) {
            SCOPED_TRACE(::testing::PrintToString(std::wstring(port)));
            Fill(window, {IDC_PROXY_TYPE_SOCKS5, L"127.0.0.9", port, L"u", L"p"});
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            HWND box = WaitForMessageBox(uiThread, kTestBoxCaption, L"Please enter an integer.", 3000);
            ASSERT_NE(box, nullptr) << "no integer message";
            EXPECT_FALSE(SectionExists()) << "nothing is saved while the message shows";
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitUntilGone(box, 3000));

            EXPECT_TRUE(::IsWindowVisible(window)) << "the window stays open";
            GUITHREADINFO focus{};
            focus.cbSize = sizeof(focus);
            ASSERT_TRUE(::GetGUIThreadInfo(uiThread, &focus));
            EXPECT_EQ(focus.hwndFocus, ::GetDlgItem(window, IDC_PROXY_PORT)) << "the focus goes to the port";
            EXPECT_FALSE(SectionExists());
        }
        Type(window, IDC_PROXY_PORT, L" 1080");
        EXPECT_TRUE(PressUntilGone(window, IDOK, 3000));
    });
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Port", -1), 1080);
    EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Type", -1), 2);
}

TEST_F(ProxySettingsWindowTest, ThePasswordRestsProtectedAndAnOlderPlainOneIsRewritten)
{
    const std::wstring typed = L"代理 p@ss口令";
    SModalRun run = RunAndAccept({0, std::nullopt, std::nullopt, std::nullopt, typed});
    EXPECT_EQ(run.result, IDOK);
    ASSERT_EQ(RawPasswordType(), static_cast<DWORD>(REG_BINARY));
    const std::optional<std::vector<uint8_t>> blob = m_store.ReadBlob(L"Proxy", L"Password");
    ASSERT_TRUE(blob.has_value());
    const auto* raw = reinterpret_cast<const char*>(typed.c_str());
    EXPECT_EQ(std::string(blob->begin(), blob->end()).find(std::string(raw, raw + typed.size() * sizeof(wchar_t))),
              std::string::npos)
        << "the plain text is not in the blob";
    EXPECT_EQ(UnprotectPassword(*blob), typed) << "the main password's protection";

    // Read back: into the window and for the connection.
    run = Run([&](DWORD, HWND window, CDlgProxySettings&) {
        EXPECT_EQ(Text(window, IDC_PROXY_PASSWORD), typed);
        EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 3000));
    });
    EXPECT_EQ(settings::ReadProxy(m_store, m_protection).password, typed);

    // An older version's plain string shows, and the next OK protects it as it stands.
    m_store.WriteString(L"Proxy", L"Password", std::wstring_view(L"旧口令"));
    EXPECT_EQ(settings::ReadProxy(m_store, m_protection).password, L"旧口令");
    run = Run([&](DWORD, HWND window, CDlgProxySettings&) {
        EXPECT_EQ(Text(window, IDC_PROXY_PASSWORD), L"旧口令");
        EXPECT_TRUE(PressUntilGone(window, IDOK, 3000));
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(RawPasswordType(), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(UnprotectPassword(m_store.ReadBlob(L"Proxy", L"Password").value_or(std::vector<uint8_t>{})), L"旧口令");
}

TEST_F(ProxySettingsWindowTest, TheSelectionWindowsHiddenButtonOpensIt)
{
    const CServerDirectory directory(CIniDocument::Parse("[Routes]\r\nTitle0=r\r\n"));
    CPassingChecks checks;
    CDlgVpnPolicy selection(directory, m_store, checks, {});
    const SModalRun run = RunModal(
        selection,
        [&](DWORD uiThread) {
            HWND owner = WaitForThreadWindow(uiThread, L"选择加速网络", 5000);
            ASSERT_NE(owner, nullptr);
            ASSERT_TRUE(WaitUntilShown(owner));
            const HWND button = ::GetDlgItem(owner, IDC_POLICY_PROXY);
            EXPECT_FALSE(::IsWindowVisible(button));
            ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(IDC_POLICY_PROXY, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            HWND window = WaitForThreadWindow(uiThread, kTitle, 5000);
            ASSERT_NE(window, nullptr) << "button 1027 opened no proxy settings window";
            ASSERT_TRUE(WaitUntilShown(window));
            EXPECT_EQ(::GetWindow(window, GW_OWNER), owner) << "modal over the selection window";
            EXPECT_FALSE(::IsWindowEnabled(owner));
            Fill(window, {IDC_PROXY_TYPE_SOCKS5, L"127.0.0.9", L"1080"});
            EXPECT_TRUE(PressUntilGone(window, IDOK, 3000));

            EXPECT_TRUE(::IsWindowVisible(owner)) << "the selection stays open";
            EXPECT_FALSE(::IsWindowVisible(button)) << "the button stays hidden";
            EXPECT_TRUE(PressUntilGone(owner, IDCANCEL, 3000));
        },
        15000);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Type", -1), 2);
    EXPECT_EQ(m_store.ReadInt(L"Proxy", L"Port", -1), 1080);
}

}  // namespace
