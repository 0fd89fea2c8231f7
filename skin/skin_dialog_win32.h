// Base of every skinned window built from a dialog template: the skinned frame with the caption
// buttons the window wants, its body piece painted under the controls, and the skinned controls'
// draw requests handed back to them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "skin/skin_window_win32.h"
#include "win/dialog.h"

class CSkinedDialog : public CDialog {
public:
    // `bodyPart` names the piece of "WindowPicture" painted as the window's body.
    CSkinedDialog(UINT templateId, std::wstring_view bodyPart);

    const CSkinedWindow& Frame() const { return m_frame; }

protected:
    // Stores the frame's caption button switches; call before AttachFrame.
    void SetCaptionButtons(bool minimize, bool maximize, bool close);
    // Takes the window into the frame; derived windows call it while initialising.
    void AttachFrame() { m_frame.Attach(Handle()); }
    // Where the body goes, in client coordinates; a rectangle of no size draws the piece at its
    // own size from its top-left corner.
    virtual RECT BodyRect(const RECT& client) const = 0;

    bool OnPaint() override;
    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

private:
    std::wstring m_bodyPart;
    CSkinedWindow m_frame;
};
