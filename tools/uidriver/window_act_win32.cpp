// Commands that act on windows. Clicks and keys are posted, never sent: a button that opens a
// modal box must not hold the driver until the box closes. Selections in list views and combo
// boxes are sent, with a time limit, so that the owner has taken them when the command returns.
// All are refused where a person could not act either: on a hidden or disabled control.
#include "tools/uidriver/commands_win32.h"
#include "tools/uidriver/item_controls_win32.h"
#include "tools/uidriver/output_win32.h"
#include "tools/uidriver/window_query_win32.h"

#include <climits>
#include <vector>

namespace {
constexpr UINT kAnswerTimeoutMs = 5000;

int RefuseUnlessUsable(const CWindowQuery& query, HWND window)
{
    if (!::IsWindowVisible(window))
        return Complain(kExitFailed, query.Describe() + L" is hidden");
    if (!::IsWindowEnabled(window) || !::IsWindowEnabled(::GetAncestor(window, GA_ROOT)))
        return Complain(kExitFailed, query.Describe() + L" is disabled");
    return kExitOk;
}

struct CKey {
    const wchar_t* name;
    WORD virtualKey;
    bool withAlt;
};
const CKey kKeys[] = {
    {L"enter", VK_RETURN, false}, {L"escape", VK_ESCAPE, false}, {L"tab", VK_TAB, false},
    {L"space", VK_SPACE, false},  {L"alt+f4", VK_F4, true},
};

// The lParam of a key message: repeat count 1, scan code, context (Alt held) and transition bits.
LPARAM KeyData(WORD virtualKey, bool withAlt, bool release)
{
    DWORD data = 1 | (::MapVirtualKeyW(virtualKey, 0 /* MAPVK_VK_TO_VSC */) << 16);
    if (withAlt)
        data |= 1u << 29;
    if (release)
        data |= (1u << 30) | (1u << 31);
    return static_cast<LPARAM>(data);
}

// Through the target's message queue, as the keyboard would deliver it there: the dialog loop
// turns Enter and Escape into its default and cancel commands, DefWindowProc turns Alt+F4 into
// SC_CLOSE.
void PostKey(HWND target, const CKey& key)
{
    const UINT down = key.withAlt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const UINT up = key.withAlt ? WM_SYSKEYUP : WM_KEYUP;
    ::PostMessageW(target, down, key.virtualKey, KeyData(key.virtualKey, key.withAlt, false));
    ::PostMessageW(target, up, key.virtualKey, KeyData(key.virtualKey, key.withAlt, true));
}

// Through the system's input queue, to whatever has the focus after the target window was
// brought to the front and the control focused.
bool InputKey(HWND target, const CKey& key)
{
    HWND top = ::GetAncestor(target, GA_ROOT);
    const DWORD ours = ::GetCurrentThreadId();
    const DWORD theirs = ::GetWindowThreadProcessId(target, nullptr);
    ::AttachThreadInput(ours, theirs, TRUE);  // SetFocus works only on a queue we share
    ::SetForegroundWindow(top);
    ::SetFocus(target);
    ::AttachThreadInput(ours, theirs, FALSE);

    std::vector<INPUT> events;
    auto add = [&](WORD virtualKey, bool release) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
        events.push_back(input);
    };
    if (key.withAlt)
        add(VK_MENU, false);
    add(key.virtualKey, false);
    add(key.virtualKey, true);
    if (key.withAlt)
        add(VK_MENU, true);
    return ::SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)) == events.size();
}

// MESSAGE [WPARAM [LPARAM]] from the positional words.
bool ReadMessage(const CCommandLine& line, UINT& message, WPARAM& wParam, LPARAM& lParam, std::wstring& error)
{
    long long numbers[3] = {0, 0, 0};
    const auto& words = line.Positional();
    for (size_t i = 0; i < words.size(); ++i)
        if (!ParseNumber(words[i], numbers[i])) {
            error = L"not a number: " + Quoted(words[i]);
            return false;
        }
    message = static_cast<UINT>(numbers[0]);
    wParam = static_cast<WPARAM>(numbers[1]);
    lParam = static_cast<LPARAM>(numbers[2]);
    return true;
}

int ShowOrHide(const CCommandLine& line, int how)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    const bool wantVisible = how != SW_HIDE;
    ::ShowWindowAsync(window, how);
    if (!PollUntil(timeout, [&] { return (::IsWindowVisible(window) != FALSE) == wantVisible; }))
        return Complain(kExitTimedOut, query.Describe() + L" did not change its visibility within " +
                                           SecondsText(timeout));
    return kExitOk;
}
}  // namespace

int SetTextCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    const std::wstring& text = line.Positional().at(0);
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                               kAnswerTimeoutMs, &result) ||
        !result)
        return Complain(kExitFailed, query.Describe() + L" did not take the text");
    return kExitOk;
}

int TypeCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    if (const int code = RefuseUnlessUsable(query, window))
        return code;
    // Sent one by one, so the text is in the control when the command returns.
    for (wchar_t unit : line.Positional().at(0)) {
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(window, WM_CHAR, unit, 1, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result))
            return Complain(kExitFailed, query.Describe() + L" stopped answering while typing");
    }
    return kExitOk;
}

int ClickCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    if (const int code = RefuseUnlessUsable(query, window))
        return code;
    if (line.Has(L"command")) {  // what the button itself would tell its parent
        const WPARAM command = MAKEWPARAM(::GetDlgCtrlID(window), BN_CLICKED);
        ::PostMessageW(::GetParent(window), WM_COMMAND, command, reinterpret_cast<LPARAM>(window));
    } else {
        ::PostMessageW(window, BM_CLICK, 0, 0);
    }
    return kExitOk;
}

int KeyCommand(const CCommandLine& line)
{
    const std::wstring& name = line.Positional().at(0);
    const CKey* key = nullptr;
    for (const CKey& candidate : kKeys)
        if (_wcsicmp(candidate.name, name.c_str()) == 0)
            key = &candidate;
    if (!key)
        return Complain(kExitUsage, L"unknown key " + Quoted(name) + L" (enter, escape, tab, space, alt+f4)");

    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    if (const int code = RefuseUnlessUsable(query, window))
        return code;
    if (!line.Has(L"input")) {
        PostKey(window, *key);
        return kExitOk;
    }
    if (!InputKey(window, *key))
        return Complain(kExitFailed, L"the system did not take the key input");
    return kExitOk;
}

namespace {
// Posts the message, or sends it and prints the window's answer.
int DeliverMessage(const CCommandLine& line, bool send)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::wstring error;
    if (!ReadMessage(line, message, wParam, lParam, error))
        return Complain(kExitUsage, error);
    if (!send) {
        if (!::PostMessageW(window, message, wParam, lParam))
            return Complain(kExitFailed, L"could not post to " + query.Describe());
        return kExitOk;
    }
    DWORD_PTR result = 0;
    const UINT limitMs = static_cast<UINT>(timeout * 1000);
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, limitMs, &result))
        return Complain(kExitTimedOut, query.Describe() + L" did not answer within " + SecondsText(timeout));
    PrintLine(std::to_wstring(static_cast<long long>(result)));
    return kExitOk;
}
}  // namespace

int PostCommand(const CCommandLine& line) { return DeliverMessage(line, false); }

int SendCommand(const CCommandLine& line) { return DeliverMessage(line, true); }

int ShowCommand(const CCommandLine& line) { return ShowOrHide(line, SW_SHOWNORMAL); }

int HideCommand(const CCommandLine& line) { return ShowOrHide(line, SW_HIDE); }

int SelectItemCommand(const CCommandLine& line)
{
    const std::wstring& word = line.Positional().at(0);
    long long row = 0;
    if (!ParseNumber(word, row) || row < -1 || row > INT_MAX)
        return Complain(kExitUsage, L"ROW needs a row number or -1, not " + Quoted(word));
    CWindowQuery query;
    HWND window = nullptr;
    if (const int code = AwaitItemControl(line, IsListView, query, window))
        return code;
    if (const int code = RefuseUnlessUsable(query, window))
        return code;
    CRemoteListView list(window);
    int rows = 0;
    if (!list.Open() || !list.RowCount(rows))
        return Complain(kExitFailed, query.Describe() + L": " + list.Error());
    if (row >= rows)
        return Complain(kExitFailed, query.Describe() + L" has no row " + std::to_wstring(row) + L" (it has " +
                                         std::to_wstring(rows) + L")");
    if (!list.Select(static_cast<int>(row)))
        return Complain(kExitFailed, query.Describe() + L": " + list.Error());
    // The owner may veto a change (LVN_ITEMCHANGING) or undo it when told; say so.
    for (int other = 0; other < rows; ++other) {
        bool selected = false;
        if (!list.IsSelected(other, selected))
            return Complain(kExitFailed, query.Describe() + L": " + list.Error());
        if (selected != (other == row))
            return Complain(kExitFailed, query.Describe() + L": row " + std::to_wstring(other) + L" is " +
                                             (selected ? L"selected" : L"not selected") + L" after the change");
    }
    return kExitOk;
}

int ComboSelectCommand(const CCommandLine& line)
{
    const std::wstring& word = line.Positional().at(0);
    long long index = 0;
    if (!ParseNumber(word, index) || index < 0 || index > INT_MAX)
        return Complain(kExitUsage, L"INDEX needs an item number from 0, not " + Quoted(word));
    CWindowQuery query;
    HWND window = nullptr;
    if (const int code = AwaitItemControl(line, IsComboBox, query, window))
        return code;
    if (const int code = RefuseUnlessUsable(query, window))
        return code;
    std::wstring error;
    if (!SelectComboItem(window, static_cast<int>(index), error))
        return Complain(kExitFailed, query.Describe() + L" " + error);
    return kExitOk;
}
