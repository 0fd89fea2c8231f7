// Reads awkward INI files through GetPrivateProfileStringW and through CIniDocument and expects
// the same answers, so the portable reader stays true to the system's.

#include "app/ini.h"
#include "base/ansi.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <random>
#include <string>
#include <vector>

#ifndef KORVEX_SOURCE_DIR
#error "KORVEX_SOURCE_DIR must name the repository root"
#endif

namespace {

std::wstring Widen(const char* utf8)
{
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring result(needed > 0 ? needed : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, result.data(), needed);
    result.resize(wcslen(result.c_str()));
    return result;
}

// The Linux checkout is reachable from Wine as drive Z:.
std::wstring CorpusPath(const wchar_t* name)
{
    std::wstring path = Widen(KORVEX_SOURCE_DIR);
    if (!path.empty() && path[0] == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path + L"\\tests\\win32\\ini_corpus\\" + name;
}

// The system's answer, read with a buffer that doubles until the value fits.
std::wstring SystemRead(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultValue)
{
    std::vector<wchar_t> buffer(2048);
    for (;;) {
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                      buffer.data(), static_cast<DWORD>(buffer.size()),
                                                      file.c_str());
        if (length + 1 < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

struct Probe {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* defaultValue = L"<default>";
};

struct CorpusCase {
    const wchar_t* file;
    std::vector<Probe> probes;
};

std::string Describe(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                     const std::wstring& defaultValue)
{
    return WideToAnsi(file + L" [" + section + L"] key '" + key + L"' default '" + defaultValue + L"'");
}

// Compares one probe; returns true when the value found differs from the default.
bool CompareProbe(const std::wstring& path, const CIniDocument& document, const std::wstring& section,
                  const std::wstring& key, const std::wstring& defaultValue)
{
    const std::wstring expected = SystemRead(path, section, key, defaultValue);
    EXPECT_EQ(expected, document.GetString(section, key, defaultValue))
        << Describe(path, section, key, defaultValue);
    return expected == SystemRead(path, section, key, L"<other default>");
}

// Every section and key named in the document, as written and with case and blanks changed.
std::vector<std::wstring> NameVariants(const std::wstring& name)
{
    std::wstring upper = name;
    for (wchar_t& c : upper)
        c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return {name, upper, L" \t" + name + L"  "};
}

void CompareAllNames(const std::wstring& path, const CIniDocument& document)
{
    for (const CIniDocument::Section& section : document.Sections()) {
        for (const std::wstring& sectionName : NameVariants(section.name)) {
            for (const CIniDocument::Key& key : section.keys) {
                for (const std::wstring& keyName : NameVariants(key.name)) {
                    if (!keyName.empty())
                        CompareProbe(path, document, sectionName, keyName, L"<default>");
                }
            }
        }
    }
}

const std::vector<CorpusCase>& Corpus()
{
    static const std::vector<CorpusCase> corpus = {
        {L"quotes.ini",
         {{L"Quotes", L"double"}, {L"Quotes", L"single"}, {L"Quotes", L"mixed"}, {L"Quotes", L"open"},
          {L"Quotes", L"close"}, {L"Quotes", L"lone"}, {L"Quotes", L"lone_single"},
          {L"Quotes", L"empty_double"}, {L"Quotes", L"empty_single"}, {L"Quotes", L"inner"},
          {L"Quotes", L"padded"}, {L"Quotes", L"two_pairs"}, {L"Quotes", L"nested"},
          {L"Quotes", L"middle"}, {L"Quotes", L"missing", L"\"quoted default\""},
          {L"Quotes", L"missing", L"'x"}, {L"Quotes", L"missing", L"\""}}},
        {L"blanks.ini",
         {{L"Blanks", L"key1"}, {L"Blanks", L"key2"}, {L"Blanks", L"two words"}, {L"Blanks", L"two  words"},
          {L"Blanks", L"ctrlz"}, {L"Blanks", L"vt"}, {L"Blanks", L"nbsp"}, {L"Blanks", L"trailing_tab"},
          {L"Blanks", L"missing", L"default with spaces   "}, {L"Blanks", L"missing", L"   "},
          {L"Blanks", L"missing", L"tab\t"}, {L"Blanks", L"missing", L""}, {L"\tBlanks\r\n", L"key1"}}},
        {L"case.ini",
         {{L"main", L"loginurl"}, {L"Main", L"NoLogin"}, {L"MAIN", L"nologin"}, {L"vpn", L"AuthResult"},
          {L"VPN", L"AUTHRESULT"}}},
        {L"case_unicode.ini",
         {{L"Äpfel", L"Größe"}, {L"äpfel", L"größe"}, {L"ÄPFEL", L"GRÖSSE"}, {L"ДОМ", L"КЛЮЧ"},
          {L"дом", L"ключ"}, {L"ＡＢＣ", L"ｋｅｙ"}, {L"ａｂｃ", L"ＫＥＹ"}, {L"ΣΟΦΙΑ", L"Key"},
          {L"σοφια", L"key"}}},
        {L"duplicates.ini",
         {{L"Dup", L"key"}, {L"dup", L"KEY"}, {L"Dup", L"noeq"}, {L"Dup", L"other"}, {L"DUP", L"late"},
          {L"Other", L"key"}}},
        {L"missing_equals.ini",
         {{L"Keys", L"justakey"}, {L"Keys", L"key with blanks"}, {L"Keys", L""}, {L"Keys", L"  "},
          {L"Keys", L"a"}, {L"Keys", L"x"}, {L"Keys", L"#hash"}, {L"Keys", L"after"}}},
        {L"comments.ini",
         {{L"VPN", L"AuthResult"}, {L"VPN", L"; AuthResult"}, {L"VPN", L";AuthResult"},
          {L"VPN", L"RequiredClientVersion"}, {L"VPN", L"# RequiredClientVersion"}, {L";section", L"k"},
          {L"", L"; leading comment"}}},
        {L"crlf.ini", {{L"Main", L"NoLogin"}, {L"Main", L"VpnType"}, {L"Routes", L"Title0"}}},
        {L"lf.ini", {{L"Main", L"NoLogin"}, {L"Main", L"VpnType"}, {L"Routes", L"Title0"}}},
        {L"cr.ini", {{L"Main", L"NoLogin"}, {L"Main", L"VpnType"}, {L"Routes", L"Title0"}}},
        {L"mixed_eol.ini", {{L"Main", L"NoLogin"}, {L"Main", L"VpnType"}, {L"Routes", L"Title0"}}},
        {L"no_final_eol.ini", {{L"Main", L"NoLogin"}, {L"Main", L"VpnType"}}},
        {L"long_value.ini",
         {{L"Main", L"Long"}, {L"Main", L"LoginURL"}, {L"Main", L"Quoted"}, {L"Main", L"After"}}},
        {L"gbk.ini",
         {{L"服务器", L"标题"}, {L"Servers", L"Title0"}, {L"Servers", L"Comment0"}, {L"Servers", L"Title1"},
          {L"VPN", L"AuthResultMessage"}}},
        {L"utf16le_bom.ini", {{L"Servers", L"Title0"}, {L"Servers", L"Comment0"}, {L"main", L"vpntype"}}},
        {L"utf16be_bom.ini", {{L"Servers", L"Title0"}, {L"Servers", L"Comment0"}, {L"main", L"vpntype"}}},
        {L"utf8_bom.ini", {{L"Servers", L"Title0"}, {L"Servers", L"Comment0"}, {L"main", L"vpntype"}}},
        {L"utf8_no_bom.ini", {{L"Servers", L"Title0"}, {L"Servers", L"Comment0"}, {L"main", L"vpntype"}}},
        {L"empty_values.ini",
         {{L"Empty", L"plain"}, {L"Empty", L"blanks"}, {L"Empty", L"quotes"}, {L"Empty", L"spaced_quotes"}}},
        {L"before_section.ini",
         {{L"", L"orphan"}, {L"  ", L"Orphan2"}, {L"Main", L"orphan"}, {L"main", L"orphan2"}}},
        {L"section_names.ini",
         {{L"spaced", L"k"}, {L" spaced ", L"k"}, {L"tight", L"k"}, {L"", L"k"}, {L"  ", L"k"},
          {L"a]b", L"k"}, {L"a", L"k"}, {L"noclose", L"k"}, {L"x", L"k"}, {L"indented", L"k"},
          {L"in ner", L"k"}, {L"in  ner", L"k"}}},
        {L"empty.ini", {{L"Main", L"NoLogin"}, {L"", L"x"}}},
        {L"bom_only.ini", {{L"Main", L"NoLogin"}, {L"", L"x"}}},
        {L"embedded_nul.ini", {{L"Nul", L"key"}, {L"Nul", L"na"}, {L"se", L"k"}, {L"sec", L"k"}}},
        {L"login.ini",
         {{L"VPN", L"RequiredClientVersion"}, {L"vpn", L"authresult"}, {L"Routes", L"Title1"},
          {L"Routes", L"Title2"}, {L"Servers", L"ServerHost1"}, {L"Servers", L"Comment1"}}},
    };
    return corpus;
}

TEST(IniCompare, CorpusMatchesSystemReader)
{
    for (const CorpusCase& entry : Corpus()) {
        const std::wstring path = CorpusPath(entry.file);
        ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << WideToAnsi(path);
        const CIniDocument document = CIniDocument::Load(path);

        bool anyValueFound = false;
        for (const Probe& probe : entry.probes)
            anyValueFound |= CompareProbe(path, document, probe.section, probe.key, probe.defaultValue);
        CompareAllNames(path, document);

        // Guards against a corpus that silently reads as defaults only.
        const bool emptyFile = std::wstring(entry.file) == L"empty.ini" || std::wstring(entry.file) == L"bom_only.ini";
        EXPECT_EQ(!emptyFile, anyValueFound) << WideToAnsi(path);
        EXPECT_EQ(emptyFile, document.Empty()) << WideToAnsi(path);
    }
}

TEST(IniCompare, ReadIniStringReadsLongValuesWhole)
{
    const std::wstring path = CorpusPath(L"long_value.ini");
    EXPECT_EQ(5000u, ReadIniString(path, L"Main", L"Long", L"").size());
    EXPECT_GT(ReadIniString(path, L"Main", L"LoginURL", L"").size(), 3000u);
    EXPECT_EQ(L"Qivra网络加速器", ReadIniString(CorpusPath(L"gbk.ini"), L"服务器", L"标题", L""));
    EXPECT_EQ(1, ReadIniInt(CorpusPath(L"crlf.ini"), L"Main", L"NoLogin", 0));
    EXPECT_EQ(7, ReadIniInt(CorpusPath(L"missing.ini"), L"Main", L"NoLogin", 7));
}

// Random files built from the characters that matter to the parser.
TEST(IniCompare, RandomFilesMatchSystemReader)
{
    wchar_t tempDir[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, tempDir), 0u);
    static const wchar_t* const kPieces[] = {
        L"a", L"A", L"b", L"ab", L" ", L"\t", L"=", L"[", L"]", L"'", L"\"", L";", L"\r", L"\n", L"\r\n",
        L"\x1a", L"\v", L"\x3000", L"键",
    };
    static const wchar_t* const kNames[] = {
        L"", L" ", L"a", L"B", L"ab", L"[a]", L"a]", L"'a'", L";a", L"a b", L"键",
    };
    std::mt19937 random(20240611);
    int valuesFound = 0;
    for (int round = 0; round < 200; ++round) {
        std::wstring text;
        const int pieces = static_cast<int>(random() % 60);
        for (int i = 0; i < pieces; ++i)
            text += kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))];

        std::string bytes;
        const bool utf16 = round % 3 == 2;
        if (utf16) {
            bytes = "\xFF\xFE";
            for (wchar_t c : text) {
                bytes.push_back(static_cast<char>(c & 0xFF));
                bytes.push_back(static_cast<char>(c >> 8));
            }
        } else {
            bytes = WideToAnsi(text);
        }
        const std::wstring path = std::wstring(tempDir) + L"korvex_ini_random_" + std::to_wstring(round) + L".ini";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);

