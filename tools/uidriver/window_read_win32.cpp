// Commands that look at windows: list, state, text, rect, wait, msgbox, items, combo.
#include "tools/uidriver/commands_win32.h"
#include "tools/uidriver/item_controls_win32.h"
#include "tools/uidriver/output_win32.h"
#include "tools/uidriver/window_query_win32.h"

#include <vector>

namespace {
constexpr UINT kAnswerTimeoutMs = 5000;

// What a person could see of a window or control at one moment.
struct CObservedState {
    bool exists = false;
    bool visible = false;
    bool enabled = false;
    bool foreground = false;
    LRESULT check = BST_UNCHECKED;

    static CObservedState Of(HWND window)
    {
        CObservedState state;
        state.exists = window && ::IsWindow(window);
        if (!state.exists)
            return state;
        state.visible = ::IsWindowVisible(window) != FALSE;  // false as well if a parent is hidden
        state.enabled = ::IsWindowEnabled(window) != FALSE;
        state.foreground = ::GetForegroundWindow() == ::GetAncestor(window, GA_ROOT);
        DWORD_PTR check = BST_UNCHECKED;
        if (::SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &check))
            state.check = static_cast<LRESULT>(check);
        return state;
    }

    std::wstring Words() const
    {
        if (!exists)
            return L"gone";
        std::wstring words = visible ? L"visible" : L"hidden";
        words += enabled ? L" enabled" : L" disabled";
        words += check == BST_CHECKED ? L" checked" : check == BST_INDETERMINATE ? L" indeterminate" : L" unchecked";
        words += foreground ? L" foreground" : L" background";
        return words;
    }
};

// The flags of `wait`, each a state it waits for.
struct CCondition {
    const wchar_t* flag;
    bool (*holds)(const CObservedState&);
};
const CCondition kConditions[] = {
    {L"gone", [](const CObservedState& s) { return !s.exists; }},
    {L"visible", [](const CObservedState& s) { return s.exists && s.visible; }},
    {L"hidden", [](const CObservedState& s) { return s.exists && !s.visible; }},
    {L"enabled", [](const CObservedState& s) { return s.exists && s.enabled; }},
    {L"disabled", [](const CObservedState& s) { return s.exists && !s.enabled; }},
    {L"checked", [](const CObservedState& s) { return s.exists && s.check == BST_CHECKED; }},
    {L"unchecked", [](const CObservedState& s) { return s.exists && s.check == BST_UNCHECKED; }},
    {L"foreground", [](const CObservedState& s) { return s.exists && s.foreground; }},
};

void ListWindow(HWND window, const std::wstring& indent, const std::wstring& name)
{
    const CObservedState state = CObservedState::Of(window);
    PrintLine(indent + name + L" " + WindowClass(window) + L" " + state.Words() + L" " +
              Quoted(indent.empty() ? WindowTitle(window) : ControlText(window)));
}

BOOL CALLBACK ListChild(HWND child, LPARAM)
{
    ListWindow(child, L"    ", L"id=" + std::to_wstring(::GetDlgCtrlID(child)));
    return TRUE;
}

// Message boxes keep their text in a static with this id, on Windows and on Wine alike; it tells
// a box from the program's own dialogs, which share its window class.
constexpr int kMessageBoxTextId = 0xFFFF;

HWND MessageBoxText(HWND box) { return ::GetDlgItem(box, kMessageBoxTextId); }

// Message box buttons by the names a script would use.
bool ButtonId(const std::wstring& name, int& id)
{
    static const struct { const wchar_t* name; int id; } kButtons[] = {
        {L"ok", IDOK}, {L"cancel", IDCANCEL}, {L"abort", IDABORT}, {L"retry", IDRETRY},
        {L"ignore", IDIGNORE}, {L"yes", IDYES}, {L"no", IDNO},
    };
    for (const auto& button : kButtons)
        if (_wcsicmp(name.c_str(), button.name) == 0) {
            id = button.id;
            return true;
        }
    long long number = 0;
    if (!ParseNumber(name, number))
        return false;
    id = static_cast<int>(number);
    return true;
}
}  // namespace

int ListCommand(const CCommandLine& line)
{
    CWindowQuery query;
    std::wstring ignored;
    query.Read(line, ignored);  // without a filter every window is listed
    for (HWND window : query.TopLevels()) {
        ListWindow(window, L"", HexHandle(window) + L" " + ProcessExe(window));
        if (line.Has(L"children"))
            ::EnumChildWindows(window, ListChild, 0);
    }
    return kExitOk;
}

int StateCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    PrintLine(CObservedState::Of(window).Words());
    return kExitOk;
}

int TextCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    PrintLine(query.controlId ? ControlText(window) : WindowTitle(window));
    return kExitOk;
}

int RectCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    double timeout = 0;
    if (const int code = AwaitWindow(line, query, window, timeout))
        return code;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    PrintLine(std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
              std::to_wstring(rect.right - rect.left) + L" " + std::to_wstring(rect.bottom - rect.top));
    return kExitOk;
}

