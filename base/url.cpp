#include "base/url.h"

#include "base/ansi.h"
#include "base/text.h"

namespace {
bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool StartsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

// atoi on the leading part, cut to 16 bits: blanks, an optional sign, then digits. Wrapping in
// 16 bits gives the same result as cutting a wrapped 32-bit value.
uint16_t PortFromText(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint16_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = static_cast<uint16_t>(value * 10u + static_cast<unsigned>(text[i] - '0'));
    return negative ? static_cast<uint16_t>(0u - value) : value;
}

bool BreaksRequest(std::string_view bytes)
{
    return bytes.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}
}  // namespace

std::string PercentEncode(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsUnreserved(c)) {
            encoded += byte;
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0x0F];
        }
    }
    return encoded;
}

std::wstring PercentEncodeAnsi(std::wstring_view text)
{
    const std::string encoded = PercentEncode(WideToAnsi(text));
    return std::wstring(encoded.begin(), encoded.end());
}

bool IsWebUrl(std::wstring_view url)
{
    return StartsWithIgnoreCase(url, L"http://") || StartsWithIgnoreCase(url, L"https://");
}

SHttpUrlParts SplitHttpUrl(std::wstring_view url)
{
    SHttpUrlParts parts;
    const std::wstring_view rest = url.size() > 7 ? url.substr(7) : std::wstring_view();
    const size_t slash = rest.find(L'/');
    std::string hostAndPort = WideToAnsi(rest.substr(0, slash));
    parts.target = slash == std::wstring_view::npos ? std::string("/") : WideToAnsi(rest.substr(slash));

    const size_t colon = hostAndPort.find(':');
    if (colon != std::string::npos) {
        parts.port = PortFromText(std::string_view(hostAndPort).substr(colon + 1));
        hostAndPort.resize(colon);
    }
    parts.host = std::move(hostAndPort);
    parts.valid = !parts.host.empty() && !BreaksRequest(parts.host) && !BreaksRequest(parts.target);
    return parts;
}
