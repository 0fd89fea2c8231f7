#pragma once
// The PPTP and L2TP connection: writes the phone-book entry "Korvex" into the dial-up service,
// dials it and turns the service's notifications into the connection's states.
//
// Threads: Connect, Disconnect, GetTrafficCounters and destruction run on the user-interface
// thread, which alone reads and writes RasConnection. Notifications run on a thread of the
// service and work only with the handle the service passes them. Disconnect closes the
// service's notification gate (waiting out a notification in progress) before it lets go of
// the handle and hangs up, so no notification can use a hung-up handle or reach a destroyed
// connection.

#include <cstdint>
#include <string>

#include "vpn/general_vpn.h"
#include "vpn/ras_api.h"

class CWindowsVpn : public CGeneralVpn, public IRasNotificationSink
{
public:
    // The phone-book entry, the dial, and how an earlier connection of ours is recognised.
    static constexpr const wchar_t* EntryName = L"Korvex";

    enum : int32_t
    {
        DialPptp = 1,
        DialL2tp = 2,
    };

    CWindowsVpn(IIpHelper& ipHelper, IRasApi& rasApi);
    ~CWindowsVpn() override;

    // 0 (dialling), AlreadyConnected (an earlier connection is held or adopted),
    // GatewayNotFound, InternalError (a text too long for the entry), EntryCreationFailed,
    // DialFailed, or 87 for a dial type other than PPTP or L2TP.
    uint32_t Connect() override;
    // Hangs up a held connection without waiting for the line, then restores the routes.
    uint32_t Disconnect() override;
    // Bytes sent and received. 1 when the statistics cannot be read: the tunnel is gone.
    uint32_t GetTrafficCounters(uint32_t counters[2]) override;
    // The service's text for a RAS or system error number; empty when it has none.
    std::wstring GetDetailText(uint32_t code) const override;
    std::wstring GetErrorText(uint32_t code) const override;

    // The body of the dial notifier. Returns what the notifier hands back to the service.
    uint32_t OnRasNotification(RasConnectionHandle connection, uint32_t rasState,
                               uint32_t rasError) override;

    // What Connect writes and dials with, from the configuration.
    CRasEntry MakeEntry() const;
    CRasDialParams MakeDialParams() const;

private:
    RasConnectionHandle FindExistingConnection();

    IRasApi& RasApi;
    RasConnectionHandle RasConnection = 0; // user-interface thread only

public:
    int32_t DialType = 0; // DialPptp or DialL2tp, set by the creator
};
