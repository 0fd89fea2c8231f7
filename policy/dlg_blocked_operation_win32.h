// The blocked-operation window (template 163): runs one piece of slow maintenance work, an
// operation, on a worker thread behind a small modal window with a one-line status text, and
// closes itself with IDOK once the operation has returned. The user cannot cancel it: Enter,
// Escape and the frame do nothing. Set the operation, then run the window modally.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

#include "skin/skin_dialog_win32.h"
#include "win/handle.h"
#include "win/worker_thread.h"

class CDlgBlockedOperation : public CSkinedDialog {
public:
    class IOperation {
    public:
        // On the worker thread. May write the window's status text throughout: the window
        // stays open until this returns.
        virtual void Run(CDlgBlockedOperation& window) = 0;
        // Kept after Run for operations that need a second entry; nothing calls it.
        virtual void Reserved() = 0;

    protected:
        ~IOperation() = default;  // the caller owns the operation
    };

    CDlgBlockedOperation();
    ~CDlgBlockedOperation() override;

    // Before the run. Not owned: the operation must outlive the window. Without one the window
    // closes at once.
    void SetOperation(IOperation* operation) { m_operation = operation; }

    // From the operation's thread or the window's own.
    void SetStatusText(std::wstring_view text) const;

    // Worker threads started and joined over this object's life; equal once the window is gone.
    size_t WorkersStarted() const { return m_workersStarted; }
    size_t WorkersJoined() const { return m_workersJoined; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override { JoinWorker(); }
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    RECT BodyRect(const RECT& client) const override;

private:
    void RunOperation(HWND window) noexcept;
    void JoinWorker() noexcept;

    IOperation* m_operation = nullptr;
    CWorkerThread m_worker;
    CKernelHandle m_operationReturned;  // set by the worker before its last message
    size_t m_workersStarted = 0;
    size_t m_workersJoined = 0;
};
