#include "policy/dlg_blocked_operation_win32.h"

#include "res/resource.h"
#include "skin/skin_names.h"
#include "win/window_messages.h"
#include "win/window_text.h"

namespace {
constexpr wchar_t kTitle[] = L"Qivra网络加速器";
}  // namespace

CDlgBlockedOperation::CDlgBlockedOperation()
    : CSkinedDialog(IDD_BLOCKED_OPERATION, kPartBackground),
      m_operationReturned(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CDlgBlockedOperation::~CDlgBlockedOperation()
{
    if (Handle())
        ::DestroyWindow(Handle());
    JoinWorker();
}

void CDlgBlockedOperation::SetStatusText(std::wstring_view text) const
{
    WriteWindowText(Item(IDC_BLOCKED_STATUS), text);
}

BOOL CDlgBlockedOperation::OnInitDialog()
{
    WriteWindowText(Handle(), kTitle);
    // No caption buttons: the window closes when the operation is done, not before.
    SetCaptionButtons(false, false, false);
    AttachFrame();
    if (m_operationReturned)
        ::ResetEvent(m_operationReturned.Get());
    const HWND window = Handle();
    if (m_worker.Start([this, window] { RunOperation(window); })) {
        ++m_workersStarted;
    } else {
        // No thread to be had: the work is done all the same, on this thread, before the
        // window shows; it still closes by its own message.
        RunOperation(window);
    }
    return TRUE;
}

void CDlgBlockedOperation::RunOperation(HWND window) noexcept
{
    if (m_operation) {
        try {
            m_operation->Run(*this);
        } catch (...) {
            // Whatever the operation did, the window must close.
        }
    }
    if (m_operationReturned)
        ::SetEvent(m_operationReturned.Get());
    ::PostMessageW(window, kBlockedOperationFinishedMessage, 0, 0);
}

void CDlgBlockedOperation::JoinWorker() noexcept
{
    if (!m_worker.Started())
        return;
    // The operation may be writing the status text, which waits for this thread. Until it has
    // returned, keep serving such sent messages instead of waiting blind, or neither thread
    // could go on. After that the thread only posts and ends.
    if (m_operationReturned) {
        const HANDLE returned = m_operationReturned.Get();
        MSG message;
        do {
            ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // delivers them
        } while (::MsgWaitForMultipleObjects(1, &returned, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1);
    }
    if (m_worker.Join())
        ++m_workersJoined;
}

INT_PTR CDlgBlockedOperation::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    if (message != kBlockedOperationFinishedMessage) {
        handled = false;
        return FALSE;
    }
    handled = true;
    JoinWorker();
    EndDialog(IDOK);
    return MessageResult(0);
}

RECT CDlgBlockedOperation::BodyRect(const RECT& client) const
{
    // Inside the frame's edges: (10, 30)-(381, 73) at the template's designed size of 391 x 100
    // pixels, as the fetch window, and still the whole body when the dialog font makes the
    // window larger.
    return RECT{10, 30, client.right - 10, client.bottom - 27};
}
