// One console program that plays ipconfig.exe, tracert.exe or route.exe, whichever its file name
// says, for the diagnosis window's tests: it notes its start beside itself, prints the tool's
// fixed output in the ANSI code page, and exits. Nothing here touches a network.
#include <windows.h>

#include <cwctype>
#include <string>

#include "tools/diagnosis_doubles/double_output.h"

namespace {

std::wstring ProgramPath()
{
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

// The tool's name in lower case, without folder and ".exe".
std::wstring ToolName(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towlower(c));
    return name;
}

// The command line after the program, as the window wrote it.
std::wstring Arguments()
{
    const std::wstring line = ::GetCommandLineW();
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        const size_t close = line.find(L'"', 1);
        i = close == std::wstring::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
        ++i;
    return line.substr(i);
}

std::string Narrow(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return {};
    const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string bytes(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), needed, nullptr,
                          nullptr);
    return bytes;
}

void AppendToFile(const std::wstring& path, const std::string& bytes)
{
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

void Print(const std::wstring& text)
{
    const std::string bytes = Narrow(text, CP_ACP);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain()
{
    const std::wstring path = ProgramPath();
    const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
    const std::wstring tool = ToolName(path);
    const std::wstring arguments = Arguments();
    AppendToFile(folder + diagnosis_double::kCallsLog, Narrow(tool + L" " + arguments + L"\r\n", CP_UTF8));

    const std::wstring hangFile = folder + tool + diagnosis_double::kHangSuffix;
    if (::GetFileAttributesW(hangFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::wstring host = arguments.size() > 3 ? arguments.substr(3) : std::wstring();
        Print(diagnosis_double::TracertHead(host));
        ::Sleep(INFINITE);  // until the window ends us
    }
    Print(diagnosis_double::Output(tool, arguments));
    return 0;
}
