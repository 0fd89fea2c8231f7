// What has to hold on this machine for the chosen protocol before the selection window closes:
// L2TP wants the dial-up service to give up insisting on IPsec (and may restart the services so
// that it takes effect), OpenVPN wants its files and a TAP adapter. PPTP needs nothing.
#pragma once

#include <string>
#include <string_view>

#include "vpn/vpn_protocol.h"

namespace protocol_text {
inline constexpr wchar_t kL2tpFirstUse[] =
    L"您第一次使用L2TP方式登录，需要重新启动系统做部分初始化工作，否则可能无法正常连接。\n\n"
    L"建议您现在或稍后重新启动您的计算机。如果不重新启动，您也可以强制应用新配置，要强制应用吗？";
inline constexpr wchar_t kTapDriverNeeded[] =
    L"您需要安装OpenVPN Tap驱动才可以继续登录，点[确定]后安装驱动。\n\n"
    L"【注意】安装过程需要一点时间，可能造成Qivra网络加速器暂停。请耐心等待。\n\n"
    L"当您看到需要安装驱动的提示窗口后，请允许继续安装。";
inline constexpr wchar_t kTapDriverFailed[] =
    L"无法安装OpenVPN驱动程序，只有安装OpenVPN驱动程序后才可以使用OpenVPN功能。";
}  // namespace protocol_text

// "您的Qivra网络加速器客户端不包含OpenVPN组件，\n\n请您从 " + web host + " 重新下载完整版。"
std::wstring OpenVpnFilesMissingMessage(std::wstring_view webHost);

// The machine and the user, as the checks need them.
class IProtocolCheckPlatform {
public:
    virtual ~IProtocolCheckPlatform() = default;

    // The dial-up service's ProhibitIpSec switch (HKLM, read and write access). OpenIpSecSwitch
    // is false when the key cannot be opened; the others work on the opened key.
    virtual bool OpenIpSecSwitch() = 0;
    virtual bool IpSecSwitchIsOne() = 0;  // a REG_DWORD holding 1
    virtual bool SetIpSecSwitch() = 0;    // writes REG_DWORD 1
    virtual void CloseIpSecSwitch() = 0;
    virtual unsigned SystemMajorVersion() = 0;
    // The dial-up services restarted behind the blocked-operation window.
    virtual void RestartDialUpServices() = 0;

    virtual bool OpenVpnComponentsPresent() = 0;  // also fixes the OpenVPN folder
    virtual bool TapAdapterPresent() = 0;
    virtual void InstallTapDriver() = 0;

    virtual bool AskYesNo(std::wstring_view question) = 0;
    virtual void ShowMessage(std::wstring_view text) = 0;
};

// True when the selection window may close with OK; false keeps it open (the user has been told).
bool ApplyProtocolChecks(EVpnProtocol protocol, IProtocolCheckPlatform& platform, std::wstring_view webHost);
