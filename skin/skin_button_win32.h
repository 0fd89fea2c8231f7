// Skinned push button: its face is the piece of its style for the current look, stretched over
// the button, with the text centred on it. A style without pieces (the links) draws text only.
#pragma once

#include <windows.h>

#include <string_view>

#include "skin/skin_control_win32.h"

class CSkinedButton : public CSkinedControl {
public:
    CSkinedButton();

    // Creates the button as a visible child of parent with no text and control id 0, skins it
    // with the style and sizes it to the style's piece. Used by the frame for its caption buttons.
    bool CreateSkined(HWND parent, std::wstring_view styleName);
    // Resizes the button to its style's own piece, keeping its top-left corner; nothing happens
    // when the style has no piece.
    void SizeToPiece();

protected:
    void OnSkinAttach() override;
    bool NeedsParentRedraw(UINT message) const override;
    void DrawSkin(const DRAWITEMSTRUCT& item) override;
};
