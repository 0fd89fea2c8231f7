// tapinstall.exe double: "install <inf> <hwid>" as the renamed devcon does it, minus the
// driver. An installed adapter is recorded in the marker file beside us, where the openvpn.exe
// double finds it.
#include <windows.h>

#include <string>

#include "tools/openvpn_double/console_texts.h"
#include "tools/openvpn_double/double_files_win32.h"
#include "tools/openvpn_double/scenario.h"

namespace
{

void Write(DWORD stream, const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

int Exit(int code, const std::string& reason)
{
    Log("exit code=" + std::to_string(code) + " reason=" + reason);
    return code;
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return length == 0 || length >= MAX_PATH * 2 ? path : std::wstring(buffer, length);
}

void RecordAdapter()
{
    const std::wstring marker = BesideProgram(AdapterMarkerFileName);
    const size_t index = CountAdapters(ReadWholeFile(marker));
    const std::string line = AdapterGuid(index) + " '" + AdapterName(index) +
                             "' installed by the tapinstall double (test fixture)\n";
    HANDLE file = ::CreateFileW(marker.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const CDoubleScenario scenario = StartDouble("tapinstall");
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (::lstrcmpiW(command.c_str(), L"install") != 0) {
        Write(STD_ERROR_HANDLE, "tapinstall.exe: Unknown command.\n");
        return Exit(3, "usage");
    }
    if (argc != 4) {
        Write(STD_ERROR_HANDLE, "tapinstall.exe: Invalid use of install.\n");
        return Exit(3, "usage");
    }

    const std::wstring inf = FullPath(argv[2]);
    const std::wstring hardwareId = argv[3];
    Log("install inf=" + Utf8(inf) + " hwid=" + Utf8(hardwareId));
    ::Sleep(scenario.TapinstallDelayMs);

    // The package is the .inf and the driver of the same name beside it, and it installs the
    // hardware id it is named after (tap_korvex.inf, tap_korvex.sys, tap_korvex).
    const size_t slash = inf.find_last_of(L"\\/");
    const size_t dot = inf.find_last_of(L'.');
    const std::wstring base =
        dot == std::wstring::npos || dot < slash + 1 ? std::wstring() : inf.substr(0, dot);
    const std::wstring name = base.substr(slash + 1);
    std::string why;
    if (!FileExists(inf))
        why = "no_inf";
    else if (base.empty() || !FileExists(base + L".sys"))
        why = "no_sys";
    else if (::lstrcmpiW(name.c_str(), hardwareId.c_str()) != 0)
        why = "hwid_not_in_inf";
    else if (scenario.TapinstallResult == 2)
        why = "scenario";
    if (!why.empty()) {
        Write(STD_ERROR_HANDLE, "tapinstall.exe failed.\n");
        return Exit(2, why);
    }

    Write(STD_OUTPUT_HANDLE, "Device node created. Install is complete when drivers are installed...\n");
    Write(STD_OUTPUT_HANDLE, "Updating drivers for " + Utf8(hardwareId) + " from " + Utf8(inf) + ".\n");
    Write(STD_OUTPUT_HANDLE, "Drivers installed successfully.\n");
    RecordAdapter();
    Log("adapter_created count=" + std::to_string(CountAdapters(
                                       ReadWholeFile(BesideProgram(AdapterMarkerFileName)))));
    return scenario.TapinstallResult == 1 ? Exit(1, "reboot_needed") : Exit(0, "installed");
}
