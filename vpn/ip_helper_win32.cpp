#include "vpn/ip_helper_win32.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <windows.h>
#include <iphlpapi.h>
// Not pulled in by iphlpapi.h for the systems we build for; its functions are looked up.
#include <netioapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "win/system_library.h"

namespace
{

// The table may grow between the size query and the read; try again a few times.
constexpr int MaxReads = 4;

CRouteRow FromForwardRow(const MIB_IPFORWARDROW& raw)
{
    CRouteRow row;
    row.Destination = raw.dwForwardDest;
    row.Mask = raw.dwForwardMask;
    row.Policy = raw.dwForwardPolicy;
    row.NextHop = raw.dwForwardNextHop;
    row.InterfaceIndex = raw.dwForwardIfIndex;
    row.Type = raw.dwForwardType;
    row.Proto = raw.dwForwardProto;
    row.Age = raw.dwForwardAge;
    row.NextHopAS = raw.dwForwardNextHopAS;
    row.Metric1 = raw.dwForwardMetric1;
    row.Metric2 = raw.dwForwardMetric2;
    row.Metric3 = raw.dwForwardMetric3;
    row.Metric4 = raw.dwForwardMetric4;
    row.Metric5 = raw.dwForwardMetric5;
    return row;
}

MIB_IPFORWARDROW ToForwardRow(const CRouteRow& row)
{
    MIB_IPFORWARDROW raw;
    std::memset(&raw, 0, sizeof raw);
    raw.dwForwardDest = row.Destination;
    raw.dwForwardMask = row.Mask;
    raw.dwForwardPolicy = row.Policy;
    raw.dwForwardNextHop = row.NextHop;
    raw.dwForwardIfIndex = row.InterfaceIndex;
    raw.dwForwardType = row.Type;
    raw.dwForwardProto = row.Proto;
    raw.dwForwardAge = row.Age;
    raw.dwForwardNextHopAS = row.NextHopAS;
    raw.dwForwardMetric1 = row.Metric1;
    raw.dwForwardMetric2 = row.Metric2;
    raw.dwForwardMetric3 = row.Metric3;
    raw.dwForwardMetric4 = row.Metric4;
    raw.dwForwardMetric5 = row.Metric5;
    return raw;
}

using GetIpInterfaceTableFunction = NETIO_STATUS(WINAPI*)(ADDRESS_FAMILY, PMIB_IPINTERFACE_TABLE*);
using FreeMibTableFunction = VOID(WINAPI*)(PVOID);

// Vista's functions, absent from XP's library: looked up by name (which also loads the library,
// imported only on first use).
template <typename Function>
Function LookUp(const char* name)
{
    return SystemFunction<Function>(L"iphlpapi.dll", name);
}

} // namespace

uint32_t CWin32IpHelper::GetForwardTable(std::vector<CRouteRow>& rows)
{
    rows.clear();
    std::vector<unsigned char> buffer;
    ULONG size = 0;
    DWORD result = ::GetIpForwardTable(nullptr, &size, FALSE);
    for (int read = 1; result == ERROR_INSUFFICIENT_BUFFER && read < MaxReads; ++read) {
        buffer.assign(size, 0);
        result = ::GetIpForwardTable(reinterpret_cast<PMIB_IPFORWARDTABLE>(buffer.data()), &size,
                                     FALSE);
    }
    if (result != NO_ERROR)
        return result;
    if (buffer.size() < sizeof(DWORD))
        return ERROR_INVALID_DATA; // answered without a buffer to fill
    const MIB_IPFORWARDTABLE* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(buffer.data());
    const size_t room =
        (buffer.size() - offsetof(MIB_IPFORWARDTABLE, table)) / sizeof(MIB_IPFORWARDROW);
    const size_t count = std::min<size_t>(table->dwNumEntries, room);
    rows.reserve(count);
    for (size_t i = 0; i < count; ++i)
        rows.push_back(FromForwardRow(table->table[i]));
    return NO_ERROR;
}

uint32_t CWin32IpHelper::CreateForwardEntry(const CRouteRow& row)
{
    MIB_IPFORWARDROW raw = ToForwardRow(row);
    return ::CreateIpForwardEntry(&raw);
}

uint32_t CWin32IpHelper::DeleteForwardEntry(const CRouteRow& row)
{
    MIB_IPFORWARDROW raw = ToForwardRow(row);
    return ::DeleteIpForwardEntry(&raw);
}

uint32_t CWin32IpHelper::GetAdapters(std::vector<CAdapterAddress>& adapters)
{
    adapters.clear();
    ULONG size = 0;
    DWORD result = ::GetAdaptersInfo(nullptr, &size);
    if (result != ERROR_BUFFER_OVERFLOW)
        return result;
    std::vector<unsigned char> buffer;
    for (int read = 1; result == ERROR_BUFFER_OVERFLOW && read < MaxReads; ++read) {
        buffer.assign(size, 0);
        result = ::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size);
    }
    if (result != ERROR_SUCCESS)
        return result;
    for (const IP_ADAPTER_INFO* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data());
         adapter; adapter = adapter->Next) {
        const IP_ADDRESS_STRING& address = adapter->IpAddressList.IpAddress;
        CAdapterAddress entry;
        entry.Index = adapter->Index;
        entry.IpAddress.assign(address.String, strnlen(address.String, sizeof address.String));
        adapters.push_back(entry);
    }
    return ERROR_SUCCESS;
}

uint32_t CWin32IpHelper::GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces)
{
    interfaces.clear();
    const auto getTable = LookUp<GetIpInterfaceTableFunction>("GetIpInterfaceTable");
    if (!getTable)
        return ERROR_PROC_NOT_FOUND;
    PMIB_IPINTERFACE_TABLE table = nullptr;
    const NETIO_STATUS result = getTable(AF_INET, &table);
    if (result != NO_ERROR || !table)
        return result != NO_ERROR ? static_cast<uint32_t>(result) : ERROR_INVALID_DATA;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        CInterfaceMetric entry;
        entry.InterfaceIndex = table->Table[i].InterfaceIndex;
        entry.Metric = table->Table[i].Metric;
        interfaces.push_back(entry);
    }
    if (const auto freeTable = LookUp<FreeMibTableFunction>("FreeMibTable"))
        freeTable(table);
    return ERROR_SUCCESS;
}
