#pragma once
// The tunnel a killed client left behind, ended at the next start: our own dial-up entry's
// connection, which the dial-up service keeps up without us, and openvpn.exe, which runs on
// until its exit event is signalled.

#include "vpn/route_cleanup.h"

class IRasApi;

class CWin32LeftoverTunnel : public ILeftoverTunnel
{
public:
    explicit CWin32LeftoverTunnel(IRasApi& rasApi) : RasApi(rasApi) {}

    bool HangUpDialUp() override;
    bool EndOpenVpn() override;

private:
    IRasApi& RasApi;
};
