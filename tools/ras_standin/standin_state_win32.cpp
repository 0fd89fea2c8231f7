// The connection table, the lines dropping as the scenario says, and the dial's worker thread.
#include "tools/ras_standin/standin_win32.h"

#include <algorithm>
#include <cstdio>

namespace
{

// "Some KB per second" in each direction the scenario lets traffic flow.
constexpr double SendRate = 2048;
constexpr double ReceiveRate = 8192;
// The file system stamps a write with a coarse clock: a line that came up this shortly after
// the scenario was written still counts as up when it was written.
constexpr ULONGLONG FileTimeSlack = 50 * 10000; // 50 ms in 100 ns units

struct CShared
{
    CShared() { ::InitializeCriticalSection(&Lock); }
    ~CShared() { ::DeleteCriticalSection(&Lock); }
    CRITICAL_SECTION Lock;
    CStandIn State;
};

CShared& Shared()
{
    static CShared shared;
    return shared;
}

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void Drop(CConnection& connection, const char* reason)
{
    connection.Phase = EPhase::Dropped;
    SaveLines();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", NowSeconds() - connection.ConnectedAt);
    Log("drop handle=" + HandleText(connection.Handle) + " after_s=" + seconds + " reason=" + reason);
}

// The dial as the program sees it: one notification per state, delay_ms apart. A hang-up ends
// it between two notifications; a notifier returning 0 ends the notifications, not the dial.
void RunDial(CConnection& connection)
{
    for (size_t step = 0; step < connection.Steps.size(); ++step) {
        if (::WaitForSingleObject(connection.StopEvent, step == 0 ? 0 : connection.DelayMs) ==
            WAIT_OBJECT_0)
            return;
        const uint32_t state = connection.Steps[step];
        const bool last = step + 1 == connection.Steps.size();
        const DWORD error = last ? connection.Result : 0;
        RASDIALFUNC2 notifier = nullptr;
        {
            CStandInLock lock;
            if (connection.HungUp)
                return;
            connection.State = state;
            if (last && error != 0) {
                connection.Phase = EPhase::Failed;
            } else if (last) {
                // Up before the program hears of it: it asks for the projection right away.
                connection.Phase = EPhase::Connected;
                connection.ConnectedAt = connection.CountedUntil = NowSeconds();
                ::GetSystemTimeAsFileTime(&connection.ConnectedFileTime);
                SaveLines();
            }
            if (connection.Notifying) {
                notifier = connection.Notifier;
                Log("notify handle=" + HandleText(connection.Handle) + " state=" +
                    std::to_string(state) + " " + DialStateName(state) +
                    " error=" + std::to_string(error));
            }
        }
        if (notifier && notifier(connection.CallbackId, 1, connection.Handle, WM_RASDIALEVENT,
                                 static_cast<RASCONNSTATE>(state), error, 0) == 0) {
            CStandInLock lock;
            connection.Notifying = false;
            Log("notify handle=" + HandleText(connection.Handle) + " stopped: the notifier returned 0");
        }
    }
}

DWORD WINAPI DialThread(void* parameter)
{
    {
        const std::unique_ptr<std::shared_ptr<CConnection>> connection(
            static_cast<std::shared_ptr<CConnection>*>(parameter));
        RunDial(**connection);
    }
    // The thread holds a reference on the DLL (taken in StartDial), so a FreeLibrary while it
    // runs leaves the code in place until here.
    ::FreeLibraryAndExitThread(OwnModule(), 0);
    return 0;
}

} // namespace

CConnection::~CConnection()
{
    if (Thread)
        ::CloseHandle(Thread);
    if (StopEvent)
        ::CloseHandle(StopEvent);
}

CStandInLock::CStandInLock()
{
    ::EnterCriticalSection(&Shared().Lock);
}

CStandInLock::~CStandInLock()
{
    ::LeaveCriticalSection(&Shared().Lock);
}

CStandIn& StandIn()
{
    return Shared().State;
}

CScenario CurrentScenario()
{
    AdoptLeftoverLines();
    FILETIME written;
    const CScenario scenario = ReadScenario(written);
    CStandIn& standIn = StandIn();

    std::string problems;
    for (const std::string& problem : scenario.Problems)
        problems += "scenario " + problem + "\n";
    if (problems != standIn.LastProblems) {
        standIn.LastProblems = problems;
        if (!problems.empty())
            Log(problems.substr(0, problems.size() - 1));
    }

    const double now = NowSeconds();
    for (auto& entry : standIn.Connections) {
        CConnection& connection = *entry.second;
        if (connection.Phase != EPhase::Connected)
            continue;
        if (scenario.DropNow &&
            Ticks(connection.ConnectedFileTime) < Ticks(written) + FileTimeSlack)
            Drop(connection, "drop_now");
        else if (scenario.DropAfterSeconds >= 0 &&
                 now - connection.ConnectedAt >= scenario.DropAfterSeconds)
            Drop(connection, "drop_after_s");
    }
    return scenario;
}

