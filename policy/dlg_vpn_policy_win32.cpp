#include "policy/dlg_vpn_policy_win32.h"

#include <commctrl.h>

#include "app/login_windows_win32.h"
#include "base/text.h"
#include "policy/dlg_proxy_settings_win32.h"
#include "policy/icmp_echo_win32.h"
#include "res/resource.h"
#include "skin/skin_names.h"
#include "win/message_box.h"
#include "win/window_messages.h"

namespace {
constexpr int kRadioIds[] = {IDC_POLICY_PPTP, IDC_POLICY_L2TP, IDC_POLICY_OPENVPN};  // by protocol - 1
constexpr UINT kReportTimeoutMs = 500;
constexpr int kSpeedColumn = 2;

struct SColumn {
    const wchar_t* heading;
    int width;
};
constexpr SColumn kColumns[] = {{L"服务器名称", 100}, {L"服务器说明", 280}, {L"响应速度", 80}, {L"负载", 60}};

// A worker's view of the window: one report sent with a time limit. The limit is what lets a
// stop end: while the window waits for its workers it answers nothing, so a waiting worker
// gives up and ends.
class CReportToWindow final : public ISpeedTestReport {
public:
    explicit CReportToWindow(HWND window) : m_window(window) {}
    int Report(int row, int32_t averageMs) override
    {
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(m_window, kSpeedTestReportMessage, static_cast<WPARAM>(row),
                                   static_cast<LPARAM>(averageMs), SMTO_NORMAL, kReportTimeoutMs, &answer))
            return -1;
        return static_cast<int>(static_cast<LRESULT>(answer));
    }

private:
    HWND m_window;
};

// Stands in when no echo could be made: every probe fails, every row times out.
class CNoEcho final : public IIcmpEcho {
public:
    bool Probe(std::wstring_view, SEchoReply&) override { return false; }
};

void SetListText(HWND list, int row, int column, const std::wstring& text)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::wstring ListText(HWND list, int row, int column)
{
    std::wstring text(260, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto length = static_cast<size_t>(
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < text.size()) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);  // it may have been cut: ask again with more room
    }
}
}  // namespace

CDlgVpnPolicy::CDlgVpnPolicy(const CServerDirectory& directory, ISettingsStore& settings, IProtocolChecks& checks,
                             EchoFactory echoes)
    : CSkinedDialog(IDD_VPN_POLICY, kPartBackground),
      m_directory(directory),
      m_settings(settings),
      m_checks(checks),
      m_echoes(std::move(echoes))
{
    UseCommonControls(ICC_LISTVIEW_CLASSES);
}

CDlgVpnPolicy::~CDlgVpnPolicy()
{
    if (Handle())
        ::DestroyWindow(Handle());
    StopTest();
}

BOOL CDlgVpnPolicy::OnInitDialog()
{
    WriteWindowText(Handle(), selection_text::kTitle);
    SetCaptionButtons(false, false, false);
    AttachFrame();
    for (CSkinedButton* button : {&m_ok, &m_cancel, &m_retest, &m_proxy})
        button->SetStyleName(kStyleButton);
    m_ok.BindDlgItem(Handle(), IDOK);
    m_cancel.BindDlgItem(Handle(), IDCANCEL);
    m_retest.BindDlgItem(Handle(), IDC_POLICY_RETEST);
    m_proxy.BindDlgItem(Handle(), IDC_POLICY_PROXY);

    const SSelectionView view = BuildSelectionView(m_directory, m_settings);
    FillRoutes(view);
    CheckProtocol(view.checked);
    FillServers(view);
    if (view.selectedRow >= 0) {
        // Selected only: not focused, not scrolled to. The change notification sets the protocols.
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        ::SendMessageW(Item(IDC_POLICY_SERVERS), LVM_SETITEMSTATE, static_cast<WPARAM>(view.selectedRow),
                       reinterpret_cast<LPARAM>(&state));
    }
    StartTest();
    return TRUE;
}

