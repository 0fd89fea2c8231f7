#pragma once

#include "tools/doubles_common/utf8_win32.h"
// The stand-in's state: the phone-book entries the program wrote, the connections it dialled,
// and the two files beside the DLL. One lock guards all of it; a dial's worker thread never
// holds it while it calls the program's notifier, which may call back into us.

#include <windows.h>

#include <ras.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tools/ras_standin/scenario.h"

enum class EPhase
{
    Dialling,
    Connected,
    Failed,  // the dial stopped with an error; the handle waits for its hang-up
    Dropped, // the line went down after connecting
};

struct CEntry
{
    std::wstring Name;
    std::wstring PhoneNumber;
    std::wstring DeviceType;
    std::wstring DeviceName;
};

struct CConnection
{
    CConnection() = default;
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;
    ~CConnection();

    HRASCONN Handle = nullptr;
    CEntry Entry;
    EPhase Phase = EPhase::Dialling;
    uint32_t State = DialState::OpenPort;
    bool HungUp = false;

    // The dial, fixed before its thread starts.
    std::vector<uint32_t> Steps;
    uint32_t Result = 0;
    DWORD DelayMs = 0;
    RASDIALFUNC2 Notifier = nullptr;
    ULONG_PTR CallbackId = 0;
    bool Notifying = true; // until the notifier returns 0
    HANDLE StopEvent = nullptr;
    HANDLE Thread = nullptr;
    DWORD ThreadId = 0;

    // Once connected.
    double ConnectedAt = 0; // NowSeconds()
    FILETIME ConnectedFileTime{};
    double CountedUntil = 0;
    double BytesSent = 0;
    double BytesReceived = 0;
};

struct CStandIn
{
    bool LeftoversAdopted = false;
    std::vector<CEntry> Entries;
    std::map<ULONG_PTR, std::shared_ptr<CConnection>> Connections;
    ULONG_PTR NextHandle = 0x10001;
    std::string LastStatistics; // the statistics line last logged
    std::string LastProblems;   // the scenario's problems last logged
};

// Holds the one lock for its lifetime.
class CStandInLock
{
public:
    CStandInLock();
    ~CStandInLock();
    CStandInLock(const CStandInLock&) = delete;
    CStandInLock& operator=(const CStandInLock&) = delete;
};

// Under the lock.
CStandIn& StandIn();

// Under the lock, at the start of every call: re-reads the scenario, logs what it could not
// understand (once), and drops the lines it says must drop.
CScenario CurrentScenario();

// Under the lock. Windows' dial-up service keeps a line up when the program that dialled it is
// killed; so does the stand-in: rasapi32.lines beside the DLL lists the lines that are up, with
// their process. SaveLines rewrites it after every change; the first call of a process adopts
// the lines of processes that are gone, so they can be listed and hung up.
void SaveLines();
void AdoptLeftoverLines();

// Starts the dial's worker thread. 0 or a system error.
DWORD StartDial(const std::shared_ptr<CConnection>& connection);
// Without the lock, after the hang-up took the connection off the table: stops the worker and
// waits for a notification in progress (unless we are inside it).
void EndDial(CConnection& connection);
// Under the lock: adds what the scenario's traffic carried since the last count.
void CountTraffic(CConnection& connection, const CScenario& scenario);

// Files beside the DLL and text helpers (standin_files_win32.cpp).
CScenario ReadScenario(FILETIME& written);
void Log(const std::string& line);
std::string ReadLinesFile();
void WriteLinesFile(const std::string& text);
std::string HandleText(HRASCONN handle);
double NowSeconds();
HMODULE OwnModule();
