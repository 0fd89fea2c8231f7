// Base of every window built from a dialog template. The base owns the dialog procedure, binds
// `this` once at WM_INITDIALOG and dispatches to virtual handlers. No exception leaves a handler.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/window_text.h"

class CDialog {
public:
    explicit CDialog(UINT templateId) noexcept : m_templateId(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the value passed to EndDialog, or -1 if it could not open.
    // A dialog with a show delay (ShowAfter) is made and shown only once that time has passed.
    INT_PTR DoModal(HWND parent = nullptr) noexcept;
    // Creates the dialog modeless (for tests and hosted windows).
    HWND Create(HWND parent = nullptr) noexcept;

    HWND Handle() const noexcept { return m_window; }
    UINT TemplateId() const noexcept { return m_templateId; }
    void EndDialog(INT_PTR result) noexcept;

    HWND Item(int id) const noexcept { return ::GetDlgItem(m_window, id); }
    void SetItemText(int id, std::wstring_view text) const { WriteWindowText(Item(id), text); }
    std::wstring ItemText(int id) const { return ReadWindowText(Item(id)); }

protected:
    // For a modal wait window: make and show it only when the run is still on after
    // `milliseconds`, so work that ends sooner costs no window at all. Such a run starts its work
    // in OnRunStart, before any window exists, and posts to MessageTarget(); the owner is
    // disabled from the start, as usual.
    void ShowAfter(UINT milliseconds) noexcept { m_showDelay = milliseconds; }
    // Makes and shows such a window before its time, for instance to own a message box.
    void ShowNow() noexcept;
    // Where this dialog's private messages (WM_USER and up) go. In a run with a show delay it is
    // a message-only window that lives for the whole run and hands them to OnMessage, whether
    // the dialog window exists yet or not; otherwise it is the dialog window.
    HWND MessageTarget() const noexcept { return m_messageWindow ? m_messageWindow : m_window; }
    // For a template that holds common controls (ICC_* classes), from the constructor: they are
    // registered just before the window is made, so the common controls library loads with the
    // first window that needs it, and not at all for a delayed window that is never made.
    void UseCommonControls(DWORD classes) noexcept { m_commonControls |= classes; }

    // Return FALSE when the handler set the focus itself.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when the command was handled.
    virtual bool OnCommand(WORD id, WORD notification, HWND control);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // WM_NOTIFY; return true when handled, with the notification's result in `result`.
    virtual bool OnNotify(int id, const NMHDR& header, LRESULT& result);
    // WM_PAINT and WM_DRAWITEM; return true when handled.
    virtual bool OnPaint() { return false; }
    virtual bool OnDrawItem(const DRAWITEMSTRUCT&) { return false; }
    // WM_DESTROY, while the controls are still there.
    virtual void OnDestroy() {}
    // A run with a show delay: its first act, before any window exists, and its last, after
    // the dialog window (if it was made) is gone.
    virtual void OnRunStart() {}
    virtual void OnRunEnd() {}
    // Every message first; set `handled` to stop the default dispatch.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    // For a handled message whose result matters to the sender: stores it where the dialog
    // manager hands it back, and returns what the dialog procedure must then return.
    INT_PTR MessageResult(LRESULT result) const noexcept;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR RunWithDelayedShow(HWND parent) noexcept;
    void EnableOwner() noexcept;
    void RegisterCommonControls() const noexcept;
    // The modeless way, as Create and a delayed run make the window.
    HWND CreateWindowFromTemplate(HWND owner) noexcept;

    enum class EMode { Modeless, Modal, DelayedShow };

    UINT m_templateId;
    HWND m_window = nullptr;
    EMode m_mode = EMode::Modeless;
    UINT m_showDelay = 0;
    DWORD m_commonControls = 0;
    bool m_ended = false;  // DelayedShow: EndDialog was called, with m_result
    INT_PTR m_result = -1;
    HWND m_disabledOwner = nullptr;  // DelayedShow: the owner the run disabled
    HWND m_owner = nullptr;          // DelayedShow: the owner of the window once it is made
    HWND m_messageWindow = nullptr;  // DelayedShow: the run's message-only window
};
