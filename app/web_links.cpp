#include "app/web_links.h"

#include "app/login_rules.h"
#include "res/resource.h"

namespace {
struct SLink {
    int command;
    bool forum;       // on the forum host rather than the web host
    const wchar_t* path;
    bool tagged;      // carries the referral tag
};

constexpr SLink kLinks[] = {
    {IDC_LINK_REGISTER, false, L"/register.php", true},
    {IDC_LINK_RECHARGE, false, L"/buyvpn.php", true},
    {ID_TRAY_RECHARGE, false, L"/buyvpn.php", true},
    {IDC_LINK_FREE_TEST, false, L"/freetest.php", true},
    {IDC_LINK_HELP, false, L"/faq.php", true},
    {IDC_LINK_AFFILIATE, false, L"/union.php", true},
    {ID_TRAY_HOMEPAGE, false, L"/", true},
    {ID_TRAY_FORUM, true, L"/", false},
    {ID_TRAY_GAME_CARD, false, L"/buycard.php", false},
};
}  // namespace

std::wstring WebLinkUrl(int commandId, const SWebHosts& hosts)
{
    for (const SLink& link : kLinks) {
        if (link.command != commandId)
            continue;
        std::wstring url = L"http://" + (link.forum ? hosts.forumHost : hosts.webHost) + link.path;
        return link.tagged ? TagUrl(url, hosts.referralTag) : url;
    }
    return {};
}

std::wstring NoticePageUrl(std::wstring_view webHost, std::wstring_view referralTag)
{
    return TagUrl(L"http://" + std::wstring(webHost) + L"/client_notice.php", referralTag);
}
