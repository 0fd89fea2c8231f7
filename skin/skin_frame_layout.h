// Geometry of the skinned window frame: caption buttons, drag strip and edge pieces.
#pragma once

#include <array>
#include <cstdint>

#include "skin/skin_types.h"

class CSkin;
class CSkinAttributes;

// The window is cut to a rounded rectangle with corner ellipses this wide and high.
inline constexpr int32_t kFrameCornerEllipse = 12;

// Caption buttons are created at this size and keep it when their style has no piece.
inline constexpr SkinSize kCaptionButtonInitialSize{10, 10};

// The title is written in white at this client position.
inline constexpr SkinPoint kFrameTitleOrigin{32, 5};
inline constexpr SkinColor kFrameTitleColor = 0xFFFFFF;

// Each button's current size (its rectangle in the parent).
struct CaptionButtonSizes {
    SkinSize close;
    SkinSize maximize;
    SkinSize minimize;
    SkinSize restore;
};

struct CaptionButtonPlacement {
    bool shown = false;
    SkinRect rect{0, 0, 0, 0};  // meaningful only when shown
};

struct CaptionLayout {
    CaptionButtonPlacement close;
    CaptionButtonPlacement maximize;
    CaptionButtonPlacement minimize;
    CaptionButtonPlacement restore;
    SkinRect caption{0, 0, 0, 0};  // the drag strip, client coordinates
};

// Lines the shown buttons up from the right edge (close, maximise or restore, minimise) and
// leaves the rest of the title height to the left of them as the drag strip. windowSwitches are
// the window's own MinimizeBox/MaximizeBox/CloseBox; metrics are the registry's integers.
CaptionLayout ComputeCaptionLayout(int32_t clientWidth, bool maximized, const CSkinAttributes& windowSwitches,
                                   const CSkinAttributes& metrics, const CaptionButtonSizes& sizes);

// A mouse message's client point: lParam's low and high words, each a signed 16-bit value.
SkinPoint PointFromMouseLParam(uint32_t lParam);
// True when a left press or release with this lParam lies in the drag strip.
bool IsCaptionDragPoint(const SkinRect& caption, uint32_t lParam);

// One DrawPiece call of the frame: "WindowPicture" + part into destination (before the
// natural-size rule of ResolvePieceDestination).
struct FramePieceDraw {
    const wchar_t* part;
    SkinRect destination;
};

// The eight edge pieces in drawing order for a window of the given outer size. Undefined pieces
// count as 0 x 0 (and draw nothing).
std::array<FramePieceDraw, 8> ComputeFrameDraws(int32_t windowWidth, int32_t windowHeight, const CSkin& skin);
