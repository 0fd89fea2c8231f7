// The attribute, picture, part and style names the skin engine and the skinned windows use.
#pragma once

#include "skin/skin_attributes.h"

// Process-wide frame metrics, asked of the registry.
inline constexpr SkinIntAttribute kSystemButtonMarginTop{L"SystemButtonMarginTop", 3};
inline constexpr SkinIntAttribute kSystemButtonMarginRight{L"SystemButtonMarginRight", 15};
inline constexpr SkinIntAttribute kSystemButtonSpace{L"SystemButtonSpace", 2};
inline constexpr SkinIntAttribute kWindowTitleHeight{L"WindowTitleHeight", 20};

// Caption button switches, asked of each window's frame; non-zero shows the button.
inline constexpr SkinIntAttribute kMinimizeBox{L"MinimizeBox", 1};
inline constexpr SkinIntAttribute kMaximizeBox{L"MaximizeBox", 1};
inline constexpr SkinIntAttribute kCloseBox{L"CloseBox", 1};

// Asked of a push button; the default is the device context's current text colour.
inline constexpr wchar_t kTextColor[] = L"TextColor";

// The window picture and its parts.
inline constexpr wchar_t kWindowPicture[] = L"WindowPicture";
inline constexpr wchar_t kPartTopLeft[] = L"TopLeft";
inline constexpr wchar_t kPartTop[] = L"Top";
inline constexpr wchar_t kPartTopRight[] = L"TopRight";
inline constexpr wchar_t kPartLeft[] = L"Left";
inline constexpr wchar_t kPartRight[] = L"Right";
inline constexpr wchar_t kPartBottomLeft[] = L"BottomLeft";
inline constexpr wchar_t kPartBottom[] = L"Bottom";
inline constexpr wchar_t kPartBottomRight[] = L"BottomRight";
inline constexpr wchar_t kPartMainBody[] = L"MainBody";
inline constexpr wchar_t kPartBackground[] = L"Background";

// Push button parts; the empty part names the style's own piece.
inline constexpr wchar_t kPartNormal[] = L"";
inline constexpr wchar_t kPartHovered[] = L"Hovered";
inline constexpr wchar_t kPartPushed[] = L"Pushed";

// Control styles.
inline constexpr wchar_t kStyleButton[] = L"Button";
inline constexpr wchar_t kStyleCheckBox[] = L"CheckBox";
inline constexpr wchar_t kStyleStatic[] = L"Static";
inline constexpr wchar_t kStyleLink[] = L"Link";
inline constexpr wchar_t kStyleSystemButtonClose[] = L"SystemButtonClose";
inline constexpr wchar_t kStyleSystemButtonMaximize[] = L"SystemButtonMaximize";
inline constexpr wchar_t kStyleSystemButtonMinimize[] = L"SystemButtonMinimize";
inline constexpr wchar_t kStyleSystemButtonRestore[] = L"SystemButtonRestore";
