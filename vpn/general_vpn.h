#pragma once
// The VPN connection: configuration, progress codes and the routing work around the tunnel.
// One object is one attempt: construct, register Callback, configure, Connect once, destroy.
// CWindowsVpn and COpenVpn derive from it and fill the pure slots.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "vpn/ip_helper.h"
#include "vpn/route_journal.h"
#include "vpn/vpn_codes.h"
#include "vpn/vpn_protocol.h"

class CGeneralVpn;

class CGeneralVpnCallbackInterface
{
public:
    // Runs on whichever thread reported the change, after the codes are stored. It must return
    // at once and must not report a status to the connection itself.
    virtual void OnVpnStatusChanged(CGeneralVpn* connection) = 0;

protected:
    ~CGeneralVpnCallbackInterface() = default;
};

// State, error and detail as they were at one moment.
struct CVpnStatus
{
    uint32_t State = 0;
    uint32_t Error = 0;
    uint32_t Detail = 0;
};

inline bool operator==(const CVpnStatus& left, const CVpnStatus& right)
{
    return left.State == right.State && left.Error == right.Error && left.Detail == right.Detail;
}

class CGeneralVpn
{
public:
    // What the dial-up entry can hold, in characters.
    static constexpr size_t MaxServerHostLength = 128;
    static constexpr size_t MaxCredentialLength = 256;

    explicit CGeneralVpn(IIpHelper& ipHelper);
    CGeneralVpn(const CGeneralVpn&) = delete;
    CGeneralVpn& operator=(const CGeneralVpn&) = delete;

    // The slots, in their order. A concrete destructor runs its Disconnect first.
    virtual ~CGeneralVpn();
    // Base: PrepareRoutes, 0 or VpnError::GatewayNotFound. A concrete Connect calls it first
    // and then starts its tunnel; progress arrives through SetStatus.
    virtual uint32_t Connect();
    // Base: RestoreRoutes. A concrete Disconnect stops its tunnel and then calls it.
    virtual uint32_t Disconnect();
    // counters[0] sent, counters[1] received. 0 while the tunnel is alive.
    virtual uint32_t GetTrafficCounters(uint32_t counters[2]) = 0;
    virtual std::wstring GetDetailText(uint32_t code) const = 0;
    // The common error table; a concrete class looks in its own table first.
    virtual std::wstring GetErrorText(uint32_t code) const;
    virtual std::wstring GetStateText(uint32_t code) const;

    // The one way progress is reported, from any thread. (TunnelUp, Success) applies the
    // routes and becomes LoggedIn, or stays at the route failure ApplyRoutes reported.
    void SetStatus(uint32_t state, uint32_t error, uint32_t detail);

    CVpnStatus GetStatus() const;
    std::wstring GetStateDescription() const;
    std::wstring GetErrorDescription() const;
    std::wstring GetDetailDescription() const;
    // "状态：…\r\n错误信息：…\r\n详细信息：…\r\n" from one reading of the codes.
    std::wstring GetStatusReport() const;
    // The same for codes read earlier, so that a caller can show one moment throughout.
    std::wstring GetStatusReport(const CVpnStatus& status) const;
    // The entries (and proxy server) whose route could not be added by the last application.
    std::vector<std::wstring> GetFailedRoutes() const;

    void SetProxy(const SProxySettings& proxy) { Proxy = proxy; }
    // Before Connect: the journal that lists the routes this connection adds until they are
    // removed again. It must outlive the connection; without one nothing is journalled.
    void SetRouteJournal(IJournalFile* file) { Journal.SetFile(file); }

    // Members in their documented order. The owner sets the public configuration once,
    // before Connect; the codes and the route rows are only reached through the operations.
    CGeneralVpnCallbackInterface* Callback = nullptr;

protected:
    CRouteRow TunnelRouteTemplate;
    CRouteRow DefaultRoute;

public:
    std::vector<std::wstring> Routes;

private:
    std::vector<std::wstring> FailedRoutes; // under StatusLock

protected:
    // Set by the concrete connection on its reporting thread before it reports TunnelUp.
    std::wstring LocalAddress;
    std::wstring TunnelGateway;

private:
    uint32_t State = 0;  // under StatusLock
    uint32_t Error = 0;  // under StatusLock
    uint32_t Detail = 0; // under StatusLock

public:
    std::wstring ServerHost;
    std::wstring UserName;
    std::wstring Password;
    int32_t ModifyDefaultGateway = 0;

protected:
    SProxySettings Proxy;

    // Route preparation before dialling: records the default route. 0 or GatewayNotFound.
    uint32_t PrepareRoutes();
    // Removes the routes this connection added and ends in Disconnected, silently. Any
    // TunnelUp reported afterwards routes nothing. Always 0.
    uint32_t RestoreRoutes();

    // Silent changes, for the concrete Connect and Disconnect.
    void StoreStatus(uint32_t state, uint32_t error, uint32_t detail);
    void StoreError(uint32_t error, uint32_t detail);
    // A failed statistics poll on the user-interface thread: recorded unless the tunnel's own
    // thread has reported an error already, which is the better account of what happened.
    void StorePollFailure(uint32_t error, uint32_t detail);

    // For the dial-up Connect: 0 when ServerHost, UserName and Password fit the entry;
    // otherwise Error = InternalError, Detail = ERROR_INVALID_PARAMETER and InternalError.
    uint32_t CheckDialUpFieldLengths();

private:
    // Both run with RouteLock held.
    bool ApplyRoutes();
    void RemoveRoutes();
    void AddProxyHostRoute(std::vector<std::wstring>& failed);
    std::vector<CRouteRow> JournalBeforeAdding(const std::vector<CRouteRow>& rows);

    IIpHelper& IpHelper;
    // Keeps route application and restoration apart: they run on different threads.
    std::mutex RouteLock;
    bool RoutesRestored = false;         // under RouteLock
    std::vector<CRouteRow> AddedRoutes;  // under RouteLock
    CRouteJournal Journal;               // under RouteLock
    // Keeps the codes and FailedRoutes consistent for readers on other threads.
    mutable std::mutex StatusLock;
};
