#include "app/event_log.h"

#include <chrono>
#include <ctime>
#include <tuple>

#include "base/text.h"

namespace {

constexpr wchar_t kRedacted[] = L"***";
constexpr wchar_t kCut[] = L"…";

// Where a token ends: blanks, quotes and brackets. Commas and semicolons stay inside, so that a
// query such as "?a=1,2&password=x" is never split before its secret.
bool EndsToken(wchar_t c)
{
    return IsBlank(c) || c == L'"' || c == L'\'' || c == L'<' || c == L'>' || c == L'(' || c == L')' ||
           c == L'[' || c == L']' || c == L'{' || c == L'}';
}

bool NamesASecret(std::wstring_view key)
{
    const std::wstring lower = ToLowerAscii(key);
    for (const wchar_t* word : {L"pass", L"pwd", L"secret", L"token"}) {
        if (lower.find(word) != std::wstring::npos)
            return true;
    }
    return false;
}

bool EndsPair(wchar_t c) { return c == L'&' || c == L';' || c == L','; }

// "key=value" pairs whose key names a secret keep the key only.
std::wstring RedactPairs(std::wstring_view token)
{
    std::wstring result;
    size_t keyStart = 0;
    size_t i = 0;
    while (i < token.size()) {
        const wchar_t c = token[i];
        result += c;
        ++i;
        if (EndsPair(c) || c == L'?') {
            keyStart = i;
        } else if (c == L'=' && NamesASecret(token.substr(keyStart, i - 1 - keyStart))) {
            result += kRedacted;
            while (i < token.size() && !EndsPair(token[i]))
                ++i;
        }
    }
    return result;
}

std::wstring RedactToken(std::wstring_view token)
{
    std::wstring text(token);
    const size_t scheme = text.find(L"://");
    const size_t authority = scheme == std::wstring::npos ? 0 : scheme + 3;

    // User-info: everything up to the last '@'. With a scheme that is always taken for
    // user-info, even past a '?' or '/' that a careless password holds (an '@' in a path or
    // query costs only what comes before it); without one only when a ':' shows a password, so
    // that mail addresses stay.
    const size_t at = text.rfind(L'@');
    if (at != std::wstring::npos && at >= authority) {
        const bool showsPassword = text.find(L':', authority) < at;
        if (scheme != std::wstring::npos || showsPassword)
            text.erase(authority, at + 1 - authority);
    }

    // A query or fragment: gone from a URL; from anything else when it carries a value.
    const size_t cut = text.find_first_of(scheme != std::wstring::npos ? L"?#" : L"?", authority);
    if (cut != std::wstring::npos && (scheme != std::wstring::npos || text.find(L'=', cut) != std::wstring::npos))
        text.erase(cut);

    return RedactPairs(text);
}

void AppendNumber(std::wstring& text, int value, size_t width)
{
    std::wstring digits = std::to_wstring(value < 0 ? 0 : value);
    if (digits.size() < width)
        text.append(width - digits.size(), L'0');
    text += digits;
}

std::wstring JoinHosts(const std::vector<std::wstring>& urls)
{
    std::wstring hosts;
    for (const std::wstring& url : urls) {
        if (!hosts.empty())
            hosts += L", ";
        hosts += HostOfUrl(url);
    }
    return hosts;
}

const wchar_t* ProtocolName(std::optional<EVpnProtocol> protocol)
{
    if (!protocol)
        return L"未选";
    switch (*protocol) {
    case EVpnProtocol::Pptp:
        return L"PPTP";
    case EVpnProtocol::L2tp:
        return L"L2TP";
    case EVpnProtocol::OpenVpn:
        return L"OpenVPN";
    }
    return L"未知";
}

const wchar_t* ProxyTypeName(int32_t type)
{
    switch (type) {
    case static_cast<int32_t>(EProxyType::Http):
        return L"HTTP";
    case static_cast<int32_t>(EProxyType::Socks5):
        return L"SOCKS5";
    default:
        return L"未知类型";
    }
}

}  // namespace

SEventTime LocalEventTime()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    // The C run-time of Windows keeps localtime's result per thread.
    if (const std::tm* converted = std::localtime(&seconds))
        local = *converted;
#else
    localtime_r(&seconds, &local);
#endif
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return SEventTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min,         local.tm_sec,     static_cast<int>(milliseconds)};
}

std::wstring RedactSecrets(std::wstring_view text)
{
    std::wstring result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (EndsToken(text[i])) {
            // One line per event: a line break in the text would make a second, undated one.
            result += IsBlank(text[i]) ? L' ' : text[i];
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !EndsToken(text[end]))
            ++end;
        result += RedactToken(text.substr(i, end - i));
        i = end;
    }
    return result;
}

