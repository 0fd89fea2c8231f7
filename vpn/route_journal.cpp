#include "vpn/route_journal.h"

#include <cstdio>
#include <string_view>

#include "vpn/inet_address.h"

namespace
{

constexpr std::string_view Header = "korvex-route-journal 1";
constexpr std::string_view RouteKeyword = "route"; // as written by FormatRouteJournal

// Plain decimal, as we write it: no sign, no blanks, at most max.
bool ReadNumber(std::string_view text, uint32_t max, uint32_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    if (result > max)
        return false;
    value = static_cast<uint32_t>(result);
    return true;
}

// Exactly four decimal parts: the loose forms inet_addr also takes are never written by us.
bool ReadDotted(std::string_view text, uint32_t& address)
{
    uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? text.find('.') : text.size();
        uint32_t byte = 0;
        if (dot == std::string_view::npos || dot > 3 || !ReadNumber(text.substr(0, dot), 255, byte))
            return false;
        value = value << 8 | byte;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    address = HostToNetworkOrder(value);
    return true;
}

// The next field up to a single blank, or the rest of the line for the last one.
std::string_view NextField(std::string_view& line, bool last)
{
    const size_t blank = last ? std::string_view::npos : line.find(' ');
    const std::string_view field = line.substr(0, blank);
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
    return field;
}

bool ReadRouteLine(std::string_view line, CJournalRoute& route)
{
    return NextField(line, false) == RouteKeyword &&
           ReadDotted(NextField(line, false), route.Destination) &&
           ReadDotted(NextField(line, false), route.Mask) &&
           ReadDotted(NextField(line, false), route.NextHop) &&
           ReadNumber(NextField(line, false), 0xFFFFFFFFu, route.InterfaceIndex) &&
           ReadNumber(NextField(line, true), 0xFFFFFFFFu, route.Metric);
}

} // namespace

bool operator==(const CJournalRoute& left, const CJournalRoute& right)
{
    return left.Destination == right.Destination && left.Mask == right.Mask &&
           left.NextHop == right.NextHop && left.InterfaceIndex == right.InterfaceIndex &&
           left.Metric == right.Metric;
}

CJournalRoute JournalRouteOf(const CRouteRow& row)
{
    return {row.Destination, row.Mask, row.NextHop, row.InterfaceIndex, row.Metric1};
}

std::string FormatRouteJournal(const std::vector<CJournalRoute>& routes)
{
    std::string text(Header);
    text += '\n';
    // Route lists run to thousands of entries: one buffer per line, no temporaries.
    text.reserve(text.size() + routes.size() * 64);
    for (const CJournalRoute& route : routes) {
        const uint32_t destination = NetworkToHostOrder(route.Destination);
        const uint32_t mask = NetworkToHostOrder(route.Mask);
        const uint32_t nextHop = NetworkToHostOrder(route.NextHop);
        char line[128];
        const int length = std::snprintf(
            line, sizeof line, "route %u.%u.%u.%u %u.%u.%u.%u %u.%u.%u.%u %lu %lu\n", destination >> 24,
            destination >> 16 & 0xFF, destination >> 8 & 0xFF, destination & 0xFF, mask >> 24, mask >> 16 & 0xFF,
            mask >> 8 & 0xFF, mask & 0xFF, nextHop >> 24, nextHop >> 16 & 0xFF, nextHop >> 8 & 0xFF,
            nextHop & 0xFF, static_cast<unsigned long>(route.InterfaceIndex), static_cast<unsigned long>(route.Metric));
        text.append(line, static_cast<size_t>(length));
    }
    return text;
}

bool ParseRouteJournal(const std::string& text, std::vector<CJournalRoute>& routes)
{
    routes.clear();
    std::string_view rest(text);
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const bool complete = end != std::string_view::npos;
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(complete ? end + 1 : rest.size());
        if (!line.empty() && line.back() == '\r') // a person may have saved it with CR LF
            line.remove_suffix(1);
        const bool last = rest.empty();

        if (first) {
            first = false;
            if (line == Header && complete)
                continue;
            // A header cut short: the very first write never finished, so nothing was added.
            return !complete && Header.substr(0, line.size()) == line;
        }
        CJournalRoute route;
        if (complete && ReadRouteLine(line, route))
            routes.push_back(route);
        else if (!last)
            return false;
    }
    return true;
}

void CRouteJournal::Record(const std::vector<CRouteRow>& inTable, const std::vector<CRouteRow>& toAdd)
{
    if (!File || toAdd.empty())
        return;
    if (!Opened) {
        Opened = true;
        std::string text;
        switch (File->Read(text)) {
        case IJournalFile::EReadResult::Missing:
            break;
        case IJournalFile::EReadResult::Read:
            Unusable = !ParseRouteJournal(text, Carried);
            break;
        case IJournalFile::EReadResult::Failed:
            Unusable = true;
            break;
        }
    }
    if (Unusable)
        return;
    std::vector<CRouteRow> rows = inTable;
    rows.insert(rows.end(), toAdd.begin(), toAdd.end());
    Write(rows);
}

void CRouteJournal::Rewrite(const std::vector<CRouteRow>& inTable)
{
    if (Written)
        Write(inTable);
}

bool CRouteJournal::Write(const std::vector<CRouteRow>& rows)
{
    std::vector<CJournalRoute> routes = Carried;
    for (const CRouteRow& row : rows)
        routes.push_back(JournalRouteOf(row));
    Written = true;
    return routes.empty() ? File->Remove() : File->Replace(FormatRouteJournal(routes));
}
