#pragma once

// INI reading with the semantics of Windows' private-profile functions
// (GetPrivateProfileStringW), so the override file and the login response read the same here
// as they would through the system:
//  - encoding: UTF-8 BOM, UTF-16LE BOM, UTF-16BE BOM, otherwise the ANSI code page;
//  - lines end at CR or LF; blanks (tab..CR, space, ^Z) are trimmed at both ends;
//  - "[name]" starts a section, the name running to the last "]", trimmed like a line;
//  - "name = value": the name ends at the first "=", blanks around it are dropped;
//    a line without "=" is a key without a value, which reads as the default;
//  - lines before the first section form a section with an empty name;
//  - ";" starts no comment: such a line is a key whose name begins with ";";
//  - section and key names compare with A-Z folded (no other letters fold) after trimming the
//    requested names; only the first matching section is searched, its first matching key wins;
//  - one pair of enclosing quotes (' or ") is removed from the value (and from the default);
//  - trailing spaces of the default are dropped, keeping at least its first character.
// Text after an embedded NUL in a name or value is ignored, as the system does.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CIniDocument {
public:
    struct Key {
        std::wstring name;
        std::wstring value;
        bool hasValue = false;  // false for a line without "="
    };
    struct Section {
        std::wstring name;
        std::vector<Key> keys;
    };

    static CIniDocument Parse(std::string_view fileBytes);
    // A missing or unreadable file gives an empty document.
    static CIniDocument Load(const std::wstring& path);

    std::wstring GetString(std::wstring_view section, std::wstring_view key,
                           std::wstring_view defaultValue) const;
    // The value read with an empty default; empty yields defaultValue, anything else goes
    // through ParseInt32Auto.
    int32_t GetInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) const;

    // True when the file held no section and no key.
    bool Empty() const;

    // Sections in file order; the first one, if any, holds the lines before the first header.
    const std::vector<Section>& Sections() const { return m_sections; }

private:
    const Key* Find(std::wstring_view section, std::wstring_view key) const;
    void BuildIndex();

    std::vector<Section> m_sections;
    // Lookups go through these, so a document of thousands of keys reads as fast as a small one:
    // the sections, and each section's keys, by folded name, in file order among equal names.
    std::vector<size_t> m_sectionsByName;
    std::vector<std::vector<size_t>> m_keysByName;
};

// The file's text as the system decodes it (BOM detection, ANSI otherwise), BOM removed.
std::wstring DecodeIniText(std::string_view fileBytes);

// wcstol with base 0 on a 32-bit long: leading blanks, an optional sign, "0x" for hexadecimal,
// a leading "0" for octal, decimal otherwise. Stops at the first character that does not fit;
// no digits gives 0; out-of-range values saturate at INT32_MIN / INT32_MAX.
int32_t ParseInt32Auto(std::wstring_view text);

std::wstring ReadIniString(const std::wstring& file, std::wstring_view section,
                           std::wstring_view key, std::wstring_view defaultValue);
int32_t ReadIniInt(const std::wstring& file, std::wstring_view section,
                   std::wstring_view key, int32_t defaultValue);
