#include "skin/skin_sheet.h"

#include <algorithm>
#include <string>

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

// Runs of separators count as one, so an empty token is never produced.
bool NextToken(std::wstring_view text, size_t& position, wchar_t separator, std::wstring_view& token)
{
    while (position < text.size() && text[position] == separator) {
        ++position;
    }
    if (position >= text.size()) {
        return false;
    }
    size_t end = text.find(separator, position);
    if (end == std::wstring_view::npos) {
        end = text.size();
    }
    token = text.substr(position, end - position);
    position = end;
    return true;
}

std::wstring_view TrimWhere(std::wstring_view text, bool (*isTrimmed)(wchar_t))
{
    while (!text.empty() && isTrimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isTrimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsCarriageReturn(wchar_t c) { return c == L'\r'; }

int DigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

bool IsDigitOfBase(wchar_t c, int base)
{
    const int value = DigitValue(c);
    return value >= 0 && value < base;
}

SkinPiece& FindOrCreatePiece(SkinPieceTable& pieces, std::wstring_view name)
{
    auto found = pieces.find(name);
    if (found == pieces.end()) {
        found = pieces.emplace(std::wstring(name), SkinPiece{}).first;
    }
    return found->second;
}

void ApplyRow(std::wstring_view row, int32_t imageIndex, SkinPieceTable& pieces)
{
    enum { kName, kX, kY, kWidth, kHeight, kFieldCount };

    SkinPiece* piece = nullptr;
    size_t position = 0;
    std::wstring_view field;
    for (int index = kName; index < kFieldCount && NextToken(row, position, L',', field); ++index) {
        field = TrimWhere(field, IsBlank);
        if (field.empty()) {
            return;
        }
        if (index == kName) {
            piece = &FindOrCreatePiece(pieces, field);
            piece->name = field;
            piece->imageIndex = imageIndex;
            continue;
        }
        const int32_t value = ReadSheetInteger(field);
        SkinRect& source = piece->source;
        switch (index) {
        case kX:
            source.left = value;
            break;
        case kY:
            source.top = value;
            break;
        case kWidth:
            source.right = SaturatingAdd(source.left, value);
            break;
        case kHeight:
            source.bottom = SaturatingAdd(source.top, value);
            break;
        }
    }
}

}  // namespace

int32_t ReadSheetInteger(std::wstring_view field)
{
    size_t i = 0;
    while (i < field.size() && IsBlank(field[i])) {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == L'+' || field[i] == L'-')) {
        negative = field[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i < field.size() && field[i] == L'0') {
        const bool hexPrefix = i + 2 < field.size() && (field[i + 1] == L'x' || field[i + 1] == L'X') &&
                               IsDigitOfBase(field[i + 2], 16);
        if (hexPrefix) {
            base = 16;
            i += 2;
        } else {
            base = 8;
        }
    }
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t magnitude = 0;
    for (; i < field.size() && IsDigitOfBase(field[i], base); ++i) {
        magnitude = std::min(limit, magnitude * base + DigitValue(field[i]));
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void ParseSheet(std::wstring_view sheetText, int32_t imageIndex, SkinPieceTable& pieces)
{
    size_t position = 0;
    std::wstring_view row;
    while (NextToken(sheetText, position, L'\n', row)) {
        row = TrimWhere(row, IsCarriageReturn);
        if (row.empty()) {
            return;
        }
        ApplyRow(row, imageIndex, pieces);
    }
}