std::wstring HostOfUrl(std::wstring_view url)
{
    std::wstring text = TrimBlanks(url);
    for (size_t i = 0; i < text.size(); ++i) {
        if (EndsToken(text[i])) {
            text.resize(i);
            break;
        }
    }
    const size_t scheme = text.find(L"://");
    size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
    // User-info ends at the last '@', whatever a careless password holds before it.
    const size_t at = text.rfind(L'@');
    if (at != std::wstring::npos && at >= start)
        start = at + 1;
    const size_t end = text.find_first_of(L"/\\?#", start);
    return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

CEventLog::CEventLog(Clock clock) : m_clock(std::move(clock)) {}

void CEventLog::LoginHostsTried(const std::vector<std::wstring>& urls)
{
    Add(L"登录：向 " + JoinHosts(urls) + L" 请求登录");
}

void CEventLog::LoginAnswered(std::wstring_view url)
{
    Add(L"登录：" + HostOfUrl(url) + L" 应答");
}

void CEventLog::LoginEnded(std::wstring_view outcome)
{
    Add(L"登录：" + std::wstring(outcome));
}

void CEventLog::Selection(std::wstring_view route, std::wstring_view serverTitle, std::wstring_view serverHost,
                          std::optional<EVpnProtocol> protocol)
{
    Add(L"选择：线路 " + std::wstring(route) + L"，服务器 " + std::wstring(serverTitle) + L" (" +
        HostOfUrl(serverHost) + L")，协议 " + ProtocolName(protocol));
}

void CEventLog::ProxyInUse(const SProxySettings& proxy)
{
    if (!proxy.Enabled()) {
        Add(L"代理：不使用");
        return;
    }
    std::wstring text = L"代理：" + std::wstring(ProxyTypeName(proxy.type)) + L" " + HostOfUrl(proxy.server) +
                        L":" + std::to_wstring(proxy.port);
    if (!proxy.userName.empty())
        text += L"，需要验证";
    Add(text);
}

void CEventLog::ConnectionState(std::wstring_view state, std::wstring_view error, std::wstring_view detail)
{
    std::wstring text = L"连接：状态 " + std::wstring(state);
    if (!error.empty())
        text += L"，错误 " + std::wstring(error);
    if (!detail.empty())
        text += L"，详细 " + std::wstring(detail);
    Add(text);
}

void CEventLog::RoutesFailed(const std::vector<std::wstring>& routes)
{
    std::wstring text = L"路由：" + std::to_wstring(routes.size()) + L" 条无法修改";
    for (size_t i = 0; i < routes.size() && i < kRoutesNamed; ++i)
        text += (i == 0 ? L"：" : L", ") + routes[i];
    if (routes.size() > kRoutesNamed)
        text += L", …";
    Add(text);
}

void CEventLog::ServicesRestarted() { Add(L"服务：已重启拨号相关服务"); }

void CEventLog::OpenVpnMarker(std::wstring_view text) { Add(L"OpenVPN：" + std::wstring(text)); }

void CEventLog::Note(std::wstring_view text) { Add(text); }

void CEventLog::Add(std::wstring_view text)
{
    std::wstring entry = RedactSecrets(text);
    if (entry.size() > kMaxEntryLength) {
        entry.resize(kMaxEntryLength - 1);
        entry += kCut;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.push_back(SEntry{m_clock ? m_clock() : SEventTime{}, std::move(entry)});
    while (m_entries.size() > kCapacity)
        m_entries.pop_front();
}

std::wstring CEventLog::Text() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::wstring text;
    for (const SEntry& entry : m_entries) {
        // "YYYY-MM-DD HH:MM:SS.mmm ": each field with its width and the character after it.
        const SEventTime& time = entry.time;
        const std::tuple<int, size_t, wchar_t> stamp[] = {
            {time.year, 4, L'-'},   {time.month, 2, L'-'},  {time.day, 2, L' '},          {time.hour, 2, L':'},
            {time.minute, 2, L':'}, {time.second, 2, L'.'}, {time.millisecond, 3, L' '},
        };
        for (const auto& [value, width, separator] : stamp) {
            AppendNumber(text, value, width);
            text += separator;
        }
        text += entry.text;
        text += L"\r\n";
    }
    return text;
}

size_t CEventLog::Size() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_entries.size();
}

void CEventLog::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.clear();
}

CEventLog& TheEventLog()
{
    static CEventLog log;
    return log;
}
