#include "skin/skin_button_win32.h"

#include <string>

#include "skin/skin.h"
#include "skin/skin_control_look.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"

namespace {

constexpr UINT kTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

void DrawCentredText(HDC dc, const std::wstring& text, RECT rect)
{
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, kTextFormat);
}

// Engraved look: a lighter copy one pixel down and right under a half-faded one.
void DrawDisabledText(HDC dc, const std::wstring& text, const RECT& rect)
{
    const COLORREF current = ::GetTextColor(dc);
    const DisabledTextColors colors = ComputeDisabledTextColors(current);
    RECT shadow = rect;
    ::OffsetRect(&shadow, kDisabledShadowOffset.x, kDisabledShadowOffset.y);
    ::SetTextColor(dc, colors.shadow);
    DrawCentredText(dc, text, shadow);
    ::SetTextColor(dc, colors.text);
    DrawCentredText(dc, text, rect);
    ::SetTextColor(dc, current);
}

}  // namespace

CSkinedButton::CSkinedButton() { SetStyleName(kStyleButton); }

bool CSkinedButton::CreateSkined(HWND parent, std::wstring_view styleName)
{
    if (Handle()) {
        return false;
    }
    HWND window = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        return false;
    }
    if (!Bind(window)) {
        ::DestroyWindow(window);
        return false;
    }
    SetStyleName(styleName);
    SizeToPiece();
    return true;
}

void CSkinedButton::SizeToPiece()
{
    const SkinPiece piece = CSkin::GetInstance().GetPiece(StyleName(), kPartNormal);
    if (!Handle() || piece.source == SkinRect{0, 0, 0, 0}) {
        return;
    }
    const RECT& rect = RectInParent();
    ::MoveWindow(Handle(), rect.left, rect.top, piece.Width(), piece.Height(), TRUE);
}

void CSkinedButton::OnSkinAttach()
{
    SetControlType(BS_TYPEMASK, BS_OWNERDRAW);
    MakeTransparent();
    InvalidateSkin();
}

bool CSkinedButton::NeedsParentRedraw(UINT message) const
{
    return ChangesButtonLook(message) || CSkinedControl::NeedsParentRedraw(message);
}

void CSkinedButton::DrawSkin(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const std::wstring text = WindowText();
    CSelectFont font(dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);

    const bool pressed = (::SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    const PushButtonLook look = ChoosePushButtonLook(ToSkinRect(item.rcItem), pressed, IsHovered());
    DrawPiece(dc, StyleName(), look.part, item.rcItem);

    ::SetTextColor(dc, static_cast<COLORREF>(GetInt(kTextColor, static_cast<int32_t>(::GetTextColor(dc)))));
    if (item.itemState & ODS_DISABLED) {
        DrawDisabledText(dc, text, ToRect(look.textRect));
    } else {
        DrawCentredText(dc, text, ToRect(look.textRect));
    }
}
