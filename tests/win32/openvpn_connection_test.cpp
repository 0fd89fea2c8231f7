// The OpenVPN connection with the openvpn.exe double in a client folder of its own: what Connect
// refuses to start, a whole tunnel with its packet marks, and the two ways the program ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/openvpn_components_win32.h"
#include "vpn/openvpn_vpn_win32.h"
#include "vpn/vpn_codes.h"

#ifndef KORVEX_OPENVPN_DOUBLE_DIR
#error "KORVEX_OPENVPN_DOUBLE_DIR must name the folder the doubles are built in"
#endif

namespace {

using namespace std::chrono_literals;

std::wstring WindowsPath(const char* unixPath)
{
    std::wstring path(unixPath, unixPath + strlen(unixPath));
    for (wchar_t& c : path)
        c = c == L'/' ? L'\\' : c;
    return L"Z:" + path;
}

// A client folder: ModuleDir with an openvpn\ folder holding the double and its fixtures.
class COpenVpnFolder {
public:
    COpenVpnFolder()
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_moduleDir = std::wstring(temp) + L"korvex-openvpn-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(m_moduleDir.c_str(), nullptr);
        ::CreateDirectoryW(Folder().c_str(), nullptr);
        const std::wstring from = WindowsPath(KORVEX_OPENVPN_DOUBLE_DIR) + L"\\";
        ::CopyFileW((from + L"openvpn.exe").c_str(), (Folder() + L"openvpn.exe").c_str(), FALSE);
        for (const wchar_t* fixture : {L"ca.crt", L"tap_korvex.inf", L"tap_korvex.sys", L"tapinstall.exe"})
            Write(fixture, "test fixture\r\n");
    }
    ~COpenVpnFolder()
    {
        for (const wchar_t* file : {L"openvpn.exe", L"ca.crt", L"tap_korvex.inf", L"tap_korvex.sys", L"tapinstall.exe",
                                    L"openvpn_double.scenario", L"openvpn_double.log"})
            ::DeleteFileW((Folder() + file).c_str());
        ::RemoveDirectoryW(Folder().c_str());
        ::RemoveDirectoryW(m_moduleDir.c_str());
    }
    const std::wstring& ModuleDir() const { return m_moduleDir; }
    std::wstring Folder() const { return m_moduleDir + L"openvpn\\"; }
    void Write(const wchar_t* name, const std::string& text) const
    {
        std::ofstream(std::filesystem::path(Folder() + name), std::ios::binary) << text;
    }
    std::string Log() const
    {
        std::ifstream file(std::filesystem::path(Folder() + L"openvpn_double.log"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    std::wstring m_moduleDir;
};

class CStates : public CGeneralVpnCallbackInterface {
public:
    void OnVpnStatusChanged(CGeneralVpn* connection) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_seen.push_back(connection->GetStatus().State);
    }
    bool WaitFor(uint32_t state, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                if (std::find(m_seen.begin(), m_seen.end(), state) != m_seen.end())
                    return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
    std::vector<uint32_t> Seen()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_seen;
    }

private:
    std::mutex m_lock;
    std::vector<uint32_t> m_seen;
};

class OpenVpnConnectionTest : public ::testing::Test {
protected:
    OpenVpnConnectionTest()
    {
        m_table.AddInterface(1, "192.168.1.10", 20);
        m_table.AddInterface(7, "10.8.0.6", 25);
        CRouteRow defaultRoute;
        defaultRoute.NextHop = InetAddr("192.168.1.1");
        defaultRoute.InterfaceIndex = 1;
        m_table.CreateForwardEntry(defaultRoute);
    }
    std::unique_ptr<COpenVpn> Make(const wchar_t* host, const wchar_t* user = L"demo")
    {
        auto vpn = std::make_unique<COpenVpn>(m_table, m_folder.ModuleDir());
        vpn->Callback = &m_states;
        vpn->ServerHost = host;
        vpn->UserName = user;
        vpn->Password = L"secret";
        vpn->Routes = {L"10.30.0.0 mask 255.255.0.0"};
        return vpn;
    }

    COpenVpnFolder m_folder;
    CMemoryIpHelper m_table;
    CStates m_states;
};

TEST_F(OpenVpnConnectionTest, NothingStartsForAHostOrAnswerThatCouldCarryMore)
{
    for (const auto& [host, user] : {std::pair{L"127.0.0.1 --up evil.bat", L"demo"}, std::pair{L"127.0.0.1", L"demo\nx"}}) {
        auto vpn = Make(host, user);
        EXPECT_EQ(vpn->Connect(), OpenVpnError::LaunchFailed);
        EXPECT_EQ(vpn->GetStatus().Error, OpenVpnError::LaunchFailed);
        EXPECT_EQ(vpn->GetErrorDescription(), L"执行OpenVPN程序失败");
    }
    EXPECT_EQ(m_folder.Log().find("command_line"), std::string::npos) << "the program must not have run";
}

TEST_F(OpenVpnConnectionTest, ATunnelComesUpCountsPacketsAndEndsThroughTheExitEvent)
{
    m_folder.Write(L"openvpn_double.scenario", "outcome=connected\nadapter=present\ndelay_ms=10\npackets=on\nexpect_user=demo\n"
                                               "expect_password=secret\nifconfig=10.8.0.6 255.255.255.0\n");
    auto vpn = Make(L"127.0.0.1");
    ASSERT_EQ(vpn->Connect(), 0u);
    ASSERT_TRUE(m_states.WaitFor(VpnState::LoggedIn, 10s))
        << ::testing::PrintToString(m_states.Seen()) << m_folder.Log();
    EXPECT_EQ(m_table.RowCount(), 2u) << "the route went through the tunnel";
    uint32_t counters[2] = {0, 0};
    const auto end = std::chrono::steady_clock::now() + 5s;
    while ((counters[0] == 0 || counters[1] == 0) && std::chrono::steady_clock::now() < end) {
        EXPECT_EQ(vpn->GetTrafficCounters(counters), 0u);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_GT(counters[0], 0u);
    EXPECT_GT(counters[1], 0u);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(vpn->Disconnect(), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms);
    EXPECT_EQ(m_table.RowCount(), 1u) << "the routes are given back";
    EXPECT_NE(m_folder.Log().find("exit_event signalled"), std::string::npos) << m_folder.Log();
    EXPECT_NE(m_folder.Log().find("auth_password bytes=7 ok=1"), std::string::npos) << m_folder.Log();
}

TEST_F(OpenVpnConnectionTest, AProgramIgnoringTheEventIsEndedAndAMissingOneFoundNoAdapter)
{
    m_folder.Write(L"openvpn_double.scenario", "outcome=connected\nadapter=present\ndelay_ms=10\nignore_exit_event=1\n");
    {
        auto vpn = Make(L"127.0.0.1");
        ASSERT_EQ(vpn->Connect(), 0u);
        ASSERT_TRUE(m_states.WaitFor(VpnState::LoggedIn, 10s))
        << ::testing::PrintToString(m_states.Seen()) << m_folder.Log();
    }  // Disconnect waits 2 s, then the destructor ends the program
    EXPECT_NE(m_folder.Log().find("exit_event ignored"), std::string::npos) << m_folder.Log();
    EXPECT_TRUE(m_states.WaitFor(VpnState::Disconnected, 1s));

    ASSERT_TRUE(CheckOpenVpnComponents(m_folder.ModuleDir()));
    ::DeleteFileW((m_folder.Folder() + L"openvpn.exe").c_str());
    EXPECT_FALSE(CheckOpenVpnComponents(m_folder.ModuleDir()));
    EXPECT_EQ(OpenVpnFolder(), m_folder.Folder());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(IsTapAdapterPresent());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

}  // namespace
