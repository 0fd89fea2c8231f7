#include "base/text.h"

#include <algorithm>

bool IsBlank(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

std::wstring TrimBlanks(std::wstring_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::wstring(text.substr(begin, end - begin));
}

wchar_t ToLowerAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring ToLowerAscii(std::wstring_view text)
{
    std::wstring result(text);
    for (wchar_t& c : result)
        c = ToLowerAscii(c);
    return result;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i]))
            return false;
    }
    return true;
}

bool ContainsIgnoreCase(std::wstring_view haystack, std::wstring_view needle)
{
    if (needle.empty())
        return true;
    const auto sameLetter = [](wchar_t x, wchar_t y) { return ToLowerAscii(x) == ToLowerAscii(y); };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), sameLetter) !=
           haystack.end();
}
