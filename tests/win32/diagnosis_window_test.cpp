// The diagnosis window on the screen with console doubles of ipconfig.exe, tracert.exe and
// route.exe in a system folder of the test's own: what a run reports (and skips), runs after one
// another with and without a copy, a close in the middle of a run, and saving.
#include <windows.h>
#include <dlgs.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "app/korvex_app_win32.h"
#include "base/ansi.h"
#include "fetch_test_driver.h"
#include "policy/dlg_diagnosis_win32.h"
#include "res/resource.h"
#include "tools/diagnosis_doubles/double_output.h"
#include "win/handle.h"
#include "win/window_text.h"

#ifndef KORVEX_DIAGNOSIS_DOUBLE
#error "KORVEX_DIAGNOSIS_DOUBLE must name the console double of the diagnosis commands"
#endif

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kTitle[] = L"系统诊断";
constexpr wchar_t kHost[] = L"127.0.0.1";
constexpr wchar_t kCompleted[] = L"诊断完成，您可以把结果保存到文件，或者复制到剪贴板后再粘贴到客服论坛等。";
// A full client log as the window gets it, with bare LFs (the report ends its lines in CR LF).
// With it one report runs past the output field's default limit of about 32,000 characters.
const std::wstring& EventLogText()
{
    static const std::wstring text = [] {
        std::wstring lines;
        for (int i = 0; i < 500; ++i)
            lines += L"2024-03-05 07:08:09." + std::to_wstring(100 + i) + L" 连接：状态 正在连接，错误 无法连接服务器，第 " +
                     std::to_wstring(i) + L" 次，详细 服务器没有响应\n";
        return lines;
    }();
    return text;
}
constexpr DWORD kRunLimitMs = 40000;

std::wstring CrLf(const std::wstring& text)
{
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            result += L'\r';
        result += text[i];
    }
    return result;
}

