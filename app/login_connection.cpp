#include "app/login_connection.h"

void ApplyConnectionSettings(CGeneralVpn& connection, const SConnectionSettings& settings)
{
    connection.ServerHost = settings.serverHost;
    connection.UserName = settings.userName;
    connection.Password = settings.password;
    connection.SetProxy(settings.proxy);
    connection.ModifyDefaultGateway = settings.modifyDefaultGateway;
    connection.Routes = settings.routes;
}

void CVpnLoginConnection::Configure(const SConnectionSettings& settings)
{
    ApplyConnectionSettings(m_connection, settings);
}

uint32_t CVpnLoginConnection::Connect()
{
    return m_connection.Connect();
}
