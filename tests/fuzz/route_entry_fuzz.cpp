// Route document lines come from the service; the parser and the address reader must take
// anything without harm and keep their promises.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vpn/inet_address.h"
#include "vpn/route_table.h"

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void CheckAddress(const std::string& text)
{
    uint32_t address = 0;
    const bool parsed = ParseInetAddr(text, address);
    if (InetAddr(text) != address || (!parsed && address != InetAddrNone))
        std::abort();
    if (!parsed)
        return;
    // What was read is written back as a.b.c.d and must read the same.
    const uint32_t value = NetworkToHostOrder(address);
    const std::string dotted = std::to_string(value >> 24) + "." + std::to_string(value >> 16 & 0xFF) +
                               "." + std::to_string(value >> 8 & 0xFF) + "." +
                               std::to_string(value & 0xFF);
    uint32_t again = 0;
    if (!ParseInetAddr(dotted, again) || again != address)
        std::abort();
}

void CheckTrimmed(const std::string& text)
{
    if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckAddress(bytes);

    // Bytes as characters, and byte pairs as UTF-16 code units, so both ASCII and wide text
    // reach the parser.
    std::wstring narrowEntry(bytes.begin(), bytes.end());
    for (wchar_t& c : narrowEntry)
        c = static_cast<wchar_t>(static_cast<unsigned char>(c));
    std::wstring wideEntry;
    for (size_t i = 0; i + 1 < size; i += 2)
        wideEntry += static_cast<wchar_t>(data[i] | data[i + 1] << 8);

    for (const std::wstring& entry : {narrowEntry, wideEntry}) {
        std::string destination = "x";
        std::string netmask = "x";
        if (!ParseRouteEntry(entry, destination, netmask)) {
            if (!destination.empty() || !netmask.empty())
                std::abort();
            continue;
        }
        CheckTrimmed(destination);
        CheckTrimmed(netmask);
        CheckAddress(destination);
        CheckAddress(netmask);
    }
    return 0;
}
