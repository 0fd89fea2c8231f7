#include "tools/uidriver/window_query_win32.h"

#include "tools/uidriver/output_win32.h"
#include "win/handle.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>

namespace {
constexpr UINT kAnswerTimeoutMs = 5000;  // a window that does not answer within this is hung
constexpr double kDefaultTimeoutSeconds = 10;
constexpr double kLongestTimeoutSeconds = 600;

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

struct DescendantSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindDescendant(HWND child, LPARAM parameter)
{
    auto* search = reinterpret_cast<DescendantSearch*>(parameter);
    if (::GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM parameter)
{
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}
}  // namespace

bool CWindowQuery::Read(const CCommandLine& line, std::wstring& error)
{
    title = line.Value(L"title");
    className = line.Value(L"class");
    exe = line.Value(L"exe");
    if (const auto id = line.Value(L"id")) {
        long long number = 0;
        if (!ParseNumber(*id, number)) {
            error = L"--id needs a number, not " + Quoted(*id);
            return false;
        }
        controlId = static_cast<int>(number);
    }
    if (!title && !className && !exe) {
        error = L"say which window: --title, --class or --exe";
        return false;
    }
    return true;
}

bool CWindowQuery::Matches(HWND topLevel) const
{
    if (visibleOnly && !::IsWindowVisible(topLevel))
        return false;
    if (title && WindowTitle(topLevel) != *title)
        return false;
    if (className && !SameIgnoringCase(WindowClass(topLevel), *className))
        return false;
    return !exe || SameIgnoringCase(ProcessExe(topLevel), *exe);
}

std::vector<HWND> CWindowQuery::TopLevels() const
{
    std::vector<HWND> all;
    ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> matches;
    for (HWND window : all)
        if (Matches(window))
            matches.push_back(window);
    return matches;
}

HWND CWindowQuery::TopLevel() const
{
    const auto matches = TopLevels();
    return matches.empty() ? nullptr : matches.front();
}

HWND CWindowQuery::Find() const
{
    HWND top = TopLevel();
    if (!top || !controlId)
        return top;
    if (HWND child = ::GetDlgItem(top, *controlId))
        return child;
    DescendantSearch search{*controlId, nullptr};  // controls inside a group or a pane
    ::EnumChildWindows(top, FindDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring CWindowQuery::Describe() const
{
    std::wstring text = L"window";
    if (title)
        text += L" " + Quoted(*title);
    if (className)
        text += L" of class " + *className;
    if (exe)
        text += L" of " + *exe;
    if (controlId)
        text += L", control " + std::to_wstring(*controlId);
    return text;
}

std::wstring ControlText(HWND window)
{
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                               SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied))
        return {};
    text.resize(std::min<size_t>(copied, length));
    return text;
}

std::wstring WindowTitle(HWND window)
{
    wchar_t buffer[512];
    const int length = ::GetWindowTextW(window, buffer, 512);  // another process's: no message sent
    return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring WindowClass(HWND window)
{
    wchar_t buffer[256];
    const int length = ::GetClassNameW(window, buffer, 256);
    return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring ProcessExe(HWND window)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    CFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ProcessID == processId)
            return entry.szExeFile;
    return {};
}

bool PollUntil(double seconds, const std::function<bool()>& test)
{
    const DWORD start = ::GetTickCount();
    const DWORD limit = static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (test())
            return true;
        if (::GetTickCount() - start >= limit)
            return false;
        ::Sleep(50);
    }
}

bool ReadTimeout(const CCommandLine& line, double& seconds, std::wstring& error)
{
    seconds = kDefaultTimeoutSeconds;
    const auto value = line.Value(L"timeout");
    if (!value)
        return true;
    if (!ParseSeconds(*value, seconds) || seconds > kLongestTimeoutSeconds) {
        error = L"--timeout needs seconds from 0 to 600, not " + Quoted(*value);
        return false;
    }
    return true;
}

int AwaitWindow(const CCommandLine& line, CWindowQuery& query, HWND& window, double& timeout)
{
    std::wstring error;
    if (!query.Read(line, error) || !ReadTimeout(line, timeout, error))
        return Complain(kExitUsage, error);
    window = nullptr;
    if (PollUntil(timeout, [&] { return (window = query.Find()) != nullptr; }))
        return kExitOk;
    return Complain(kExitTimedOut, L"no " + query.Describe() + L" appeared within " + SecondsText(timeout));
}
