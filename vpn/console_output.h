#pragma once
// Searches in a child program's console output, which is narrow text in code page 936 (GBK).
// A plain byte search would find ASCII text inside a Chinese character: the second byte of a
// double-byte character may be any of 0x40-0x7E, letters, '@' and '\' among them. These
// searches match only where a character begins and ends.
//
// Characters: a lead byte 0x81-0xFE followed by a trail byte 0x40-0x7E or 0x80-0xFE is one
// character; every other byte, including a lead byte without a valid trail byte (for instance
// the last byte of a chunk cut in the middle of a character), stands alone.

#include <cstddef>
#include <string>
#include <string_view>

// Boundaries are found by walking characters from one already known: the start of the output,
// or `boundary` where a caller knows a later one (at or before any position it asks about), so
// output that keeps growing need not be walked from its start again and again. A boundary
// before the last byte stays one when more output is appended.

// Where `text` first occurs in `output` at or after `from`, on character boundaries at both
// ends; std::string_view::npos when it does not. An empty text occurs at the first boundary.
size_t FindAnsiText(std::string_view output, std::string_view text, size_t from = 0, size_t boundary = 0);

// True if `output` ends with `text` and the text begins on a character boundary.
bool AnsiTextEndsWith(std::string_view output, std::string_view text, size_t boundary = 0);

// The last character boundary at or before `limit`, walking from `boundary`.
size_t LastAnsiBoundary(std::string_view output, size_t boundary, size_t limit);

// The bytes between the first `startText` and the first `endText` after it. False, with
// `between` untouched, when either is missing.
bool ExtractAnsiTextBetween(std::string_view output, std::string_view startText,
                            std::string_view endText, std::string& between);
