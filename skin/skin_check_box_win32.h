// Skinned check box: a system check mark box and the text beside it, drawn transparently over
// the parent's body. The control is an owner-drawn button, which has no checked state of its
// own, so this object keeps it and answers BM_GETCHECK, BM_SETCHECK and BM_GETSTATE; a click
// turns it over before the parent hears of the click (BN_CLICKED).
#pragma once

#include <windows.h>

#include "skin/skin_control_win32.h"

class CSkinedCheckBox : public CSkinedControl {
public:
    bool IsChecked() const { return m_checked; }

protected:
    void OnSkinAttach() override;
    bool NeedsParentRedraw(UINT message) const override;
    void DrawSkin(const DRAWITEMSTRUCT& item) override;
    LRESULT OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void SetChecked(bool checked);
    // True when this release of the mouse button or space bar completes a click.
    bool CompletesClick(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    bool m_checked = false;
};
