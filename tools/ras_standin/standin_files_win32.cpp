// The two files beside the DLL: the scenario a test writes and the log it reads.
#include "tools/ras_standin/standin_win32.h"

#include <cstdio>

namespace
{

// Any address inside the DLL finds its module.
const char Anchor = 0;

std::wstring BesideModule(const wchar_t* fileName)
{
    std::wstring path(32768, L'\0');
    const DWORD length =
        ::GetModuleFileNameW(OwnModule(), &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + fileName;
}

} // namespace

HMODULE OwnModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&Anchor), &module);
    return module;
}

CScenario ReadScenario(FILETIME& written)
{
    written = FILETIME{};
    const std::wstring path = BesideModule(L"rasapi32.scenario");
    // A test may be rewriting it just now: share everything, and a missing file is the default.
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return CScenario();
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (text.size() < 65536 && ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    ::GetFileTime(file, nullptr, nullptr, &written);
    ::CloseHandle(file);
    return ParseScenario(text);
}

void Log(const std::string& line)
{
    // Opened for every line, so that each is on disk before the call returns and a test may
    // delete the file between steps.
    const std::wstring path = BesideModule(L"rasapi32.log");
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string ReadLinesFile()
{
    const std::wstring path = BesideModule(L"rasapi32.lines");
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (text.size() < 65536 && ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    ::CloseHandle(file);
    return text;
}

void WriteLinesFile(const std::string& text)
{
    const std::wstring path = BesideModule(L"rasapi32.lines");
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string HandleText(HRASCONN handle)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
    return text;
}

double NowSeconds()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}
