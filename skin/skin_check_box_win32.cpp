#include "skin/skin_check_box_win32.h"

#include <windowsx.h>

#include <string>

#include "skin/skin_control_look.h"
#include "skin/skin_images_win32.h"

void CSkinedCheckBox::OnSkinAttach()
{
    // Take over a real check box's state, then keep the platform from drawing or toggling it.
    m_checked = CallPlatformProc(BM_GETCHECK, 0, 0) == BST_CHECKED;
    SetControlType(BS_TYPEMASK, BS_OWNERDRAW);
    MakeTransparent();
    InvalidateSkin();
}

bool CSkinedCheckBox::NeedsParentRedraw(UINT message) const
{
    return ChangesButtonLook(message) || CSkinedControl::NeedsParentRedraw(message);
}

LRESULT CSkinedCheckBox::OnControlMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetChecked(wParam != BST_UNCHECKED);
        return 0;
    case BM_GETSTATE:
        return (CallPlatformProc(message, wParam, lParam) & ~BST_CHECKED) | (m_checked ? BST_CHECKED : 0);
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button takes the second press of a double click for a double click;
        // a check box takes it for another press, so a double click turns it over twice.
        handled = true;
        return CallPlatformProc(WM_LBUTTONDOWN, wParam, lParam);
    case WM_LBUTTONUP:
    case WM_KEYUP:
        if (CompletesClick(message, wParam, lParam)) {
            SetChecked(!m_checked);
        }
        break;
    default:
        break;
    }
    handled = false;
    return 0;
}

void CSkinedCheckBox::SetChecked(bool checked)
{
    if (checked == m_checked) {
        return;
    }
    m_checked = checked;
    // The next paint sees the pending parent redraw and has the body repainted under the box.
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool CSkinedCheckBox::CompletesClick(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!(CallPlatformProc(BM_GETSTATE, 0, 0) & BST_PUSHED)) {
        return false;
    }
    if (message == WM_KEYUP) {
        return wParam == VK_SPACE;
    }
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return ::PtInRect(&client, point) != FALSE;
}

void CSkinedCheckBox::Paint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(Handle(), &paint);
    if (!dc) {
        return;
    }
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = static_cast<UINT>(::GetDlgCtrlID(Handle()));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = (m_checked ? ODS_CHECKED : 0) | (::IsWindowEnabled(Handle()) ? 0 : ODS_DISABLED) |
                     (::GetFocus() == Handle() ? ODS_FOCUS : 0);
    item.hwndItem = Handle();
    item.hDC = dc;
    ::GetClientRect(Handle(), &item.rcItem);
    item.itemData = 0;
    HandleDrawRequest(item);
    ::EndPaint(Handle(), &paint);
}

void CSkinedCheckBox::DrawSkin(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const std::wstring text = WindowText();
    CSelectFont font(dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);

    const CheckBoxLayout layout = ComputeCheckBoxLayout(ToSkinRect(item.rcItem));
    // Requests that come through the parent carry no checked state: the platform has none.
    const bool checked = (item.itemState & ODS_CHECKED) != 0 || m_checked;
    RECT box = ToRect(layout.box);
    ::DrawFrameControl(dc, &box, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_TRANSPARENT | (checked ? DFCS_CHECKED : 0));
    RECT textRect = ToRect(layout.text);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_VCENTER | DT_SINGLELINE);
}
