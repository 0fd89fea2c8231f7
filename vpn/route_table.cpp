#include "vpn/route_table.h"

#include <string_view>
#include <vector>

#include "base/ansi.h"
#include "base/text.h"
#include "vpn/inet_address.h"

namespace
{

// Adapter addresses are narrow ASCII text.
bool EqualIgnoringCase(const std::string& left, const std::string& right)
{
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i)
        if (ToLowerAscii(static_cast<unsigned char>(left[i])) !=
            ToLowerAscii(static_cast<unsigned char>(right[i])))
            return false;
    return true;
}

} // namespace

bool ParseRouteEntry(const std::wstring& entry, std::string& destination, std::string& netmask)
{
    destination.clear();
    netmask.clear();
    // Only ASCII letters fold: the result must not hang on the C run-time's locale tables.
    const std::wstring lower = ToLowerAscii(entry);
    const size_t keyword = lower.find(L"mask");
    if (keyword == std::wstring::npos)
        return false;
    const std::wstring_view text(lower);
    destination = WideToAnsi(TrimBlanks(text.substr(0, keyword)));
    netmask = WideToAnsi(TrimBlanks(text.substr(keyword + 4)));
    return true;
}

uint32_t FindDefaultRoute(IIpHelper& ipHelper, CRouteRow& row)
{
    uint32_t result = WinError::InvalidData;
    std::vector<CRouteRow> table;
    if (ipHelper.GetForwardTable(table) == WinError::Success) {
        const CRouteRow* best = nullptr;
        for (const CRouteRow& candidate : table)
            if (candidate.Destination == 0 && candidate.Mask == 0 &&
                (!best || candidate.Metric1 < best->Metric1))
                best = &candidate;
        if (best) {
            row = *best;
            result = WinError::Success;
        }
    }
    row.Age = 0;
    return result;
}

uint32_t FillTunnelTemplate(IIpHelper& ipHelper, CRouteRow& row, const std::string& localAddress)
{
    std::vector<CAdapterAddress> adapters;
    const uint32_t result = ipHelper.GetAdapters(adapters);
    if (result != WinError::Success)
        return result;
    for (const CAdapterAddress& adapter : adapters)
        if (EqualIgnoringCase(adapter.IpAddress, localAddress))
            row.InterfaceIndex = adapter.Index;

    row.Destination = 0;
    row.Mask = 0;
    row.Policy = 0;
    row.Age = 0;
    row.NextHopAS = 0;
    row.NextHop = InetAddr(localAddress);
    row.Type = RouteTypeDirect;
    row.Proto = RouteProtoNetManagement;
    row.Metric2 = NoMetric;
    row.Metric3 = NoMetric;
    row.Metric4 = NoMetric;
    row.Metric5 = NoMetric;
    return WinError::Success;
}

void AdjustRouteMetric(IIpHelper& ipHelper, CRouteRow& row)
{
    std::vector<CInterfaceMetric> interfaces;
    if (ipHelper.GetInterfaceMetrics(interfaces) != WinError::Success) {
        row.Metric1 = 1;
        return;
    }
    for (const CInterfaceMetric& interfaceRow : interfaces)
        if (interfaceRow.InterfaceIndex == row.InterfaceIndex)
            row.Metric1 = interfaceRow.Metric + 1;
}
