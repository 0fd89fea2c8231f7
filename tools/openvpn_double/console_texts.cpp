#include "tools/openvpn_double/console_texts.h"

#include <cstdio>

namespace
{

uint32_t ParseAddress(const std::string& text)
{
    unsigned parts[4] = {};
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4)
        return 0;
    return parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
}

std::string FormatAddress(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, address >> 16 & 0xFF,
                  address >> 8 & 0xFF, address & 0xFF);
    return text;
}

} // namespace

const char* const NoTapAdapterText =
    "There are no TAP-Win32 adapters on this system.  You should be able to create a TAP-Win32 "
    "adapter by going to Start -> All Programs -> OpenVPN -> Add a new TAP-Win32 virtual ethernet "
    "adapter.";

std::string Timestamp(const CLineTime& time, int verb)
{
    static const char* const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d", Days[time.Weekday % 7],
                  Months[(time.Month + 11) % 12], time.Day, time.Hour, time.Minute, time.Second,
                  time.Year);
    std::string stamp = text;
    if (verb >= 4 && time.Microseconds != 0)
        stamp += " us=" + std::to_string(time.Microseconds);
    return stamp;
}

std::string AdapterName(size_t index)
{
    // The first connection of a machine is "Local Area Connection"; the TAP adapter comes later.
    return "Local Area Connection " + std::to_string(index + 2);
}

std::string AdapterGuid(size_t index)
{
    char text[48];
    std::snprintf(text, sizeof text, "{8B3C1F20-5A7E-4C91-9D2E-6F0A13B4C5%02X}",
                  static_cast<unsigned>(0xD0 + index % 32));
    return text;
}

std::string AdapterListing(size_t count)
{
    std::string listing = "Available TAP-WIN32 adapters [name, GUID]:\n";
    for (size_t i = 0; i < count; ++i)
        listing += "'" + AdapterName(i) + "' " + AdapterGuid(i) + "\n";
    return listing;
}

size_t CountAdapters(const std::string& markerText)
{
    size_t count = 0;
    size_t position = 0;
    while (position < markerText.size() && count < MaxAdapters) {
        size_t end = markerText.find('\n', position);
        if (end == std::string::npos)
            end = markerText.size();
        if (markerText.find_first_not_of(" \t\r", position) < end)
            ++count;
        position = end + 1;
    }
    return count;
}

std::string Banner()
{
    return std::string("OpenVPN ") + DoubleOpenVpnVersion +
           " i686-pc-mingw32 [SSL] [LZO2] built on Nov  8 2010";
}

std::string PushReply(const CDoubleScenario& scenario)
{
    std::string reply = "PUSH: Received control message: 'PUSH_REPLY,";
    if (!scenario.RouteGateway.empty())
        reply += "route-gateway " + scenario.RouteGateway + ",";
    return reply + "ping 10,ping-restart 120,ifconfig " + scenario.Address + " " +
           scenario.Netmask + "'";
}

std::string DhcpNotice(const CDoubleScenario& scenario, const std::string& guid)
{
    const uint32_t network = ParseAddress(scenario.Address) & ParseAddress(scenario.Netmask);
    return "Notified TAP-Win32 driver to set a DHCP IP/netmask of " + scenario.Address + "/" +
           scenario.Netmask + " on interface " + guid + " [DHCP-serv: " + FormatAddress(network) +
           ", lease-time: 31536000]";
}

std::string SessionId(unsigned long seed)
{
    // Any two 32-bit halves will do; derived from the seed so that runs differ.
    const unsigned long high = (seed * 2654435761ul) & 0xFFFFFFFFul;
    const unsigned long low = (seed * 40503ul + 0x9E3779B9ul) & 0xFFFFFFFFul;
    char text[32];
    std::snprintf(text, sizeof text, "sid=%08lx %08lx", high, low);
    return text;
}

std::vector<std::string> ParameterDump(const COptions& options)
{
    std::vector<std::string> lines{"Current Parameter Settings:"};
    for (const std::vector<std::string>& option : options.Given) {
        std::string name = option[0];
        for (char& c : name)
            c = c == '-' ? '_' : c;
        std::string value;
        for (size_t i = 1; i < option.size(); ++i)
            value += (i > 1 ? " " : "") + option[i];
        lines.push_back("  " + name + " = '" + value + "'");
    }
    return lines;
}

std::string StripLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

std::string EscapeForLog(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '\t')
            escaped += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            escaped += code;
        } else
            escaped += c;
    }
    return escaped;
}
