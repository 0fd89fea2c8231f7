#include "tools/ras_standin/error_texts.h"

namespace
{

struct CErrorText
{
    uint32_t Code;
    const wchar_t* Text;
};

// The ones a VPN dial meets; the rest of the RAS range gets a plain numbered text.
constexpr CErrorText KnownTexts[] = {
    {6, L"句柄无效。"},
    {87, L"参数错误。"},
    {603, L"缓冲区太小。"},
    {619, L"不能建立到远程计算机的连接，因此用于此连接的端口已关闭。"},
    {623, L"系统找不到此连接的电话簿项。"},
    {629, L"远程计算机关闭了此连接。"},
    {631, L"用户断开了端口。"},
    {632, L"结构大小不正确。"},
    {668, L"连接已断开。"},
    {678, L"远程计算机没有响应。"},
    {691, L"拒绝访问，因为用户名和/或密码在此域上无效。"},
    {718, L"等待远程计算机的有效响应时，连接被终止。"},
    {720, L"无法与远程计算机协商兼容的 PPP 控制协议集。"},
    {734, L"PPP 链接控制协议被终止。"},
    {769, L"无法连接到指定目标。"},
    {800, L"无法建立 VPN 连接。VPN 服务器可能无法到达，或者此连接的安全参数可能没有正确配置。"},
    {809, L"无法建立计算机与 VPN 服务器之间的网络连接，因为远程服务器未响应。"},
    {868, L"由于未能解析远程访问服务器的名称，远程连接没有建立。"},
};

} // namespace

bool RasErrorText(uint32_t code, std::wstring& text)
{
    for (const CErrorText& known : KnownTexts)
        if (known.Code == code) {
            text = known.Text;
            return true;
        }
    if (code < 600 || code > 999)
        return false;
    text = L"远程访问错误 " + std::to_wstring(code) + L"。";
    return true;
}