int WaitCommand(const CCommandLine& line)
{
    CWindowQuery query;
    std::wstring error;
    double timeout = 0;
    double stay = 0;
    if (!query.Read(line, error) || !ReadTimeout(line, timeout, error))
        return Complain(kExitUsage, error);
    if (const auto value = line.Value(L"stay"); value && (!ParseSeconds(*value, stay) || stay > 600))
        return Complain(kExitUsage, L"--stay needs seconds from 0 to 600, not " + Quoted(*value));

    std::vector<const CCondition*> conditions;
    std::wstring expected;
    auto expect = [&](const std::wstring& what) { expected += (expected.empty() ? L"" : L" and ") + what; };
    for (const CCondition& condition : kConditions)
        if (line.Has(condition.flag)) {
            conditions.push_back(&condition);
            expect(condition.flag);
        }
    const auto text = line.Value(L"text");
    const auto otherText = line.Value(L"text-not");
    if (text)
        expect(L"text " + Quoted(*text));
    if (otherText)
        expect(L"text other than " + Quoted(*otherText));
    if (expected.empty())
        expected = L"there";

    CObservedState state;
    std::wstring currentText;
    auto holds = [&] {
        HWND window = query.Find();
        state = CObservedState::Of(window);
        if (state.exists && (text || otherText))
            currentText = query.controlId ? ControlText(window) : WindowTitle(window);
        for (const CCondition* condition : conditions)
            if (!condition->holds(state))
                return false;
        if (!state.exists)
            return line.Has(L"gone");
        return (!text || currentText == *text) && (!otherText || currentText != *otherText);
    };
    auto seen = [&] {
        return state.Words() + (state.exists && (text || otherText) ? L", text " + Quoted(currentText) : L"");
    };

    if (!PollUntil(timeout, holds))
        return Complain(kExitTimedOut, L"waited " + SecondsText(timeout) + L" for " + query.Describe() + L" to be " +
                                           expected + L"; it is " + seen());
    // --stay: a state that must last, such as a window that must not show before some event.
    if (stay > 0 && PollUntil(stay, [&] { return !holds(); }))
        return Complain(kExitFailed, query.Describe() + L" did not stay " + expected + L" for " + SecondsText(stay) +
                                         L"; it is " + seen());
    return kExitOk;
}

int MessageBoxCommand(const CCommandLine& line)
{
    CWindowQuery query;
    query.className = line.Value(L"class").value_or(L"#32770");
    query.title = line.Value(L"title");
    query.exe = line.Value(L"exe");
    query.visibleOnly = true;
    std::wstring error;
    double timeout = 0;
    if (!ReadTimeout(line, timeout, error))
        return Complain(kExitUsage, error);
    int buttonId = 0;
    const auto press = line.Value(L"press");
    if (press && !ButtonId(*press, buttonId))
        return Complain(kExitUsage, L"unknown button " + Quoted(*press) + L" (ok, cancel, yes, no, ... or an id)");

    HWND box = nullptr;
    const bool found = PollUntil(timeout, [&] {
        for (HWND candidate : query.TopLevels())
            if (MessageBoxText(candidate)) {
                box = candidate;
                return true;
            }
        return false;
    });
    if (!found)
        return Complain(kExitTimedOut, L"no message box (" + query.Describe() + L") within " + SecondsText(timeout));
    PrintLine(ControlText(MessageBoxText(box)));
    if (!press)
        return kExitOk;

    HWND button = ::GetDlgItem(box, buttonId);
    if (!button)
        return Complain(kExitFailed, L"the message box has no button " + *press);
    ::PostMessageW(button, BM_CLICK, 0, 0);
    if (!PollUntil(timeout, [&] { return !::IsWindow(box) || !::IsWindowVisible(box); }))
        return Complain(kExitTimedOut, L"the message box stayed open " + SecondsText(timeout) + L" after " + *press);
    return kExitOk;
}

int ItemsCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    if (const int code = AwaitItemControl(line, IsListView, query, window))
        return code;
    CRemoteListView list(window);
    int rows = 0;
    int columns = 0;
    if (!list.Open() || !list.RowCount(rows) || !list.ColumnCount(columns))
        return Complain(kExitFailed, query.Describe() + L": " + list.Error());
    // All rows are read before any is printed: a list view that stops answering halfway leaves
    // no partial table behind.
    std::vector<std::wstring> lines;
    for (int row = 0; row < rows; ++row) {
        std::wstring text = std::to_wstring(row);
        for (int column = 0; column < columns; ++column) {
            std::wstring cell;
            if (!list.Text(row, column, cell))
                return Complain(kExitFailed, query.Describe() + L": " + list.Error());
            text += L"\t" + cell;
        }
        bool selected = false;
        if (!list.IsSelected(row, selected))
            return Complain(kExitFailed, query.Describe() + L": " + list.Error());
        lines.push_back(text + (selected ? L"\tselected" : L"\t-"));
    }
    for (const std::wstring& text : lines)
        PrintLine(text);
    return kExitOk;
}

int ComboCommand(const CCommandLine& line)
{
    CWindowQuery query;
    HWND window = nullptr;
    if (const int code = AwaitItemControl(line, IsComboBox, query, window))
        return code;
    std::vector<std::wstring> items;
    int selected = -1;
    if (!ReadComboItems(window, items, selected))
        return Complain(kExitFailed, query.Describe() + L" did not answer");
    for (size_t index = 0; index < items.size(); ++index)
        PrintLine(std::to_wstring(index) + L"\t" + items[index] +
                  (static_cast<int>(index) == selected ? L"\tselected" : L"\t-"));
    return kExitOk;
}
