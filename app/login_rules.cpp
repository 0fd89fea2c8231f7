#include "app/login_rules.h"

#include "base/ansi.h"
#include "base/text.h"
#include "base/url.h"

namespace {
std::wstring QueryBase(std::wstring_view base, std::wstring_view userName, std::wstring_view password)
{
    std::wstring url(base);
    url += L"client_login.php?username=";
    url += PercentEncodeAnsi(userName);
    url += L"&password=";
    url += PercentEncodeAnsi(password);
    return url;
}

bool IsBlankWide(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

// One "%u" conversion: blanks, an optional sign, at least one digit.
bool ScanUnsigned(std::wstring_view& text, uint32_t& value)
{
    while (!text.empty() && IsBlankWide(text.front()))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < L'0' || text.front() > L'9')
        return false;
    value = 0;
    for (; !text.empty() && text.front() >= L'0' && text.front() <= L'9'; text.remove_prefix(1))
        value = value * 10u + static_cast<uint32_t>(text.front() - L'0');
    if (negative)
        value = 0u - value;
    return true;
}
}  // namespace

std::vector<std::wstring> SplitBaseUrls(std::wstring_view list)
{
    std::vector<std::wstring> urls;
    for (;;) {
        const size_t separator = list.find(L';');
        std::wstring url = TrimBlanks(list.substr(0, separator));
        if (!url.empty())
            urls.push_back(std::move(url));
        if (separator == std::wstring_view::npos)
            return urls;
        list.remove_prefix(separator + 1);
    }
}

std::wstring TagUrl(std::wstring_view url, std::wstring_view referralTag)
{
    std::wstring tagged(url);
    tagged += url.find(L'?') == std::wstring_view::npos ? L"?rf=" : L"&rf=";
    tagged += referralTag;
    return tagged;
}

std::wstring BuildLoginUrl(std::wstring_view base, std::wstring_view userName, std::wstring_view password,
                           std::wstring_view referralTag)
{
    return TagUrl(QueryBase(base, userName, password) + L"&cmd=login", referralTag);
}

std::wstring BuildRouteListUrl(std::wstring_view base, std::wstring_view userName, std::wstring_view password,
                               std::wstring_view routeId, std::wstring_view referralTag)
{
    return TagUrl(QueryBase(base, userName, password) + L"&cmd=getvpnroutes&id=" + PercentEncodeAnsi(routeId),
                  referralTag);
}

std::wstring HomePageUrl(std::wstring_view webHost, std::wstring_view referralTag)
{
    return TagUrl(L"http://" + std::wstring(webHost) + L"/", referralTag);
}

uint64_t MakeClientVersion(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return ((uint64_t{a} * 65536u + b) * 65536u + c) * 65536u + d;
}

bool ParseRequiredVersion(std::wstring_view text, uint64_t& version)
{
    uint32_t parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != L'.')
                return false;
            text.remove_prefix(1);
        }
        if (!ScanUnsigned(text, parts[i]))
            return false;
    }
    version = MakeClientVersion(parts[0], parts[1], parts[2], parts[3]);
    return true;
}

std::wstring UpgradeMessage(std::wstring_view webHost)
{
    return L"您的Qivra网络加速器需要升级。点确定后退出程序并打开升级页面。\n\n或者您可以在浏览器中访问 " +
           std::wstring(webHost) + L" 获取新版本。";
}

SAuthVerdict EvaluateAuthResult(std::wstring_view authResult, std::wstring_view authResultMessage,
                                std::wstring_view webHost)
{
    SAuthVerdict verdict;
    if (EqualsIgnoreCase(authResult, L"OK")) {
        verdict.accepted = true;
    } else if (authResult.empty() || EqualsIgnoreCase(authResult, L"WrongPassword")) {
        verdict.box = L"用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。";
        verdict.status = L"登录失败";
    } else if (EqualsIgnoreCase(authResult, L"Locked")) {
        verdict.box = L"您的帐户由于违反加速服务的使用条款已被锁定。";
        verdict.status = L"帐户被锁定";
    } else if (EqualsIgnoreCase(authResult, L"Expired")) {
        verdict.box = L"您的帐户已经过期，请访问" + std::wstring(webHost) + L"进行续费操作。";
        verdict.status = L"帐户到期";
        verdict.openHomePage = true;
    } else if (EqualsIgnoreCase(authResult, L"ErrorByMessage")) {
        verdict.box = L"登录出错：" + std::wstring(authResultMessage);
        verdict.status = L"登录出错";
    } else {
        verdict.box = L"登录失败。原因：" + std::wstring(authResult);
        verdict.status = L"登录出错";
    }
    return verdict;
}

std::vector<std::wstring> ParseRouteDocument(std::string_view document)
{
    document = document.substr(0, document.find('\0'));
    std::vector<std::wstring> lines;
    while (!document.empty()) {
        const size_t lineEnd = document.find('\n');
        const std::string_view piece = document.substr(0, lineEnd);
        document = lineEnd == std::string_view::npos ? std::string_view() : document.substr(lineEnd + 1);
        if (piece.empty())
            continue;
        std::wstring line = AnsiToWide(piece);
        const size_t first = line.find_first_not_of(L'\r');
        if (first == std::wstring::npos)
            continue;
        const size_t last = line.find_last_not_of(L'\r');
        lines.push_back(line.substr(first, last - first + 1));
    }
    return lines;
}
