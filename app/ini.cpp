#include "app/ini.h"

#include "base/ansi.h"
#include "base/file_io.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

namespace {

// The system's profile code treats these as blanks; ^Z is an old DOS end-of-file mark.
bool IsProfileBlank(wchar_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

bool IsLineBreak(wchar_t c)
{
    return c == L'\n' || c == L'\r';
}

std::wstring_view TrimProfileBlanks(std::wstring_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsProfileBlank(text[begin]))
        ++begin;
    while (end > begin && IsProfileBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The system keeps names and values as zero-terminated strings.
std::wstring_view UpToNul(std::wstring_view text)
{
    return text.substr(0, text.find(L'\0'));
}

wchar_t FoldCase(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool NameBefore(std::wstring_view a, std::wstring_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return FoldCase(x) < FoldCase(y); });
}

// The first of `order` (indices sorted by NameBefore of their names) whose name matches `name`,
// or -1.
template <typename NameOf>
ptrdiff_t FindByName(const std::vector<size_t>& order, std::wstring_view name, NameOf nameOf)
{
    const auto found = std::lower_bound(order.begin(), order.end(), name, [&](size_t index, std::wstring_view wanted) {
        return NameBefore(nameOf(index), wanted);
    });
    if (found == order.end() || NameBefore(name, nameOf(*found)))
        return -1;
    return static_cast<ptrdiff_t>(*found);
}

template <typename NameOf>
std::vector<size_t> SortedByName(size_t count, NameOf nameOf)
{
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return NameBefore(nameOf(a), nameOf(b)); });
    return order;
}

void AppendCodePoint(std::wstring& out, uint32_t codePoint)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (codePoint >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(codePoint));
}

// Strict UTF-8; each ill-formed part becomes one U+FFFD.
std::wstring DecodeUtf8(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t codePoint = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;  // overlong
            if (lead == 0xED)
                high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F;
        } else {
            out.push_back(L'\xFFFD');
            ++i;
            continue;
        }
        size_t used = 1;
        for (; used < length && i + used < bytes.size(); ++used) {
            const auto next = static_cast<unsigned char>(bytes[i + used]);
            if (next < low || next > high)
                break;
            codePoint = (codePoint << 6) | (next & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        if (used == length)
            AppendCodePoint(out, codePoint);
        else
            out.push_back(L'\xFFFD');
        i += used;
    }
    return out;
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::wstring out;
    const size_t units = bytes.size() / 2;  // a trailing odd byte is not a character
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        const uint32_t unit = bigEndian ? (first << 8 | second) : (second << 8 | first);
        if constexpr (sizeof(wchar_t) == 4) {
            // Native wide strings hold code points: join surrogate pairs.
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const auto a = static_cast<unsigned char>(bytes[2 * i + 2]);
                const auto b = static_cast<unsigned char>(bytes[2 * i + 3]);
                const uint32_t next = bigEndian ? (a << 8 | b) : (b << 8 | a);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00)));
                    ++i;
                    continue;
                }
            }
        }
        out.push_back(static_cast<wchar_t>(unit));
    }
    return out;
}

