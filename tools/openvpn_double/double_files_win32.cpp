#include "tools/openvpn_double/double_files_win32.h"

#include "tools/openvpn_double/console_texts.h"

namespace
{

std::string LogPrefix = "double";

} // namespace

std::wstring BesideProgram(const std::wstring& fileName)
{
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + fileName;
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::wstring& path)
{
    // A test may be rewriting it just now: share everything.
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

CDoubleScenario StartDouble(const char* program)
{
    LogPrefix = program;
    Log("start pid=" + std::to_string(::GetCurrentProcessId()));
    Log("command_line " + Utf8(::GetCommandLineW()));
    CDoubleScenario scenario = ParseDoubleScenario(ReadWholeFile(BesideProgram(ScenarioFileName)));
    for (const std::string& problem : scenario.Problems)
        Log("scenario " + problem);
    return scenario;
}

void Log(const std::string& line)
{
    // Opened for every line, so that each is on disk at once (tests wait for lines while we
    // run) and appended whole even when the other double writes too.
    HANDLE file = ::CreateFileW(BesideProgram(LogFileName).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = LogPrefix + " " + line + "\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

size_t AdapterCount(const CDoubleScenario& scenario)
{
    switch (scenario.Adapter) {
    case EAdapter::Present:
        return 1;
    case EAdapter::Absent:
        return 0;
    case EAdapter::Auto:
        break;
    }
    return CountAdapters(ReadWholeFile(BesideProgram(AdapterMarkerFileName)));
}

namespace
{

std::wstring WideFrom(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

} // namespace

std::wstring Wide(const std::string& utf8)
{
    return WideFrom(CP_UTF8, utf8);
}

std::string AnsiToUtf8(const std::string& bytes)
{
    return Utf8(WideFrom(CP_ACP, bytes));
}
