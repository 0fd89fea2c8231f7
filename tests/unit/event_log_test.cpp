// The client's event log: bounded with the oldest dropped, one time-stamped line per event, safe
// from many threads, and never holding a password whatever its callers hand it.
#include "app/event_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/url.h"

namespace {

// Starts at 2024-03-05 07:08:09.000 and moves one millisecond per event.
CEventLog::Clock SteppingClock()
{
    return [tick = 0]() mutable {
        const int now = tick++;
        return SEventTime{2024, 3, 5, 7, 8, 9 + now / 1000, now % 1000};
    };
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
    return lines;
}

// The one line an action leaves, without its time stamp.
std::wstring LineOf(const std::function<void(CEventLog&)>& action)
{
    CEventLog log(SteppingClock());
    action(log);
    const std::vector<std::wstring> lines = Lines(log.Text());
    EXPECT_EQ(lines.size(), 1u);
    const std::wstring stamp = L"2024-03-05 07:08:09.000 ";
    return lines.empty() || lines[0].compare(0, stamp.size(), stamp) != 0 ? L"<no line>" : lines[0].substr(stamp.size());
}

TEST(EventLog, KeepsTheLast500OldestFirst)
{
    CEventLog log(SteppingClock());
    for (int i = 0; i < 503; ++i)
        log.Note(L"事件 " + std::to_wstring(i));
    EXPECT_EQ(log.Size(), CEventLog::kCapacity);
    const std::vector<std::wstring> lines = Lines(log.Text());
    ASSERT_EQ(lines.size(), 500u);
    EXPECT_EQ(lines.front(), L"2024-03-05 07:08:09.003 事件 3");
    EXPECT_EQ(lines.back(), L"2024-03-05 07:08:09.502 事件 502");

    log.Note(std::wstring(600, L'长'));
    EXPECT_EQ(Lines(log.Text()).back(), L"2024-03-05 07:08:09.503 " + std::wstring(511, L'长') + L"…");
    log.Clear();
    EXPECT_EQ(log.Text(), L"");
}

TEST(EventLog, OneLinePerEvent)
{
    std::vector<std::wstring> routes;
    for (int i = 0; i < 25; ++i)
        routes.push_back(L"10." + std::to_wstring(i) + L".0.0");
    std::wstring named = L"路由：25 条无法修改：10.0.0.0";
    for (int i = 1; i < 20; ++i)
        named += L", 10." + std::to_wstring(i) + L".0.0";
    const struct {
        std::function<void(CEventLog&)> action;
        std::wstring line;
    } cases[] = {
        {[](CEventLog& l) { l.LoginHostsTried({L"http://login1.qivra.net:8088/", L"login2.qivra.net"}); },
         L"登录：向 login1.qivra.net:8088, login2.qivra.net 请求登录"},
        {[](CEventLog& l) { l.LoginAnswered(L"http://login2.qivra.net:8088/client_login.php"); },
         L"登录：login2.qivra.net:8088 应答"},
        {[](CEventLog& l) { l.LoginEnded(L"登录被取消"); }, L"登录：登录被取消"},
        {[](CEventLog& l) { l.Selection(L"电信加速", L"北京一号", L"127.0.0.1", EVpnProtocol::OpenVpn); },
         L"选择：线路 电信加速，服务器 北京一号 (127.0.0.1)，协议 OpenVPN"},
        {[](CEventLog& l) { l.Selection(L"网通", L"天津", L"", std::nullopt); },
         L"选择：线路 网通，服务器 天津 ()，协议 未选"},
        {[](CEventLog& l) { l.ProxyInUse({2, L"127.0.0.9", 1080, L"someone", L"x"}); },
         L"代理：SOCKS5 127.0.0.9:1080，需要验证"},
        {[](CEventLog& l) { l.ProxyInUse({}); }, L"代理：不使用"},
        {[](CEventLog& l) { l.ConnectionState(L"正在连接", L"", L""); }, L"连接：状态 正在连接"},
        {[](CEventLog& l) { l.ConnectionState(L"已断开", L"无法连接", L"错误 678"); },
         L"连接：状态 已断开，错误 无法连接，详细 错误 678"},
        {[&](CEventLog& l) { l.RoutesFailed(routes); }, named + L", …"},
        {[](CEventLog& l) { l.ServicesRestarted(); }, L"服务：已重启拨号相关服务"},
        {[](CEventLog& l) { l.OpenVpnMarker(L"Initialization Sequence Completed"); },
         L"OpenVPN：Initialization Sequence Completed"},
        {[](CEventLog& l) { l.Note(L"第一行\r\n第二行\t完"); }, L"第一行  第二行 完"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineOf(c.action), c.line);
}

TEST(EventLog, RedactsFreeTextAndReducesUrlsToHosts)
{
    const struct {
        const wchar_t* text;
        const wchar_t* redacted;
    } cases[] = {
        {L"http://h:8088/client_login.php?username=demo&password=pw", L"http://h:8088/client_login.php"},
        {L"打开 http://demo:pw@h/a/b#pw 失败", L"打开 http://h/a/b 失败"},
        {L"(HTTPS://demo:p/w?#@h/x?y=1)", L"(HTTPS://h/x)"},
        {L"client_login.php?username=demo&password=pw&rf=x", L"client_login.php"},
        {L"代理 demo:pw@127.0.0.1:1080", L"代理 127.0.0.1:1080"},
        {L"mail support@qivra.net", L"mail support@qivra.net"},
        {L"Password=pw; token=t,mode=udp&PWD=p", L"Password=***; token=***,mode=udp&PWD=***"},
        {L"Enter Auth Password: 是否继续?", L"Enter Auth Password: 是否继续?"},
        {L"a\tb\r\nc", L"a b  c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RedactSecrets(c.text), c.redacted) << ::testing::PrintToString(std::wstring(c.text));

    EXPECT_EQ(HostOfUrl(L" http://demo:pw@login1.qivra.net:8088/client_login.php?password=pw "),
              L"login1.qivra.net:8088");
    EXPECT_EQ(HostOfUrl(L"http://demo:p/w?#@127.0.0.1:80\\x"), L"127.0.0.1:80");
    EXPECT_EQ(HostOfUrl(L"demo:pw@127.0.0.1"), L"127.0.0.1");
    EXPECT_EQ(HostOfUrl(L"127.0.0.1"), L"127.0.0.1");
}

// A login, a proxy and an OpenVPN session whose secrets are distinctive, fed through every entry
// point the way careless callers would: none of them may reach the log, while what support
// needs (hosts, titles, states) does.
TEST(EventLog, NeverHoldsASecret)
{
    const std::wstring password = L"Pw7f3a9登录密码";
    const std::wstring proxyPassword = L"Px88c1e代理密码";
    const std::wstring encoded = PercentEncodeAnsi(password);
    const std::wstring loginUrl = L"http://login1.qivra.net:8088/client_login.php?username=demo&password=" + encoded;
    const std::wstring routeUrl = L"http://demo:" + password + L"@login2.qivra.net:8088/client_login.php?routeid=1";

    CEventLog log(SteppingClock());
    log.LoginHostsTried({loginUrl, routeUrl});
    log.LoginAnswered(loginUrl);
    log.LoginEnded(L"失败：" + loginUrl);
    log.Selection(L"电信加速", L"北京一号", L"demo:" + password + L"@127.0.0.1", EVpnProtocol::OpenVpn);
    log.ProxyInUse({1, L"127.0.0.9", 8080, L"proxyuser", proxyPassword});
    log.ProxyInUse({2, L"u:" + proxyPassword + L"@127.0.0.9", 1080, L"u", proxyPassword});
    log.ConnectionState(L"正在连接", L"错误 " + routeUrl, L"password=" + password + L"; proxy_password=" + proxyPassword);
    log.RoutesFailed({L"10.0.0.0/8", L"u:" + proxyPassword + L"@127.0.0.9"});
    log.OpenVpnMarker(L"AUTH: Received AUTH_FAILED control message password=" + password);
    log.OpenVpnMarker(L"--http-proxy 127.0.0.9 8080 stdin u:" + proxyPassword + L"@127.0.0.9");
    log.Note(RedactSecrets(L"请求 " + loginUrl));
    log.ServicesRestarted();

    const std::wstring text = log.Text();
    for (const std::wstring& secret : {password, proxyPassword, encoded, std::wstring(L"7f3a9"),
                                       std::wstring(L"88c1e"), std::wstring(L"密码")})
        EXPECT_EQ(text.find(secret), std::wstring::npos) << "found " << ::testing::PrintToString(secret);
    for (const wchar_t* kept : {L"login1.qivra.net:8088, login2.qivra.net:8088", L"北京一号 (127.0.0.1)",
                                L"HTTP 127.0.0.9:8080，需要验证", L"SOCKS5 127.0.0.9:1080", L"AUTH_FAILED",
                                L"http://login1.qivra.net:8088/client_login.php"})
        EXPECT_NE(text.find(kept), std::wstring::npos) << "lost " << ::testing::PrintToString(std::wstring(kept));
}

TEST(EventLog, ManyThreadsAtOnce)
{
    CEventLog log(SteppingClock());
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.Note(L"线程" + std::to_wstring(t) + L"-" + std::to_wstring(i));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    const std::vector<std::wstring> lines = Lines(log.Text());
    ASSERT_EQ(lines.size(), 500u);
    // The clock is read under the lock: the kept lines are the last 500 stamps, in order.
    EXPECT_EQ(lines.front().substr(0, 23), L"2024-03-05 07:08:10.100");
    EXPECT_EQ(lines.back().substr(0, 23), L"2024-03-05 07:08:10.599");
}

}  // namespace
