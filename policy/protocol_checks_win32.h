// What OK of the selection window checks for the chosen protocol before the tunnel is built.
#pragma once

#include "policy/dlg_vpn_policy_win32.h"

class CProtocolChecks final : public IProtocolChecks {
public:
    // PPTP needs nothing. L2TP's IPsec switch and OpenVPN's files and TAP adapter are checked
    // here once those tunnels are part of the program; until then they pass as PPTP does.
    bool Apply(HWND, EVpnProtocol) override { return true; }
};
