// The routing half of CGeneralVpn: record the default route before dialling, add the routes
// when the tunnel is up, take them back at the end.

#include "vpn/general_vpn.h"

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
        if (destinationParsed && netmaskParsed &&
            IpHelper.CreateForwardEntry(row) == WinError::Success)
            AddedRoutes.push_back(row);
        else
            failed.push_back(entry);
    }

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

void CGeneralVpn::RemoveRoutes()
{
    SetStatus(VpnState::RestoringRoutes, VpnError::Success, 0);
    // Only what we added: an addition refused as a duplicate may have met a route of the
    // user's own, which must survive the disconnect.
    for (const CRouteRow& row : AddedRoutes)
        IpHelper.DeleteForwardEntry(row);
    AddedRoutes.clear();
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
