#include "app/dlg_korvex_win32.h"

#include "app/event_log.h"
#include "app/korvex_app_win32.h"
#include "app/login_fields.h"
#include "app/login_windows_win32.h"
#include "app/login_rules.h"
#include "deployment.h"
#include "policy/dlg_diagnosis_win32.h"
#include "res/resource.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "win/message_box.h"
#include "win/resource_string.h"

#include <shellapi.h>

namespace {
constexpr int kWindowWidth = 322;
constexpr int kWindowHeight = 392;
constexpr UINT_PTR kSupervisionTimer = 0;
constexpr UINT_PTR kAfterFirstPaintTimer = 1;  // once, at start
constexpr COLORREF kLinkTextColor = 0xFFFFFF;

struct SPlacement {
    int id;
    int x, y, width, height;
};
constexpr SPlacement kPlacements[] = {
    {IDC_USERNAME, 72, 231, 80, 12},      {IDC_PASSWORD, 208, 231, 80, 12},
    {IDC_SAVE_PASSWORD, 42, 259, 270, 15}, {IDC_CONNECT, 57, 293, 74, 27},
    {IDC_DISCONNECT, 190, 293, 74, 27},    {IDC_STATUS, 27, 334, 272, 15},
    {IDC_LINK_REGISTER, 25, 198, 55, 15},  {IDC_LINK_RECHARGE, 80, 198, 55, 15},
    {IDC_LINK_FREE_TEST, 135, 198, 55, 15}, {IDC_LINK_HELP, 190, 198, 55, 15},
    {IDC_LINK_AFFILIATE, 245, 198, 55, 15},
};
constexpr int kLinkIds[] = {IDC_LINK_REGISTER, IDC_LINK_RECHARGE, IDC_LINK_FREE_TEST, IDC_LINK_HELP,
                            IDC_LINK_AFFILIATE};
}  // namespace

CDlgKorvex::CDlgKorvex(CKorvexApp& app) : CSkinedDialog(IDD_MAIN, kPartMainBody), m_app(app)
{
    m_hosts = {L"" KORVEX_WEB_HOST, L"" KORVEX_FORUM_HOST, LoadResourceString(IDS_REFERRAL_TAG)};
    RegisterBuiltInSkin();
}

CDlgKorvex::~CDlgKorvex() = default;

BOOL CDlgKorvex::OnInitDialog()
{
    // Sized first: the frame then cuts its rounded outline and places its buttons once, not
    // again for the resize.
    PlaceControls();
    SetCaptionButtons(true, false, true);
    AttachFrame();
    WriteWindowText(Handle(), kMainWindowTitle);

    m_connect.BindDlgItem(Handle(), IDC_CONNECT);
    m_disconnect.BindDlgItem(Handle(), IDC_DISCONNECT);
    for (size_t i = 0; i < m_links.size(); ++i) {
        m_links[i].SetInt(kTextColor, static_cast<int32_t>(kLinkTextColor));
        m_links[i].SetStyleName(kStyleLink);
        m_links[i].BindDlgItem(Handle(), kLinkIds[i]);
    }
    m_savePassword.SetStyleName(kStyleCheckBox);
    m_savePassword.BindDlgItem(Handle(), IDC_SAVE_PASSWORD);
    m_status.SetStyleName(kStyleStatic);
    m_status.BindDlgItem(Handle(), IDC_STATUS);

    ::SetTimer(Handle(), kSupervisionTimer, 1000, nullptr);

    EnableConnectButtons(true, false);
    SetStatus(L"就绪", false);
    FillLoginFields();
    // The clean-up of an earlier run's routes (the shell library finds the journal's folder), the
    // saved password (data protection loads its libraries), the window's icons (the system
    // converts them for the taskbar), the tray icon (a round trip to the shell) and the browser
    // (OLE, the HTML engine) come once the window has been painted: a timer's turn comes after
    // the paint's, and the window needs none of them to show. The frame draws no system icon.
    ::SetTimer(Handle(), kAfterFirstPaintTimer, USER_TIMER_MINIMUM, nullptr);
    return TRUE;
}

