#include "vpn/openvpn_console.h"

#include "base/ansi.h"
#include "base/text.h"
#include "vpn/console_output.h"
#include "vpn/vpn_codes.h"

#include <algorithm>
#include <iterator>

namespace {
constexpr size_t kLongestHostName = 253;

bool IsHostCharacter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.';
}

std::wstring Trimmed(const std::string& bytes)
{
    return TrimBlanks(AnsiToWide(bytes));
}

struct SPrompt {
    std::string_view text;
    const std::wstring SOpenVpnCredentials::*answer;
};
constexpr SPrompt kPrompts[] = {
    {"Enter Auth Username:", &SOpenVpnCredentials::userName},
    {"Enter Auth Password:", &SOpenVpnCredentials::password},
    {"Enter SOCKS5 Proxy Username:", &SOpenVpnCredentials::proxyUserName},
    {"Enter HTTP Proxy Username:", &SOpenVpnCredentials::proxyUserName},
    {"Enter SOCKS5 Proxy Password:", &SOpenVpnCredentials::proxyPassword},
    {"Enter HTTP Proxy Password:", &SOpenVpnCredentials::proxyPassword},
};

// By COpenVpnConsole::EMark.
constexpr std::string_view kMarks[] = {
    "Socket bind failed on local address",
    "Peer Connection Initiated",
    "There are no TAP-Win32 adapters on this system",
    "Notified TAP-Win32 driver to set a DHCP IP/netmask of ",
    " on interface ",
    "route-gateway",
    ",",
    "Initialization Sequence Completed",
};

// A search can start this far before the end of the output it saw last and still find a text
// that the new chunk completes.
constexpr size_t kLongestText = [] {
    size_t longest = 0;
    for (const SPrompt& prompt : kPrompts)
        longest = std::max(longest, prompt.text.size());
    for (const std::string_view mark : kMarks)
        longest = std::max(longest, mark.size());
    return longest;
}();
}  // namespace

bool IsPlainHostName(std::wstring_view host)
{
    if (host.empty() || host.size() > kLongestHostName)
        return false;
    for (const wchar_t c : host) {
        if (!IsHostCharacter(c))
            return false;
    }
    return true;
}

bool IsPlainAnswer(std::wstring_view answer)
{
    return answer.find_first_of(L"\r\n") == std::wstring_view::npos;
}

std::optional<std::wstring> BuildOpenVpnCommandLine(const SOpenVpnLaunch& launch)
{
    const bool proxied = launch.proxy.type == static_cast<int32_t>(EProxyType::Http) ||
                         launch.proxy.type == static_cast<int32_t>(EProxyType::Socks5);
    if (!IsPlainHostName(launch.serverHost) || (proxied && !IsPlainHostName(launch.proxy.server)))
        return std::nullopt;

    const std::wstring& folder = launch.folder;
    std::wstring line = L"\"" + folder + L"openvpn.exe\" --remote " + launch.serverHost +
                        L" --dev tap --proto udp --port 80 --auth-user-pass  --pull --ca \"" + folder +
                        L"\\ca.crt\" --tls-client --service " + kOpenVpnExitEventName +
                        L" --remap-usr1 SIGTERM --verb 5";
    line += L" --cipher none --tun-mtu 1400";
    if (launch.modifyDefaultGateway != 0)
        line += L" --redirect-gateway";
    const std::wstring port = std::to_wstring(launch.proxy.port);
    if (launch.proxy.type == static_cast<int32_t>(EProxyType::Http))
        line += L" --http-proxy " + launch.proxy.server + L" " + port + L" stdin";
    else if (launch.proxy.type == static_cast<int32_t>(EProxyType::Socks5))
        line += L" --socks-proxy " + launch.proxy.server + L" " + port;
    return line;
}

void COpenVpnConsole::Clear()
{
    m_output.clear();
    m_searched = 0;
    m_found.fill(std::string::npos);
}

size_t COpenVpnConsole::Locate(EMark mark, size_t from)
{
    static_assert(std::size(kMarks) == MarkCount);
    size_t& at = m_found[mark];
    if (at == std::string::npos)
        at = FindAnsiText(m_output, kMarks[mark], std::max(from, m_searched), m_searched);
    return at;
}

// The bytes between the first start text and the first end text after it.
bool COpenVpnConsole::Between(EMark start, EMark end, std::string& between)
{
    const size_t startAt = Locate(start);
    if (startAt == std::string::npos)
        return false;
    const size_t from = startAt + kMarks[start].size();
    const size_t endAt = Locate(end, from);
    if (endAt == std::string::npos)
        return false;
    between.assign(m_output, from, endAt - from);
    return true;
}

bool COpenVpnConsole::AnswerPrompt(const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host)
{
    for (const SPrompt& prompt : kPrompts) {
        if (AnsiTextEndsWith(m_output, prompt.text, m_searched)) {
            host.Answer(credentials.*prompt.answer);
            Clear();  // an answer empties the output: the prompt is answered once
            return true;
        }
    }
    return false;
}

void COpenVpnConsole::Feed(std::string_view chunk, const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host)
{
    // Nothing not found so far can start before the last kLongestText bytes already seen.
    if (m_output.size() > kLongestText)
        m_searched = LastAnsiBoundary(m_output, m_searched, m_output.size() - kLongestText);
    m_output.append(chunk);
    AnswerPrompt(credentials, host);

    if (Contains(BindFailed))
        host.Report(VpnState::Connecting, VpnError::ServerUnreachable, 0);
    if (Contains(PeerConnected))
        host.Report(VpnState::Connecting, VpnError::Success, 0);
    if (Contains(NoTapAdapter))
        host.Report(VpnState::Connecting, OpenVpnError::TapDriverMissing, 0);

    std::string between;
    if (Between(AddressStart, AddressEnd, between)) {
        const std::wstring text = Trimmed(between);
        const size_t slash = text.find(L'/');
        if (slash == std::wstring::npos) {
            host.Report(VpnState::TunnelUp, VpnError::LocalAddressNotFound, 0);
            return;
        }
        host.SetLocalAddress(TrimBlanks(std::wstring_view(text).substr(0, slash)));
    }
    if (Between(GatewayStart, GatewayEnd, between))
        host.SetTunnelGateway(Trimmed(between));

    if (Contains(InitCompleted)) {
        Clear();
        host.Report(VpnState::TunnelUp, VpnError::Success, 0);  // applies the routes
    }
    if (host.CurrentState() == VpnState::LoggedIn) {
        uint32_t written = 0;
        uint32_t read = 0;
        for (const char c : m_output) {
            written += c == 'w' || c == 'W';
            read += c == 'r' || c == 'R';
        }
        Clear();
        host.CountPackets(written, read);
    }
}
