#include "vpn/openvpn_components_win32.h"

#include <shellapi.h>

#include <io.h>

#include "vpn/console_redirector_win32.h"
#include "win/handle.h"

namespace {
constexpr const wchar_t* kComponentFiles[] = {L"openvpn.exe", L"ca.crt", L"tap_korvex.inf", L"tap_korvex.sys",
                                             L"tapinstall.exe"};
constexpr DWORD kAdapterListTimeoutMs = 30000;

std::wstring& Folder()
{
    static std::wstring folder;
    return folder;
}
}  // namespace

const std::wstring& OpenVpnFolder() { return Folder(); }

bool CheckOpenVpnComponents(const std::wstring& moduleDir)
{
    Folder() = moduleDir + L"openvpn\\";
    for (const wchar_t* file : kComponentFiles) {
        if (::_waccess((Folder() + file).c_str(), 0) != 0)
            return false;
    }
    return true;
}

bool IsTapAdapterPresent()
{
    CCConsoleRedirectorSimple adapters;
    adapters.Start(L"\"" + Folder() + L"openvpn.exe\" --show-adapters");
    // A program that hangs must not freeze the client for good.
    if (!adapters.WaitForReader(kAdapterListTimeoutMs)) {
        adapters.Close();
        return false;
    }
    const std::string output = adapters.GetOutput();
    return !output.empty() && output.find('{') != std::string::npos;
}

bool InstallTapDriver()
{
    const std::wstring parameters = L"install \"" + Folder() + L"tap_korvex.inf\" tap_korvex";
    RunAndWait(Folder() + L"tapinstall.exe", parameters, SW_HIDE);
    return true;
}

bool RunAndWait(const std::wstring& file, const std::wstring& parameters, int showCommand)
{
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.lpFile = file.c_str();
    run.lpParameters = parameters.c_str();
    run.lpDirectory = L"";
    run.nShow = showCommand;
    if (!::ShellExecuteExW(&run))
        return false;
    const CKernelHandle process(run.hProcess);
    if (process)
        ::WaitForSingleObject(process.Get(), INFINITE);
    return true;
}
