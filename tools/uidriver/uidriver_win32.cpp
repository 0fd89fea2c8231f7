// uidriver: drives the client's windows from outside, the way a person would, for the
// end-to-end tests. One command per run; results on stdout, exit codes in output_win32.h.
#include "tools/uidriver/commands_win32.h"
#include "tools/uidriver/output_win32.h"

#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {
struct CCommand {
    const wchar_t* name;
    const wchar_t* arguments;  // positional words, for the usage text
    size_t fewestWords, mostWords;  // how many positional words it takes
    const wchar_t* options;    // accepted options; WIN stands for the window options
    const wchar_t* help;
    int (*run)(const CCommandLine&);
};

int BatchCommand(const CCommandLine& line);

const CCommand kCommands[] = {
    {L"list", L"", 0, 0, L"WIN children", L"list top-level windows (all, or those matching), with --children their controls",
     ListCommand},
    {L"state", L"", 0, 0, L"WIN timeout", L"print: visible|hidden enabled|disabled checked|unchecked foreground|background",
     StateCommand},
    {L"text", L"", 0, 0, L"WIN timeout",
     L"print the control's text (a drop-down list: its selected item; the window's title without --id)", TextCommand},
    {L"rect", L"", 0, 0, L"WIN timeout", L"print the window's screen rectangle: x y width height", RectCommand},
    {L"wait", L"", 0, 0,
     L"WIN timeout stay gone visible hidden enabled disabled checked unchecked foreground text text-not",
     L"wait until the window exists and is in every state named (--stay SECONDS: and stays so)", WaitCommand},
    {L"msgbox", L"", 0, 0, L"title class exe press timeout",
     L"wait for a visible message box, print its text, with --press ok|cancel|yes|no|ID close it", MessageBoxCommand},
    {L"items", L"", 0, 0, L"WIN timeout",
     L"print a list view's rows, one a line: ROW<TAB>each column's text<TAB>selected|- (rows from 0)", ItemsCommand},
    {L"combo", L"", 0, 0, L"WIN timeout",
     L"print a combo box's items, one a line: INDEX<TAB>text<TAB>selected|- (items from 0)", ComboCommand},
    {L"set-text", L"TEXT", 1, 1, L"WIN timeout", L"set the text (WM_SETTEXT)", SetTextCommand},
    {L"type", L"TEXT", 1, 1, L"WIN timeout", L"type the text into the control at its caret (WM_CHAR)", TypeCommand},
    {L"click", L"", 0, 0, L"WIN timeout command", L"click the button (BM_CLICK; --command: WM_COMMAND to its parent)",
     ClickCommand},
    {L"key", L"KEY", 1, 1, L"WIN timeout input",
     L"press enter, escape, tab, space or alt+f4 in the window (posted; --input: SendInput after focusing it)",
     KeyCommand},
    {L"post", L"MSG [WPARAM [LPARAM]]", 1, 3, L"WIN timeout", L"post a message (numbers: 32769, 0x8001)", PostCommand},
    {L"send", L"MSG [WPARAM [LPARAM]]", 1, 3, L"WIN timeout", L"send a message, print the result", SendCommand},
    {L"show", L"", 0, 0, L"WIN timeout", L"show the window (SW_SHOWNORMAL)", ShowCommand},
    {L"hide", L"", 0, 0, L"WIN timeout", L"hide the window (SW_HIDE)", HideCommand},
    {L"select-item", L"ROW", 1, 1, L"WIN timeout",
     L"select and focus the list view's row as a click would, the others deselected (-1: deselect all)",
     SelectItemCommand},
    {L"combo-select", L"INDEX", 1, 1, L"WIN timeout",
     L"select the combo box's item (CB_SETCURSEL) and tell its owner (CBN_SELCHANGE), as a choice would",
     ComboSelectCommand},
    {L"batch", L"", 0, 0, L"",
     L"run the commands on standard input, one a line, until one fails (its exit code)", BatchCommand},
    {L"process-counts", L"", 0, 0, L"exe",
     L"print the one process's handles=N threads=N gdi=N user=N windows=N listed-handles=N (GDI and USER "
     L"objects as GetGuiResources tells; windows: its top-level, child and message-only windows; "
     L"listed-handles: its entries in the system's handle list, -1 if there is none)",
     ProcessCountsCommand},
    {L"store-clear", L"", 0, 0, L"app", L"delete the client's settings key", StoreClearCommand},
    {L"store-set-string", L"SECTION KEY TEXT", 3, 3, L"app", L"store a text value", StoreSetStringCommand},
    {L"store-set-int", L"SECTION KEY NUMBER", 3, 3, L"app", L"store an integer value", StoreSetIntCommand},
    {L"store-set-blob", L"SECTION KEY HEX", 3, 3, L"app", L"store bytes given in hexadecimal", StoreSetBlobCommand},
    {L"protect-password", L"PASSWORD", 1, 1, L"app", L"store the password protected, as Main/Password",
     ProtectPasswordCommand},
    {L"store-get", L"SECTION KEY", 2, 2, L"app unprotect", L"print a stored value (--unprotect: the password in a blob)",
     StoreGetCommand},
};

