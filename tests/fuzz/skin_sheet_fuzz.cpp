// Skin sheet parser: arbitrary text must parse without faults, every stored piece must be a
// well-formed name bound to the sheet's image, and parsing the same sheet again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "skin/skin_sheet.h"

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

bool SamePieces(const SkinPieceTable& a, const SkinPieceTable& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.name != j->second.name || i->second.source != j->second.source ||
            i->second.imageIndex != j->second.imageIndex) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One byte per code unit keeps the seeds readable; the parser only looks at ASCII separators.
    const std::wstring text(data, data + size);
    constexpr int32_t kImageIndex = 5;

    SkinPieceTable pieces;
    ParseSheet(text, kImageIndex, pieces);
    for (const auto& [key, piece] : pieces) {
        if (piece.name != key || key.empty() || piece.imageIndex != kImageIndex || IsBlank(key.front()) ||
            IsBlank(key.back()) || key.find_first_of(L",\n") != std::wstring::npos) {
            std::abort();
        }
    }

    SkinPieceTable again = pieces;
    ParseSheet(text, kImageIndex, again);
    if (!SamePieces(pieces, again)) {
        std::abort();
    }
    return 0;
}
