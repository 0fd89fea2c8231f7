// Feeds arbitrary bytes to the INI parser and looks names up in the result.

#include "app/ini.h"

#include "base/text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool HasOuterBlank(const std::wstring& name)
{
    const auto blank = [](wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; };
    return !name.empty() && (blank(name.front()) || blank(name.back()));
}

// Names compare with A-Z folded and nothing else.
std::wstring Folded(const std::wstring& name)
{
    std::wstring folded = name;
    for (wchar_t& c : folded)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return folded;
}

// A key that is the first of its name in the first section of its name must read back as its
// own value, less one pair of enclosing quotes.
void CheckReachableKeys(const CIniDocument& document)
{
    std::set<std::wstring> seenSections;
    for (const CIniDocument::Section& section : document.Sections()) {
        const bool repeated = !seenSections.insert(Folded(section.name)).second;
        if (repeated || HasOuterBlank(section.name))
            continue;

        std::set<std::wstring> seenKeys;
        for (const CIniDocument::Key& key : section.keys) {
            const bool repeatedKey = !seenKeys.insert(Folded(key.name)).second;
            if (repeatedKey || HasOuterBlank(key.name) || !key.hasValue)
                continue;

            const std::wstring value = document.GetString(section.name, key.name, L"<none>");
            const std::wstring& raw = key.value;
            const bool quoted = raw.size() >= 2 && (raw.front() == L'"' || raw.front() == L'\'') &&
                                raw.back() == raw.front();
            if (value != (quoted ? raw.substr(1, raw.size() - 2) : raw))
                abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CIniDocument document = CIniDocument::Parse(bytes);

    static const wchar_t* const kSections[] = {L"", L"VPN", L"Routes", L"Servers", L"Main", L"a"};
    static const wchar_t* const kKeys[] = {L"", L"AuthResult", L"Title0", L"ServerHost0", L"LoginURL", L"a"};
    for (const wchar_t* section : kSections) {
        for (const wchar_t* key : kKeys) {
            document.GetString(section, key, L"\"default\"  ");
            document.GetInt(section, key, -1);
        }
    }
    CheckReachableKeys(document);
    if (document.Empty() != (document.Sections().size() <= 1 &&
                             (document.Sections().empty() || document.Sections()[0].keys.empty())))
        abort();
    ParseInt32Auto(std::wstring(bytes.begin(), bytes.end()));
    return 0;
}
