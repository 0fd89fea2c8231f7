#include "vpn/inet_address.h"

#include <cstring>

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int DigitValue(char c, uint32_t base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && static_cast<uint32_t>(value) < base ? value : -1;
}

// One part at text[pos]: advances pos past it. false when there is no digit or it overflows.
bool ParsePart(const std::string& text, size_t& pos, uint32_t& part)
{
    uint32_t base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        ++pos;
        if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
            base = 16;
            ++pos;
        }
        // A lone "0" (or "0x") is zero.
    } else if (pos >= text.size() || DigitValue(text[pos], 10) < 0) {
        return false;
    }
    uint64_t value = 0;
    int digit;
    while (pos < text.size() && (digit = DigitValue(text[pos], base)) >= 0) {
        value = value * base + static_cast<uint32_t>(digit);
        if (value > 0xFFFFFFFFu)
            return false;
        ++pos;
    }
    part = static_cast<uint32_t>(value);
    return true;
}

} // namespace

uint32_t HostToNetworkOrder(uint32_t address)
{
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(address >> 24), static_cast<unsigned char>(address >> 16),
        static_cast<unsigned char>(address >> 8), static_cast<unsigned char>(address)};
    uint32_t result;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

uint32_t NetworkToHostOrder(uint32_t address)
{
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

bool ParseInetAddr(const std::string& text, uint32_t& address)
{
    address = InetAddrNone;
    uint32_t parts[4] = {};
    size_t count = 0;
    size_t pos = 0;
    for (;;) {
        if (!ParsePart(text, pos, parts[count]))
            return false;
        ++count;
        if (pos < text.size() && text[pos] == '.') {
            if (count == 4)
                return false;
            ++pos;
            continue;
        }
        break;
    }
    if (pos < text.size() && !IsSpace(text[pos]))
        return false;

    // The last part fills what the earlier ones leave.
    const uint32_t last = parts[count - 1];
    const uint32_t lastLimit[] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
    if (last > lastLimit[count - 1])
        return false;
    uint32_t value = last;
    for (size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF)
            return false;
        value |= parts[i] << (24 - 8 * i);
    }
    address = HostToNetworkOrder(value);
    return true;
}

uint32_t InetAddr(const std::string& text)
{
    uint32_t address;
    ParseInetAddr(text, address);
    return address;
}
