#include "skin/skin_frame_layout.h"

#include "skin/skin.h"
#include "skin/skin_attributes.h"
#include "skin/skin_names.h"

CaptionLayout ComputeCaptionLayout(int32_t clientWidth, bool maximized, const CSkinAttributes& windowSwitches,
                                   const CSkinAttributes& metrics, const CaptionButtonSizes& sizes)
{
    CaptionLayout layout;
    const int32_t top = metrics.GetInt(kSystemButtonMarginTop);
    const int32_t margin = metrics.GetInt(kSystemButtonMarginRight);
    const int32_t space = metrics.GetInt(kSystemButtonSpace);

    struct Entry {
        CaptionButtonPlacement* placement;
        SkinSize size;
    };
    std::array<Entry, 3> shown{};
    size_t count = 0;
    if (windowSwitches.GetInt(kMinimizeBox) != 0) {
        shown[count++] = {&layout.minimize, sizes.minimize};
    }
    if (windowSwitches.GetInt(kMaximizeBox) != 0) {
        shown[count++] = maximized ? Entry{&layout.restore, sizes.restore} : Entry{&layout.maximize, sizes.maximize};
    }
    if (windowSwitches.GetInt(kCloseBox) != 0) {
        shown[count++] = {&layout.close, sizes.close};
    }

    int32_t x = SaturatingSubtract(clientWidth, margin);
    while (count > 0) {
        const Entry& entry = shown[--count];
        x = SaturatingSubtract(x, entry.size.width);
        entry.placement->shown = true;
        entry.placement->rect = {x, top, SaturatingAdd(x, entry.size.width), SaturatingAdd(top, entry.size.height)};
        x = SaturatingSubtract(x, space);
    }
    layout.caption = {0, 0, x, metrics.GetInt(kWindowTitleHeight)};
    return layout;
}

SkinPoint PointFromMouseLParam(uint32_t lParam)
{
    return {static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
}

bool IsCaptionDragPoint(const SkinRect& caption, uint32_t lParam)
{
    return RectContains(caption, PointFromMouseLParam(lParam));
}

std::array<FramePieceDraw, 8> ComputeFrameDraws(int32_t windowWidth, int32_t windowHeight, const CSkin& skin)
{
    const SkinPiece topLeft = skin.GetPiece(kWindowPicture, kPartTopLeft);
    const SkinPiece topRight = skin.GetPiece(kWindowPicture, kPartTopRight);
    const SkinPiece left = skin.GetPiece(kWindowPicture, kPartLeft);
    const SkinPiece right = skin.GetPiece(kWindowPicture, kPartRight);
    const SkinPiece bottomLeft = skin.GetPiece(kWindowPicture, kPartBottomLeft);
    const SkinPiece bottom = skin.GetPiece(kWindowPicture, kPartBottom);
    const SkinPiece bottomRight = skin.GetPiece(kWindowPicture, kPartBottomRight);

    const int32_t w = windowWidth;
    const int32_t h = windowHeight;
    const auto minus = SaturatingSubtract;
    return {{
        {kPartTopLeft, {0, 0, 0, 0}},
        {kPartTopRight, {minus(w, topRight.Width()), 0, w, 0}},
        {kPartBottomLeft, {0, minus(h, bottomLeft.Height()), 0, h}},
        {kPartBottomRight, {minus(w, bottomRight.Width()), minus(h, bottomRight.Height()), w, h}},
        {kPartTop, {topLeft.Width(), 0, minus(w, topRight.Width()), 0}},
        {kPartBottom, {bottomLeft.Width(), minus(h, bottom.Height()), minus(w, bottomRight.Width()), h}},
        {kPartLeft, {0, topLeft.Height(), left.Width(), minus(h, bottomLeft.Height())}},
        {kPartRight, {minus(w, right.Width()), topRight.Height(), w, minus(h, bottomRight.Height())}},
    }};
}
