#pragma once

// The rules of the login exchange that need no window: the texts it shows, the URLs it sends,
// the version gate, the reading of the authentication result and of the route document.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace login_text {
inline constexpr wchar_t kEnterUserName[] = L"请输入有效用户名";
inline constexpr wchar_t kPreparing[] = L"准备登录信息……";
inline constexpr wchar_t kCancelled[] = L"登录被取消";
inline constexpr wchar_t kSelectionCancelled[] = L"登录被取消。";
inline constexpr wchar_t kNetworkOrServerError[] = L"网络不通，或者服务器返回错误，无法继续登录。";
inline constexpr wchar_t kAlreadyConnected[] = L"Qivra网络加速器已经连接过，请先断开原有连接。";
}  // namespace login_text

// Splits the semicolon-separated base URL list; pieces are trimmed, empty ones dropped.
std::vector<std::wstring> SplitBaseUrls(std::wstring_view list);

// Appends "rf=" + referral tag, after "&" if the URL has a query already, else after "?".
std::wstring TagUrl(std::wstring_view url, std::wstring_view referralTag);

// base + "client_login.php?username=...&password=...&cmd=login", tagged. User name and
// password go percent-encoded in their ANSI form.
std::wstring BuildLoginUrl(std::wstring_view base, std::wstring_view userName, std::wstring_view password,
                           std::wstring_view referralTag);
// The same with "&cmd=getvpnroutes&id=" + the percent-encoded route identifier.
std::wstring BuildRouteListUrl(std::wstring_view base, std::wstring_view userName, std::wstring_view password,
                               std::wstring_view routeId, std::wstring_view referralTag);

// "http://" + web host + "/", tagged: the home page, also opened for an expired account.
std::wstring HomePageUrl(std::wstring_view webHost, std::wstring_view referralTag);

// A client version as one number: a.b.c.d packed in 16-bit steps, the way the version resource
// packs file versions.
uint64_t MakeClientVersion(uint32_t a, uint32_t b, uint32_t c, uint32_t d);

// Reads four numbers as the C run-time's "%u.%u.%u.%u" would (blanks before each number
// skipped, a sign allowed, each number up to its first non-digit, wrapped to 32 bits) and packs
// them as ((a*65536+b)*65536+c)*65536+d. False when fewer than four numbers are there.
bool ParseRequiredVersion(std::wstring_view text, uint64_t& version);

// Text of the box that announces a forced upgrade.
std::wstring UpgradeMessage(std::wstring_view webHost);

// What the exchange does with the authentication result of the login document.
struct SAuthVerdict {
    bool accepted = false;      // go on to the selection
    std::wstring box;           // message box text, shown first (empty: none)
    std::wstring status;        // status line text, shown after the box
    bool openHomePage = false;  // expired account: show where to renew
};
SAuthVerdict EvaluateAuthResult(std::wstring_view authResult, std::wstring_view authResultMessage,
                                std::wstring_view webHost);

// The route document's lines: text up to the first zero byte, split at LF, each line converted
// from ANSI and stripped of CR at both ends; empty lines dropped.
std::vector<std::wstring> ParseRouteDocument(std::string_view document);