const std::vector<std::wstring> kValueOptions = {L"title", L"class", L"exe", L"id", L"timeout", L"text",
                                                 L"text-not", L"stay", L"press", L"app"};

std::vector<std::wstring> OptionNames(const CCommand& command)
{
    std::wistringstream words(command.options);
    std::vector<std::wstring> names;
    for (std::wstring word; words >> word;) {
        if (word == L"WIN")
            names.insert(names.end(), {L"title", L"class", L"exe", L"id"});
        else
            names.push_back(word);
    }
    return names;
}

int Usage(int code)
{
    PrintLine(L"usage: uidriver COMMAND [ARGUMENTS] [OPTIONS]");
    PrintLine(L"window options (WIN): --title TEXT --class NAME --exe FILE.exe [--id CONTROL]");
    PrintLine(L"waits take --timeout SECONDS (default 10); exit codes: 0 done, 1 failed, 2 usage, 3 timed out");
    for (const CCommand& command : kCommands)
        PrintLine(std::wstring(L"  ") + command.name + L" " + command.arguments + L"  [" + command.options + L"]\n      " +
                  command.help);
    return code;
}

int Run(const std::vector<std::wstring>& words);

// Runs the commands of standard input, one a line (UTF-8, words split at blanks, so no word
// holds one), until the first that fails: a long test pays for one start of the driver, not one
// per step.
int BatchCommand(const CCommandLine&)
{
    std::string input;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0)
        input.append(buffer, read);
    std::wstring text(input.size(), L'\0');
    text.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, input.data(), static_cast<int>(input.size()),
                                                          &text[0], static_cast<int>(text.size()))));
    std::wistringstream lines(text);
    int number = 0;
    for (std::wstring lineText; std::getline(lines, lineText);) {
        ++number;
        std::wistringstream split(lineText);
        std::vector<std::wstring> words;
        for (std::wstring word; split >> word;)
            words.push_back(word);
        if (words.empty())
            continue;
        if (words.front() == L"batch")
            return Complain(kExitUsage, L"line " + std::to_wstring(number) + L": batch inside batch");
        const int code = Run(words);
        if (code != kExitOk)
            return Complain(code, L"line " + std::to_wstring(number) + L" failed: " + lineText);
    }
    return kExitOk;
}

int Run(const std::vector<std::wstring>& words)
{
    CCommandLine line;
    std::wstring error;
    if (!line.Parse(words, kValueOptions, error))
        return words.empty() ? Usage(kExitUsage) : Complain(kExitUsage, error);
    for (const CCommand& command : kCommands) {
        if (line.Command() != command.name)
            continue;
        const auto allowed = OptionNames(command);
        for (const auto& option : line.Options())
            if (std::find(allowed.begin(), allowed.end(), option.first) == allowed.end())
                return Complain(kExitUsage, std::wstring(command.name) + L" takes no option --" + option.first);
        const size_t count = line.Positional().size();
        if (count < command.fewestWords || count > command.mostWords)
            return Complain(kExitUsage, std::wstring(L"usage: uidriver ") + command.name + L" " + command.arguments);
        return command.run(line);
    }
    if (line.Command() == L"help")
        return Usage(kExitOk);
    return Complain(kExitUsage, L"unknown command " + line.Command() + L" (try: uidriver help)");
}
}  // namespace

int wmain(int argc, wchar_t** argv)
{
    try {
        return Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (...) {
        return Complain(kExitFailed, L"out of memory");
    }
}
