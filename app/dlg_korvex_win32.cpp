#include "app/dlg_korvex_win32.h"

#include "app/korvex_app_win32.h"
#include "app/login_fields.h"
#include "app/password_win32.h"
#include "res/resource.h"

CDlgKorvex::CDlgKorvex(CKorvexApp& app) : CDialog(IDD_MAIN), m_app(app) {}

BOOL CDlgKorvex::OnInitDialog()
{
    ::SetWindowTextW(Handle(), kMainWindowTitle);
    ::EnableWindow(Item(IDC_CONNECT), TRUE);
    ::EnableWindow(Item(IDC_DISCONNECT), FALSE);
    SetItemText(IDC_STATUS, L"就绪");
    FillLoginFields();
    return TRUE;
}

void CDlgKorvex::FillLoginFields()
{
    const LoginFields fields = LoadLoginFields(m_app.Settings(), UnprotectPassword);
    SetItemText(IDC_USERNAME, fields.username.c_str());
    SetItemText(IDC_PASSWORD, fields.password.c_str());
    ::CheckDlgButton(Handle(), IDC_SAVE_PASSWORD, fields.savePassword ? BST_CHECKED : BST_UNCHECKED);
}

void CDlgKorvex::ShowMainWindow()
{
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::SetForegroundWindow(Handle());
}

INT_PTR CDlgKorvex::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    handled = message == kShowMainWindowMessage;
    if (handled) {
        ShowMainWindow();
        ::SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return 0;
}
