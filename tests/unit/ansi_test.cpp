#include "base/ansi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "Qivra网络加速器" in code page 936.
const std::string kProductGbk = "Qivra\xCD\xF8\xC2\xE7\xBC\xD3\xCB\xD9\xC6\xF7";

TEST(AnsiConversion, GbkRoundTrip)
{
    EXPECT_EQ(kProductGbk, WideToAnsi(L"Qivra网络加速器"));
    EXPECT_EQ(L"Qivra网络加速器", AnsiToWide(kProductGbk));

    const std::wstring mixed = L"程序已经运行。您可以在任务栏右下角图标区双击“Qivra网络加速器”图标显示已经运行的程序。";
    EXPECT_EQ(mixed, AnsiToWide(WideToAnsi(mixed)));
    EXPECT_EQ(L"\x20AC", AnsiToWide("\x80"));  // code page 936 has the euro sign at 0x80

    // Long texts cross the converter's internal buffer size.
    std::wstring longText;
    for (int i = 0; i < 2000; ++i)
        longText += L"电信a";
    EXPECT_EQ(longText, AnsiToWide(WideToAnsi(longText)));
}

TEST(AnsiConversion, EmptyAsciiAndNul)
{
    EXPECT_EQ("", WideToAnsi(L""));
    EXPECT_EQ(L"", AnsiToWide(""));
    EXPECT_EQ("route ADD 10.0.0.0 MASK 255.0.0.0", WideToAnsi(L"route ADD 10.0.0.0 MASK 255.0.0.0"));
    EXPECT_EQ(std::wstring(L"a\0b", 3), AnsiToWide(std::string("a\0b", 3)));
    EXPECT_EQ(std::string("a\0b", 3), WideToAnsi(std::wstring(L"a\0b", 3)));
}

TEST(AnsiConversion, BadInputKeepsTheRest)
{
    // 0xFF is no GBK character; the system substitutes a character of its own, we U+FFFD.
    const std::wstring decoded = AnsiToWide("A\xFF" "B");
    ASSERT_EQ(3u, decoded.size());
    EXPECT_EQ(L'A', decoded[0]);
    EXPECT_NE(L'\xFF', decoded[1]);
    EXPECT_EQ(L'B', decoded[2]);

    // A lead byte cut off at the end.
    const std::wstring truncated = AnsiToWide("AB\xCD");
    ASSERT_GE(truncated.size(), 2u);
    EXPECT_EQ(L"AB", truncated.substr(0, 2));
    EXPECT_LE(truncated.size(), 3u);

    // Characters without a GBK form become '?'.
    EXPECT_EQ("a?b", WideToAnsi(L"a\x0E01" L"b"));
}

}  // namespace
