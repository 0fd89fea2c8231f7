// The IP Helper seam over the real platform, compared with direct calls. Under Wine the table
// and the adapters are read from the host; additions and deletions are accepted and change
// nothing, so those are only checked there.

#include <winsock2.h>
#include <ws2ipdef.h>
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "vpn/inet_address.h"
#include "vpn/ip_helper_win32.h"
#include "vpn/route_table.h"

namespace
{

bool RunningUnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The forwarding table straight from the platform.
std::vector<MIB_IPFORWARDROW> ReadRawTable()
{
    ULONG size = 0;
    if (::GetIpForwardTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
        return {};
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<PMIB_IPFORWARDTABLE>(buffer.data());
    if (::GetIpForwardTable(table, &size, FALSE) != NO_ERROR)
        return {};
    return std::vector<MIB_IPFORWARDROW>(table->table, table->table + table->dwNumEntries);
}

TEST(Win32IpHelper, ReadsTheForwardingTableAndFindsTheDefaultRoute)
{
    CWin32IpHelper ipHelper;
    std::vector<CRouteRow> rows;
    ASSERT_EQ(0u, ipHelper.GetForwardTable(rows));
    const std::vector<MIB_IPFORWARDROW> raw = ReadRawTable();
    ASSERT_EQ(raw.size(), rows.size());
    bool hasDefault = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(raw[i].dwForwardDest, rows[i].Destination);
        EXPECT_EQ(raw[i].dwForwardMask, rows[i].Mask);
        EXPECT_EQ(raw[i].dwForwardNextHop, rows[i].NextHop);
        EXPECT_EQ(raw[i].dwForwardIfIndex, rows[i].InterfaceIndex);
        EXPECT_EQ(raw[i].dwForwardType, rows[i].Type);
        EXPECT_EQ(raw[i].dwForwardProto, rows[i].Proto);
        EXPECT_EQ(raw[i].dwForwardMetric1, rows[i].Metric1);
        EXPECT_EQ(raw[i].dwForwardMetric5, rows[i].Metric5);
        hasDefault |= raw[i].dwForwardDest == 0 && raw[i].dwForwardMask == 0;
    }

    CRouteRow defaultRoute;
    defaultRoute.Age = 99;
    const uint32_t found = FindDefaultRoute(ipHelper, defaultRoute);
    EXPECT_EQ(0u, defaultRoute.Age);
    if (!hasDefault) {
        EXPECT_EQ(13u, found);
        return;
    }
    ASSERT_EQ(0u, found);
    EXPECT_EQ(0u, defaultRoute.Destination);
    EXPECT_EQ(0u, defaultRoute.Mask);
    EXPECT_NE(0u, defaultRoute.InterfaceIndex);
}

TEST(Win32IpHelper, ListsEveryAdapterWithItsFirstAddress)
{
    CWin32IpHelper ipHelper;
    std::vector<CAdapterAddress> adapters;
    const uint32_t result = ipHelper.GetAdapters(adapters);

    ULONG size = 0;
    if (::GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
        EXPECT_NE(0u, result); // no adapters: the size query's answer, not success
        EXPECT_TRUE(adapters.empty());
        return;
    }
    std::vector<unsigned char> buffer(size);
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              ::GetAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()), &size));
    ASSERT_EQ(0u, result);
    size_t i = 0;
    for (auto* adapter = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data()); adapter;
         adapter = adapter->Next, ++i) {
        ASSERT_LT(i, adapters.size());
        EXPECT_EQ(adapter->Index, adapters[i].Index);
        EXPECT_EQ(std::string(adapter->IpAddressList.IpAddress.String), adapters[i].IpAddress);
    }
    EXPECT_EQ(i, adapters.size());

    // The tunnel template finds an adapter by that address.
    for (const CAdapterAddress& adapter : adapters) {
        if (adapter.IpAddress == "0.0.0.0")
            continue;
        CRouteRow row;
        ASSERT_EQ(0u, FillTunnelTemplate(ipHelper, row, adapter.IpAddress));
        EXPECT_EQ(adapter.Index, row.InterfaceIndex);
        EXPECT_EQ(InetAddr(adapter.IpAddress), row.NextHop);
        break;
    }
}

TEST(Win32IpHelper, InterfaceMetricsAreLookedUpInTheLoadedLibrary)
{
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&::FreeLibrary)> library(
        ::LoadLibraryW(L"iphlpapi.dll"), &::FreeLibrary);
    const HMODULE module = library.get();
    ASSERT_NE(nullptr, module);
    using GetTable = NETIO_STATUS(WINAPI*)(ADDRESS_FAMILY, PMIB_IPINTERFACE_TABLE*);
    const auto getTable = reinterpret_cast<GetTable>(
        reinterpret_cast<void*>(::GetProcAddress(module, "GetIpInterfaceTable")));

    CWin32IpHelper ipHelper;
    std::vector<CInterfaceMetric> interfaces;
    const uint32_t result = ipHelper.GetInterfaceMetrics(interfaces);
    CRouteRow row;
    row.Metric1 = 77;
    if (!getTable) {
        EXPECT_EQ(static_cast<uint32_t>(ERROR_PROC_NOT_FOUND), result);
        AdjustRouteMetric(ipHelper, row);
        EXPECT_EQ(1u, row.Metric1);
        return;
    }
    PMIB_IPINTERFACE_TABLE table = nullptr;
    const NETIO_STATUS direct = getTable(AF_INET, &table);
    EXPECT_EQ(static_cast<uint32_t>(direct), result);
    if (direct != NO_ERROR) {
        // Wine 8 has the function but answers ERROR_NOT_SUPPORTED: metric 1 it is.
        AdjustRouteMetric(ipHelper, row);
        EXPECT_EQ(1u, row.Metric1);
        return;
    }
    ASSERT_EQ(table->NumEntries, interfaces.size());
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        EXPECT_EQ(table->Table[i].InterfaceIndex, interfaces[i].InterfaceIndex);
        EXPECT_EQ(table->Table[i].Metric, interfaces[i].Metric);
    }
    if (!interfaces.empty()) {
        row.InterfaceIndex = interfaces[0].InterfaceIndex;
        AdjustRouteMetric(ipHelper, row);
        EXPECT_EQ(interfaces[0].Metric + 1, row.Metric1);
    }
    ::FreeMibTable(table);
}

TEST(Win32IpHelper, AdditionAndDeletionAreAcceptedWithoutEffectUnderWine)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "would change the routing table of a real system";
    CWin32IpHelper ipHelper;
    std::vector<CRouteRow> before;
    ASSERT_EQ(0u, ipHelper.GetForwardTable(before));

    CRouteRow row;
    row.Destination = InetAddr("127.77.0.0");
    row.Mask = InetAddr("255.255.0.0");
    row.NextHop = InetAddr("127.0.0.1");
    row.InterfaceIndex = 1;
    row.Type = RouteTypeDirect;
    row.Proto = RouteProtoNetManagement;
    row.Metric1 = 1;
    row.Metric2 = row.Metric3 = row.Metric4 = row.Metric5 = NoMetric;
    EXPECT_EQ(0u, ipHelper.CreateForwardEntry(row));
    std::vector<CRouteRow> after;
    ASSERT_EQ(0u, ipHelper.GetForwardTable(after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(0u, ipHelper.DeleteForwardEntry(row));
}

} // namespace
