#include "vpn/openvpn_vpn_win32.h"

#include "app/event_log.h"
#include "vpn/openvpn_components_win32.h"
#include "vpn/vpn_codes.h"
#include "vpn/vpn_texts.h"
#include "win/handle.h"

namespace {
constexpr DWORD kExitWaitMs = 2000;
}  // namespace

COpenVpn::COpenVpn(IIpHelper& ipHelper, std::wstring moduleDir)
    : CGeneralVpn(ipHelper), ModuleDir(std::move(moduleDir))
{
}

COpenVpn::~COpenVpn()
{
    Disconnect();
    Close();  // a program that ignored the exit event is ended here; the reader goes first
}

uint32_t COpenVpn::Connect()
{
    CGeneralVpn::Connect();  // an OpenVPN tunnel goes on without a default route
    Console.Clear();
    StoreStatus(VpnState::Preparing, VpnError::Success, 0);

    // Run from its full path, never from whatever the current folder holds.
    CheckOpenVpnComponents(ModuleDir);
    const std::optional<std::wstring> commandLine =
        BuildOpenVpnCommandLine({OpenVpnFolder(), ServerHost, ModifyDefaultGateway, Proxy});
    Credentials = {UserName, Password, Proxy.userName, Proxy.password};
    const bool answersPlain = IsPlainAnswer(Credentials.userName) && IsPlainAnswer(Credentials.password) &&
                              IsPlainAnswer(Credentials.proxyUserName) && IsPlainAnswer(Credentials.proxyPassword);
    // A host or an answer that could smuggle in options or answer the next prompt starts nothing.
    if (!commandLine || !answersPlain || !Start(*commandLine)) {
        TheEventLog().OpenVpnMarker(L"openvpn.exe 未能启动");
        StoreError(OpenVpnError::LaunchFailed, 0);
        return OpenVpnError::LaunchFailed;
    }
    StoreError(VpnError::Success, 0);
    return 0;
}

uint32_t COpenVpn::Disconnect()
{
    CKernelHandle exitEvent(::CreateEventW(nullptr, FALSE, FALSE, kOpenVpnExitEventName));
    if (exitEvent)
        ::SetEvent(exitEvent.Get());
    WaitForReader(kExitWaitMs);
    CGeneralVpn::Disconnect();  // the same gate as the route application keeps a late one out
    if (exitEvent)
        ::ResetEvent(exitEvent.Get());
    StoreError(VpnError::Success, 0);
    return 0;
}

uint32_t COpenVpn::GetTrafficCounters(uint32_t counters[2])
{
    counters[0] = PacketsWritten.load();
    counters[1] = PacketsRead.load();
    return 0;
}

std::wstring COpenVpn::GetDetailText(uint32_t) const { return std::wstring(); }

std::wstring COpenVpn::GetErrorText(uint32_t code) const
{
    const wchar_t* own = OpenVpnErrorText(code);
    return own ? own : CGeneralVpn::GetErrorText(code);
}

void COpenVpn::OnOutput(const char* data, size_t length)
{
    Console.Feed(std::string_view(data, length), Credentials, *this);
}

void COpenVpn::OnEnd()
{
    TheEventLog().OpenVpnMarker(L"openvpn.exe 已结束");
    SetStatus(VpnState::Disconnected, VpnError::Success, 0);
}

// Never logged: the text is a user name or a password.
void COpenVpn::Answer(std::wstring_view text) { WriteInput(std::wstring(text) + L"\n"); }

void COpenVpn::Report(uint32_t state, uint32_t error, uint32_t detail)
{
    // A marker that stays in the output is reported with every chunk: log the changes only.
    const CVpnStatus now{state, error, detail};
    if (!(GetStatus() == now))
        TheEventLog().OpenVpnMarker(GetStateText(state) + L" " + GetErrorText(error));
    SetStatus(state, error, detail);
}

uint32_t COpenVpn::CurrentState() const { return GetStatus().State; }

void COpenVpn::SetLocalAddress(const std::wstring& address) { LocalAddress = address; }

void COpenVpn::SetTunnelGateway(const std::wstring& gateway) { TunnelGateway = gateway; }

void COpenVpn::CountPackets(uint32_t written, uint32_t read)
{
    PacketsWritten += written;
    PacketsRead += read;
}
