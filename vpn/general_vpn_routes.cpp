// The routing half of CGeneralVpn: record the default route before dialling, add the routes
// when the tunnel is up, take them back at the end.

#include "vpn/general_vpn.h"

#include <algorithm>
#include <array>

#include "base/ansi.h"
#include "vpn/inet_address.h"
#include "vpn/route_table.h"

uint32_t CGeneralVpn::PrepareRoutes()
{
    std::lock_guard<std::mutex> guard(RouteLock);
    RoutesRestored = false;
    {
        std::lock_guard<std::mutex> statusGuard(StatusLock);
        FailedRoutes.clear();
        State = VpnState::Starting;
        Error = VpnError::Success;
        Detail = 0;
    }
    const uint32_t result = FindDefaultRoute(IpHelper, DefaultRoute);
    if (result != WinError::Success) {
        StoreError(VpnError::GatewayNotFound, result);
        return VpnError::GatewayNotFound;
    }
    TunnelRouteTemplate = ModifyDefaultGateway ? DefaultRoute : CRouteRow();
    return VpnError::Success;
}

bool CGeneralVpn::ApplyRoutes()
{
    const std::string localAddress = WideToAnsi(LocalAddress);
    {
        std::lock_guard<std::mutex> statusGuard(StatusLock);
        FailedRoutes.clear();
    }
    SetStatus(VpnState::ModifyingRoutes, VpnError::Success, 0);

    if (!ModifyDefaultGateway) {
        const uint32_t result = FillTunnelTemplate(IpHelper, TunnelRouteTemplate, localAddress);
        if (result != WinError::Success) {
            SetStatus(VpnState::ModifyingRoutes, VpnError::GatewayNotFound, result);
            return false;
        }
        if (!TunnelGateway.empty())
            TunnelRouteTemplate.NextHop = InetAddr(WideToAnsi(TunnelGateway));
    }
    AdjustRouteMetric(IpHelper, TunnelRouteTemplate);
    AdjustRouteMetric(IpHelper, DefaultRoute);

    std::vector<std::wstring> failed;
    if (Proxy.Enabled())
        AddProxyHostRoute(failed);

    // Every row is worked out before the first is added, so that the journal can list them all
    // at once.
    struct CPlannedRoute
    {
        const std::wstring* Entry;
        CRouteRow Row;
        bool Usable;
    };
    std::vector<CPlannedRoute> planned;
    planned.reserve(Routes.size());
    for (const std::wstring& entry : Routes) {
        std::string destinationText;
        std::string netmaskText;
        if (!ParseRouteEntry(entry, destinationText, netmaskText))
            continue;
        CRouteRow row = TunnelRouteTemplate;
        const bool destinationParsed = ParseInetAddr(destinationText, row.Destination);
        const bool netmaskParsed = ParseInetAddr(netmaskText, row.Mask);
        if (row.Destination == 0 || row.Mask == 0)
            continue;
        // Text that is no address would read as 255.255.255.255; never hand that to the
        // platform as a route.
        planned.push_back({&entry, row, destinationParsed && netmaskParsed});
    }
    std::vector<CRouteRow> usable;
    usable.reserve(planned.size());
    AddedRoutes.reserve(AddedRoutes.size() + planned.size());
    for (const CPlannedRoute& route : planned)
        if (route.Usable)
            usable.push_back(route.Row);
    const std::vector<CRouteRow> journalled = JournalBeforeAdding(usable);

    // The journalled rows are a part of the usable ones, in the same order.
    size_t nextJournalled = 0;
    bool journalledRefused = false;
    for (const CPlannedRoute& route : planned) {
        const bool wasJournalled = route.Usable && nextJournalled < journalled.size() &&
                                   journalled[nextJournalled] == route.Row;
        nextJournalled += wasJournalled;
        if (route.Usable && IpHelper.CreateForwardEntry(route.Row) == WinError::Success) {
            AddedRoutes.push_back(route.Row);
        } else {
            failed.push_back(*route.Entry);
            journalledRefused = journalledRefused || wasJournalled;
        }
    }
    // A refused row must not stay journalled: the clean-up would take it for ours.
    if (journalledRefused)
        Journal.Rewrite(AddedRoutes);

    if (failed.empty())
        return true;
    {
        std::lock_guard<std::mutex> statusGuard(StatusLock);
        FailedRoutes = std::move(failed);
    }
    SetStatus(VpnState::ModifyingRoutes, VpnError::RouteChangeFailed, 0);
    return false;
}

// The proxy must stay reachable the way it was before the tunnel, whatever the tunnel does to
// the default gateway. The route is left in place at the end.
void CGeneralVpn::AddProxyHostRoute(std::vector<std::wstring>& failed)
{
    CRouteRow row = DefaultRoute;
    const bool parsed = ParseInetAddr(WideToAnsi(Proxy.server), row.Destination);
    row.Mask = HostMask;
    if (row.Destination == 0)
        return;
    if (!parsed) {
        // A host name: there is no address to route.
        failed.push_back(Proxy.server);
        return;
    }
    const uint32_t result = IpHelper.CreateForwardEntry(row);
    // An earlier connection left the same route behind; it is what we need.
    if (result != WinError::Success && result != WinError::ObjectAlreadyExists)
        failed.push_back(Proxy.server);
}

// The rows of `rows` that the table does not hold yet, journalled before they are added. A row
// the table already holds is somebody else's (the user's own, or one an earlier run left): its
// addition will be refused as a duplicate, and it must never be listed as ours.
std::vector<CRouteRow> CGeneralVpn::JournalBeforeAdding(const std::vector<CRouteRow>& rows)
{
    if (!Journal.Enabled() || rows.empty())
        return {};
    using CKey = std::array<uint32_t, 4>;
    const auto keyOf = [](const CRouteRow& row) {
        return CKey{row.Destination, row.Mask, row.NextHop, row.InterfaceIndex};
    };
    std::vector<CRouteRow> table;
    std::vector<CKey> present;
    if (IpHelper.GetForwardTable(table) == WinError::Success)
        for (const CRouteRow& row : table)
            present.push_back(keyOf(row));
    std::sort(present.begin(), present.end());
    std::vector<CRouteRow> toAdd;
    for (const CRouteRow& row : rows)
        if (!std::binary_search(present.begin(), present.end(), keyOf(row)))
            toAdd.push_back(row);
    Journal.Record(AddedRoutes, toAdd);
    return toAdd;
}

void CGeneralVpn::RemoveRoutes()
{
    SetStatus(VpnState::RestoringRoutes, VpnError::Success, 0);
    // Only what we added: an addition refused as a duplicate may have met a route of the
    // user's own, which must survive the disconnect.
    std::vector<CRouteRow> left;
    for (const CRouteRow& row : AddedRoutes) {
        const uint32_t result = IpHelper.DeleteForwardEntry(row);
        if (result != WinError::Success && result != WinError::NotFound)
            left.push_back(row);
    }
    AddedRoutes.clear();
    // Forgotten only now that they are out; what would not go stays for the next start.
    Journal.Rewrite(left);
}

uint32_t CGeneralVpn::RestoreRoutes()
{
    std::lock_guard<std::mutex> guard(RouteLock);
    RemoveRoutes();
    Routes.clear();
    TunnelRouteTemplate = CRouteRow();
    RoutesRestored = true;
    StoreStatus(VpnState::Disconnected, VpnError::Success, 0);
    return 0;
}
