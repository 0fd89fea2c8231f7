#include "skin/skin_control_win32.h"

#include <commctrl.h>

#include "win/window_text.h"

CSkinedControl::~CSkinedControl() { Unbind(); }

bool CSkinedControl::Bind(HWND control)
{
    if (m_window || !control || !::IsWindow(control) || Find<CSkinedControl>(control) || !Subclass(control)) {
        return false;
    }
    m_window = control;
    UpdateRectInParent();
    OnSkinAttach();
    return true;
}

void CSkinedControl::Unbind()
{
    Unsubclass();
    OnSubclassEnded();
}

void CSkinedControl::OnSubclassEnded()
{
    m_window = nullptr;
    m_transparent = false;
    m_needsParentRedraw = false;
    m_hover = false;
}

void CSkinedControl::InvalidateSkin()
{
    if (!m_window) {
        return;
    }
    HWND parent = ::GetParent(m_window);
    if (m_transparent && parent) {
        ::InvalidateRect(parent, &m_rectInParent, TRUE);
    } else {
        ::InvalidateRect(m_window, nullptr, TRUE);
    }
}

bool CSkinedControl::ReflectDrawItem(const DRAWITEMSTRUCT& item)
{
    CSkinedControl* control = Find<CSkinedControl>(item.hwndItem);
    if (!control) {
        return false;
    }
    control->HandleDrawRequest(item);
    return true;
}

bool CSkinedControl::NeedsParentRedraw(UINT message) const
{
    switch (message) {
    case WM_SETTEXT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
        return true;
    default:
        return false;
    }
}

bool CSkinedControl::ChangesButtonLook(UINT message)
{
    switch (message) {
    case BM_SETCHECK:
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case BM_CLICK:
    case BM_SETIMAGE:
        return true;
    default:
        return false;
    }
}

LRESULT CSkinedControl::OnControlMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    return 0;
}

LRESULT CSkinedControl::CallPlatformProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallNext(message, wParam, lParam);
}

void CSkinedControl::HandleDrawRequest(const DRAWITEMSTRUCT& item)
{
    // A transparent control cannot erase its own old look: the parent paints the body under it
    // first and invalidates its children afterwards, which brings the next request here.
    if (m_needsParentRedraw) {
        m_needsParentRedraw = false;
        InvalidateSkin();
        return;
    }
    DrawSkin(item);
}

void CSkinedControl::MakeTransparent()
{
    m_transparent = true;
    AddExtendedStyle(WS_EX_TRANSPARENT);
}

void CSkinedControl::AddStyle(LONG bits)
{
    const LONG style = ::GetWindowLongW(m_window, GWL_STYLE);
    if ((style | bits) != style) {
        ::SetWindowLongW(m_window, GWL_STYLE, style | bits);
    }
}

void CSkinedControl::AddExtendedStyle(LONG bits)
{
    const LONG style = ::GetWindowLongW(m_window, GWL_EXSTYLE);
    if ((style | bits) != style) {
        ::SetWindowLongW(m_window, GWL_EXSTYLE, style | bits);
    }
}

void CSkinedControl::SetControlType(LONG typeMask, LONG type)
{
    // ORing the owner-drawn kind into another kind could make a third one (a right-aligned
    // static would turn into an enhanced metafile), so the kind is replaced.
    const LONG style = ::GetWindowLongW(m_window, GWL_STYLE);
    const LONG changed = (style & ~typeMask) | type;
    if (changed != style) {
        ::SetWindowLongW(m_window, GWL_STYLE, changed);
    }
}

std::wstring CSkinedControl::WindowText() const
{
    return ReadWindowText(m_window);
}

void CSkinedControl::TrackMouse()
{
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof(request);
    request.dwFlags = TME_HOVER | TME_LEAVE;
    request.hwndTrack = m_window;
    request.dwHoverTime = 1;  // hover look as soon as the mouse rests
    ::TrackMouseEvent(&request);
}

void CSkinedControl::UpdateRectInParent()
{
    RECT rect{};
    ::GetWindowRect(m_window, &rect);
    POINT origin{0, 0};
    if (HWND parent = ::GetParent(m_window)) {
        ::ClientToScreen(parent, &origin);
    }
    ::OffsetRect(&rect, -origin.x, -origin.y);
    m_rectInParent = rect;
}

LRESULT CSkinedControl::OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        TrackMouse();
        break;
    case WM_MOUSELEAVE:
        m_hover = false;
        InvalidateSkin();
        break;
    case WM_MOUSEHOVER:
        m_hover = true;
        InvalidateSkin();
        break;
    default:
        break;
    }

    if (message == WM_ERASEBKGND && m_transparent) {
        return 1;
    }
    if (NeedsParentRedraw(message)) {
        m_needsParentRedraw = true;
    }
    if (message == WM_WINDOWPOSCHANGED) {
        UpdateRectInParent();
    }
    bool handled = false;
    const LRESULT result = OnControlMessage(message, wParam, lParam, handled);
    return handled ? result : CallPlatformProc(message, wParam, lParam);
}
