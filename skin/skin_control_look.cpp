#include "skin/skin_control_look.h"

#include <algorithm>

#include "skin/skin_names.h"

PushButtonLook ChoosePushButtonLook(const SkinRect& itemRect, bool pressed, bool hovered)
{
    if (pressed) {
        const SkinRect text{SaturatingAdd(itemRect.left, 1), SaturatingAdd(itemRect.top, 1),
                            SaturatingAdd(itemRect.right, 1), SaturatingAdd(itemRect.bottom, 1)};
        return {kPartHovered, text};
    }
    return {hovered ? kPartPushed : kPartNormal, itemRect};
}

namespace {

SkinColor MapChannels(SkinColor color, uint32_t (*map)(uint32_t))
{
    const uint32_t red = map(color & 0xFF);
    const uint32_t green = map((color >> 8) & 0xFF);
    const uint32_t blue = map((color >> 16) & 0xFF);
    return red | (green << 8) | (blue << 16);
}

}  // namespace

DisabledTextColors ComputeDisabledTextColors(SkinColor current)
{
    return {
        MapChannels(current, [](uint32_t x) { return x + (3 * (255 - x)) / 4; }),
        MapChannels(current, [](uint32_t x) { return x + (255 - x) / 2; }),
    };
}

CheckBoxLayout ComputeCheckBoxLayout(const SkinRect& itemRect)
{
    const int32_t side = std::min(RectHeight(itemRect), kCheckBoxMaxSide);
    const int32_t boxRight = SaturatingAdd(itemRect.left, side);
    return {
        {itemRect.left, itemRect.top, boxRight, itemRect.bottom},
        {SaturatingAdd(boxRight, kCheckBoxTextGap), itemRect.top, itemRect.right, itemRect.bottom},
    };
}
