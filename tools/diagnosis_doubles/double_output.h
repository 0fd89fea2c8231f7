// What the ipconfig.exe, tracert.exe and route.exe doubles print, shared with the tests that
// read it back from the diagnosis window. The texts look like the real tools' Chinese output but
// are fixed, so a test can expect them to the character: ipconfig's runs past one 4,096-byte
// read, with Chinese throughout so that a read may end inside a double-byte character; route's
// lines end in a bare LF, which the window must show as CR LF.
#pragma once

#include <string>
#include <string_view>

namespace diagnosis_double {

// Beside the doubles: one line per start, "tool arguments".
inline constexpr wchar_t kCallsLog[] = L"calls.log";
// A file "<tool>.hang" beside the doubles makes that tool print its head and then wait for
// good, as a trace to a silent host would.
inline constexpr wchar_t kHangSuffix[] = L".hang";

inline std::wstring IpconfigText()
{
    std::wstring text = L"\r\nWindows IP 配置\r\n\r\n   主机名  . . . . . . . . . . . . . : korvex-test\r\n"
                        L"   节点类型  . . . . . . . . . . . . : 混合\r\n\r\n";
    for (int adapter = 1; adapter <= 40; ++adapter) {
        const std::wstring number = std::to_wstring(adapter);
        text += L"以太网适配器 本地连接 " + number + L":\r\n\r\n";
        text += L"   连接特定的 DNS 后缀 . . . . . . . : \r\n";
        text += L"   描述. . . . . . . . . . . . . . . : 虚拟网卡 " + number + L"\r\n";
        text += L"   IPv4 地址 . . . . . . . . . . . . : 127.0.1." + number + L"（首选）\r\n\r\n";
    }
    return text;
}

// What the trace prints before its first hop.
inline std::wstring TracertHead(std::wstring_view host)
{
    return L"\r\n通过最多 30 个跃点跟踪到 " + std::wstring(host) + L" 的路由\r\n\r\n";
}

inline std::wstring TracertText(std::wstring_view host)
{
    return TracertHead(host) + L"  1    <1 毫秒   <1 毫秒   <1 毫秒 " + std::wstring(host) + L"\r\n\r\n跟踪完成。\r\n";
}

inline std::wstring RouteText()
{
    return L"===========================================================================\n"
           L"接口列表\n"
           L"  1...........................Software Loopback Interface 1\n"
           L"===========================================================================\n"
           L"活动路由:\n"
           L"网络目标        网络掩码          网关       接口   跃点数\n"
           L"        127.0.0.0        255.0.0.0            在链路上         127.0.0.1    331\n"
           L"===========================================================================\n";
}

// The output for the arguments the diagnosis window gives; anything else is named as unexpected,
// which no test expects.
inline std::wstring Output(std::wstring_view tool, std::wstring_view arguments)
{
    constexpr std::wstring_view kTraceOptions = L"-d ";
    if (tool == L"ipconfig" && arguments == L"/all")
        return IpconfigText();
    if (tool == L"tracert" && arguments.substr(0, kTraceOptions.size()) == kTraceOptions)
        return TracertText(arguments.substr(kTraceOptions.size()));
    if (tool == L"route" && arguments == L"print")
        return RouteText();
    return L"unexpected: " + std::wstring(tool) + L" " + std::wstring(arguments) + L"\r\n";
}

}  // namespace diagnosis_double
