// Route application and restoration over a large route document, against the in-memory table,
// and beside it the anchor: the same table adding and deleting the same rows by itself, which is
// what no route manager can do without.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "vpn/general_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"

namespace
{

class CBenchVpn : public CGeneralVpn
{
public:
    explicit CBenchVpn(IIpHelper& ipHelper) : CGeneralVpn(ipHelper) { LocalAddress = L"10.8.0.6"; }
    uint32_t GetTrafficCounters(uint32_t counters[2]) override
    {
        counters[0] = counters[1] = 0;
        return 0;
    }
    std::wstring GetDetailText(uint32_t) const override { return L""; }
};

void ApplyAndRestoreRoutes(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CMemoryIpHelper table;
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    CRouteRow defaultRoute;
    defaultRoute.NextHop = InetAddr("192.168.1.1");
    defaultRoute.InterfaceIndex = 1;
    defaultRoute.Metric1 = 20;
    table.CreateForwardEntry(defaultRoute);
    const size_t baseline = table.RowCount();

    std::vector<std::wstring> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(L"10." + std::to_wstring(i / 256 % 256) + L"." + std::to_wstring(i % 256) +
                          L".0 mask 255.255.255.0");

    CBenchVpn vpn(table);
    for (auto _ : state) {
        state.PauseTiming();
        vpn.Routes = entries;
        vpn.Connect();
        state.ResumeTiming();
        vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
        vpn.Disconnect();
    }
    if (vpn.GetStatus().State != VpnState::Disconnected || table.RowCount() != baseline ||
        !vpn.GetFailedRoutes().empty())
        state.SkipWithError("routes were not applied and restored cleanly");
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["per_entry"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(ApplyAndRestoreRoutes)->Arg(10000)->Unit(benchmark::kMillisecond);

void TableAlone(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CMemoryIpHelper table;
    table.AddInterface(1, "192.168.1.10", 20);
    table.AddInterface(7, "10.8.0.6", 25);
    std::vector<CRouteRow> rows(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        CRouteRow& row = rows[static_cast<size_t>(i)];
        row.Destination = InetAddr("10." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + ".0");
        row.Mask = InetAddr("255.255.255.0");
        row.NextHop = InetAddr("10.8.0.6");
        row.InterfaceIndex = 7;
        row.Metric1 = 1;
    }
    for (auto _ : state) {
        for (const CRouteRow& row : rows)
            table.CreateForwardEntry(row);
        for (const CRouteRow& row : rows)
            table.DeleteForwardEntry(row);
    }
    if (table.RowCount() != 0)
        state.SkipWithError("rows were left in the table");
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(TableAlone)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
