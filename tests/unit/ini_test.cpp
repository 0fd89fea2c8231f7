#include "app/ini.h"

#include "base/ansi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct LookupCase {
    const char* file;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* expected;  // the default is always "<d>"
};

void ExpectLookups(const LookupCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const LookupCase& c = cases[i];
        EXPECT_EQ(c.expected, CIniDocument::Parse(c.file).GetString(c.section, c.key, L"<d>"))
            << "case " << i << ": " << c.file;
    }
}

TEST(IniValues, TrimmingQuotesAndEquals)
{
    static const LookupCase cases[] = {
        {"[S]\nk=v", L"S", L"k", L"v"},
        {"[S]\n  k \t=\t v w \t\n", L"S", L"k", L"v w"},
        {"[S]\nk=a=b", L"S", L"k", L"a=b"},
        {"[S]\nk==", L"S", L"k", L"="},
        {"[S]\nk=\"quoted\"", L"S", L"k", L"quoted"},
        {"[S]\nk='quoted'", L"S", L"k", L"quoted"},
        {"[S]\nk=\"  inner blanks kept \"", L"S", L"k", L"  inner blanks kept "},
        {"[S]\nk=\"\"", L"S", L"k", L""},
        {"[S]\nk=\"", L"S", L"k", L"\""},
        {"[S]\nk=\"mixed'", L"S", L"k", L"\"mixed'"},
        {"[S]\nk=\"open", L"S", L"k", L"\"open"},
        {"[S]\nk=\"\"x\"\"", L"S", L"k", L"\"x\""},
        {"[S]\nk=a\"b\"", L"S", L"k", L"a\"b\""},
        {"[S]\nk=", L"S", L"k", L""},
        {"[S]\nk =   \t", L"S", L"k", L""},
        {"[S]\nk", L"S", L"k", L"<d>"},
        {"[S]\nk ; comment", L"S", L"k", L"<d>"},
        {"[S]\nk=v ; not a comment", L"S", L"k", L"v ; not a comment"},
        {"[S]\n;k=v", L"S", L";k", L"v"},
        {"[S]\nk=\x1av\x1a\v", L"S", L"k", L"v"},
    };
    ExpectLookups(cases, std::size(cases));
}

TEST(IniNames, MatchingRules)
{
    static const LookupCase cases[] = {
        {"[Main]\nLoginURL=x", L"MAIN", L"loginurl", L"x"},
        {"[Main]\nLoginURL=x", L" \tMain\r ", L"  LoginURL ", L"x"},
        {"[ Main\t]\nk=x", L"Main", L"k", L"x"},
        {"[Ma in]\nk=x", L"Ma  in", L"k", L"<d>"},
        {"[a]b]\nk=x", L"a]b", L"k", L"x"},
        {"[a] trailing\nk=x", L"a", L"k", L"x"},
        {"[noclose\nk=x", L"noclose", L"k", L"<d>"},
        {"[noclose\nk=x", L"", L"k", L"x"},
        {"[noclose\nk=x", L"", L"[noclose", L"<d>"},
        {"[A]\nk=1\n[a]\nk=2\nj=3", L"a", L"k", L"1"},
        {"[A]\nk=1\n[a]\nk=2\nj=3", L"a", L"j", L"<d>"},
        {"[A]\nk=1\nK=2", L"A", L"k", L"1"},
        {"[A]\nk\nk=2", L"A", L"k", L"<d>"},
        {"k=top\n[A]\nk=in", L"", L"k", L"top"},
        {"k=top\n[A]\nk=in", L"  ", L"k", L"top"},
        {"k=top\n[A]\nk=in", L"A", L"k", L"in"},
        {"[]\nk=x", L"", L"k", L"<d>"},
        {"[A]\nk=x", L"B", L"k", L"<d>"},
        {"[A]\nk=x", L"A", L"j", L"<d>"},
    };
    ExpectLookups(cases, std::size(cases));
}

TEST(IniNames, TextAfterNulIsIgnored)
{
    const std::string file("[Se\0c]\nke\0y=va\0lue\n", 19);
    const CIniDocument document = CIniDocument::Parse(file);
    EXPECT_EQ(L"va", document.GetString(L"Se", L"ke", L"<d>"));
    EXPECT_EQ(L"<d>", document.GetString(L"Sec", L"ke", L"<d>"));
    EXPECT_EQ(L"va", document.GetString(std::wstring(L"Se\0x", 4), L"ke", L"<d>"));
}

