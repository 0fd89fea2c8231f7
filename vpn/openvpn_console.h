// What the OpenVPN connection does with openvpn.exe that needs no process: the command line it
// starts the program with, and the rules by which it reads the program's console: which prompts
// it answers, which messages become states, the tunnel's address and gateway, the packet marks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vpn/vpn_protocol.h"

// The named event openvpn.exe watches (--service): set, the program ends.
inline constexpr wchar_t kOpenVpnExitEventName[] = L"KORVEX_OPENVPN_EXIT_{05F607A4-6E2F-42e8-AFE0-7F56211E6B88}";

// A host name or dotted IPv4 address and nothing else: letters, digits, '-' and '.', 1 to 253
// characters. Anything else would end up as options of its own on the command line.
bool IsPlainHostName(std::wstring_view host);
// An answer to a prompt: no line break, which would answer the next prompt too.
bool IsPlainAnswer(std::wstring_view answer);

struct SOpenVpnLaunch {
    std::wstring folder;  // the OpenVPN folder, with its trailing backslash
    std::wstring serverHost;
    int32_t modifyDefaultGateway = 0;
    SProxySettings proxy;
};

// The program's command line; none when the server or proxy host is not a plain host name.
std::optional<std::wstring> BuildOpenVpnCommandLine(const SOpenVpnLaunch& launch);

// What the rules do to the connection, on the thread that reads the console.
class IOpenVpnConsoleHost {
public:
    virtual ~IOpenVpnConsoleHost() = default;
    // Writes the text and a line feed to the program's input.
    virtual void Answer(std::wstring_view text) = 0;
    // A state change, reported as the connection reports every change.
    virtual void Report(uint32_t state, uint32_t error, uint32_t detail) = 0;
    virtual uint32_t CurrentState() const = 0;
    virtual void SetLocalAddress(const std::wstring& address) = 0;
    virtual void SetTunnelGateway(const std::wstring& gateway) = 0;
    virtual void CountPackets(uint32_t written, uint32_t read) = 0;
};

struct SOpenVpnCredentials {
    std::wstring userName;
    std::wstring password;
    std::wstring proxyUserName;
    std::wstring proxyPassword;
};

// The console output since the last answer, and the rules applied to every chunk of it.
// The rules look at the whole output each time, but each search takes up where the one for the
// last chunk ended, so a long output read in small chunks costs no more than one read at once.
class COpenVpnConsole {
public:
    COpenVpnConsole() { Clear(); }
    void Clear();
    void Feed(std::string_view chunk, const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host);
    const std::string& Output() const { return m_output; }

private:
    enum EMark { BindFailed, PeerConnected, NoTapAdapter, AddressStart, AddressEnd, GatewayStart, GatewayEnd,
                 InitCompleted, MarkCount };

    bool AnswerPrompt(const SOpenVpnCredentials& credentials, IOpenVpnConsoleHost& host);
    // Where the mark's text first occurs at or after `from`; npos while it does not.
    size_t Locate(EMark mark, size_t from = 0);
    bool Contains(EMark mark) { return Locate(mark) != std::string::npos; }
    bool Between(EMark start, EMark end, std::string& between);

    std::string m_output;  // narrow text, as the program wrote it
    size_t m_searched = 0;  // a character boundary; no text not yet found starts before it
    std::array<size_t, MarkCount> m_found{};
};
