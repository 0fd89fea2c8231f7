// A journal on disk may be cut short by a power loss or edited by hand: the reader must take
// anything without harm, and what it accepts must write back to a journal that reads the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "vpn/route_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<CJournalRoute> routes;
    if (!ParseRouteJournal(text, routes))
        return 0;
    // Nothing is made up: every route took at least one line of its own.
    if (routes.size() > size / 10)
        std::abort();
    const std::string written = FormatRouteJournal(routes);
    std::vector<CJournalRoute> again;
    if (!ParseRouteJournal(written, again) || again != routes || FormatRouteJournal(again) != written)
        std::abort();
    // A write cut short anywhere reads as a beginning of the same list.
    const size_t cut = size % (written.size() + 1);
    if (!ParseRouteJournal(written.substr(0, cut), again) || again.size() > routes.size())
        std::abort();
    for (size_t i = 0; i < again.size(); ++i)
        if (again[i] != routes[i])
            std::abort();
    return 0;
}