void CDlgVpnPolicy::FillRoutes(const SSelectionView& view)
{
    const HWND combo = Item(IDC_POLICY_ROUTES);
    for (const std::wstring& title : view.routes)
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
    if (view.selectedRoute >= 0)
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(view.selectedRoute), 0);
}

void CDlgVpnPolicy::CheckProtocol(std::optional<EVpnProtocol> protocol)
{
    for (int id : kRadioIds)
        ::CheckDlgButton(Handle(), id, BST_UNCHECKED);
    if (protocol)
        ::CheckDlgButton(Handle(), kRadioIds[VpnProtocolNumber(*protocol) - 1], BST_CHECKED);
}

void CDlgVpnPolicy::FillServers(const SSelectionView& view)
{
    const HWND list = Item(IDC_POLICY_SERVERS);
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        LVCOLUMNW header{};
        header.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        header.fmt = LVCFMT_LEFT;
        header.cx = kColumns[column].width;
        header.pszText = const_cast<wchar_t*>(kColumns[column].heading);
        header.iSubItem = column;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&header));
    }
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1),
                   LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    // The rows are in and their hosts read before any worker can ask for one.
    m_hosts.clear();
    m_hosts.reserve(view.servers.size());
    ::SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(view.servers.size()), 0);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const std::wstring notTested = selection_text::kNotTested;
    for (size_t row = 0; row < view.servers.size(); ++row) {
        const SServerRow& server = view.servers[row];
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<wchar_t*>(server.title.c_str());
        item.lParam = server.serverIndex;
        const int inserted = static_cast<int>(
            ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        SetListText(list, inserted, 1, server.comment);
        SetListText(list, inserted, kSpeedColumn, notTested);
        SetListText(list, inserted, 3, server.loadText);
        m_hosts.push_back(TrimBlanks(m_directory.ServerHost(server.serverIndex, L"")));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    m_board.SetRowCount(static_cast<int>(view.servers.size()));
}

bool CDlgVpnPolicy::OnNotify(int id, const NMHDR& header, LRESULT& result)
{
    if (id != IDC_POLICY_SERVERS || header.code != LVN_ITEMCHANGED)
        return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    // Rows losing the selection are of no interest.
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) && change.iItem >= 0)
        ShowProtocolsOf(static_cast<int>(change.lParam));
    result = 0;
    return true;
}

void CDlgVpnPolicy::ShowProtocolsOf(int serverIndex)
{
    const SProtocolOffer offer = ProtocolOffer(m_directory.ServerProtocols(serverIndex));
    for (size_t index = 0; index < std::size(kRadioIds); ++index) {
        const HWND radio = Item(kRadioIds[index]);
        ::EnableWindow(radio, offer.offered[index]);
        if (!offer.offered[index])
            ::CheckDlgButton(Handle(), kRadioIds[index], BST_UNCHECKED);
    }
    if (offer.empty)
        ShowMessage(Handle(), selection_text::kNoProtocolOffered);
}

