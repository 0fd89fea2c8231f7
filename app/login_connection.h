#pragma once

// The login exchange's view of a real connection object.

#include "app/login_interfaces.h"
#include "vpn/general_vpn.h"

// Sets what the exchange decided on a connection that has not been started yet.
void ApplyConnectionSettings(CGeneralVpn& connection, const SConnectionSettings& settings);

// Lets the main window hand its new current connection to the exchange. It does not own the
// connection and must not outlive it.
class CVpnLoginConnection : public ILoginConnection {
public:
    explicit CVpnLoginConnection(CGeneralVpn& connection) : m_connection(connection) {}

    void Configure(const SConnectionSettings& settings) override;
    uint32_t Connect() override;

private:
    CGeneralVpn& m_connection;
};