TEST(IniLines, EveryLineBreakStyle)
{
    static const char* const files[] = {
        "[Main]\r\nNoLogin=0x1\r\nVpnType=3\r\n",
        "[Main]\nNoLogin=0x1\nVpnType=3\n",
        "[Main]\rNoLogin=0x1\rVpnType=3\r",
        "[Main]\r\r\n\n\rNoLogin=0x1\n\r\nVpnType=3",
        "\n\n  [Main]  \n\t\nNoLogin=0x1\x1a\nVpnType=3\x1a",
    };
    for (const char* file : files) {
        const CIniDocument document = CIniDocument::Parse(std::string_view(file));
        EXPECT_EQ(L"0x1", document.GetString(L"Main", L"NoLogin", L"")) << file;
        EXPECT_EQ(3, document.GetInt(L"Main", L"VpnType", 0)) << file;
    }
}

TEST(IniEncodings, BomsAndAnsi)
{
    const std::wstring expected = L"Qivra网络加速器";
    const std::string utf8 = "\xEF\xBB\xBF[VPN]\r\nTitle=Qivra\xE7\xBD\x91\xE7\xBB\x9C\xE5\x8A\xA0\xE9\x80\x9F\xE5\x99\xA8\r\n";
    EXPECT_EQ(expected, CIniDocument::Parse(utf8).GetString(L"VPN", L"Title", L""));
    EXPECT_EQ(expected, CIniDocument::Parse("[VPN]\r\nTitle=" + WideToAnsi(expected)).GetString(L"VPN", L"Title", L""));

    std::string utf16le = "\xFF\xFE";
    std::string utf16be = "\xFE\xFF";
    for (wchar_t c : L"[VPN]\r\nTitle=" + expected) {
        utf16le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        utf16be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    }
    EXPECT_EQ(expected, CIniDocument::Parse(utf16le).GetString(L"vpn", L"title", L""));
    EXPECT_EQ(expected, CIniDocument::Parse(utf16be).GetString(L"vpn", L"title", L""));
    // A dangling odd byte at the end is not a character.
    EXPECT_EQ(expected, CIniDocument::Parse(utf16le + "\x41").GetString(L"vpn", L"title", L""));

    // Broken UTF-8 turns into replacement characters, not into lost lines.
    const CIniDocument broken = CIniDocument::Parse("\xEF\xBB\xBF[A]\nk=a\xC0\xAF" "b\xE7\xBD\nj=\xED\xA0\x80");
    EXPECT_EQ(L"a\xFFFD\xFFFD" L"b\xFFFD", broken.GetString(L"A", L"k", L""));
    EXPECT_EQ(L"\xFFFD\xFFFD\xFFFD", broken.GetString(L"A", L"j", L""));

    // Characters beyond the BMP come through whole from UTF-8 and UTF-16 alike.
    const std::wstring smile = sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00") : std::wstring(1, wchar_t(0x1F600));
    EXPECT_EQ(smile, CIniDocument::Parse("\xEF\xBB\xBFk=\xF0\x9F\x98\x80").GetString(L"", L"k", L""));
    EXPECT_EQ(smile, CIniDocument::Parse(std::string("\xFF\xFEk\0=\0\x3D\xD8\x00\xDE", 10)).GetString(L"", L"k", L""));
}

TEST(IniDefaults, TreatedLikeTheSystemDoes)
{
    const CIniDocument document = CIniDocument::Parse("[A]\nk");
    EXPECT_EQ(L"dflt", document.GetString(L"A", L"missing", L"dflt   "));
    EXPECT_EQ(L" ", document.GetString(L"A", L"missing", L"   "));
    EXPECT_EQ(L"tab\t", document.GetString(L"A", L"missing", L"tab\t"));
    EXPECT_EQ(L"quoted", document.GetString(L"A", L"k", L"\"quoted\""));
    EXPECT_EQ(L"", document.GetString(L"A", L"missing", L""));
}

