#include "base/url.h"

#include <gtest/gtest.h>

TEST(PercentEncode, ReservedBytesAndBlanks)
{
    EXPECT_EQ(PercentEncode("a&b=c#d%e+f g"), "a%26b%3Dc%23d%25e%2Bf%20g");
    EXPECT_EQ(PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(PercentEncode(std::string("\t\x7f\x80\xff", 4)), "%09%7F%80%FF");
    EXPECT_EQ(PercentEncode(""), "");
}

TEST(PercentEncode, ChineseGoesOutInGbk)
{
    // 中 is D6 D0 and 文 is CE C4 in GBK.
    EXPECT_EQ(PercentEncodeAnsi(L"中文 a&b"), L"%D6%D0%CE%C4%20a%26b");
}

TEST(SplitHttpUrl, HostPortAndTarget)
{
    const SHttpUrlParts withPort = SplitHttpUrl(L"http://127.0.0.1:8088/client_login.php?x=1");
    EXPECT_TRUE(withPort.valid);
    EXPECT_EQ(withPort.host, "127.0.0.1");
    EXPECT_EQ(withPort.port, 8088);
    EXPECT_EQ(withPort.target, "/client_login.php?x=1");

    const SHttpUrlParts defaultPort = SplitHttpUrl(L"http://localhost/a/b");
    EXPECT_EQ(defaultPort.host, "localhost");
    EXPECT_EQ(defaultPort.port, 80);
    EXPECT_EQ(defaultPort.target, "/a/b");

    const SHttpUrlParts noPath = SplitHttpUrl(L"http://localhost:81");
    EXPECT_EQ(noPath.port, 81);
    EXPECT_EQ(noPath.target, "/");
}

TEST(SplitHttpUrl, PortReadLikeAtoiAndCutTo16Bits)
{
    EXPECT_EQ(SplitHttpUrl(L"http://h:8088abc/").port, 8088);
    EXPECT_EQ(SplitHttpUrl(L"http://h:70000/").port, 70000 - 65536);
    EXPECT_EQ(SplitHttpUrl(L"http://h:x/").port, 0);
    EXPECT_EQ(SplitHttpUrl(L"http://h:-1/").port, 65535);
}

TEST(SplitHttpUrl, UnusableUrls)
{
    EXPECT_FALSE(SplitHttpUrl(L"").valid);
    EXPECT_FALSE(SplitHttpUrl(L"http:///path").valid);
    EXPECT_FALSE(SplitHttpUrl(L"http://:8088/").valid);
    EXPECT_FALSE(SplitHttpUrl(L"http://h/a\r\nX-Injected: 1").valid);
}

TEST(IsWebUrl, OnlyHttpAndHttps)
{
    EXPECT_TRUE(IsWebUrl(L"http://www.example.test/update"));
    EXPECT_TRUE(IsWebUrl(L"HTTPS://www.example.test/"));
    EXPECT_FALSE(IsWebUrl(L"file:///C:/Windows/system32/calc.exe"));
    EXPECT_FALSE(IsWebUrl(L"C:\\evil.exe"));
    EXPECT_FALSE(IsWebUrl(L" http://x/"));
    EXPECT_FALSE(IsWebUrl(L""));
}
