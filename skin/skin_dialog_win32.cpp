#include "skin/skin_dialog_win32.h"

#include "skin/skin_control_win32.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"

CSkinedDialog::CSkinedDialog(UINT templateId, std::wstring_view bodyPart)
    : CDialog(templateId), m_bodyPart(bodyPart)
{
}

void CSkinedDialog::SetCaptionButtons(bool minimize, bool maximize, bool close)
{
    m_frame.SetInt(kMinimizeBox.name, minimize ? 1 : 0);
    m_frame.SetInt(kMaximizeBox.name, maximize ? 1 : 0);
    m_frame.SetInt(kCloseBox.name, close ? 1 : 0);
}

bool CSkinedDialog::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    RECT client{};
    ::GetClientRect(Handle(), &client);
    DrawPiece(dc, kWindowPicture, m_bodyPart, BodyRect(client));
    ::EndPaint(Handle(), &paint);
    return true;
}

bool CSkinedDialog::OnDrawItem(const DRAWITEMSTRUCT& item)
{
    return CSkinedControl::ReflectDrawItem(item);
}