void CountTraffic(CConnection& connection, const CScenario& scenario)
{
    const double now = NowSeconds();
    const double span = now - connection.CountedUntil;
    connection.CountedUntil = now;
    if (scenario.TrafficSent)
        connection.BytesSent += span * SendRate;
    if (scenario.TrafficReceived)
        connection.BytesReceived += span * ReceiveRate;
}

DWORD StartDial(const std::shared_ptr<CConnection>& connection)
{
    connection->StopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!connection->StopEvent)
        return ::GetLastError();
    // The worker's own reference on the DLL, given back as the thread ends.
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&DialThread), &module))
        return ::GetLastError();
    auto* parameter = new std::shared_ptr<CConnection>(connection);
    connection->Thread = ::CreateThread(nullptr, 0, DialThread, parameter, 0, &connection->ThreadId);
    if (!connection->Thread) {
        const DWORD error = ::GetLastError();
        delete parameter;
        ::FreeLibrary(module);
        return error;
    }
    return ERROR_SUCCESS;
}

void EndDial(CConnection& connection)
{
    if (!connection.Thread)
        return;
    ::SetEvent(connection.StopEvent);
    // Hung up from inside one of its own notifications: the worker ends after it returns.
    if (::GetCurrentThreadId() == connection.ThreadId)
        return;
    if (::WaitForSingleObject(connection.Thread, 5000) == WAIT_TIMEOUT) {
        CStandInLock lock;
        Log("RasHangUpW handle=" + HandleText(connection.Handle) +
            " the notifier has not returned after 5 s");
    }
}

namespace
{

bool ProcessRuns(DWORD processId)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return false;
    const bool runs = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return runs;
}

// "handle process entry" per line, the entry in UTF-8.
struct CLineRecord
{
    ULONG_PTR Handle = 0;
    DWORD ProcessId = 0;
    std::string EntryName;
};

std::vector<CLineRecord> ReadLineRecords()
{
    std::vector<CLineRecord> records;
    const std::string text = ReadLinesFile();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        unsigned long long handle = 0;
        unsigned long processId = 0;
        int consumed = 0;
        if (std::sscanf(line.c_str(), "%llx %lu %n", &handle, &processId, &consumed) >= 2 && consumed > 0)
            records.push_back({static_cast<ULONG_PTR>(handle), static_cast<DWORD>(processId), line.substr(consumed)});
    }
    return records;
}

} // namespace

void SaveLines()
{
    std::string text;
    // Other programs' lines that are still theirs stay listed.
    for (const CLineRecord& record : ReadLineRecords())
        if (record.ProcessId != ::GetCurrentProcessId() && ProcessRuns(record.ProcessId))
            text += HandleText(reinterpret_cast<HRASCONN>(record.Handle)) + " " + std::to_string(record.ProcessId) + " " + record.EntryName + "\n";
    for (const auto& entry : StandIn().Connections)
        if (entry.second->Phase == EPhase::Connected)
            text += HandleText(entry.second->Handle) + " " + std::to_string(::GetCurrentProcessId()) + " " +
                    Utf8(entry.second->Entry.Name) + "\n";
    WriteLinesFile(text);
}

void AdoptLeftoverLines()
{
    CStandIn& standIn = StandIn();
    if (standIn.LeftoversAdopted)
        return;
    standIn.LeftoversAdopted = true;
    bool adopted = false;
    for (const CLineRecord& record : ReadLineRecords()) {
        if (record.ProcessId == ::GetCurrentProcessId() || ProcessRuns(record.ProcessId) ||
            standIn.Connections.count(record.Handle) != 0)
            continue;
        auto connection = std::make_shared<CConnection>();
        connection->Handle = reinterpret_cast<HRASCONN>(record.Handle);
        connection->Entry.Name.resize(record.EntryName.size());
        connection->Entry.Name.resize(static_cast<size_t>(::MultiByteToWideChar(
            CP_UTF8, 0, record.EntryName.data(), static_cast<int>(record.EntryName.size()),
            &connection->Entry.Name[0], static_cast<int>(connection->Entry.Name.size()))));
        connection->Phase = EPhase::Connected;
        connection->State = DialState::Connected;
        connection->ConnectedAt = connection->CountedUntil = NowSeconds();
        standIn.Connections[record.Handle] = connection;
        standIn.NextHandle = std::max(standIn.NextHandle, record.Handle + 1);
        Log("adopted handle=" + HandleText(connection->Handle) + " entry=" + record.EntryName +
            " from_process=" + std::to_string(record.ProcessId));
        adopted = true;
    }
    if (adopted)
        SaveLines();
}
