#include "policy/dlg_diagnosis_win32.h"

#include <commdlg.h>

#include <ctime>
#include <cwchar>
#include <iterator>

#include "policy/diagnosis_report.h"
#include "res/resource.h"
#include "win/handle.h"
#include "win/message_box.h"
#include "win/system_library.h"
#include "win/window_messages.h"

namespace {

constexpr WPARAM kWakeOnOutput = 0;
constexpr WPARAM kWakeOnEnd = 1;

// The noted time in the C run-time's long date-and-time form of the locale set at start-up;
// empty when the conversion or the formatting fails (longer than 127 characters included).
std::wstring FormatReportTime(std::time_t noted)
{
    // Windows' C run-time keeps localtime's result per thread.
    const std::tm* local = std::localtime(&noted);
    if (!local)
        return {};
    wchar_t buffer[kMaxReportTimeLength + 1] = {};
    const size_t length = std::wcsftime(buffer, std::size(buffer), L"%#c", local);
    return std::wstring(buffer, length);
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    const CLocalMemory owner(text);
    if (length == 0 || !text)
        return L"错误 " + std::to_wstring(error);
    return std::wstring(text, length);
}

// Creates or truncates the file and writes the bytes; the system's error code, or ERROR_SUCCESS.
DWORD WriteReport(const std::wstring& path, const std::string& bytes)
{
    const CFileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return ::GetLastError();
    DWORD written = 0;
    if (!bytes.empty() && !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return ::GetLastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

}  // namespace

// --- the redirector ----------------------------------------------------------------------------

CConsoleRedirectorDiagnosis::~CConsoleRedirectorDiagnosis()
{
    Close();  // the reader posts to m_window: it goes before the member does
}

void CConsoleRedirectorDiagnosis::OnOutput(const char* data, size_t length)
{
    AppendOutput(data, length);
    ::PostMessageW(m_window.load(), kDiagnosisWakeUpMessage, kWakeOnOutput, 0);
}

void CConsoleRedirectorDiagnosis::OnEnd()
{
    ::PostMessageW(m_window.load(), kDiagnosisWakeUpMessage, kWakeOnEnd, 0);
}

// --- the window --------------------------------------------------------------------------------

CDlgDiagnosis::CDlgDiagnosis(std::wstring systemDir, std::wstring webHost,
                             std::function<std::wstring()> eventLogText)
    : CDialog(IDD_DIAGNOSIS),
      m_systemDir(std::move(systemDir)),
      m_webHost(std::move(webHost)),
      m_eventLogText(std::move(eventLogText))
{
}

CDlgDiagnosis::~CDlgDiagnosis() = default;

BOOL CDlgDiagnosis::OnInitDialog()
{
    m_redirector.SetWindow(Handle());
    // A report with the event log runs past the field's default limit of about 32,000
    // characters, and text beyond the limit would silently be dropped.
    ::SendMessageW(Item(IDC_DIAGNOSIS_OUTPUT), EM_SETLIMITTEXT, 0, 0);
    return TRUE;
}

bool CDlgDiagnosis::OnCommand(WORD id, WORD notification, HWND control)
{
    switch (id) {
    case IDC_DIAGNOSIS_COPY:
        if (!m_running)
            Copy();
        return true;
    case IDC_DIAGNOSIS_SAVE:
        if (!m_running)
            Save();
        return true;
    default:
        return CDialog::OnCommand(id, notification, control);
    }
}

void CDlgDiagnosis::OnOK()
{
    // Enter reaches us even while the start button is disabled.
    if (!m_running && !m_closing)
        Run();
}

void CDlgDiagnosis::OnCancel()
{
    // During a run this ends the command at once; the run sees m_closing and stops.
    m_closing = true;
    m_redirector.Close();
    EndDialog(IDCANCEL);
}

void CDlgDiagnosis::OnDestroy()
{
    m_closing = true;
    m_redirector.Close();
    m_redirector.SetWindow(nullptr);
}

INT_PTR CDlgDiagnosis::OnMessage(UINT message, WPARAM, LPARAM, bool& handled)
{
    if (message != kDiagnosisWakeUpMessage)
        return 0;
    // Only ends the run's wait. It must not reach the dialog manager, for which this number is
    // DM_SETDEFID: the default button would be lost.
    handled = true;
    return MessageResult(0);
}

void CDlgDiagnosis::Run()
{
    const std::wstring caption = ItemText(IDOK);
    SetItemText(IDOK, diagnosis_text::kRunning);
    EnableButtons(false);
    m_running = true;
    const std::time_t noted = std::time(nullptr);

    // After a copy everything is selected: the new report replaces the old one.
    ::SendMessageW(Item(IDC_DIAGNOSIS_OUTPUT), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    AppendText(DiagnosisHeader(FormatReportTime(noted)));
    bool completed = true;
    for (const std::wstring& commandLine : DiagnosisCommandLines(m_systemDir, m_webHost)) {
        if (!RunCommand(commandLine)) {
            completed = false;
            break;
        }
    }
    if (completed)
        AppendText(DiagnosisEventLogSection(m_eventLogText ? m_eventLogText() : std::wstring()));

    m_running = false;
    SetItemText(IDOK, caption);
    EnableButtons(true);
    if (completed)
        ShowMessage(Handle(), diagnosis_text::kCompleted, MB_OK | MB_ICONINFORMATION);
}

bool CDlgDiagnosis::RunCommand(const std::wstring& commandLine)
{
    m_redirector.ClearOutput();
    m_redirector.Start(commandLine);  // one that cannot start adds nothing
    CConsoleTextDecoder decoder;
    bool going = false;
    while (m_redirector.HasChildProcess()) {
        if (!DispatchOneMessage() || m_closing) {
            going = true;
            break;
        }
        AppendText(decoder.Feed(m_redirector.TakeOutput()));
    }
    if (going || m_closing) {
        m_redirector.Close();
        return false;
    }
    AppendText(decoder.Feed(m_redirector.TakeOutput()));
    AppendText(decoder.Finish());
    return true;
}

bool CDlgDiagnosis::DispatchOneMessage()
{
    MSG message;
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
        ::PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that ends the program
        return false;
    }
    if (got == -1)
        return false;
    if (!Handle() || !::IsDialogMessageW(Handle(), &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

void CDlgDiagnosis::AppendText(std::wstring_view text)
{
    if (text.empty())
        return;
    const HWND output = Item(IDC_DIAGNOSIS_OUTPUT);
    const int length = ::GetWindowTextLengthW(output);
    ::SendMessageW(output, EM_SETSEL, length, length);
    ::SendMessageW(output, EM_SCROLLCARET, 0, 0);
    const std::wstring copy(text);
    ::SendMessageW(output, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(copy.c_str()));
}

void CDlgDiagnosis::EnableButtons(bool enable)
{
    // A disabled button keeps no keyboard focus: the field takes it, so Escape still closes.
    if (!enable) {
        const HWND focus = ::GetFocus();
        if (focus == Item(IDOK) || focus == Item(IDC_DIAGNOSIS_COPY) || focus == Item(IDC_DIAGNOSIS_SAVE))
            ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_DIAGNOSIS_OUTPUT)), TRUE);
    }
    for (const int id : {IDOK, IDC_DIAGNOSIS_COPY, IDC_DIAGNOSIS_SAVE})
        ::EnableWindow(Item(id), enable ? TRUE : FALSE);
}

void CDlgDiagnosis::Copy()
{
    const HWND output = Item(IDC_DIAGNOSIS_OUTPUT);
    ::SendMessageW(output, EM_SETSEL, 0, -1);
    ::SendMessageW(output, EM_SCROLLCARET, 0, 0);
    ::SendMessageW(output, WM_COPY, 0, 0);
    ShowMessage(Handle(), diagnosis_text::kCopied, MB_OK | MB_ICONINFORMATION);
}

std::wstring CDlgDiagnosis::AskSavePath()
{
    std::wstring filter = diagnosis_text::kSaveFilter;
    for (wchar_t& c : filter) {
        if (c == L'|')
            c = L'\0';
    }
    wchar_t path[MAX_PATH] = {};
    std::wcsncpy(path, diagnosis_text::kDefaultFileName, MAX_PATH - 1);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = filter.c_str();  // the string's own terminator ends the list
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = diagnosis_text::kDefaultExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    // comdlg32 is loaded only when the report is saved: the program starts without it.
    using SaveFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
    const auto ask = SystemFunction<SaveFileNameFunction>(L"comdlg32.dll", "GetSaveFileNameW");
    if (!ask || !ask(&dialog))
        return {};
    return path;
}

void CDlgDiagnosis::Save()
{
    const std::wstring path = AskSavePath();
    if (path.empty())
        return;
    const DWORD error = WriteReport(path, DiagnosisFileBytes(ItemText(IDC_DIAGNOSIS_OUTPUT)));
    if (error != ERROR_SUCCESS) {
        ShowMessage(Handle(), SaveFailedMessage(SystemErrorText(error)), MB_OK | MB_ICONERROR);
        return;
    }
    ShowMessage(Handle(), diagnosis_text::kSaved, MB_OK | MB_ICONINFORMATION);
}
