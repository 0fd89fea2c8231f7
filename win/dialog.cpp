#include "win/dialog.h"

#include <commctrl.h>

#include <string>

namespace {
HINSTANCE ModuleInstance() noexcept { return ::GetModuleHandleW(nullptr); }

constexpr UINT_PTR kShowTimer = 0x4B58;
}  // namespace

INT_PTR CDialog::DoModal(HWND parent) noexcept
{
    if (m_showDelay != 0)
        return RunWithDelayedShow(parent);
    m_mode = EMode::Modal;
    RegisterCommonControls();
    return ::DialogBoxParamW(ModuleInstance(), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

// The dialog manager's modal run, except that the window is made only when the show timer
// fires: the owner is disabled first, the run's message-only window carries the work's messages
// and the timer until then, the loop feeds the dialog its keys once it exists, and the owner is
// enabled again before the window goes, so that activation returns to it.
INT_PTR CDialog::RunWithDelayedShow(HWND parent) noexcept
{
    static const ATOM messageClass = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = MessageWindowProc;
        windowClass.hInstance = ModuleInstance();
        windowClass.lpszClassName = L"KorvexDialogMessages";
        return ::RegisterClassW(&windowClass);
    }();
    m_mode = EMode::DelayedShow;
    m_ended = false;
    m_result = -1;
    m_owner = parent ? ::GetAncestor(parent, GA_ROOT) : nullptr;
    m_disabledOwner = m_owner && !::EnableWindow(m_owner, FALSE) ? m_owner : nullptr;
    m_messageWindow = ::CreateWindowExW(0, MAKEINTATOM(messageClass), nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, ModuleInstance(), this);
    if (!m_messageWindow) {
        EnableOwner();
        return -1;
    }
    try {
        OnRunStart();
    } catch (...) {
        EndDialog(-1);
    }
    if (!m_ended)
        ::SetTimer(m_messageWindow, kShowTimer, m_showDelay, nullptr);
    MSG message{};
    bool made = false;
    while (!m_ended) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that called us
            break;
        }
        if (!m_window || !::IsDialogMessageW(m_window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        made = made || m_window;
        if (made && !m_window)
            break;  // destroyed from outside
    }
    EnableOwner();
    if (m_window)
        ::DestroyWindow(m_window);
    try {
        OnRunEnd();
    } catch (...) {
    }
    ::DestroyWindow(m_messageWindow);
    m_messageWindow = nullptr;
    return m_result;
}

LRESULT CALLBACK CDialog::MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message >= WM_USER || (message == WM_TIMER && wParam == kShowTimer))) {
        try {
            return self->Dispatch(message, wParam, lParam);
        } catch (...) {
            return 0;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void CDialog::RegisterCommonControls() const noexcept
{
    if (m_commonControls == 0)
        return;
    INITCOMMONCONTROLSEX controls{sizeof(controls), m_commonControls};
    ::InitCommonControlsEx(&controls);
}

void CDialog::ShowNow() noexcept
{
    if (m_mode != EMode::DelayedShow || m_ended || !m_messageWindow)
        return;
    ::KillTimer(m_messageWindow, kShowTimer);
    if (!m_window && !CreateWindowFromTemplate(m_owner)) {
        EndDialog(-1);
        return;
    }
    if (m_window && !m_ended && !::IsWindowVisible(m_window))
        ::ShowWindow(m_window, SW_SHOWNORMAL);
}

void CDialog::EnableOwner() noexcept
{
    if (m_disabledOwner)
        ::EnableWindow(m_disabledOwner, TRUE);
    m_disabledOwner = nullptr;
}

HWND CDialog::Create(HWND parent) noexcept
{
    m_mode = EMode::Modeless;
    return CreateWindowFromTemplate(parent);
}

HWND CDialog::CreateWindowFromTemplate(HWND owner) noexcept
{
    RegisterCommonControls();
    return ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) noexcept
{
    switch (m_mode) {
    case EMode::Modal:
        ::EndDialog(m_window, result);
        break;
    case EMode::DelayedShow:
        // The run's loop ends and destroys the window, if it was made; until then it must not
        // appear. The owner comes back first, so that it is the window activated when this one
        // hides.
        m_ended = true;
        m_result = result;
        ::KillTimer(m_messageWindow, kShowTimer);
        EnableOwner();
        if (m_window)
            ::ShowWindow(m_window, SW_HIDE);
        break;
    case EMode::Modeless:
        ::DestroyWindow(m_window);
        break;
    }
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
    case WM_TIMER:
        // The delayed show; it may fire inside another loop (a message box's) as well as in ours.
        if (wParam != kShowTimer)
            return FALSE;
        ShowNow();
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}
