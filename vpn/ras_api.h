#pragma once
// The dial-up connection's window onto the platform's dial-up networking service (RAS): the
// seven calls it makes, with the phone-book entry and dial parameters in portable form. The
// Win32 implementation sits over rasapi32 (ras_api_win32.h); tests use a fake.

#include <cstdint>
#include <string>
#include <vector>

// A connection of the dial-up service (HRASCONN). 0 is none.
using RasConnectionHandle = uintptr_t;

// The service's values this program uses, with their Windows numbers. Not named as in
// <ras.h>, whose names are macros.
namespace RasValue
{
// Entry options (RASEO_...).
constexpr uint32_t OptionRemoteDefaultGateway = 0x10;
constexpr uint32_t OptionRequirePap = 0x40000;
constexpr uint32_t OptionCustom = 0x100000;
constexpr uint32_t OptionPreviewUserPassword = 0x1000000;
constexpr uint32_t OptionShowDialingProgress = 0x4000000;
constexpr uint32_t OptionRequireChap = 0x8000000;
constexpr uint32_t OptionRequireMsChap = 0x10000000;
constexpr uint32_t OptionRequireMsChap2 = 0x20000000;

constexpr uint32_t NetProtocolIp = 4;     // RASNP_Ip
constexpr uint32_t FramingPpp = 1;        // RASFP_Ppp
constexpr uint32_t EntryTypeVpn = 2;      // RASET_Vpn
constexpr uint32_t EncryptionOptional = 3; // ET_Optional
constexpr uint32_t StrategyPptpOnly = 1;  // VS_PptpOnly
constexpr uint32_t StrategyL2tpOnly = 3;  // VS_L2tpOnly
}

// Connection states of the dial notifications (RASCONNSTATE) that the program acts on.
namespace RasState
{
constexpr uint32_t ConnectDevice = 2;
constexpr uint32_t Authenticate = 5;
constexpr uint32_t Authenticated = 14;
constexpr uint32_t Connected = 0x2000;
constexpr uint32_t Disconnected = 0x2001;
}

// Results of the service (raserror.h) that the program meets.
namespace RasResult
{
constexpr uint32_t BufferTooSmall = 603; // ERROR_BUFFER_TOO_SMALL
constexpr uint32_t InvalidHandle = 6;    // ERROR_INVALID_HANDLE
constexpr uint32_t AuthenticationFailure = 691;
}

// The fields of a phone-book entry (RASENTRYW) that the program sets; every other field of
// the entry is zero or empty.
struct CRasEntry
{
    uint32_t Options = 0;          // dwfOptions
    std::wstring LocalPhoneNumber; // szLocalPhoneNumber, at most 128 characters
    uint32_t NetProtocols = 0;     // dwfNetProtocols
    uint32_t FramingProtocol = 0;  // dwFramingProtocol
    std::wstring DeviceType;       // szDeviceType
    std::wstring DeviceName;       // szDeviceName
    uint32_t Type = 0;             // dwType
    uint32_t EncryptionType = 0;   // dwEncryptionType
    uint32_t VpnStrategy = 0;      // dwVpnStrategy
};

// The dial parameters (RASDIALPARAMSW) apart from dwCallbackId, which the implementation
// fills so that notifications find their sink.
struct CRasDialParams
{
    std::wstring EntryName;      // at most 256 characters
    std::wstring PhoneNumber;    // at most 128
    std::wstring CallbackNumber; // at most 128
    std::wstring UserName;       // at most 256
    std::wstring Password;       // at most 256
    std::wstring Domain;         // at most 15
};

// One active connection (RASCONNW).
struct CRasConnection
{
    RasConnectionHandle Handle = 0;
    std::wstring EntryName;
};

// Receives the progress of one dial (RasDialFunc2), on a thread of the service.
class IRasNotificationSink
{
public:
    // The notifier's result goes back to the service: non-zero keeps the notifications coming.
    virtual uint32_t OnRasNotification(RasConnectionHandle connection, uint32_t rasState,
                                       uint32_t rasError) = 0;

protected:
    ~IRasNotificationSink() = default;
};

class IRasApi
{
public:
    virtual ~IRasApi() = default;

    // RasSetEntryPropertiesW into the default phone book, without device information.
    virtual uint32_t SetEntryProperties(const std::wstring& entryName, const CRasEntry& entry) = 0;

    // RasDialW on the default phone book, without dial extensions, with a notifier of type 2.
    // Notifications go to sink until EndNotifications(sink), and may begin before Dial
    // returns. connection is set whenever the service hands out a handle, also on failure:
    // such a handle must still be hung up.
    virtual uint32_t Dial(const CRasDialParams& params, IRasNotificationSink& sink,
                          RasConnectionHandle& connection) = 0;

    // Once this returns, no notification for sink is running and none will start. It waits
    // for one in progress, so it must not be called from inside a notification.
    virtual void EndNotifications(IRasNotificationSink& sink) = 0;

    // RasHangUpW. The line drops in the background.
    virtual uint32_t HangUp(RasConnectionHandle connection) = 0;

    // RasEnumConnectionsW, growing the buffer while the service asks for more.
    virtual uint32_t EnumConnections(std::vector<CRasConnection>& connections) = 0;

    // RasGetProjectionInfoW for the PPP IP projection: the client's own address on the tunnel.
    virtual uint32_t GetTunnelAddress(RasConnectionHandle connection, std::wstring& address) = 0;

    // RasGetConnectionStatistics: bytes sent and received.
    virtual uint32_t GetConnectionStatistics(RasConnectionHandle connection, uint32_t& bytesSent,
                                             uint32_t& bytesReceived) = 0;

    // RasGetErrorStringW: the text of a RAS or system error number.
    virtual uint32_t GetErrorString(uint32_t code, std::wstring& text) = 0;
};