void CDlgKorvex::SetWindowIcons()
{
    m_mainIcon.Reset(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_mainIcon.Get()));
    ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_mainIcon.Get()));
}

void CDlgKorvex::AttachNoticePane()
{
    m_app.StartOle();
    // Without a browser engine the pane stays empty and the window picture shows there.
    if (SUCCEEDED(m_notice.Attach(Handle())))
        m_notice.ShowStartPage(m_hosts.webHost, m_hosts.referralTag);
}

void CDlgKorvex::PlaceControls()
{
    // Centred on the work area, clear of the taskbar.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + (work.right - work.left - kWindowWidth) / 2;
    const int y = work.top + (work.bottom - work.top - kWindowHeight) / 2;
    ::SetWindowPos(Handle(), nullptr, x, y, kWindowWidth, kWindowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const SPlacement& placement : kPlacements)
        ::MoveWindow(Item(placement.id), placement.x, placement.y, placement.width, placement.height, FALSE);
}

void CDlgKorvex::FillLoginFields()
{
    const LoginFields fields = LoadLoginFields(m_app.Settings());
    SetItemText(IDC_USERNAME, fields.username);
    ::SendMessageW(Item(IDC_SAVE_PASSWORD), BM_SETCHECK, fields.savePassword ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CDlgKorvex::FillSavedPassword()
{
    // Whatever was typed or pasted in meanwhile stays.
    const HWND box = Item(IDC_PASSWORD);
    if (::SendMessageW(box, EM_GETMODIFY, 0, 0) || ::GetWindowTextLengthW(box) > 0)
        return;
    CPasswordProtection protection;
    SetItemText(IDC_PASSWORD, LoadSavedPassword(m_app.Settings(), protection));
}

SLoginInput CDlgKorvex::ReadLoginInput() const
{
    const bool save = ::SendMessageW(Item(IDC_SAVE_PASSWORD), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return SLoginInput{ItemText(IDC_USERNAME), ItemText(IDC_PASSWORD), save};
}

void CDlgKorvex::ShowMainWindow()
{
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::SetForegroundWindow(Handle());
}

// --- commands ------------------------------------------------------------------------------------

bool CDlgKorvex::OnCommand(WORD id, WORD notification, HWND control)
{
    // Owner-drawn buttons also report double clicks: only a click counts, or a link would open
    // twice.
    if (control && notification != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_CONNECT:
        OnOK();
        return true;
    case IDC_DISCONNECT:
        m_controller->OnDisconnect();
        return true;
    case ID_TRAY_SHOW:
        ShowMainWindow();
        return true;
    case ID_TRAY_EXIT:
        m_controller->Exit();
        return true;
    case ID_TRAY_DIAGNOSIS:
        OpenDiagnosis();
        return true;
    default:
        break;
    }
    const std::wstring url = WebLinkUrl(id, m_hosts);
    if (!url.empty()) {
        OpenUrl(url);
        return true;
    }
    return CSkinedDialog::OnCommand(id, notification, control);
}

void CDlgKorvex::OpenDiagnosis()
{
    if (m_diagnosisOpen)
        return;
    m_diagnosisOpen = true;
    CDlgDiagnosis diagnosis(m_app.SystemDir(), m_hosts.webHost, [] { return TheEventLog().Text(); });
    diagnosis.DoModal(Handle());
    m_diagnosisOpen = false;
}

void CDlgKorvex::OnOK()
{
    RecoverRoutes();  // a click can come before the timer after the first paint
    m_controller->OnConnect();
}

void CDlgKorvex::RecoverRoutes()
{
    const std::wstring text = m_app.RecoverRoutesOnce();
    if (!text.empty())
        SetStatus(text, false);
}

// --- what the login exchange and connection control show ----------------------------------------

void CDlgKorvex::SetStatus(std::wstring_view text, bool showBox)
{
    SetItemText(IDC_STATUS, text);
    if (showBox)
        ShowMessage(Handle(), std::wstring(text));
}

void CDlgKorvex::ShowBox(std::wstring_view text) { ShowMessage(Handle(), std::wstring(text)); }

void CDlgKorvex::ShowInformation(std::wstring_view text)
{
    ShowMessage(Handle(), std::wstring(text), MB_OK | MB_ICONINFORMATION);
}

bool CDlgKorvex::AskYesNo(std::wstring_view question)
{
    return ShowMessage(Handle(), std::wstring(question), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CDlgKorvex::EnableConnectButtons(bool connect, bool disconnect)
{
    ::EnableWindow(Item(IDC_CONNECT), connect);
    ::EnableWindow(Item(IDC_DISCONNECT), disconnect);
}

void CDlgKorvex::OpenUrl(std::wstring_view url)
{
    ::ShellExecuteW(Handle(), L"open", std::wstring(url).c_str(), nullptr, nullptr, SW_SHOW);
}

void CDlgKorvex::QuitProgram() { ::PostQuitMessage(0); }

void CDlgKorvex::SetResponsePath(const std::wstring& path) { m_responsePath = path; }

void CDlgKorvex::ShowOutcomeAndTearDown()
{
    m_controller->ShowOutcome();
    m_controller->TearDown();
}

bool CDlgKorvex::Abandoned() const { return m_controller->ExitRequested(); }

void CDlgKorvex::ShowWindow() { ::ShowWindow(Handle(), SW_SHOW); }

void CDlgKorvex::HideWindow() { ::ShowWindow(Handle(), SW_HIDE); }

void CDlgKorvex::SetTrayIcon(ETrayIcon icon) { m_tray.SetIcon(static_cast<UINT>(icon)); }

void CDlgKorvex::ShowBalloon() { m_tray.ShowBalloon(); }

namespace {
BOOL CALLBACK CancelLoginWindow(HWND window, LPARAM mainWindow)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    // The login's windows are the dialogs of this thread other than the main window: the fetch
    // and selection windows and their message boxes. Each ends with Cancel.
    if (window != reinterpret_cast<HWND>(mainWindow) && std::wstring(name) == L"#32770")
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
}  // namespace

void CDlgKorvex::CancelLoginWindows()
{
    ::EnumThreadWindows(::GetCurrentThreadId(), CancelLoginWindow, reinterpret_cast<LPARAM>(Handle()));
}

void CDlgKorvex::CloseProgram()
{
    m_notice.Detach();
    EndDialog(IDCANCEL);
}

void CDlgKorvex::PostVpnStatusChanged(uint32_t generation)
{
    ::PostMessageW(Handle(), kVpnStatusMessage, 0, static_cast<LPARAM>(generation));
}

// --- messages ------------------------------------------------------------------------------------

INT_PTR CDlgKorvex::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case kTrayCallbackMessage:
        return MessageResult(m_tray.Notification(wParam, lParam));
    case kShowMainWindowMessage:
        ShowMainWindow();
        return MessageResult(1);
    case kVpnStatusMessage:
        m_controller->OnStateChanged(static_cast<uint32_t>(lParam));
        return MessageResult(1);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_MINIMIZE && (wParam & 0xFFF0) != SC_CLOSE) {
            handled = false;
            return FALSE;
        }
        HideWindow();
        return TRUE;
    case WM_TIMER:
        if (wParam == kAfterFirstPaintTimer) {
            ::KillTimer(Handle(), kAfterFirstPaintTimer);
            RecoverRoutes();
            FillSavedPassword();
            SetWindowIcons();
            m_tray.Create(Handle(), IDI_TRAY_IDLE);
            AttachNoticePane();
            return TRUE;
        }
        handled = wParam == kSupervisionTimer;
        if (handled)
            m_controller->OnTick();
        return handled ? TRUE : FALSE;
    default:
        handled = false;
        return FALSE;
    }
}