TEST(IniDocument, EmptinessAndLoading)
{
    EXPECT_TRUE(CIniDocument::Parse("").Empty());
    EXPECT_TRUE(CIniDocument::Parse("\xEF\xBB\xBF \r\n\t\n").Empty());
    EXPECT_FALSE(CIniDocument::Parse("[A]").Empty());
    EXPECT_FALSE(CIniDocument::Parse("; only a comment").Empty());

    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::filesystem::path missing = dir / L"korvex_ini_test_missing.ini";
    std::filesystem::remove(missing);
    EXPECT_TRUE(CIniDocument::Load(missing.wstring()).Empty());
    EXPECT_EQ(L"d", ReadIniString(missing.wstring(), L"Main", L"LoginURL", L"d"));
    EXPECT_EQ(-4, ReadIniInt(missing.wstring(), L"Main", L"NoLogin", -4));
    EXPECT_TRUE(CIniDocument::Load(dir.wstring()).Empty());

    // Long values come back whole; the path itself is Chinese.
    const std::filesystem::path file = dir / std::filesystem::u8path(u8"korvex_登录_test.ini");
    const std::wstring wideFile = dir.wstring() + L"/korvex_登录_test.ini";  // as the program names it
    std::wstring urls;
    while (urls.size() < 3000)
        urls += L"http://login" + std::to_wstring(urls.size()) + L".example.test:8088/;";
    const std::wstring longValue(5000, L'x');
    {
        std::ofstream out(file, std::ios::binary);
        out << "[Main]\r\nLoginURL=" << WideToAnsi(urls) << "\r\nLong=\"" << WideToAnsi(longValue)
            << "\"\r\nNoLogin=0x1\r\nTitle=" << WideToAnsi(L"电信一区") << "\r\n";
    }
    EXPECT_EQ(urls, ReadIniString(wideFile, L"Main", L"LoginURL", L""));
    EXPECT_EQ(longValue, ReadIniString(wideFile, L"main", L"long", L""));
    EXPECT_EQ(1, ReadIniInt(wideFile, L"Main", L"NoLogin", 0));
    EXPECT_EQ(L"电信一区", ReadIniString(wideFile, L"Main", L"Title", L""));
    std::filesystem::remove(file);
}

TEST(IniIntegers, GetIntUsesTheDefaultOnlyForEmptyText)
{
    const CIniDocument document = CIniDocument::Parse(
        "[M]\nhex=0x1\nempty=\nquoted=\"\"\nblank=\" 12\"\ntext=abc\nnoeq\noctal=010\n");
    EXPECT_EQ(1, document.GetInt(L"M", L"hex", 5));
    EXPECT_EQ(5, document.GetInt(L"M", L"empty", 5));
    EXPECT_EQ(5, document.GetInt(L"M", L"quoted", 5));
    EXPECT_EQ(12, document.GetInt(L"M", L"blank", 5));
    EXPECT_EQ(0, document.GetInt(L"M", L"text", 5));
    EXPECT_EQ(5, document.GetInt(L"M", L"noeq", 5));
    EXPECT_EQ(5, document.GetInt(L"M", L"missing", 5));
    EXPECT_EQ(8, document.GetInt(L"M", L"octal", 5));
}

TEST(IniIntegers, ParseInt32AutoFollowsWcstol)
{
    struct Case {
        const wchar_t* text;
        int32_t expected;
    };
    static const Case cases[] = {
        {L"0", 0}, {L"42", 42}, {L"-42", -42}, {L"+42", 42}, {L" \t\r\n42", 42}, {L"\x3000\xA0" L"7", 7},
        {L"0x1", 1}, {L"0X1f", 31}, {L"-0x10", -16}, {L"0x", 0}, {L"0xg", 0}, {L"010", 8}, {L"08", 0},
        {L"0777", 511}, {L"12abc", 12}, {L"1 2", 1}, {L"abc", 0}, {L"", 0}, {L"-", 0}, {L"+-1", 0},
        {L"- 1", 0}, {L"\x1a" L"5", 0}, {L"１２", 12}, {L"\x0661\x0662", 12}, {L"０x1F", 31},
        {L"2147483647", INT32_MAX}, {L"2147483648", INT32_MAX}, {L"-2147483648", INT32_MIN},
        {L"-2147483649", INT32_MIN}, {L"99999999999999999999999", INT32_MAX},
        {L"-99999999999999999999999", INT32_MIN}, {L"0xFFFFFFFF", INT32_MAX}, {L"0x7fffffff", INT32_MAX},
        {L"037777777777", INT32_MAX}, {L"-0x80000000", INT32_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ParseInt32Auto(c.text)) << WideToAnsi(c.text);
}

}  // namespace
