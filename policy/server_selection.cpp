#include "policy/server_selection.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <system_error>

#include "base/text.h"

namespace {
constexpr std::wstring_view kProtocolWords[] = {L"pptp", L"l2tp", L"openvpn"};
constexpr EVpnProtocol kProtocols[] = {EVpnProtocol::Pptp, EVpnProtocol::L2tp, EVpnProtocol::OpenVpn};

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// For a number from_chars matched but could not hold: true when it is too large, false when it
// is too small. Such numbers lie hundreds of orders of magnitude away from 1, so the sign of a
// rough order (digits before the point, or minus the zeros after it, plus the exponent) decides.
bool IsHuge(std::string_view matched, bool hex)
{
    const auto isDigit = hex ? IsHexDigit : IsDecimalDigit;
    size_t i = 0;
    while (i < matched.size() && matched[i] == '0')
        ++i;
    long long order = 0;
    while (i < matched.size() && isDigit(matched[i])) {
        ++order;
        ++i;
    }
    if (i < matched.size() && matched[i] == '.') {
        ++i;
        if (order == 0) {
            while (i < matched.size() && matched[i] == '0') {
                --order;
                ++i;
            }
        }
        while (i < matched.size() && isDigit(matched[i]))
            ++i;
    }
    if (hex)
        order *= 4;  // the exponent counts bits
    if (i < matched.size()) {
        ++i;  // 'e' or 'p'
        const bool negative = i < matched.size() && matched[i] == '-';
        if (i < matched.size() && (matched[i] == '-' || matched[i] == '+'))
            ++i;
        long long exponent = 0;
        for (; i < matched.size() && IsDecimalDigit(matched[i]); ++i) {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (matched[i] - '0');
        }
        order += negative ? -exponent : exponent;
    }
    return order > 0;
}

// The number strtod would read at the start of `text` in the "C" locale: blanks, a sign, then a
// decimal or "0x" hexadecimal number, "inf", "infinity" or "nan"; 0 when there is none. Out of
// range it gives an infinity or 0 as strtod does.
double LeadingNumber(std::wstring_view text)
{
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin]))
        ++begin;
    // Only ASCII can belong to the number; from_chars wants narrow text.
    std::string narrow;
    for (size_t i = begin; i < text.size() && text[i] > 0 && text[i] < 0x80; ++i)
        narrow += static_cast<char>(text[i]);

    std::string_view rest = narrow;
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    bool hex = false;
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
        (IsHexDigit(rest[2]) || rest[2] == '.')) {
        hex = true;
        rest.remove_prefix(2);
    }
    // from_chars takes a '-' of its own, which strtod would not accept after ours.
    if (rest.empty() || rest[0] == '-')
        return 0;

    double value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                                              hex ? std::chars_format::hex : std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        value = IsHuge(std::string_view(rest.data(), static_cast<size_t>(end - rest.data())), hex) ? HUGE_VAL : 0;
    else if (error != std::errc())
        return 0;
    return negative ? -value : value;
}

// Truncation toward zero, with what int cannot hold pinned: NaN gives 0, anything beyond the
// range (infinities included) its nearest end.
int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0)
        return INT_MAX;
    if (value <= -2147483649.0)
        return INT_MIN;
    return static_cast<int>(value);
}
}  // namespace

SSelectionView BuildSelectionView(const CServerDirectory& directory, ISettingsStore& settings)
{
    const std::wstring lastRoute = settings::ReadString(settings, settings::LastVpnRouteTitle);
    const std::wstring lastServer = settings::ReadString(settings, settings::LastVpnServerTitle);

    SSelectionView view;
    int selected = 0;
    for (int i = 0;; ++i) {
        std::wstring title = directory.RouteTitle(i);
        if (title.empty())
            break;
        if (title == lastRoute)
            selected = i;
        view.routes.push_back(std::move(title));
    }
    view.selectedRoute = view.routes.empty() ? -1 : selected;

    view.checked = VpnProtocolFromNumber(settings::ReadInt(settings, settings::VpnType));

    // A saved server that is gone selects the first row, not the row at the route's position.
    selected = 0;
    for (int i = 0;; ++i) {
        std::wstring title = directory.ServerTitle(i);
        if (title.empty())
            break;
        if (title == lastServer)
            selected = i;
        view.servers.push_back({std::move(title), directory.ServerComment(i), LoadText(directory.ServerLoad(i)), i});
    }
    view.selectedRow = view.servers.empty() ? -1 : selected;
    return view;
}

std::wstring LoadText(std::wstring_view stored)
{
    // The product is rounded to double before it is truncated, as the service's fractions have
    // always been shown ("0.35" is 35%, "0.29" 28%). The store makes x87 code (the i686 build)
    // round too; it would otherwise truncate the wider product and show "0.35" as 34%.
    volatile double product = LeadingNumber(stored) * 100;
    std::wstring text = std::to_wstring(TruncateToInt(product));
    if (text.size() < 3)
        text.insert(0, 3 - text.size(), L' ');
    return text + L'%';
}

SProtocolOffer ProtocolOffer(std::wstring_view protocolsValue)
{
    const std::wstring value = TrimBlanks(protocolsValue);
    SProtocolOffer offer;
    offer.empty = value.empty();
    for (size_t k = 0; k < offer.offered.size(); ++k)
        offer.offered[k] = value.find(kProtocolWords[k]) != std::wstring::npos;
    return offer;
}

SSelectionOutcome AcceptSelection(const SSelectionInput& input, ISettingsStore& settings)
{
    SSelectionOutcome outcome;
    settings::WriteString(settings, settings::LastVpnRouteTitle, input.routeText);
    if (input.routeIndex < 0) {
        outcome.message = selection_text::kNoRoute;
        return outcome;
    }
    if (input.selectedRow < 0) {
        outcome.message = selection_text::kNoServer;
        return outcome;
    }
    settings::WriteString(settings, settings::LastVpnServerTitle, input.serverTitle);

    std::optional<EVpnProtocol> protocol;
    for (size_t k = 0; k < input.usable.size(); ++k) {
        if (input.usable[k])
            protocol = kProtocols[k];
    }
    if (!protocol) {
        outcome.message = selection_text::kNoProtocol;
        return outcome;
    }
    settings::WriteInt(settings, settings::VpnType, VpnProtocolNumber(*protocol));

    outcome.accepted = true;
    outcome.selection = {input.routeIndex, input.serverIndex, protocol};
    return outcome;
}