// A system folder of the test's own, holding the double under the names of the tools given. Its
// name has a blank, as "C:\\Documents and Settings" has.
class CToolFolder {
public:
    explicit CToolFolder(std::initializer_list<const wchar_t*> tools)
    {
        static int folders = 0;
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"korvex diagnosis-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++folders) + L"\\";
        std::filesystem::create_directories(m_path);
        std::wstring double_path = L"Z:" + AnsiToWide(KORVEX_DIAGNOSIS_DOUBLE);
        for (wchar_t& c : double_path)
            c = c == L'/' ? L'\\' : c;
        for (const wchar_t* tool : tools)
            EXPECT_TRUE(::CopyFileW(double_path.c_str(), (m_path + tool + L".exe").c_str(), FALSE)) << "copying the double";
    }
    ~CToolFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::wstring& Path() const { return m_path; }
    void Hang(const wchar_t* tool) const { std::ofstream(std::filesystem::path(m_path + tool + L".hang")); }
    std::string Read(const wchar_t* name) const
    {
        std::ifstream file(std::filesystem::path(m_path + name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    // The doubles' starts, "tool arguments" each.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        const std::string log = Read(diagnosis_double::kCallsLog);
        for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
            calls.push_back(log.substr(start, end - start));
        return calls;
    }

private:
    std::wstring m_path;
};

size_t ChildProcessCount()
{
    CFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    size_t count = 0;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        count += entry.th32ParentProcessID == ::GetCurrentProcessId();
    return count;
}

std::wstring Field(HWND window) { return ReadWindowText(::GetDlgItem(window, IDC_DIAGNOSIS_OUTPUT)); }
bool Enabled(HWND window, int id) { return ::IsWindowEnabled(::GetDlgItem(window, id)) != FALSE; }

void Press(HWND window, int id)
{
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

bool AnswerBox(DWORD uiThread, const std::wstring& text, DWORD ms = 20000)
{
    const HWND box = WaitForMessageBox(uiThread, kTestBoxCaption, text, ms);
    if (!box)
        return false;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitUntilGone(box, 3000);
}

// A visible dialog of the thread owned by `owner`, or null.
struct SOwnedSearch {
    HWND owner;
    HWND found;
};

// A callback of the system's calling convention: on i686 a lambda is not one.
BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<SOwnedSearch*>(parameter);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && ::GetWindow(window, GW_OWNER) == search->owner && ::IsWindowVisible(window))
        search->found = window;
    return search->found == nullptr;
}

HWND OwnedDialog(DWORD thread, HWND owner)
{
    SOwnedSearch search{owner, nullptr};
    ::EnumThreadWindows(thread, FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Local time as 100 ns ticks, for the header check.
ULONGLONG LocalTicks()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    ULARGE_INTEGER ticks;
    ::SystemTimeToFileTime(&now, reinterpret_cast<FILETIME*>(&ticks));
    return ticks.QuadPart;
}

// True if the header's time is the locale's long form ("2024年3月5日", then the time of day) of
// a second between `from` and `to`.
bool TimeWithin(const std::wstring& time, ULONGLONG from, ULONGLONG to)
{
    for (ULONGLONG tick = from - from % 10000000; tick <= to; tick += 10000000) {
        SYSTEMTIME at;
        ::FileTimeToSystemTime(reinterpret_cast<const FILETIME*>(&tick), &at);
        wchar_t date[32], clock[16];
        swprintf(date, 32, L"%u年%u月%u日", at.wYear, at.wMonth, at.wDay);
        swprintf(clock, 16, L":%02u:%02u", at.wMinute, at.wSecond);
        if (time.find(date) != std::wstring::npos && time.find(clock) != std::wstring::npos)
            return true;
    }
    return false;
}

// The field must hold one report per body, in order, each under its own dated header.
void ExpectReports(const std::wstring& field, const std::vector<std::wstring>& bodies, ULONGLONG from, ULONGLONG to)
{
    const std::wstring label = L"诊断生成日期：";
    size_t at = 0;
    for (const std::wstring& body : bodies) {
        ASSERT_EQ(field.compare(at, label.size(), label), 0) << "no header at " << at;
        const size_t lineEnd = field.find(L"\r\n", at);
        ASSERT_NE(lineEnd, std::wstring::npos);
        const std::wstring time = field.substr(at + label.size(), lineEnd - at - label.size());
        EXPECT_TRUE(TimeWithin(time, from, to)) << "header time " << ::testing::PrintToString(time);
        EXPECT_EQ(field.substr(lineEnd + 2, body.size()), body);
        at = lineEnd + 2 + body.size();
    }
    EXPECT_EQ(at, field.size()) << "after the reports: " << ::testing::PrintToString(field.substr(at));
}

// What a run adds below its header when the folder holds these tools.
std::wstring Body(std::initializer_list<const wchar_t*> tools)
{
    std::wstring body;
    for (const wchar_t* tool : tools) {
        const std::wstring name = tool;
        body += CrLf(diagnosis_double::Output(name, name == L"ipconfig" ? L"/all"
                                                    : name == L"route"  ? L"print"
                                                                        : L"-d 127.0.0.1"));
    }
    return body + L"\r\n客户端事件记录：\r\n" + CrLf(EventLogText());
}

// The program's locale is the one the name "chs" gives, whichever way it is reached, and the long
// date form the header uses reads the same in it.
TEST(RuntimeLocale, IsSimplifiedChineseAsTheNameChsGivesIt)
{
    const std::wstring before = _wsetlocale(LC_ALL, nullptr);
    const auto longDate = [] {
        std::tm time{};
        time.tm_year = 110;
        time.tm_mon = 10;
        time.tm_mday = 9;
        time.tm_hour = 17;
        wchar_t text[128] = L"";
        std::wcsftime(text, std::size(text), L"%#c", &time);
        return std::wstring(text);
    };
    const std::wstring expectedName = _wsetlocale(LC_ALL, L"chs");
    const std::wstring expectedDate = longDate();
    _wsetlocale(LC_ALL, L"C");
    SetChineseRuntimeLocale();
    EXPECT_EQ(_wsetlocale(LC_ALL, nullptr), expectedName);
    EXPECT_EQ(longDate(), expectedDate);
    EXPECT_NE(expectedDate.find(L"2010年11月9日"), std::wstring::npos) << expectedDate;
    _wsetlocale(LC_ALL, before.c_str());
}

class DiagnosisWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFetchWindowTests();
        // The program runs in this locale (the header's long date form depends on it).
        m_locale = _wsetlocale(LC_ALL, nullptr);
        SetChineseRuntimeLocale();
    }
    void TearDown() override { _wsetlocale(LC_ALL, m_locale.c_str()); }

    // The window over the folder's tools, run modally while `driver` acts on it; closed with
    // its close button when the driver leaves it open.
    void Run(const CToolFolder& folder, const std::function<void(DWORD, HWND)>& driver)
    {
        CDlgDiagnosis dialog(folder.Path(), kHost, [] { return EventLogText(); });
        const SModalRun run = RunModal(
            dialog,
            [&](DWORD uiThread) {
                const HWND window = WaitForThreadWindow(uiThread, kTitle, 5000);
                ASSERT_NE(window, nullptr) << "the diagnosis window did not open";
                driver(uiThread, window);
                if (::IsWindow(window)) {
                    EXPECT_TRUE(PressUntilGone(window, IDCANCEL, 3000));
                }
            },
            kRunLimitMs);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.result, IDCANCEL);
    }

    // Starts a run and waits for its completion message; false when it did not come.
    static bool RunOnce(DWORD uiThread, HWND window)
    {
        Press(window, IDOK);
        return AnswerBox(uiThread, kCompleted);
    }

    std::wstring m_locale;
};

