// process-counts: what a process holds, for the soak test's before/after comparison.
#include "tools/uidriver/commands_win32.h"
#include "tools/uidriver/output_win32.h"
#include "win/handle.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>
#include <vector>

namespace {
struct WindowCount {
    DWORD processId;
    DWORD count;
};

BOOL CALLBACK CountChild(HWND, LPARAM parameter)
{
    ++reinterpret_cast<WindowCount*>(parameter)->count;
    return TRUE;
}

void CountTree(HWND window, WindowCount& windows)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != windows.processId)
        return;
    ++windows.count;
    ::EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&windows));
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM parameter)
{
    CountTree(window, *reinterpret_cast<WindowCount*>(parameter));
    return TRUE;
}

// The system's list of open handles (SystemExtendedHandleInformation), as far as this process
// may see it. Counted per owner, it stands in where GetProcessHandleCount answers 0 (Wine).
struct SystemHandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR value;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct SystemHandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry handles[1];
};
constexpr int kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// -1 when the system does not list handles.
long long CountListedHandles(DWORD processId)
{
    using QueryFunction = NTSTATUS(WINAPI*)(int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<ULONG_PTR> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ULONG bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        ULONG needed = 0;
        const NTSTATUS status = query(kSystemExtendedHandleInformation, buffer.data(), bytes, &needed);
        if (status == kStatusInfoLengthMismatch) {
            buffer.resize(buffer.size() * 2 + needed / sizeof(ULONG_PTR));
            continue;
        }
        if (status < 0)
            return -1;
        const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
        long long count = 0;
        for (ULONG_PTR i = 0; i < list->count; ++i)
            count += list->handles[i].processId == processId;
        return count;
    }
    return -1;
}

// Top-level, child and message-only windows: the USER objects one can count from outside.
DWORD CountWindows(DWORD processId)
{
    WindowCount windows{processId, 0};
    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    for (HWND window = nullptr; (window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;)
        CountTree(window, windows);
    return windows.count;
}
}  // namespace

int ProcessCountsCommand(const CCommandLine& line)
{
    const auto exe = line.Value(L"exe");
    if (!exe)
        return Complain(kExitUsage, L"say which process: --exe FILE.exe");

    CFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return Complain(kExitFailed, L"no process list");
    std::vector<PROCESSENTRY32W> matches;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
        if (_wcsicmp(entry.szExeFile, exe->c_str()) == 0)
            matches.push_back(entry);
    if (matches.size() != 1)
        return Complain(kExitFailed, std::to_wstring(matches.size()) + L" processes of " + *exe + L", not one");

    const DWORD processId = matches.front().th32ProcessID;
    CKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process)
        return Complain(kExitFailed, L"cannot open process " + std::to_wstring(processId));
    DWORD handles = 0;
    if (!::GetProcessHandleCount(process.Get(), &handles))
        return Complain(kExitFailed, L"no handle count (error " + std::to_wstring(::GetLastError()) + L")");

    DWORD threads = 0;
    CFileHandle threadSnapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    if (threadSnapshot)
        for (BOOL more = ::Thread32First(threadSnapshot.Get(), &thread); more;
             more = ::Thread32Next(threadSnapshot.Get(), &thread))
            threads += thread.th32OwnerProcessID == processId;

    PrintLine(L"handles=" + std::to_wstring(handles) + L" threads=" + std::to_wstring(threads) +
              L" gdi=" + std::to_wstring(::GetGuiResources(process.Get(), GR_GDIOBJECTS)) +
              L" user=" + std::to_wstring(::GetGuiResources(process.Get(), GR_USEROBJECTS)) +
              L" windows=" + std::to_wstring(CountWindows(processId)) +
              L" listed-handles=" + std::to_wstring(CountListedHandles(processId)));
    return kExitOk;
}
