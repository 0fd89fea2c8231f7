#pragma once
// State and error codes of a VPN connection. Error codes from 8 on belong to the concrete
// connection, and the two connections give them different meanings.

#include <cstdint>

namespace VpnState
{
enum : uint32_t
{
    Disconnecting = 0,
    Disconnected = 1,
    Starting = 2,
    Preparing = 3,
    Connecting = 4,
    Authenticating = 5,
    Authenticated = 6,
    TunnelUp = 7,
    LoggedIn = 8,
    RestoringRoutes = 9,
    ModifyingRoutes = 10,
};
}

namespace VpnError
{
enum : uint32_t
{
    Success = 0,
    InternalError = 1,
    ServerUnreachable = 2,
    AlreadyConnected = 3,
    GatewayNotFound = 4,
    LocalAddressNotFound = 5,
    RouteChangeFailed = 6,
};
}

// CWindowsVpn
namespace DialUpError
{
enum : uint32_t
{
    EntryCreationFailed = 8,
    DialFailed = 9,
};
}

// COpenVpn
namespace OpenVpnError
{
enum : uint32_t
{
    LaunchFailed = 8,
    TapDriverMissing = 9,
    TlsError = 10,
};
}
