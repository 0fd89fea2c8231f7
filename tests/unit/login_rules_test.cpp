#include "app/login_rules.h"

#include <gtest/gtest.h>

TEST(LoginRules, BaseUrlListIsTrimmedAndKeepsOrder)
{
    EXPECT_EQ(SplitBaseUrls(L" http://b:8088/ ;;\thttp://a:8088/;  ;"),
              (std::vector<std::wstring>{L"http://b:8088/", L"http://a:8088/"}));
    EXPECT_TRUE(SplitBaseUrls(L" ; ").empty());
}

TEST(LoginRules, TagSeparatorDependsOnQuery)
{
    EXPECT_EQ(TagUrl(L"http://w/register.php", L"main"), L"http://w/register.php?rf=main");
    EXPECT_EQ(TagUrl(L"http://w/p?x=1", L"main"), L"http://w/p?x=1&rf=main");
    EXPECT_EQ(HomePageUrl(L"www.example.test", L"main"), L"http://www.example.test/?rf=main");
}

TEST(LoginRules, RequestUrlsCarryPercentEncodedFields)
{
    EXPECT_EQ(BuildLoginUrl(L"http://h:8088/", L"a&b=c", L"p#%+ 1", L"main"),
              L"http://h:8088/client_login.php?username=a%26b%3Dc&password=p%23%25%2B%201&cmd=login&rf=main");
    EXPECT_EQ(BuildRouteListUrl(L"http://h2/", L"用户", L"pw", L"r&1", L"main"),
              L"http://h2/client_login.php?username=%D3%C3%BB%A7&password=pw&cmd=getvpnroutes&id=r%261&rf=main");
}

TEST(LoginRules, RequiredVersionScannedLikePercentU)
{
    uint64_t version = 0;
    ASSERT_TRUE(ParseRequiredVersion(L"1.1.0.0", version));
    EXPECT_EQ(version, MakeClientVersion(1, 1, 0, 0));
    EXPECT_EQ(version, (uint64_t{1} << 48) | (uint64_t{1} << 32));

    ASSERT_TRUE(ParseRequiredVersion(L"  2. 3.4.5beta", version));
    EXPECT_EQ(version, MakeClientVersion(2, 3, 4, 5));

    for (const wchar_t* bad : {L"", L"1.1.0", L"1.1.0.", L"1,1,0,0", L"v1.1.0.0", L"1 .1.0.0"})
        EXPECT_FALSE(ParseRequiredVersion(bad, version)) << bad;
}

TEST(LoginRules, VersionOrder)
{
    const uint64_t own = MakeClientVersion(1, 1, 0, 0);
    uint64_t required = 0;
    ASSERT_TRUE(ParseRequiredVersion(L"1.1.0.1", required));
    EXPECT_LT(own, required);
    ASSERT_TRUE(ParseRequiredVersion(L"1.0.65535.65535", required));
    EXPECT_GT(own, required);
}

TEST(LoginRules, AuthenticationResultTable)
{
    struct Row {
        const wchar_t* result;
        bool accepted;
        const wchar_t* box;
        const wchar_t* status;
        bool homePage;
    };
    const Row rows[] = {
        {L"OK", true, L"", L"", false},
        {L"ok", true, L"", L"", false},
        {L"WrongPassword", false, L"用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。", L"登录失败", false},
        {L"", false, L"用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。", L"登录失败", false},
        {L"LOCKED", false, L"您的帐户由于违反加速服务的使用条款已被锁定。", L"帐户被锁定", false},
        {L"expired", false, L"您的帐户已经过期，请访问www.example.test进行续费操作。", L"帐户到期", true},
        {L"ErrorByMessage", false, L"登录出错：余额不足", L"登录出错", false},
        {L"Maintenance", false, L"登录失败。原因：Maintenance", L"登录出错", false},
        {L" OK", false, L"登录失败。原因： OK", L"登录出错", false},
    };
    for (const Row& row : rows) {
        const SAuthVerdict verdict = EvaluateAuthResult(row.result, L"余额不足", L"www.example.test");
        EXPECT_EQ(verdict.accepted, row.accepted) << row.result;
        EXPECT_EQ(verdict.box, row.box) << row.result;
        EXPECT_EQ(verdict.status, row.status) << row.result;
        EXPECT_EQ(verdict.openHomePage, row.homePage) << row.result;
    }
}

TEST(LoginRules, UpgradeMessageNamesTheWebHost)
{
    EXPECT_EQ(UpgradeMessage(L"www.example.test"),
              L"您的Qivra网络加速器需要升级。点确定后退出程序并打开升级页面。\n\n或者您可以在浏览器中访问 "
              L"www.example.test 获取新版本。");
}

TEST(LoginRules, RouteDocumentLines)
{
    const std::string document = "10.0.0.0 mask 255.0.0.0\r\n\r\n\n\r\r\n172.16.0.0 mask 255.240.0.0\n"
                                 "\xd6\xd0\r\n";
    EXPECT_EQ(ParseRouteDocument(document),
              (std::vector<std::wstring>{L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0", L"中"}));

    const char zeroInside[] = "1.0.0.0 mask 255.0.0.0\n\0002.0.0.0 mask 255.0.0.0\n";
    EXPECT_EQ(ParseRouteDocument(std::string(zeroInside, sizeof zeroInside - 1)),
              (std::vector<std::wstring>{L"1.0.0.0 mask 255.0.0.0"}));
    EXPECT_TRUE(ParseRouteDocument("").empty());
}
