// The decisions of the proxy settings window that need no window: what its controls show for the
// stored values, which type its radio buttons stand for, how the port field is read, and what OK
// writes. The window (policy/dlg_proxy_settings_win32.*) only carries them out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/login_interfaces.h"
#include "app/settings_store.h"
#include "vpn/vpn_protocol.h"

namespace proxy_text {
inline constexpr wchar_t kTitle[] = L"设置代理服务器";
inline constexpr wchar_t kEnterInteger[] = L"Please enter an integer.";
}  // namespace proxy_text

// The radio buttons "无", "HTTP CONNECT 代理" (hidden) and "Socks5 代理", indexed by the type
// each stands for.
using ProxyRadios = std::array<bool, 3>;

// Exactly the button of this type checked; none for a number no button stands for. Also what a
// click on a button must leave: the buttons uncheck their visible neighbours themselves but not
// the hidden one, which would otherwise stay checked behind the user's choice and be saved.
ProxyRadios RadiosForType(int32_t type);

// 0, then each checked button in the order none, HTTP CONNECT, SOCKS5 sets its own type: the last
// checked wins, none checked gives 0.
int32_t TypeFromRadios(const ProxyRadios& radios);

// The port field: a signed decimal integer at its start, blanks before it skipped and anything
// after it ignored, looking at no more than the first 63 characters. Beyond the 32-bit range it
// saturates. Nothing when no number starts the field (an empty one included).
std::optional<int32_t> ParseProxyPort(std::wstring_view field);

// The window's controls, as filled when it opens and as read at OK.
struct SProxyFields {
    ProxyRadios radios{};
    std::wstring server;
    std::wstring port;
    std::wstring userName;
    std::wstring password;
};

SProxyFields ProxyFieldsOf(const SProxySettings& stored);

// What OK saves: everything as typed, whatever the type; nothing when the port is not a number
// (the window then says kEnterInteger and keeps the focus in the port field).
std::optional<SProxySettings> AcceptProxyFields(const SProxyFields& fields);

// Writes Type, Server, Port, Username and Password of section Proxy, in this order, the password
// protected (settings::WriteProxyPassword).
void WriteProxySettings(ISettingsStore& store, IPasswordProtection& protection, const SProxySettings& proxy);
