// The tunnel kinds and the proxy OpenVPN goes through: shared by the selection window, the
// settings store, the login exchange and the connections. The numbers are the ones kept in the
// settings store (VpnType) and in the override file; they never change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class EVpnProtocol : int32_t {
    Pptp = 1,
    L2tp = 2,
    OpenVpn = 3,
};

// Null for any number that names no protocol.
constexpr std::optional<EVpnProtocol> VpnProtocolFromNumber(int32_t number)
{
    switch (number) {
    case 1:
        return EVpnProtocol::Pptp;
    case 2:
        return EVpnProtocol::L2tp;
    case 3:
        return EVpnProtocol::OpenVpn;
    default:
        return std::nullopt;
    }
}

constexpr int32_t VpnProtocolNumber(EVpnProtocol protocol) { return static_cast<int32_t>(protocol); }

enum class EProxyType : int32_t {
    None = 0,
    Http = 1,
    Socks5 = 2,
};

// Section Proxy of the settings store, as OpenVPN uses it. `type` keeps the stored number: an
// unknown one is kept as it is, and only None means no proxy.
struct SProxySettings {
    int32_t type = 0;  // EProxyType's numbers
    std::wstring server;
    int32_t port = 0;
    std::wstring userName;
    std::wstring password;

    bool Enabled() const { return type != static_cast<int32_t>(EProxyType::None); }
};
