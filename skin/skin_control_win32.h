// Base of the skinned controls: a platform button or static whose window procedure is taken
// over, so that it draws itself from the skin over its parent's painted body and follows the
// mouse for its hover look.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "skin/skin_attributes.h"
#include "win/subclass.h"

class CSkinedControl : public CSkinAttributes, public CWindowSubclass {
public:
    CSkinedControl() = default;
    // Gives a still living control its own procedure back.
    virtual ~CSkinedControl();
    CSkinedControl(const CSkinedControl&) = delete;
    CSkinedControl& operator=(const CSkinedControl&) = delete;

    // Takes over an existing control, such as a dialog item, and prepares it for skinned
    // drawing. False when this object already has a window or the control is not there.
    bool Bind(HWND control);
    bool BindDlgItem(HWND dialog, int controlId) { return Bind(::GetDlgItem(dialog, controlId)); }

    HWND Handle() const { return m_window; }

    // The prefix of the control's piece names, read at every draw.
    void SetStyleName(std::wstring_view styleName) { m_styleName = styleName; }
    const std::wstring& StyleName() const { return m_styleName; }

    // Has the parent repaint its body under a transparent control (and the control after it),
    // or the control repaint itself when it is opaque.
    void InvalidateSkin();

    const RECT& RectInParent() const { return m_rectInParent; }
    bool IsHovered() const { return m_hover; }
    bool IsTransparent() const { return m_transparent; }

    // The owner-drawn controls are drawn when their parent is asked to (WM_DRAWITEM): the
    // parent hands the request back here. False when the item is not a skinned control.
    static bool ReflectDrawItem(const DRAWITEMSTRUCT& item);

protected:
    // Switches the window to skinned drawing; runs once, when the control is bound.
    virtual void OnSkinAttach() = 0;
    // Whether the message can change the control's look, so its background must be repainted.
    virtual bool NeedsParentRedraw(UINT message) const;
    // The button messages that change a button's look, besides the common ones.
    static bool ChangesButtonLook(UINT message);
    // Draws the control; runs only once the parent has repainted the background under it.
    virtual void DrawSkin(const DRAWITEMSTRUCT& item) = 0;
    // Every message after the common handling; set handled to keep it from the platform control.
    virtual LRESULT OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    LRESULT CallPlatformProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A draw request: either the parent is asked to repaint first, or the control is drawn.
    void HandleDrawRequest(const DRAWITEMSTRUCT& item);
    void MakeTransparent();
    // OR bits into the style or extended style, writing only when something changes.
    void AddStyle(LONG bits);
    void AddExtendedStyle(LONG bits);
    // Replaces the control kind held in the low style bits (button or static type).
    void SetControlType(LONG typeMask, LONG type);
    std::wstring WindowText() const;

private:
    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSubclassEnded() override;
    void TrackMouse();
    void UpdateRectInParent();
    // The window is going away or this object is: the control keeps working without the skin.
    void Unbind();

    HWND m_window = nullptr;
    bool m_transparent = false;
    bool m_needsParentRedraw = false;
    bool m_hover = false;
    RECT m_rectInParent{0, 0, 0, 0};
    std::wstring m_styleName;
};

// Selects a font into a device context for one scope; nothing happens for a null font.
class CSelectFont {
public:
    CSelectFont(HDC dc, HFONT font) : m_dc(dc), m_previous(font ? ::SelectObject(dc, font) : nullptr) {}
    ~CSelectFont()
    {
        if (m_previous) {
            ::SelectObject(m_dc, m_previous);
        }
    }
    CSelectFont(const CSelectFont&) = delete;
    CSelectFont& operator=(const CSelectFont&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
