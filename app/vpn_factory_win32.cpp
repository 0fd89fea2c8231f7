#include "app/vpn_factory_win32.h"

#include "vpn/ip_helper_win32.h"
#include "vpn/ras_api_win32.h"
#include "vpn/openvpn_vpn_win32.h"
#include "vpn/windows_vpn.h"

CVpnConnectionFactory::CVpnConnectionFactory(IVpnStatusSink& sink, std::wstring moduleDir,
                                             std::function<IJournalFile*()> routeJournal)
    : Sink(sink),
      OwnIpHelper(std::make_unique<CWin32IpHelper>()),
      OwnRasApi(std::make_unique<CWin32RasApi>()),
      IpHelper(*OwnIpHelper),
      RasApi(*OwnRasApi),
      ModuleDir(std::move(moduleDir)),
      RouteJournal(std::move(routeJournal))
{
}

CVpnConnectionFactory::CVpnConnectionFactory(IVpnStatusSink& sink, IIpHelper& ipHelper, IRasApi& rasApi,
                                             std::wstring moduleDir)
    : Sink(sink), IpHelper(ipHelper), RasApi(rasApi), ModuleDir(std::move(moduleDir))
{
}

CVpnConnectionFactory::~CVpnConnectionFactory()
{
    DestroyCurrent();
}

ILoginConnection* CVpnConnectionFactory::CreateCurrentConnection(EVpnProtocol protocol)
{
    // The old connection gives its routes back before the new one looks at the table, and so
    // does a run that ended abnormally.
    DestroyCurrent();
    IJournalFile* const journal = RouteJournal ? RouteJournal() : nullptr;
    std::unique_ptr<CGeneralVpn> connection;
    if (protocol == EVpnProtocol::OpenVpn) {
        connection = std::make_unique<COpenVpn>(IpHelper, ModuleDir);
    } else {
        auto dialUp = std::make_unique<CWindowsVpn>(IpHelper, RasApi);
        dialUp->DialType = VpnProtocolNumber(protocol);
        connection = std::move(dialUp);
    }
    connection->SetRouteJournal(journal);
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
