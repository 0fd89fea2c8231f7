// What the skinned controls draw where, by state.
#pragma once

#include <cstdint>

#include "skin/skin_types.h"

// A pressed push button draws its "Hovered" piece and a hovered one its "Pushed" piece: the
// caption button image keeps the pressed look under the former and the hover look under the
// latter. Pressed text moves one pixel right and down.
struct PushButtonLook {
    const wchar_t* part;
    SkinRect textRect;
};
PushButtonLook ChoosePushButtonLook(const SkinRect& itemRect, bool pressed, bool hovered);

// Disabled text is drawn twice: a lighter shadow one pixel right and down, then the text itself.
inline constexpr SkinPoint kDisabledShadowOffset{1, 1};
struct DisabledTextColors {
    SkinColor shadow;  // each channel three quarters of the way to white
    SkinColor text;    // each channel half way to white
};
DisabledTextColors ComputeDisabledTextColors(SkinColor current);

// The check mark box is square, as high as the control but at most 14 pixels; the text starts
// 5 pixels after it.
inline constexpr int32_t kCheckBoxMaxSide = 14;
inline constexpr int32_t kCheckBoxTextGap = 5;
struct CheckBoxLayout {
    SkinRect box;
    SkinRect text;
};
CheckBoxLayout ComputeCheckBoxLayout(const SkinRect& itemRect);
