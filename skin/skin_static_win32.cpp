#include "skin/skin_static_win32.h"

#include <string>

void CSkinedStatic::OnSkinAttach()
{
    SetControlType(SS_TYPEMASK, SS_OWNERDRAW);
    MakeTransparent();
    InvalidateSkin();
}

void CSkinedStatic::DrawSkin(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const std::wstring text = WindowText();
    CSelectFont font(dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);
    RECT rect = item.rcItem;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