TEST_F(DiagnosisWindowTest, ReportsWhatEachCommandPrintsAndSkipsWhatCannotStart)
{
    const struct {
        std::initializer_list<const wchar_t*> tools;
        std::vector<std::string> calls;
    } cases[] = {
        {{L"ipconfig", L"tracert", L"route"}, {"ipconfig /all", "tracert -d 127.0.0.1", "route print"}},
        {{L"ipconfig"}, {"ipconfig /all"}},  // as on Wine, which has neither route.exe nor tracert.exe
        {{}, {}},
    };
    for (const auto& c : cases) {
        const CToolFolder folder(c.tools);
        std::wstring field;
        ULONGLONG from = 0, to = 0;
        Run(folder, [&](DWORD uiThread, HWND window) {
            EXPECT_EQ(ReadWindowText(::GetDlgItem(window, IDOK)), L"开始诊断");
            from = LocalTicks();
            EXPECT_TRUE(RunOnce(uiThread, window));
            to = LocalTicks();
            field = Field(window);
            EXPECT_EQ(ReadWindowText(::GetDlgItem(window, IDOK)), L"开始诊断");
            for (const int id : {IDOK, IDCANCEL, IDC_DIAGNOSIS_COPY, IDC_DIAGNOSIS_SAVE})
                EXPECT_TRUE(Enabled(window, id)) << "button " << id;
        });
        ExpectReports(field, {Body(c.tools)}, from, to);
        EXPECT_EQ(folder.Calls(), c.calls);
    }
}

TEST_F(DiagnosisWindowTest, ARunAddsToTheFieldUnlessEverythingWasCopied)
{
    const CToolFolder folder({L"ipconfig", L"tracert", L"route"});
    const std::wstring body = Body({L"ipconfig", L"tracert", L"route"});
    for (const bool copy : {false, true}) {
        std::wstring field, copied;
        ULONGLONG from = 0, to = 0;
        Run(folder, [&](DWORD uiThread, HWND window) {
            from = LocalTicks();
            EXPECT_TRUE(RunOnce(uiThread, window));
            if (copy) {
                Press(window, IDC_DIAGNOSIS_COPY);
                EXPECT_TRUE(AnswerBox(uiThread, L"拷贝成功"));
                if (::OpenClipboard(nullptr)) {
                    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
                        copied = static_cast<const wchar_t*>(::GlobalLock(data));
                        ::GlobalUnlock(data);
                    }
                    ::CloseClipboard();
                }
                EXPECT_EQ(copied, Field(window));
                from = LocalTicks();
            }
            EXPECT_TRUE(RunOnce(uiThread, window));
            to = LocalTicks();
            field = Field(window);
        });
        SCOPED_TRACE(copy ? "copied between the runs" : "two runs");
        ExpectReports(field, copy ? std::vector<std::wstring>{body} : std::vector<std::wstring>{body, body}, from, to);
    }
}

