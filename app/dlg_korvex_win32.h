// The main window. For now a plain dialog from its template: title, login fields filled from the
// settings store, status line; it is shown again when a second copy of the program asks.
#pragma once

#include "win/dialog.h"

class CKorvexApp;

class CDlgKorvex : public CDialog {
public:
    explicit CDlgKorvex(CKorvexApp& app);

    // Shows the window normally and brings it to the front.
    void ShowMainWindow();

protected:
    BOOL OnInitDialog() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void FillLoginFields();

    CKorvexApp& m_app;
};
