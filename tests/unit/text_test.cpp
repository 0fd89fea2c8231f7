#include "base/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, TrimBlanks)
{
    EXPECT_EQ(L"a b", TrimBlanks(L" \t\r\n\v\fa b\f\v\n\r\t "));
    EXPECT_EQ(L"", TrimBlanks(L" \t "));
    EXPECT_EQ(L"", TrimBlanks(L""));
    EXPECT_EQ(L"x", TrimBlanks(L"x"));
    EXPECT_EQ(L"\x3000网通\x3000", TrimBlanks(L" \x3000网通\x3000 "));  // only ASCII blanks go
}

TEST(Text, AsciiCaseFolding)
{
    EXPECT_TRUE(EqualsIgnoreCase(L"AuthResult", L"AUTHRESULT"));
    EXPECT_TRUE(EqualsIgnoreCase(L"", L""));
    EXPECT_FALSE(EqualsIgnoreCase(L"ok", L"ok "));
    EXPECT_FALSE(EqualsIgnoreCase(L"[", L"{"));  // 0x5B and 0x7B differ by the case bit
    EXPECT_FALSE(EqualsIgnoreCase(L"Ä", L"ä"));
    EXPECT_EQ(L"openvpn@[]z", ToLowerAscii(L"OpenVPN@[]Z"));

    EXPECT_TRUE(ContainsIgnoreCase(L"PPTP,L2TP", L"l2tp"));
    EXPECT_FALSE(ContainsIgnoreCase(L"pptp", L"openvpn"));
    EXPECT_FALSE(ContainsIgnoreCase(L"pp", L"pptp"));
    EXPECT_TRUE(ContainsIgnoreCase(L"", L""));
}

}  // namespace
