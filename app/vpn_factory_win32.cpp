#include "app/vpn_factory_win32.h"

#include "vpn/ip_helper_win32.h"
#include "vpn/ras_api_win32.h"
#include "vpn/windows_vpn.h"

CVpnConnectionFactory::CVpnConnectionFactory(IVpnStatusSink& sink)
    : Sink(sink),
      OwnIpHelper(std::make_unique<CWin32IpHelper>()),
      OwnRasApi(std::make_unique<CWin32RasApi>()),
      IpHelper(*OwnIpHelper),
      RasApi(*OwnRasApi)
{
}

CVpnConnectionFactory::CVpnConnectionFactory(IVpnStatusSink& sink, IIpHelper& ipHelper, IRasApi& rasApi)
    : Sink(sink), IpHelper(ipHelper), RasApi(rasApi)
{
}

CVpnConnectionFactory::~CVpnConnectionFactory()
{
    DestroyCurrent();
}

ILoginConnection* CVpnConnectionFactory::CreateCurrentConnection(EVpnProtocol protocol)
{
    if (protocol != EVpnProtocol::Pptp && protocol != EVpnProtocol::L2tp)
        return nullptr;
    // The old connection gives its routes back before the new one looks at the table.
    DestroyCurrent();
    auto connection = std::make_unique<CWindowsVpn>(IpHelper, RasApi);
    connection->DialType = VpnProtocolNumber(protocol);
    Callback = std::make_unique<CGenerationCallback>(Sink, ++Generation);
    connection->Callback = Callback.get();
    LoginConnection = std::make_unique<CVpnLoginConnection>(*connection);
    Connection = std::move(connection);
    return LoginConnection.get();
}

void CVpnConnectionFactory::DestroyCurrent()
{
    LoginConnection.reset();
    Connection.reset();
    Callback.reset();  // after the connection: its end is still reported
}
