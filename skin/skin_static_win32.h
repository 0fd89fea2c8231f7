// Skinned static text: the text alone, centred, drawn transparently over the parent's body.
#pragma once

#include <windows.h>

#include "skin/skin_control_win32.h"

class CSkinedStatic : public CSkinedControl {
protected:
    void OnSkinAttach() override;
    void DrawSkin(const DRAWITEMSTRUCT& item) override;
};
