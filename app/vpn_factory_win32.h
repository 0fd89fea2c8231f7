#pragma once
// Makes the connection objects the login exchange starts. The main window owns the factory,
// and through it the current connection; destroying the connection ends it.

#include <memory>

#include "app/login_connection.h"
#include "app/login_interfaces.h"
#include "vpn/general_vpn.h"

class IRasApi;

class CVpnConnectionFactory : public IConnectionFactory
{
public:
    // Over the platform's IP Helper and dial-up service.
    explicit CVpnConnectionFactory(CGeneralVpnCallbackInterface& callback);
    // Over the given ones, which must outlive the factory.
    CVpnConnectionFactory(CGeneralVpnCallbackInterface& callback, IIpHelper& ipHelper,
                          IRasApi& rasApi);
    ~CVpnConnectionFactory() override;

    // PPTP and L2TP dial up. OpenVPN has no connection class yet, so it gets null and the
    // current connection stays. A new connection replaces
    // the current one, which ends first.
    ILoginConnection* CreateCurrentConnection(EVpnProtocol protocol) override;

    // Null when there is none, also while the current one is being destroyed.
    CGeneralVpn* Current() const { return Connection.get(); }
    void DestroyCurrent();

private:
    CGeneralVpnCallbackInterface& Callback;
    std::unique_ptr<IIpHelper> OwnIpHelper;
    std::unique_ptr<IRasApi> OwnRasApi;
    IIpHelper& IpHelper;
    IRasApi& RasApi;
    std::unique_ptr<CGeneralVpn> Connection;
    std::unique_ptr<CVpnLoginConnection> LoginConnection;
};
