#include "app/web_links.h"
#include "res/resource.h"

#include <gtest/gtest.h>

TEST(WebLinks, TaggedAndUntaggedPages)
{
    const SWebHosts hosts{L"www.example.test", L"bbs.example.test", L"main"};
    EXPECT_EQ(WebLinkUrl(IDC_LINK_REGISTER, hosts), L"http://www.example.test/register.php?rf=main");
    // The recharge link and the tray's recharge item open the same page.
    EXPECT_EQ(WebLinkUrl(IDC_LINK_RECHARGE, hosts), L"http://www.example.test/buyvpn.php?rf=main");
    EXPECT_EQ(WebLinkUrl(ID_TRAY_RECHARGE, hosts), WebLinkUrl(IDC_LINK_RECHARGE, hosts));
    EXPECT_EQ(WebLinkUrl(IDC_LINK_FREE_TEST, hosts), L"http://www.example.test/freetest.php?rf=main");
    EXPECT_EQ(WebLinkUrl(IDC_LINK_HELP, hosts), L"http://www.example.test/faq.php?rf=main");
    EXPECT_EQ(WebLinkUrl(IDC_LINK_AFFILIATE, hosts), L"http://www.example.test/union.php?rf=main");
    EXPECT_EQ(WebLinkUrl(ID_TRAY_HOMEPAGE, hosts), L"http://www.example.test/?rf=main");
    // The forum and the game-card shop are opened without the tag.
    EXPECT_EQ(WebLinkUrl(ID_TRAY_FORUM, hosts), L"http://bbs.example.test/");
    EXPECT_EQ(WebLinkUrl(ID_TRAY_GAME_CARD, hosts), L"http://www.example.test/buycard.php");
    EXPECT_EQ(WebLinkUrl(ID_TRAY_EXIT, hosts), L"");
    EXPECT_EQ(NoticePageUrl(hosts.webHost, hosts.referralTag), L"http://www.example.test/client_notice.php?rf=main");
    EXPECT_EQ(NoticePageUrl(L"127.0.0.1:8088", L"main"), L"http://127.0.0.1:8088/client_notice.php?rf=main");
}
