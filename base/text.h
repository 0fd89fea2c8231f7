#pragma once

// Small helpers for wide text used across the client.

#include <string>
#include <string_view>

// Space, tab, CR, LF, vertical tab and form feed.
bool IsBlank(wchar_t c);

// The text without blanks at either end.
std::wstring TrimBlanks(std::wstring_view text);

// Folds A-Z to a-z and leaves every other character alone. Our names and keywords are ASCII;
// folding them this way keeps comparisons independent of the C run-time locale.
wchar_t ToLowerAscii(wchar_t c);
std::wstring ToLowerAscii(std::wstring_view text);

// Equal when the texts differ only in the case of ASCII letters.
bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// True if needle occurs in haystack, ignoring the case of ASCII letters. An empty needle occurs
// everywhere.
bool ContainsIgnoreCase(std::wstring_view haystack, std::wstring_view needle);
