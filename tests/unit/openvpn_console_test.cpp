#include "vpn/openvpn_console.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "vpn/vpn_codes.h"

namespace {

// The connection as a log of what the rules did to it.
class CRecordingHost : public IOpenVpnConsoleHost {
public:
    std::vector<std::wstring> log;
    uint32_t state = VpnState::Preparing;
    uint32_t written = 0;
    uint32_t read = 0;

    void Answer(std::wstring_view text) override { log.push_back(L"answer:" + std::wstring(text)); }
    void Report(uint32_t newState, uint32_t error, uint32_t detail) override
    {
        state = newState == VpnState::TunnelUp && error == 0 ? VpnState::LoggedIn : newState;
        log.push_back(L"report:" + std::to_wstring(newState) + L"," + std::to_wstring(error) + L"," +
                      std::to_wstring(detail));
    }
    uint32_t CurrentState() const override { return state; }
    void SetLocalAddress(const std::wstring& address) override { log.push_back(L"address:" + address); }
    void SetTunnelGateway(const std::wstring& gateway) override { log.push_back(L"gateway:" + gateway); }
    void CountPackets(uint32_t w, uint32_t r) override
    {
        written += w;
        read += r;
    }
};

const SOpenVpnCredentials kCredentials{L"demo", L"p@ss", L"proxyuser", L"proxypass"};

TEST(OpenVpnCommandLine, IsTheProgramsLineWithItsPiecesInOrder)
{
    const std::wstring base =
        L"\"C:\\Client\\openvpn\\openvpn.exe\" --remote 203.0.113.5 --dev tap --proto udp --port 80 "
        L"--auth-user-pass  --pull --ca \"C:\\Client\\openvpn\\\\ca.crt\" --tls-client --service "
        L"KORVEX_OPENVPN_EXIT_{05F607A4-6E2F-42e8-AFE0-7F56211E6B88} --remap-usr1 SIGTERM --verb 5"
        L" --cipher none --tun-mtu 1400";
    struct SCase {
        int32_t gateway;
        SProxySettings proxy;
        std::wstring tail;
    };
    const SCase cases[] = {
        {0, {}, L""},
        {0, {1, L"10.1.1.1", 8080, L"u", L"p"}, L" --http-proxy 10.1.1.1 8080 stdin"},
        {0, {2, L"10.1.1.1", 8080, L"", L""}, L" --socks-proxy 10.1.1.1 8080"},
        {1, {1, L"proxy.example", 3128, L"", L""}, L" --redirect-gateway --http-proxy proxy.example 3128 stdin"},
        {0, {7, L"ignored stuff", 1, L"", L""}, L""},  // an unknown proxy kind adds nothing
    };
    for (const SCase& c : cases) {
        const auto line = BuildOpenVpnCommandLine({L"C:\\Client\\openvpn\\", L"203.0.113.5", c.gateway, c.proxy});
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(*line, base + c.tail);
    }
}

TEST(OpenVpnCommandLine, HostsAndAnswersThatCouldCarryOptionsAreRefused)
{
    const std::wstring hosts[] = {L"", L"1.2.3.4 --up evil.bat", L"host\"x", L"a/b", L"主机", L"a b",
                                  std::wstring(254, L'a')};
    for (const std::wstring& host : hosts) {
        EXPECT_FALSE(IsPlainHostName(host));
        EXPECT_FALSE(BuildOpenVpnCommandLine({L"C:\\o\\", host, 0, {}}).has_value());
    }
    EXPECT_TRUE(IsPlainHostName(std::wstring(253, L'a')));
    EXPECT_TRUE(IsPlainHostName(L"vpn-1.example.com"));
    EXPECT_FALSE(BuildOpenVpnCommandLine({L"C:\\o\\", L"10.0.0.1", 0, {2, L"x --y", 1, L"", L""}}).has_value());
    EXPECT_TRUE(BuildOpenVpnCommandLine({L"C:\\o\\", L"10.0.0.1", 0, {0, L"x --y", 1, L"", L""}}).has_value())
        << "no proxy: its server goes nowhere";
    for (const wchar_t* answer : {L"a\nb", L"a\r", L"\n"})
        EXPECT_FALSE(IsPlainAnswer(answer));
    EXPECT_TRUE(IsPlainAnswer(L"密码 with blanks"));
}

TEST(OpenVpnConsoleRules, PromptsAreAnsweredOnceEvenWhenSplit)
{
    CRecordingHost host;
    COpenVpnConsole console;
    const char* chunks[] = {"Tue Nov 09 17:42:10 2010 OpenVPN 2.1\nEnter Auth User", "name:", "Enter Auth Pass",
                            "word:", "\r\n", "Enter HTTP Proxy Username:", "Enter SOCKS5 Proxy Password:"};
    for (const char* chunk : chunks)
        console.Feed(chunk, kCredentials, host);
    EXPECT_EQ(host.log, (std::vector<std::wstring>{L"answer:demo", L"answer:p@ss", L"answer:proxyuser",
                                                   L"answer:proxypass"}));
}

TEST(OpenVpnConsoleRules, MessagesBecomeStatesAndTheTunnelIsLearnt)
{
    CRecordingHost host;
    COpenVpnConsole console;
    console.Feed("... [server] Peer Connection Initiated with 127.0.0.1:80\n", kCredentials, host);
    console.Feed("PUSH: Received control message: 'PUSH_REPLY,route-gateway 10.8.0.5,ping 10'\n", kCredentials, host);
    console.Feed("Notified TAP-Win32 driver to set a DHCP IP/netmask of 10.8.0.6/255.255.255.252 on interface {X}\n",
                 kCredentials, host);
    console.Feed("Initialization Sequence Completed\n", kCredentials, host);
    // The marker stays in the output until it is emptied, so it is reported with every chunk.
    const std::vector<std::wstring> expected = {
        L"report:4,0,0", L"report:4,0,0", L"gateway:10.8.0.5", L"report:4,0,0", L"address:10.8.0.6",
        L"gateway:10.8.0.5", L"report:4,0,0", L"address:10.8.0.6", L"gateway:10.8.0.5", L"report:7,0,0"};
    EXPECT_EQ(host.log, expected);

    // Connected: every chunk is counted and dropped.
    console.Feed("RwrW", kCredentials, host);
    console.Feed("Rw", kCredentials, host);
    EXPECT_EQ(host.written, 3u);
    EXPECT_EQ(host.read, 3u);
    EXPECT_TRUE(console.Output().empty());

    struct SCase {
        const char* output;
        std::wstring report;
    };
    const SCase failures[] = {
        {"Socket bind failed on local address 0.0.0.0:80\n", L"report:4,2,0"},
        {"There are no TAP-Win32 adapters on this system.\n", L"report:4,9,0"},
        {"Notified TAP-Win32 driver to set a DHCP IP/netmask of 10.8.0.6 on interface {X}", L"report:7,5,0"},
    };
    for (const SCase& c : failures) {
        CRecordingHost fresh;
        COpenVpnConsole other;
        other.Feed(c.output, kCredentials, fresh);
        EXPECT_EQ(fresh.log, std::vector<std::wstring>{c.report}) << c.output;
    }
}

// However the output is cut, the rules find the same things: a text split between chunks is
// still found, and a text that only appears across a double-byte character is never found.
// (A prompt is answered only while the output ends with it, so only the last one is here.)
TEST(OpenVpnConsoleRules, ChunkSizeChangesNothingFound)
{
    const std::string chinese = "\xD6\xD0\xCE\xC4\x81@\xCA\xFD\xBE\xDD";  // '@' is a trail byte here
    std::string padding;
    while (padding.size() < 200)
        padding += chinese + "\n";
    const std::string outputs[] = {
        padding + "Peer Connection Initiated" + padding + "PUSH_REPLY,route-gateway 10.8.0.5,ping\n" + padding +
            "Notified TAP-Win32 driver to set a DHCP IP/netmask of 10.8.0.6/255.255.255.252 on interface {X}\n" +
            padding + "Initialization Sequence Completed\n",
        padding + "\x81" + "Enter Auth Password:" + padding + "\x81" +
            "Socket bind failed on local address" + padding + "Enter HTTP Proxy Password:",
        padding + "\xCA" + "There are no TAP-Win32 adapters on this system" + padding + "\x81" + "route-gateway 1," +
            padding + "route-gateway 2,",
    };
    const auto distinct = [](const std::string& output, size_t step) {
        CRecordingHost host;
        COpenVpnConsole console;
        for (size_t at = 0; at < output.size(); at += step)
            console.Feed(std::string_view(output).substr(at, step), kCredentials, host);
        return std::set<std::wstring>(host.log.begin(), host.log.end());
    };
    for (const std::string& output : outputs) {
        const auto whole = distinct(output, output.size());
        ASSERT_FALSE(whole.empty());
        for (size_t step = 1; step <= 70; ++step)
            EXPECT_EQ(distinct(output, step), whole) << "chunks of " << step << " in " << output.substr(200, 40);
    }
}

}  // namespace