TEST_F(DiagnosisWindowTest, ClosingDuringARunEndsItAtOnce)
{
    const struct {
        const char* how;
        std::function<void(HWND)> close;
    } cases[] = {
        {"close button", [](HWND window) { Press(window, IDCANCEL); }},
        {"Escape in the output field",
         [](HWND window) { ::PostMessageW(::GetDlgItem(window, IDC_DIAGNOSIS_OUTPUT), WM_KEYDOWN, VK_ESCAPE, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const CToolFolder folder({L"ipconfig", L"tracert", L"route"});
        folder.Hang(L"tracert");
        bool gone = false;
        Run(folder, [&](DWORD uiThread, HWND window) {
            Press(window, IDOK);
            ASSERT_TRUE(WaitFor([&] { return Field(window).find(diagnosis_double::TracertHead(kHost)) != std::wstring::npos; }))
                << "the trace did not start";
            EXPECT_EQ(ReadWindowText(::GetDlgItem(window, IDOK)), L"正在诊断...");
            EXPECT_FALSE(Enabled(window, IDOK));
            EXPECT_FALSE(Enabled(window, IDC_DIAGNOSIS_COPY));
            EXPECT_FALSE(Enabled(window, IDC_DIAGNOSIS_SAVE));
            EXPECT_TRUE(Enabled(window, IDCANCEL));
            // The wake-ups share their number with DM_SETDEFID: one that reached the dialog
            // manager would have taken the default away from the start button by now.
            EXPECT_EQ(::SendMessageW(window, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
            c.close(window);
            // Ended from outside, Wine destroys the dialog when its loop wakes again.
            gone = WaitFor(
                [&] {
                    ::PostMessageW(window, WM_NULL, 0, 0);
                    return !::IsWindow(window);
                },
                5s);
            EXPECT_EQ(WaitForMessageBox(uiThread, kTestBoxCaption, kCompleted, 500), nullptr) << "completion shown";
        });
        EXPECT_TRUE(gone) << "the window stayed";
        EXPECT_TRUE(WaitFor([] { return ChildProcessCount() == 0; })) << "a command still runs";
        EXPECT_EQ(folder.Calls(), (std::vector<std::string>{"ipconfig /all", "tracert -d 127.0.0.1"}));
    }
}

// Presses save and answers the standard save dialog with `path`, confirming an overwrite when
// asked. Returns the file name the dialog offered; `prompted` tells whether it asked.
std::wstring SaveAs(DWORD uiThread, HWND window, const std::wstring& path, bool& prompted)
{
    Press(window, IDC_DIAGNOSIS_SAVE);
    HWND dialog = nullptr, name = nullptr;
    WaitFor([&] {
        dialog = OwnedDialog(uiThread, window);
        name = dialog ? ::GetDlgItem(dialog, cmb13) : nullptr;
        name = name ? name : (dialog ? ::GetDlgItem(dialog, edt1) : nullptr);
        return name != nullptr;
    });
    if (!name) {
        ADD_FAILURE() << "no save dialog";
        return {};
    }
    const std::wstring offered = ReadWindowText(name);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    prompted = false;
    EXPECT_TRUE(WaitFor([&] {
        if (const HWND prompt = OwnedDialog(uiThread, dialog)) {
            prompted = true;
            ::PostMessageW(prompt, WM_COMMAND, IDYES, 0);
        }
        return !::IsWindow(dialog);
    })) << "the save dialog stayed";
    return offered;
}

TEST_F(DiagnosisWindowTest, SaveWritesTheFieldInAnsiOrSaysWhyNot)
{
    wchar_t sharingViolation[256] = {};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_SHARING_VIOLATION, 0,
                     sharingViolation, 256, nullptr);
    std::wstring failed = L"保存文件失败：" + std::wstring(sharingViolation);
    while (!failed.empty() && (failed.back() == L'\r' || failed.back() == L'\n' || failed.back() == L' '))
        failed.pop_back();

    const struct {
        const char* what;
        bool report;          // a run first
        const wchar_t* typed; // then typed at the end of the field
        bool exists;          // the file is there already
        bool locked;          // and held open by another program
    } cases[] = {
        {"empty field", false, L"", false, false},
        {"report and a note", true, L"客服备注\r\n", false, false},
        {"over an existing file", false, L"客服备注", true, false},
        {"file in use", false, L"客服备注", true, true},
    };
    const CToolFolder folder({L"ipconfig", L"route"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = folder.Path() + L"报告.txt";
        std::filesystem::remove(std::filesystem::path(path));
        if (c.exists)
            std::ofstream(std::filesystem::path(path), std::ios::binary) << "old";
        CFileHandle lock(c.locked ? ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                  : INVALID_HANDLE_VALUE);
        std::wstring field, offered;
        bool prompted = false;
        Run(folder, [&](DWORD uiThread, HWND window) {
            if (c.report) {
                EXPECT_TRUE(RunOnce(uiThread, window));
            }
            const HWND output = ::GetDlgItem(window, IDC_DIAGNOSIS_OUTPUT);
            ::SendMessageW(output, EM_SETSEL, -1, -1);
            ::SendMessageW(output, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed));
            field = Field(window);
            offered = SaveAs(uiThread, window, path, prompted);
            EXPECT_TRUE(AnswerBox(uiThread, c.locked ? failed : L"保存成功", 5000));
        });
        lock.Reset();
        EXPECT_EQ(offered, L"网络诊断.txt");
        EXPECT_EQ(prompted, c.exists) << "asks before an existing file is overwritten";
        const std::string saved = folder.Read(L"报告.txt");
        if (c.locked) {
            EXPECT_EQ(saved, "old");
            continue;
        }
        EXPECT_EQ(saved, WideToAnsi(field));
        if (*c.typed) {
            EXPECT_NE(saved.find("\xBF\xCD\xB7\xFE\xB1\xB8\xD7\xA2"), std::string::npos) << "the note in code page 936";
        }
        if (c.report) {
            EXPECT_EQ(saved.compare(0, 14, "\xD5\xEF\xB6\xCF\xC9\xFA\xB3\xC9\xC8\xD5\xC6\xDA\xA3\xBA"), 0)
                << "starts with the header, no byte-order mark";
        }
    }
}

}  // namespace
