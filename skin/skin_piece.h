// A named rectangle of a registered skin image.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "skin/skin_types.h"

struct SkinPiece {
    std::wstring name;          // empty in a piece that was never defined
    SkinRect source{0, 0, 0, 0};  // in pixels of the image
    int32_t imageIndex = -1;    // -1: no image

    bool IsDrawable() const { return !name.empty() && imageIndex != -1; }
    int32_t Width() const { return RectWidth(source); }
    int32_t Height() const { return RectHeight(source); }
};

using SkinPieceTable = std::map<std::wstring, SkinPiece, std::less<>>;

// Where DrawPiece copies a piece to: a destination whose right equals its left takes the piece's
// own width, one whose bottom equals its top the piece's own height; anything else is stretched.
inline SkinRect ResolvePieceDestination(const SkinPiece& piece, SkinRect destination)
{
    if (destination.right == destination.left) {
        destination.right = SaturatingAdd(destination.left, piece.Width());
    }
    if (destination.bottom == destination.top) {
        destination.bottom = SaturatingAdd(destination.top, piece.Height());
    }
    return destination;
}