// One pair of matching quotes around a text of at least two characters goes away.
std::wstring_view StripQuotes(std::wstring_view text)
{
    if (text.size() >= 2 && (text.front() == L'"' || text.front() == L'\'') && text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// The C run time's wcstol takes the decimal digits of these scripts as well as ASCII ones.
constexpr wchar_t kDigitZeros[] = {
    0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0C66,
    0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10,
};

int DigitValue(wchar_t c)
{
    for (wchar_t zero : kDigitZeros) {
        if (c >= zero && c <= zero + 9)
            return c - zero;
    }
    if (c >= L'a' && c <= L'z')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'Z')
        return c - L'A' + 10;
    return 99;
}

// iswspace of the C run time.
bool IsCrtSpace(wchar_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

std::wstring DecodeIniText(std::string_view bytes)
{
    const auto startsWith = [bytes](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xEF\xBB\xBF"))
        return DecodeUtf8(bytes.substr(3));
    if (startsWith("\xFF\xFE"))
        return DecodeUtf16(bytes.substr(2), false);
    if (startsWith("\xFE\xFF"))
        return DecodeUtf16(bytes.substr(2), true);
    return AnsiToWide(bytes);
}

CIniDocument CIniDocument::Parse(std::string_view fileBytes)
{
    CIniDocument document;
    if (fileBytes.empty())
        return document;  // the system does not even create the nameless section
    const std::wstring text = DecodeIniText(fileBytes);
    const std::wstring_view all(text);
    document.m_sections.emplace_back();

    size_t position = 0;
    while (position < all.size()) {
        size_t end = position;
        while (end < all.size() && !IsLineBreak(all[end]))
            ++end;
        const std::wstring_view line = TrimProfileBlanks(all.substr(position, end - position));
        position = end;
        while (position < all.size() && IsLineBreak(all[position]))
            ++position;
        if (line.empty())
            continue;

        if (line.front() == L'[') {
            const size_t close = line.rfind(L']');
            if (close != std::wstring_view::npos) {
                Section section;
                section.name = UpToNul(TrimProfileBlanks(line.substr(1, close - 1)));
                document.m_sections.push_back(std::move(section));
                continue;
            }
            // Without a "]" the line is an ordinary key line.
        }

        Key key;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) {
            key.name = UpToNul(line);
        } else {
            key.name = UpToNul(TrimProfileBlanks(line.substr(0, equals)));
            key.value = UpToNul(TrimProfileBlanks(line.substr(equals + 1)));
            key.hasValue = true;
        }
        // Runs of nameless keys collapse into the first, as in the system's parser.
        std::vector<Key>& keys = document.m_sections.back().keys;
        if (key.name.empty() && !keys.empty() && keys.back().name.empty())
            continue;
        keys.push_back(std::move(key));
    }
    document.BuildIndex();
    return document;
}

void CIniDocument::BuildIndex()
{
    m_sectionsByName =
        SortedByName(m_sections.size(), [this](size_t i) -> std::wstring_view { return m_sections[i].name; });
    m_keysByName.clear();
    for (const Section& section : m_sections) {
        m_keysByName.push_back(SortedByName(
            section.keys.size(), [&section](size_t i) -> std::wstring_view { return section.keys[i].name; }));
    }
}

CIniDocument CIniDocument::Load(const std::wstring& path)
{
    const std::optional<std::string> bytes = ReadFileBytes(path);
    return bytes ? Parse(*bytes) : CIniDocument();
}

const CIniDocument::Key* CIniDocument::Find(std::wstring_view section, std::wstring_view key) const
{
    // Only the first section of that name counts; its first key of that name wins.
    const ptrdiff_t s = FindByName(m_sectionsByName, TrimProfileBlanks(UpToNul(section)),
                                   [this](size_t i) -> std::wstring_view { return m_sections[i].name; });
    if (s < 0)
        return nullptr;
    const std::vector<Key>& keys = m_sections[s].keys;
    const ptrdiff_t k = FindByName(m_keysByName[s], TrimProfileBlanks(UpToNul(key)),
                                   [&keys](size_t i) -> std::wstring_view { return keys[i].name; });
    return k < 0 ? nullptr : &keys[k];
}

std::wstring CIniDocument::GetString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue) const
{
    const Key* found = Find(section, key);
    if (found && found->hasValue)
        return std::wstring(StripQuotes(found->value));

    std::wstring_view fallback = UpToNul(defaultValue);
    size_t length = fallback.size();
    while (length > 1 && fallback[length - 1] == L' ')
        --length;
    return std::wstring(StripQuotes(fallback.substr(0, length)));
}

int32_t CIniDocument::GetInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) const
{
    const std::wstring text = GetString(section, key, L"");
    return text.empty() ? defaultValue : ParseInt32Auto(text);
}

bool CIniDocument::Empty() const
{
    return m_sections.empty() || (m_sections.size() == 1 && m_sections.front().keys.empty());
}

int32_t ParseInt32Auto(std::wstring_view text)
{
    size_t i = 0;
    while (i < text.size() && IsCrtSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && DigitValue(text[i]) == 0) {
        base = 8;
        if (i + 1 < text.size() && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
            base = 16;
            i += 2;
        }
    }
    // Accumulate the magnitude, stopping once it cannot fit any more.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base)
            break;
        if (magnitude <= kLimit)
            magnitude = magnitude * base + digit;
    }
    if (negative)
        return magnitude >= kLimit ? std::numeric_limits<int32_t>::min() : static_cast<int32_t>(-magnitude);
    return magnitude >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(magnitude);
}

std::wstring ReadIniString(const std::wstring& file, std::wstring_view section,
                           std::wstring_view key, std::wstring_view defaultValue)
{
    return CIniDocument::Load(file).GetString(section, key, defaultValue);
}

int32_t ReadIniInt(const std::wstring& file, std::wstring_view section, std::wstring_view key,
                   int32_t defaultValue)
{
    return CIniDocument::Load(file).GetInt(section, key, defaultValue);
}
