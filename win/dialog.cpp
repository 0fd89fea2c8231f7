#include "win/dialog.h"

#include <string>

namespace {
HINSTANCE ModuleInstance() noexcept { return ::GetModuleHandleW(nullptr); }
}  // namespace

INT_PTR CDialog::DoModal(HWND parent) noexcept
{
    m_modal = true;
    return ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

HWND CDialog::Create(HWND parent) noexcept
{
    m_modal = false;
    return ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) noexcept
{
    if (m_modal)
        ::EndDialog(m_window, result);
    else
        ::DestroyWindow(m_window);
}

INT_PTR CDialog::MessageResult(LRESULT result) const noexcept
{
    ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialog::OnNotify(int, const NMHDR&, LRESULT&)
{
    return false;
}

bool CDialog::OnCommand(WORD id, WORD, HWND)
{
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

INT_PTR CDialog::OnMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    return 0;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_window = window;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // A handler that ran out of memory must not unwind through the system's window code.
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_window = nullptr;
    }
    return result;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    bool handled = false;
    INT_PTR result = OnMessage(message, wParam, lParam, handled);
    if (handled)
        return result;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT notifyResult = 0;
        if (header && OnNotify(static_cast<int>(wParam), *header, notifyResult))
            return MessageResult(notifyResult);
        return FALSE;
    }
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_DRAWITEM:
        return lParam && OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}
