#include "vpn/openvpn_console.h"

#include "base/ansi.h"
#include "base/text.h"
#include "vpn/console_output.h"
#include "vpn/vpn_codes.h"

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

bool COpenVpnConsole::AnswerPrompt(const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host)
{
    struct SPrompt {
        const char* text;
        const std::wstring SOpenVpnCredentials::*answer;
    };
    static const SPrompt prompts[] = {
        {"Enter Auth Username:", &SOpenVpnCredentials::userName},
        {"Enter Auth Password:", &SOpenVpnCredentials::password},
        {"Enter SOCKS5 Proxy Username:", &SOpenVpnCredentials::proxyUserName},
        {"Enter HTTP Proxy Username:", &SOpenVpnCredentials::proxyUserName},
        {"Enter SOCKS5 Proxy Password:", &SOpenVpnCredentials::proxyPassword},
        {"Enter HTTP Proxy Password:", &SOpenVpnCredentials::proxyPassword},
    };
    for (const SPrompt& prompt : prompts) {
        if (AnsiTextEndsWith(m_output, prompt.text)) {
            host.Answer(credentials.*prompt.answer);
            m_output.clear();  // an answer empties the output: the prompt is answered once
            return true;
        }
    }
    return false;
}

void COpenVpnConsole::Feed(std::string_view chunk, const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host)
{
    m_output.append(chunk);
    AnswerPrompt(credentials, host);

    const auto contains = [this](const char* text) { return FindAnsiText(m_output, text) != std::string::npos; };
    if (contains("Socket bind failed on local address"))
        host.Report(VpnState::Connecting, VpnError::ServerUnreachable, 0);
    if (contains("Peer Connection Initiated"))
        host.Report(VpnState::Connecting, VpnError::Success, 0);
    if (contains("There are no TAP-Win32 adapters on this system"))
        host.Report(VpnState::Connecting, OpenVpnError::TapDriverMissing, 0);

    std::string between;
    if (ExtractAnsiTextBetween(m_output, "Notified TAP-Win32 driver to set a DHCP IP/netmask of ", " on interface ",
                               between)) {
        const std::wstring text = Trimmed(between);
        const size_t slash = text.find(L'/');
        if (slash == std::wstring::npos) {
            host.Report(VpnState::TunnelUp, VpnError::LocalAddressNotFound, 0);
            return;
        }
        host.SetLocalAddress(TrimBlanks(std::wstring_view(text).substr(0, slash)));
    }
    if (ExtractAnsiTextBetween(m_output, "route-gateway", ",", between))
        host.SetTunnelGateway(Trimmed(between));

    if (contains("Initialization Sequence Completed")) {
        m_output.clear();
        host.Report(VpnState::TunnelUp, VpnError::Success, 0);  // applies the routes
    }
    if (host.CurrentState() == VpnState::LoggedIn) {
        uint32_t written = 0;
        uint32_t read = 0;
        for (const char c : m_output) {
            written += c == 'w' || c == 'W';
            read += c == 'r' || c == 'R';
        }
        m_output.clear();
        host.CountPackets(written, read);
    }
}
