#pragma once
// Makes the connection objects the login exchange starts, and owns the current one: destroying
// it ends it. Each connection gets the next generation number, and its state changes reach the
// sink under that number, so a late report from a connection that is gone names no live one.

#include <functional>
#include <memory>

#include "app/connection_control.h"
#include "app/login_connection.h"
#include "app/login_interfaces.h"
#include "vpn/general_vpn.h"

class IRasApi;

class CVpnConnectionFactory : public IConnectionFactory, public ICurrentConnection
{
public:
    // Over the platform's IP Helper and dial-up service. OpenVPN runs from moduleDir's
    // "openvpn" folder. Each connection journals its routes in the file routeJournal gives as the
    // connection is made (none when it gives null or is empty); the file must outlive the factory.
    CVpnConnectionFactory(IVpnStatusSink& sink, std::wstring moduleDir,
                          std::function<IJournalFile*()> routeJournal = {});
    // Over the given ones, which must outlive the factory.
    CVpnConnectionFactory(IVpnStatusSink& sink, IIpHelper& ipHelper, IRasApi& rasApi, std::wstring moduleDir = L"");
    ~CVpnConnectionFactory() override;

    // PPTP and L2TP dial up, OpenVPN runs openvpn.exe. A new connection replaces the current
    // one, which ends first.
    ILoginConnection* CreateCurrentConnection(EVpnProtocol protocol) override;

    // Null when there is none, also while the current one is being destroyed.
    CGeneralVpn* Current() override { return Connection.get(); }
    uint32_t CurrentGeneration() const override { return Generation; }
    void DestroyCurrent() override;

private:
    // Tells the sink which generation changed; lives as long as its connection.
    class CGenerationCallback : public CGeneralVpnCallbackInterface
    {
    public:
        CGenerationCallback(IVpnStatusSink& sink, uint32_t generation) : Sink(sink), Generation(generation) {}
        void OnVpnStatusChanged(CGeneralVpn*) override { Sink.PostVpnStatusChanged(Generation); }

    private:
        IVpnStatusSink& Sink;
        uint32_t Generation;
    };

    IVpnStatusSink& Sink;
    std::unique_ptr<IIpHelper> OwnIpHelper;
    std::unique_ptr<IRasApi> OwnRasApi;
    IIpHelper& IpHelper;
    IRasApi& RasApi;
    std::wstring ModuleDir;
    std::function<IJournalFile*()> RouteJournal;
    uint32_t Generation = 0;
    // Declared before the connection, so it is still there while the connection reports its end.
    std::unique_ptr<CGenerationCallback> Callback;
    std::unique_ptr<CGeneralVpn> Connection;
    std::unique_ptr<CVpnLoginConnection> LoginConnection;
};
