#include "vpn/leftover_tunnel_win32.h"

#include "vpn/openvpn_console.h"
#include "vpn/ras_api.h"
#include "vpn/windows_vpn.h"
#include "win/handle.h"

namespace {
// openvpn.exe takes its routes out before it ends; give it the time Disconnect gives it.
constexpr DWORD kOpenVpnExitWaitMs = 3000;
constexpr DWORD kPollMs = 50;
}  // namespace

bool CWin32LeftoverTunnel::HangUpDialUp()
{
    std::vector<CRasConnection> connections;
    if (RasApi.EnumConnections(connections) != 0)
        return false;
    bool hungUp = false;
    for (const CRasConnection& connection : connections)
        if (connection.EntryName == CWindowsVpn::EntryName) {  // exactly, as the dial-up Connect finds it
            RasApi.HangUp(connection.Handle);
            hungUp = true;
        }
    return hungUp;
}

bool CWin32LeftoverTunnel::EndOpenVpn()
{
    {
        // Only openvpn.exe still holds the event once its client is gone.
        CKernelHandle exitEvent(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kOpenVpnExitEventName));
        if (!exitEvent)
            return false;
        ::SetEvent(exitEvent.Get());
    }
    // The event goes away with the last handle to it, that is when openvpn.exe has ended.
    for (DWORD waited = 0; waited < kOpenVpnExitWaitMs; waited += kPollMs) {
        CKernelHandle stillThere(::OpenEventW(SYNCHRONIZE, FALSE, kOpenVpnExitEventName));
        if (!stillThere)
            break;
        stillThere.Reset();
        ::Sleep(kPollMs);
    }
    return true;
}
