// The decisions of the server selection window that need no window: what it lists and
// preselects when it opens, which protocols a highlighted server offers, and what OK accepts and
// writes. The window (policy/dlg_vpn_policy_win32.*) only carries them out.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/login_interfaces.h"
#include "app/server_directory.h"
#include "app/settings_store.h"
#include "vpn/vpn_protocol.h"

namespace selection_text {
inline constexpr wchar_t kTitle[] = L"选择加速网络";
inline constexpr wchar_t kNoRoute[] = L"您没有选择合适的加速方式";
inline constexpr wchar_t kNoServer[] = L"您没有选择合适的加速服务器";
inline constexpr wchar_t kNoProtocol[] = L"请选择连接方式";
inline constexpr wchar_t kNoProtocolOffered[] = L"您选择的服务器暂时没有提供可用的连接方式，请使用其他服务器";
inline constexpr wchar_t kNotTested[] = L"待测";
}  // namespace selection_text

// One row of the server list. `serverIndex` is the row's item data: the n of Title%d.
struct SServerRow {
    std::wstring title;    // trimmed
    std::wstring comment;  // as stored
    std::wstring loadText;
    int serverIndex = -1;
};

// What the window shows when it opens.
struct SSelectionView {
    std::vector<std::wstring> routes;     // trimmed titles, directory order
    int selectedRoute = -1;               // -1 only when there are no routes
    std::vector<SServerRow> servers;      // directory order
    int selectedRow = -1;                 // -1 only when there are no servers
    std::optional<EVpnProtocol> checked;  // VpnType; none for another number
};

// Reads the directory and the last choice (LastVpnRouteTitle, LastVpnServerTitle, VpnType).
// Titles match exactly, a later duplicate wins, an unmatched route title selects the first
// route and an unmatched server title the first row.
SSelectionView BuildSelectionView(const CServerDirectory& directory, ISettingsStore& settings);

// Load%d as a percentage: the leading decimal number (0 when there is none) times 100,
// truncated toward zero, formatted "%3d%%".
std::wstring LoadText(std::wstring_view stored);

// Which protocols a server's trimmed Protocols%d offers (case-sensitive words "pptp", "l2tp",
// "openvpn" anywhere in the value), in the order PPTP, L2TP, OpenVPN.
struct SProtocolOffer {
    std::array<bool, 3> offered{};  // indexed by protocol number - 1
    bool empty = true;              // the value is blank: the window says no protocol is offered
    bool Offers(EVpnProtocol protocol) const { return offered[static_cast<size_t>(protocol) - 1]; }
};
SProtocolOffer ProtocolOffer(std::wstring_view protocolsValue);

// The window's state when OK is pressed.
struct SSelectionInput {
    std::wstring routeText;       // the combo box's current text (empty when nothing is selected)
    int routeIndex = -1;          // the combo box's selection, -1 for none
    int selectedRow = -1;         // the first selected list row, -1 for none
    std::wstring serverTitle;     // that row's column 0
    int serverIndex = -1;         // that row's item data
    std::array<bool, 3> usable{}; // radio button checked and enabled, by protocol number - 1
};

// What OK decided. On acceptance `selection` is the window's result; otherwise `message` is the
// box to show and the window stays open.
struct SSelectionOutcome {
    bool accepted = false;
    std::wstring message;
    SServerSelection selection;
};

// OK's steps in their order, writing LastVpnRouteTitle first, LastVpnServerTitle once a row is
// selected and VpnType once a protocol is chosen; a failing step leaves what was written before.
SSelectionOutcome AcceptSelection(const SSelectionInput& input, ISettingsStore& settings);
