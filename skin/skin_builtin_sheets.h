// The sheets the main window registers at start-up, one per embedded image, in registration
// order; the images therefore get the indexes 0, 1 and 2.
#pragma once

#include <array>
#include <cstdint>

class CSkin;
class ISkinImageStore;

// Caption buttons, a 60 x 30 bitmap: normal, hover ("Pushed") and pressed ("Hovered") glyphs.
inline constexpr wchar_t kCaptionButtonSheet[] =
    L"SystemButtonMinimize,0,0,15,15\n"
    L"SystemButtonMinimizePushed,15,0,15,15\n"
    L"SystemButtonMinimizeHovered,30,0,15,15\n"
    L"SystemButtonClose,0,15,15,15\n"
    L"SystemButtonClosePushed,15,15,15,15\n"
    L"SystemButtonCloseHovered,30,15,15,15\n";

// Push button face, 74 x 27; the same in every state.
inline constexpr wchar_t kPushButtonSheet[] =
    L"Button,0,0,74,27\n"
    L"ButtonHovered,0,0,74,27\n"
    L"ButtonPushed,0,0,74,27\n";

// The complete main window picture, 322 x 392.
inline constexpr wchar_t kWindowPictureSheet[] =
    L"WindowPictureTopLeft,0,0,30,30\n"
    L"WindowPictureTop,30,0,200,30\n"
    L"WindowPictureTopRight,302,0,20,30\n"
    L"WindowPictureLeft,0,30,10,30\n"
    L"WindowPictureRight,312,30,10,30\n"
    L"WindowPictureBottomLeft,0,365,15,27\n"
    L"WindowPictureBottom,14,367,180,25\n"
    L"WindowPictureBottomRight,206,367,116,25\n"
    L"WindowPictureBackground,10,30,30,30\n"
    L"WindowPictureMainBody,10,30,302,338\n";

struct BuiltInSheet {
    uint32_t imageResourceId;
    const wchar_t* text;
};

inline constexpr std::array<BuiltInSheet, 3> kBuiltInSheets{{
    {162, kCaptionButtonSheet},
    {161, kPushButtonSheet},
    {160, kWindowPictureSheet},
}};

// AddSheet for each built-in sheet in order.
void RegisterBuiltInSheets(CSkin& skin, ISkinImageStore& images);