SSelectionInput CDlgVpnPolicy::ReadInput() const
{
    SSelectionInput input;
    const HWND combo = Item(IDC_POLICY_ROUTES);
    input.routeText = ReadWindowText(combo);
    const LRESULT route = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    input.routeIndex = route == CB_ERR ? -1 : static_cast<int>(route);

    const HWND list = Item(IDC_POLICY_SERVERS);
    input.selectedRow = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (input.selectedRow >= 0) {
        input.serverTitle = ListText(list, input.selectedRow, 0);
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = input.selectedRow;
        if (::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            input.serverIndex = static_cast<int>(item.lParam);
    }
    for (size_t index = 0; index < std::size(kRadioIds); ++index) {
        input.usable[index] = ::IsDlgButtonChecked(Handle(), kRadioIds[index]) == BST_CHECKED &&
                              ::IsWindowEnabled(Item(kRadioIds[index]));
    }
    return input;
}

void CDlgVpnPolicy::OnOK()
{
    const SSelectionOutcome outcome = AcceptSelection(ReadInput(), m_settings);
    if (!outcome.accepted) {
        ShowMessage(Handle(), outcome.message);
        return;
    }
    m_selection = outcome.selection;
    StopTest();
    // A failed check keeps the window open with the test stopped, until the user re-tests.
    if (m_checks.Apply(Handle(), *m_selection.protocol))
        EndDialog(IDOK);
}

void CDlgVpnPolicy::OnCancel()
{
    StopTest();
    EndDialog(IDCANCEL);
}

bool CDlgVpnPolicy::OnCommand(WORD id, WORD notification, HWND control)
{
    if (id == IDC_POLICY_RETEST && notification == BN_CLICKED) {
        StopTest();
        StartTest();
        return true;
    }
    if (id == IDC_POLICY_PROXY && notification == BN_CLICKED) {
        // The button stays hidden. Its window's result does not matter here: the login exchange
        // reads what it saved when it starts the connection.
        CPasswordProtection protection;
        CDlgProxySettings proxy(m_settings, protection);
        proxy.DoModal(Handle());
        return true;
    }
    return CSkinedDialog::OnCommand(id, notification, control);
}

INT_PTR CDlgVpnPolicy::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case kSpeedTestReportMessage:
        return MessageResult(OnSpeedTestReport(static_cast<int>(wParam), static_cast<int32_t>(lParam)));
    case WM_SHOWWINDOW:
        if (wParam)
            ::SetFocus(Item(IDC_POLICY_SERVERS));
        handled = false;
        return FALSE;
    default:
        handled = false;
        return FALSE;
    }
}

// --- speed test ------------------------------------------------------------------------------

void CDlgVpnPolicy::SetSpeedText(int row, const std::wstring& text)
{
    SetListText(Item(IDC_POLICY_SERVERS), row, kSpeedColumn, text);
}

LRESULT CDlgVpnPolicy::OnSpeedTestReport(int row, int32_t averageMs)
{
    // A report that timed out may still be delivered after its worker has gone; outside a
    // running test nobody is waiting for the answer, and it must not move the next row.
    if (!m_running.load())
        return -1;
    const CSpeedTestBoard::SAnswer answer = m_board.OnReport(row, averageMs);
    if (answer.result.row >= 0)
        SetSpeedText(answer.result.row, answer.result.text);
    if (answer.testing.row >= 0)
        SetSpeedText(answer.testing.row, answer.testing.text);
    return answer.nextRow;
}

void CDlgVpnPolicy::StartTest()
{
    m_board.Restart();
    m_running.store(true);
    for (CWorkerThread& worker : m_workers) {
        if (worker.Start([this] { RunWorker(); }))
            ++m_workersStarted;
    }
}

void CDlgVpnPolicy::StopTest()
{
    if (!m_running.exchange(false))
        return;
    for (CWorkerThread& worker : m_workers) {
        if (worker.Join())
            ++m_workersJoined;
    }
    // Reports that timed out while we waited are still queued for this thread: take them now,
    // while they are ignored, rather than in the next pass.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void CDlgVpnPolicy::RunWorker()
{
    const std::unique_ptr<IIcmpEcho> echo = m_echoes ? m_echoes() : nullptr;
    CNoEcho noEcho;
    CReportToWindow window(Handle());
    RunSpeedTestWorker(echo ? *echo : noEcho, window, m_hosts, m_running);
}

// --- the login exchange's seam ---------------------------------------------------------------

bool CServerSelectionWindow::Choose(SServerSelection& selection)
{
    const CServerDirectory directory = CServerDirectory::Load(m_responsePath);
    CDlgVpnPolicy dialog(directory, m_settings, m_checks, MakeSystemIcmpEcho);
    if (dialog.DoModal(m_owner) != IDOK)
        return false;
    selection = dialog.Selection();
    return true;
}
