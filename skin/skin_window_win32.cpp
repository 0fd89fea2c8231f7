#include "skin/skin_window_win32.h"

#include <string>

#include "skin/skin.h"
#include "skin/skin_frame_layout.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "win/handle.h"
#include "win/window_text.h"

namespace {

SkinSize SizeOf(const CSkinedControl& button)
{
    const RECT& rect = button.RectInParent();
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void Place(const CSkinedControl& button, const CaptionButtonPlacement& placement)
{
    if (!placement.shown || !button.Handle()) {
        return;
    }
    const SkinRect& rect = placement.rect;
    ::MoveWindow(button.Handle(), rect.left, rect.top, RectWidth(rect), RectHeight(rect), TRUE);
    ::ShowWindow(button.Handle(), SW_SHOW);
}

}  // namespace

CSkinedWindow::~CSkinedWindow()
{
    if (m_window && ::IsWindow(m_window)) {
        // The caption buttons would be left as blank children that nobody answers.
        for (const CSkinedControl* button : CaptionButtons()) {
            if (button->Handle()) {
                ::DestroyWindow(button->Handle());
            }
        }
    }
    Detach();
}

BOOL CSkinedWindow::Attach(HWND window)
{
    if (m_window || !window || !::IsWindow(window) || Find<CSkinedWindow>(window) || !Subclass(window)) {
        return FALSE;
    }
    m_window = window;

    // A button whose switch is off is never shown, so it is not created either (each child
    // window costs the start of every skinned window a few milliseconds).
    if (GetInt(kCloseBox) != 0) {
        m_close.CreateSkined(window, kStyleSystemButtonClose);
    }
    if (GetInt(kMaximizeBox) != 0) {
        m_maximize.CreateSkined(window, kStyleSystemButtonMaximize);
    }
    if (GetInt(kMinimizeBox) != 0) {
        m_minimize.CreateSkined(window, kStyleSystemButtonMinimize);
    }
    if (GetInt(kMaximizeBox) != 0) {
        m_restore.CreateSkined(window, kStyleSystemButtonRestore);
    }
    UpdateLayout();
    return TRUE;
}

void CSkinedWindow::Detach()
{
    Unsubclass();
    OnSubclassEnded();
}

void CSkinedWindow::OnSubclassEnded()
{
    m_window = nullptr;
    m_caption = RECT{0, 0, 0, 0};
}

void CSkinedWindow::DrawFrame(HDC dc)
{
    RECT bounds{};
    ::GetWindowRect(m_window, &bounds);
    for (const FramePieceDraw& draw :
         ComputeFrameDraws(bounds.right - bounds.left, bounds.bottom - bounds.top, CSkin::GetInstance())) {
        DrawPiece(dc, kWindowPicture, draw.part, ToRect(draw.destination));
    }

    const std::wstring title = ReadWindowText(m_window);
    // The same device context goes on to the window's own painting: leave it as it came.
    const COLORREF previousColor = ::SetTextColor(dc, kFrameTitleColor);
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    {
        CSelectFont font(dc, reinterpret_cast<HFONT>(::SendMessageW(m_window, WM_GETFONT, 0, 0)));
        ::TextOutW(dc, kFrameTitleOrigin.x, kFrameTitleOrigin.y, title.c_str(), static_cast<int>(title.size()));
    }
    ::SetBkMode(dc, previousMode);
    ::SetTextColor(dc, previousColor);
}

bool CSkinedWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SIZE:
        UpdateLayout();
        return false;
    case WM_COMMAND:
        // Only clicks: an owner-drawn button also reports double clicks, which must not close
        // or minimise the window a second time.
        if (LOWORD(wParam) == 0 && HIWORD(wParam) == BN_CLICKED) {
            OnCaptionButtonCommand(reinterpret_cast<HWND>(lParam));
        }
        return false;
    case WM_ERASEBKGND:
        DrawFrame(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        // Presses on the window's own surface never reach the window; in the strip they drag it.
        if (IsCaptionDragPoint(ToSkinRect(m_caption), static_cast<uint32_t>(lParam))) {
            ::SendMessageW(m_window, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
        }
        result = 0;
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        return true;
    case WM_DRAWITEM:
        // The skinned controls draw themselves; the window only forwards their requests.
        if (lParam && CSkinedControl::ReflectDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            result = TRUE;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CSkinedWindow::OnCaptionButtonCommand(HWND button)
{
    WPARAM command = 0;
    if (button == m_minimize.Handle()) {
        command = SC_MINIMIZE;
    } else if (button == m_restore.Handle()) {
        command = SC_RESTORE;
    } else if (button == m_maximize.Handle()) {
        command = SC_MAXIMIZE;
    } else if (button == m_close.Handle()) {
        command = SC_CLOSE;
    }
    if (command != 0 && button) {
        ::SendMessageW(m_window, WM_SYSCOMMAND, command, 0);
    }
}

void CSkinedWindow::UpdateLayout()
{
    RECT client{};
    ::GetClientRect(m_window, &client);
    CGdiObject region(::CreateRoundRectRgn(0, 0, client.right, client.bottom, kFrameCornerEllipse,
                                           kFrameCornerEllipse));
    // The system owns the region once the window has it.
    if (region && ::SetWindowRgn(m_window, static_cast<HRGN>(region.Get()), TRUE)) {
        region.Release();
    }

    const bool maximized = (::GetWindowLongW(m_window, GWL_STYLE) & WS_MAXIMIZE) != 0;
    const CaptionButtonSizes sizes{SizeOf(m_close), SizeOf(m_maximize), SizeOf(m_minimize), SizeOf(m_restore)};
    const CaptionLayout layout =
        ComputeCaptionLayout(client.right, maximized, *this, CSkin::GetInstance().Attributes(), sizes);

    for (const CSkinedControl* button : CaptionButtons()) {
        if (button->Handle()) {
            ::ShowWindow(button->Handle(), SW_HIDE);
        }
    }
    Place(m_close, layout.close);
    Place(m_maximize, layout.maximize);
    Place(m_restore, layout.restore);
    Place(m_minimize, layout.minimize);
    m_caption = ToRect(layout.caption);
}

LRESULT CSkinedWindow::OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        return result;
    }
    result = CallNext(message, wParam, lParam);
    if (message == WM_PAINT) {
        // The transparent controls draw over the body that has just been painted.
        for (HWND child = ::GetWindow(m_window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            ::InvalidateRect(child, nullptr, FALSE);
        }
    }
    return result;
}
