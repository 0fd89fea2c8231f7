#include "policy/proxy_settings.h"

#include <algorithm>
#include <limits>

#include "base/text.h"

namespace {
// The field as the window always read it: through a 64-character buffer.
constexpr size_t kPortCharsLooked = 63;
}  // namespace

ProxyRadios RadiosForType(int32_t type)
{
    ProxyRadios radios{};
    if (type >= 0 && static_cast<size_t>(type) < radios.size())
        radios[static_cast<size_t>(type)] = true;
    return radios;
}

int32_t TypeFromRadios(const ProxyRadios& radios)
{
    int32_t type = static_cast<int32_t>(EProxyType::None);
    for (size_t index = 0; index < radios.size(); ++index) {
        if (radios[index])
            type = static_cast<int32_t>(index);
    }
    return type;
}

std::optional<int32_t> ParseProxyPort(std::wstring_view field)
{
    const std::wstring_view text = field.substr(0, kPortCharsLooked);
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
        negative = text[at++] == L'-';
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9')
        return std::nullopt;

    // Accumulated as a magnitude in 64 bits and capped, so no digit count can overflow it.
    constexpr int64_t kMaxMagnitude = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - L'0');
        if (magnitude > kMaxMagnitude)
            magnitude = kMaxMagnitude;
    }
    if (negative)
        return static_cast<int32_t>(-magnitude);
    return static_cast<int32_t>(std::min<int64_t>(magnitude, std::numeric_limits<int32_t>::max()));
}

SProxyFields ProxyFieldsOf(const SProxySettings& stored)
{
    return SProxyFields{RadiosForType(stored.type), stored.server, std::to_wstring(stored.port), stored.userName,
                        stored.password};
}

std::optional<SProxySettings> AcceptProxyFields(const SProxyFields& fields)
{
    const std::optional<int32_t> port = ParseProxyPort(fields.port);
    if (!port)
        return std::nullopt;
    return SProxySettings{TypeFromRadios(fields.radios), fields.server, *port, fields.userName, fields.password};
}

void WriteProxySettings(ISettingsStore& store, IPasswordProtection& protection, const SProxySettings& proxy)
{
    settings::WriteInt(store, settings::ProxyType, proxy.type);
    settings::WriteString(store, settings::ProxyServer, proxy.server);
    settings::WriteInt(store, settings::ProxyPort, proxy.port);
    settings::WriteString(store, settings::ProxyUsername, proxy.userName);
    settings::WriteProxyPassword(store, protection, proxy.password);
}