        const CIniDocument document = CIniDocument::Load(path);
        for (const wchar_t* section : kNames) {
            for (const wchar_t* key : kNames) {
                const std::wstring expected = SystemRead(path, section, key, L"<default>");
                EXPECT_EQ(expected, document.GetString(section, key, L"<default>"))
                    << Describe(path, section, key, L"<default>");
                valuesFound += expected != L"<default>";
            }
        }
        DeleteFileW(path.c_str());
        if (HasFailure()) {
            ADD_FAILURE() << "round " << round << " text: " << WideToAnsi(text);
            return;
        }
    }
    EXPECT_GT(valuesFound, 200);  // the files must actually hold readable keys
}

TEST(IniCompare, IntegerParsingMatchesWcstol)
{
    static const wchar_t* const kTexts[] = {
        L"0", L"1", L"-1", L"+7", L"  42", L"\t\r\n 42", L"0x1", L"0X1F", L"0xfg", L"0x", L"-0x10", L"010",
        L"08", L"09", L"00", L"12abc", L"abc", L"-", L"+", L"+-1", L"- 1", L"2147483647", L"2147483648",
        L"-2147483648", L"-2147483649", L"99999999999999999999", L"-99999999999999999999", L"0xFFFFFFFF",
        L"0x80000000", L"037777777777", L"1 2", L"\x3000" L"5", L"\xA0" L"5", L"１２", L"０x1F", L"0x１",
        L"\x1a" L"5",
    };
    for (const wchar_t* text : kTexts)
        EXPECT_EQ(wcstol(text, nullptr, 0), ParseInt32Auto(text)) << WideToAnsi(text);

    // Every character in the places where blanks, digits and hex digits are looked for.
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const wchar_t c = static_cast<wchar_t>(code);
        for (const std::wstring& text : {std::wstring{c, L'5'}, std::wstring{L'1', c}, std::wstring{L'0', L'x', c},
                                         std::wstring{c, L'x', L'a'}}) {
            const long expected = wcstol(text.c_str(), nullptr, 0);
            if (expected != ParseInt32Auto(text)) {
                ADD_FAILURE() << "U+" << std::hex << code << " in pattern " << WideToAnsi(text);
                return;
            }
        }
    }
}

TEST(AnsiCodePage, IsGbk)
{
    EXPECT_EQ(936u, GetACP());
    EXPECT_EQ(L"Qivra网络加速器", AnsiToWide("Qivra\xCD\xF8\xC2\xE7\xBC\xD3\xCB\xD9\xC6\xF7"));
    EXPECT_EQ("Qivra\xCD\xF8\xC2\xE7\xBC\xD3\xCB\xD9\xC6\xF7", WideToAnsi(L"Qivra网络加速器"));
}

}  // namespace
