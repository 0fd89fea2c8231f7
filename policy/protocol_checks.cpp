#include "policy/protocol_checks.h"

namespace {
constexpr unsigned kVistaGeneration = 6;

void ApplyL2tpSwitch(IProtocolCheckPlatform& platform)
{
    if (!platform.OpenIpSecSwitch())
        return;
    // Asked only when this very step changed the value: once per machine. Systems of the
    // Vista generation take the change without a restart.
    if (!platform.IpSecSwitchIsOne() && platform.SetIpSecSwitch() &&
        platform.SystemMajorVersion() != kVistaGeneration && platform.AskYesNo(protocol_text::kL2tpFirstUse))
        platform.RestartDialUpServices();
    platform.CloseIpSecSwitch();
}

bool ApplyOpenVpnComponents(IProtocolCheckPlatform& platform, std::wstring_view webHost)
{
    if (!platform.OpenVpnComponentsPresent()) {
        platform.ShowMessage(OpenVpnFilesMissingMessage(webHost));
        return false;
    }
    if (platform.TapAdapterPresent())
        return true;
    platform.ShowMessage(protocol_text::kTapDriverNeeded);
    platform.InstallTapDriver();
    if (platform.TapAdapterPresent())
        return true;
    platform.ShowMessage(protocol_text::kTapDriverFailed);
    return false;
}
}  // namespace

std::wstring OpenVpnFilesMissingMessage(std::wstring_view webHost)
{
    return L"您的Qivra网络加速器客户端不包含OpenVPN组件，\n\n请您从 " + std::wstring(webHost) + L" 重新下载完整版。";
}

bool ApplyProtocolChecks(EVpnProtocol protocol, IProtocolCheckPlatform& platform, std::wstring_view webHost)
{
    switch (protocol) {
    case EVpnProtocol::L2tp:
        ApplyL2tpSwitch(platform);
        return true;
    case EVpnProtocol::OpenVpn:
        return ApplyOpenVpnComponents(platform, webHost);
    case EVpnProtocol::Pptp:
    default:
        return true;
    }
}
