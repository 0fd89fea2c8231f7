#include "vpn/windows_vpn.h"

#include "vpn/vpn_texts.h"

namespace
{

// Every authentication the servers may ask for, a custom entry, and the dialling progress.
constexpr uint32_t EntryOptions =
    RasValue::OptionRequirePap | RasValue::OptionCustom | RasValue::OptionPreviewUserPassword |
    RasValue::OptionShowDialingProgress | RasValue::OptionRequireChap |
    RasValue::OptionRequireMsChap | RasValue::OptionRequireMsChap2;
static_assert(EntryOptions == 0x3D140000u, "entry options");

} // namespace

CWindowsVpn::CWindowsVpn(IIpHelper& ipHelper, IRasApi& rasApi)
    : CGeneralVpn(ipHelper), RasApi(rasApi)
{
}

CWindowsVpn::~CWindowsVpn()
{
    Disconnect();
}

CRasEntry CWindowsVpn::MakeEntry() const
{
    CRasEntry entry;
    entry.Options = EntryOptions;
    if (ModifyDefaultGateway)
        entry.Options |= RasValue::OptionRemoteDefaultGateway;
    entry.LocalPhoneNumber = ServerHost;
    entry.NetProtocols = RasValue::NetProtocolIp;
    entry.FramingProtocol = RasValue::FramingPpp;
    entry.DeviceType = L"vpn";
    entry.DeviceName = EntryName;
    entry.Type = RasValue::EntryTypeVpn;
    entry.EncryptionType = RasValue::EncryptionOptional;
    entry.VpnStrategy =
        DialType == DialL2tp ? RasValue::StrategyL2tpOnly : RasValue::StrategyPptpOnly;
    return entry;
}

CRasDialParams CWindowsVpn::MakeDialParams() const
{
    CRasDialParams params;
    params.EntryName = EntryName;
    params.PhoneNumber = ServerHost;
    params.CallbackNumber = L"*";
    params.UserName = UserName;
    params.Password = Password;
    return params;
}

uint32_t CWindowsVpn::Connect()
{
    if (RasConnection != 0) {
        StoreError(VpnError::AlreadyConnected, 0);
        return VpnError::AlreadyConnected;
    }
    // An earlier run of the program left its connection up: take it over, so that the owner
    // can at least hang it up.
    RasConnection = FindExistingConnection();
    if (RasConnection != 0) {
        StoreError(VpnError::AlreadyConnected, 0);
        return VpnError::AlreadyConnected;
    }

    const uint32_t prepared = CGeneralVpn::Connect();
    if (prepared != VpnError::Success)
        return prepared;
    if (DialType != DialPptp && DialType != DialL2tp)
        return WinError::InvalidParameter;
    // The entry and the dial parameters have fixed room; a cut host or password would dial
    // somebody else or fail in a way nobody could explain.
    const uint32_t lengths = CheckDialUpFieldLengths();
    if (lengths != VpnError::Success)
        return lengths;

    StoreStatus(VpnState::Preparing, VpnError::Success, 0);
    const uint32_t written = RasApi.SetEntryProperties(EntryName, MakeEntry());
    if (written != 0) {
        StoreError(DialUpError::EntryCreationFailed, written);
        return DialUpError::EntryCreationFailed;
    }

    RasConnectionHandle dialled = 0;
    const uint32_t dialResult = RasApi.Dial(MakeDialParams(), *this, dialled);
    // A handle that comes back with a failure still has to be hung up; Disconnect does it.
    RasConnection = dialled;
    if (dialResult != 0) {
        StoreError(DialUpError::DialFailed, dialResult);
        return DialUpError::DialFailed;
    }
    return VpnError::Success;
}

RasConnectionHandle CWindowsVpn::FindExistingConnection()
{
    std::vector<CRasConnection> connections;
    if (RasApi.EnumConnections(connections) != 0)
        return 0;
    RasConnectionHandle found = 0;
    for (const CRasConnection& connection : connections)
        if (connection.EntryName == EntryName) // exactly: "korvex" is somebody else's
            found = connection.Handle;
    return found;
}

uint32_t CWindowsVpn::Disconnect()
{
    RasApi.EndNotifications(*this);
    const RasConnectionHandle connection = RasConnection;
    if (connection != 0) {
        StoreStatus(VpnState::Disconnecting, VpnError::Success, 0);
        RasConnection = 0;
        RasApi.HangUp(connection);
    }
    return CGeneralVpn::Disconnect();
}

uint32_t CWindowsVpn::GetTrafficCounters(uint32_t counters[2])
{
    uint32_t sent = 0;
    uint32_t received = 0;
    const uint32_t result = RasApi.GetConnectionStatistics(RasConnection, sent, received);
    if (result != 0) {
        StorePollFailure(VpnError::InternalError, result);
        return 1;
    }
    counters[0] = sent;
    counters[1] = received;
    return 0;
}

std::wstring CWindowsVpn::GetDetailText(uint32_t code) const
{
    std::wstring text;
    if (RasApi.GetErrorString(code, text) != 0)
        return std::wstring();
    return text;
}

std::wstring CWindowsVpn::GetErrorText(uint32_t code) const
{
    const wchar_t* own = DialUpErrorText(code);
    return own ? own : CGeneralVpn::GetErrorText(code);
}

uint32_t CWindowsVpn::OnRasNotification(RasConnectionHandle connection, uint32_t rasState,
                                        uint32_t rasError)
{
    const uint32_t error = rasError != 0 ? VpnError::InternalError : VpnError::Success;
    switch (rasState) {
    case RasState::ConnectDevice:
        SetStatus(VpnState::Connecting, error, rasError);
        break;
    case RasState::Authenticate:
        SetStatus(VpnState::Authenticating, error, rasError);
        break;
    case RasState::Authenticated:
        SetStatus(VpnState::Authenticated, error, rasError);
        break;
    case RasState::Connected:
        if (rasError != 0) {
            SetStatus(VpnState::TunnelUp, VpnError::InternalError, rasError);
        } else {
            std::wstring address;
            const uint32_t result = RasApi.GetTunnelAddress(connection, address);
            // Without the address there is nothing to route through; the attempt stays where
            // it is until the owner gives up on it.
            if (result != 0)
                return result;
            LocalAddress = address;
            SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
        }
        break;
    case RasState::Disconnected:
        SetStatus(VpnState::Disconnected, error, rasError);
        break;
    default:
        if (rasError != 0)
            SetStatus(GetStatus().State, VpnError::InternalError, rasError);
        break;
    }
    return 1;
}
