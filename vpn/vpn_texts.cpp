#include "vpn/vpn_texts.h"

#include "vpn/vpn_codes.h"

namespace
{

struct CCodeText
{
    uint32_t Code;
    const wchar_t* Text;
};

template <size_t Count>
const wchar_t* FindText(const CCodeText (&table)[Count], uint32_t code)
{
    for (const CCodeText& entry : table)
        if (entry.Code == code)
            return entry.Text;
    return nullptr;
}

const CCodeText StateTexts[] = {
    {VpnState::Disconnecting, L"正在断开连接……"},
    {VpnState::Disconnected, L"连接已经断开"},
    {VpnState::Starting, L"开始启动VPN……"},
    {VpnState::Preparing, L"准备VPN参数……"},
    {VpnState::Connecting, L"正在连接……"},
    {VpnState::Authenticating, L"正在验证……"},
    {VpnState::Authenticated, L"验证通过"},
    {VpnState::TunnelUp, L"已经连接"},
    {VpnState::LoggedIn, L"登录成功"},
    {VpnState::RestoringRoutes, L"正在恢复路由表……"},
    {VpnState::ModifyingRoutes, L"正在修改路由表……"},
};

const CCodeText ErrorTexts[] = {
    {VpnError::Success, L"成功"},
    {VpnError::InternalError, L"VPN内部错误"},
    {VpnError::ServerUnreachable, L"无法连接服务器"},
    {VpnError::AlreadyConnected, L"Vpn连接已经建立"},
    {VpnError::GatewayNotFound, L"获取网关失败"},
    {VpnError::LocalAddressNotFound, L"获取本地IP地址失败"},
    {VpnError::RouteChangeFailed, L"修改路由表失败"},
};

const CCodeText DialUpErrorTexts[] = {
    {DialUpError::EntryCreationFailed, L"建立连接入口失败"},
    {DialUpError::DialFailed, L"启动拨号系统失败"},
};

const CCodeText OpenVpnErrorTexts[] = {
    {OpenVpnError::LaunchFailed, L"执行OpenVPN程序失败"},
    {OpenVpnError::TapDriverMissing, L"未安装OpenVPN TAP驱动"},
    {OpenVpnError::TlsError, L"TLS安全层错误：时间/证书无效？"},
};

} // namespace

std::wstring VpnStateText(uint32_t state)
{
    const wchar_t* text = FindText(StateTexts, state);
    return text ? text : L"未知状态";
}

std::wstring VpnErrorText(uint32_t error)
{
    const wchar_t* text = FindText(ErrorTexts, error);
    return text ? text : L"未知错误";
}

const wchar_t* DialUpErrorText(uint32_t error)
{
    return FindText(DialUpErrorTexts, error);
}

const wchar_t* OpenVpnErrorText(uint32_t error)
{
    return FindText(OpenVpnErrorTexts, error);
}
