#include "vpn/general_vpn.h"

#include "vpn/vpn_texts.h"

CGeneralVpn::CGeneralVpn(IIpHelper& ipHelper) : IpHelper(ipHelper)
{
}

CGeneralVpn::~CGeneralVpn() = default;

uint32_t CGeneralVpn::Connect()
{
    return PrepareRoutes();
}

uint32_t CGeneralVpn::Disconnect()
{
    return RestoreRoutes();
}

std::wstring CGeneralVpn::GetErrorText(uint32_t code) const
{
    return VpnErrorText(code);
}

std::wstring CGeneralVpn::GetStateText(uint32_t code) const
{
    return VpnStateText(code);
}

void CGeneralVpn::SetStatus(uint32_t state, uint32_t error, uint32_t detail)
{
    if (state == VpnState::TunnelUp && error == VpnError::Success) {
        std::lock_guard<std::mutex> guard(RouteLock);
        // The connection has already been ended: a late "up" from its tunnel routes nothing
        // and leaves the state where the teardown put it.
        if (RoutesRestored)
            return;
        StoreStatus(state, error, detail);
        if (!ApplyRoutes())
            return; // its own failure report stands
        StoreStatus(VpnState::LoggedIn, VpnError::Success, 0);
    } else {
        StoreStatus(state, error, detail);
    }
    if (Callback)
        Callback->OnVpnStatusChanged(this);
}

void CGeneralVpn::StoreStatus(uint32_t state, uint32_t error, uint32_t detail)
{
    std::lock_guard<std::mutex> guard(StatusLock);
    State = state;
    Error = error;
    Detail = detail;
}

void CGeneralVpn::StoreError(uint32_t error, uint32_t detail)
{
    std::lock_guard<std::mutex> guard(StatusLock);
    Error = error;
    Detail = detail;
}

void CGeneralVpn::StorePollFailure(uint32_t error, uint32_t detail)
{
    std::lock_guard<std::mutex> guard(StatusLock);
    if (Error != VpnError::Success)
        return;
    Error = error;
    Detail = detail;
}

CVpnStatus CGeneralVpn::GetStatus() const
{
    std::lock_guard<std::mutex> guard(StatusLock);
    CVpnStatus status;
    status.State = State;
    status.Error = Error;
    status.Detail = Detail;
    return status;
}

std::wstring CGeneralVpn::GetStateDescription() const
{
    return GetStateText(GetStatus().State);
}

std::wstring CGeneralVpn::GetErrorDescription() const
{
    return GetErrorText(GetStatus().Error);
}

std::wstring CGeneralVpn::GetDetailDescription() const
{
    return GetDetailText(GetStatus().Detail);
}

std::wstring CGeneralVpn::GetStatusReport() const
{
    return GetStatusReport(GetStatus());
}

std::wstring CGeneralVpn::GetStatusReport(const CVpnStatus& status) const
{
    return L"状态：" + GetStateText(status.State) + L"\r\n" + L"错误信息：" +
           GetErrorText(status.Error) + L"\r\n" + L"详细信息：" + GetDetailText(status.Detail) +
           L"\r\n";
}

std::vector<std::wstring> CGeneralVpn::GetFailedRoutes() const
{
    std::lock_guard<std::mutex> guard(StatusLock);
    return FailedRoutes;
}

uint32_t CGeneralVpn::CheckDialUpFieldLengths()
{
    if (ServerHost.size() <= MaxServerHostLength && UserName.size() <= MaxCredentialLength &&
        Password.size() <= MaxCredentialLength)
        return VpnError::Success;
    StoreError(VpnError::InternalError, WinError::InvalidParameter);
    return VpnError::InternalError;
}
