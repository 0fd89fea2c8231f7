// The rasapi32 functions the program imports, answering as Windows' dial-up networking does:
// the same checks of structure sizes, the same error numbers, an asynchronous dial whose
// notifier runs on a thread of ours. Every call leaves one line in rasapi32.log.
#include "tools/ras_standin/standin_win32.h"

#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "tools/ras_standin/error_texts.h"

namespace
{

// The layouts the systems from Windows 2000 on accept: the entry and the connection as that
// system and XP define them, the dial parameters with and without the callback id, the PPP IP
// projection of NT 3.5, NT 4 and later.
bool AcceptedEntrySize(DWORD size)
{
    return size == offsetof(RASENTRYW, dwfOptions2) || size == sizeof(RASENTRYW);
}

bool AcceptedConnectionSize(DWORD size)
{
    return size == offsetof(RASCONNW, dwFlags) || size == sizeof(RASCONNW);
}

bool AcceptedDialParamsSize(DWORD size)
{
    return size == offsetof(RASDIALPARAMSW, dwSubEntry) || size == sizeof(RASDIALPARAMSW);
}

bool AcceptedProjectionSize(DWORD size)
{
    return size == offsetof(RASPPPIPW, szServerIpAddress) ||
           size == offsetof(RASPPPIPW, dwOptions) || size == sizeof(RASPPPIPW);
}

template <size_t Room>
std::wstring ReadText(const WCHAR (&source)[Room])
{
    return std::wstring(source, std::find(source, source + Room, L'\0'));
}

template <size_t Room>
void CopyText(WCHAR (&target)[Room], const std::wstring& text)
{
    const size_t count = std::min(text.size(), Room - 1);
    std::copy(text.begin(), text.begin() + static_cast<ptrdiff_t>(count), target);
    target[count] = L'\0';
}

std::string Number(uint64_t value)
{
    return std::to_string(value);
}

std::string StrategyName(DWORD strategy)
{
    switch (strategy) {
    case VS_Default: return "default";
    case VS_PptpOnly: return "pptp";
    case VS_PptpFirst: return "pptp-first";
    case VS_L2tpOnly: return "l2tp";
    case VS_L2tpFirst: return "l2tp-first";
    default: return Number(strategy);
    }
}

std::string HexNumber(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    return text;
}

const char* PhaseName(EPhase phase)
{
    switch (phase) {
    case EPhase::Dialling: return "dialling";
    case EPhase::Connected: return "connected";
    case EPhase::Failed: return "failed";
    case EPhase::Dropped: return "dropped";
    }
    return "?";
}

// The connection behind a handle, or null when the handle is none of ours (any more).
std::shared_ptr<CConnection> Find(HRASCONN handle)
{
    const auto found = StandIn().Connections.find(reinterpret_cast<ULONG_PTR>(handle));
    return found == StandIn().Connections.end() ? nullptr : found->second;
}

// A line that is gone (dropped, or failed while dialling) has no handle any more as far as the
// statistics and the projection are concerned.
bool Alive(const std::shared_ptr<CConnection>& connection)
{
    return connection &&
           (connection->Phase == EPhase::Dialling || connection->Phase == EPhase::Connected);
}

const CEntry* FindEntry(const std::wstring& name)
{
    for (const CEntry& entry : StandIn().Entries)
        if (_wcsicmp(entry.Name.c_str(), name.c_str()) == 0)
            return &entry;
    return nullptr;
}

std::string EntryDetails(const RASENTRYW& entry)
{
    return " server=" + Utf8(ReadText(entry.szLocalPhoneNumber)) +
           " device=" + Utf8(ReadText(entry.szDeviceType)) + "/" +
           Utf8(ReadText(entry.szDeviceName)) + " type=" + Number(entry.dwType) +
           " strategy=" + StrategyName(entry.dwVpnStrategy) +
           " encryption=" + Number(entry.dwEncryptionType) +
           " protocols=" + HexNumber(entry.dwfNetProtocols) +
           " framing=" + Number(entry.dwFramingProtocol) + " options=" + HexNumber(entry.dwfOptions);
}

} // namespace

DWORD WINAPI RasSetEntryPropertiesW(LPCWSTR phonebook, LPCWSTR entryName, LPRASENTRYW entry,
                                    DWORD entrySize, LPBYTE, DWORD)
{
    CStandInLock lock;
    const CScenario scenario = CurrentScenario();
    std::string details;
    DWORD result;
    if (!entryName || !*entryName) {
        result = ERROR_INVALID_NAME;
    } else if (!entry) {
        result = ERROR_BUFFER_INVALID;
    } else if (!AcceptedEntrySize(entry->dwSize) || entrySize < entry->dwSize) {
        result = ERROR_INVALID_SIZE;
    } else {
        details = EntryDetails(*entry);
        result = scenario.EntryResult;
    }
    if (result == ERROR_SUCCESS) {
        CEntry stored{entryName, ReadText(entry->szLocalPhoneNumber),
                      ReadText(entry->szDeviceType), ReadText(entry->szDeviceName)};
        std::vector<CEntry>& entries = StandIn().Entries;
        const CEntry* existing = FindEntry(entryName);
        if (existing)
            entries[static_cast<size_t>(existing - entries.data())] = stored;
        else
            entries.push_back(stored);
    }
    Log("RasSetEntryPropertiesW entry=" + Utf8(entryName ? entryName : L"(null)") +
        " phonebook=" + (phonebook ? Utf8(phonebook) : "default") +
        " size=" + Number(entry ? entry->dwSize : 0) + details + " result=" + Number(result));
    return result;
}

DWORD WINAPI RasDialW(LPRASDIALEXTENSIONS, LPCWSTR, LPRASDIALPARAMSW params, DWORD notifierType,
                      LPVOID notifier, LPHRASCONN connectionHandle)
{
    CStandInLock lock;
    const CScenario scenario = CurrentScenario();
    if (!params || !connectionHandle || !AcceptedDialParamsSize(params->dwSize)) {
        const DWORD result = params && connectionHandle ? ERROR_INVALID_SIZE : ERROR_INVALID_PARAMETER;
        Log("RasDialW size=" + Number(params ? params->dwSize : 0) + " result=" + Number(result));
        return result;
    }
    const std::wstring entryName = ReadText(params->szEntryName);
    const std::wstring password = ReadText(params->szPassword);
    const bool withCallbackId = params->dwSize == sizeof(RASDIALPARAMSW);
    std::string line = "RasDialW entry=" + Utf8(entryName) +
                       " phone=" + Utf8(ReadText(params->szPhoneNumber)) +
                       " callback_number=" + Utf8(ReadText(params->szCallbackNumber)) +
                       " user=" + Utf8(ReadText(params->szUserName)) +
                       " password=" + (password.empty() ? "" : "***") +
                       " domain=" + Utf8(ReadText(params->szDomain)) +
                       " callback_id=" + Number(withCallbackId ? params->dwCallbackId : 0) +
                       " notifier=" + Number(notifierType);

    const CEntry* entry = FindEntry(entryName);
    DWORD result = ERROR_SUCCESS;
    if (notifierType != 2 || !notifier) {
        // Synchronous dials, windows and the older notifiers are not what the program uses.
        result = ERROR_INVALID_PARAMETER;
        line += " (only notifier type 2 is played)";
    } else if (!entry) {
        result = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    } else {
        result = scenario.DialReturn;
    }
    if (result != ERROR_SUCCESS) {
        Log(line + " result=" + Number(result));
        return result;
    }

    auto connection = std::make_shared<CConnection>();
    connection->Handle = reinterpret_cast<HRASCONN>(StandIn().NextHandle++);
    connection->Entry = *entry;
    if (!ReadText(params->szPhoneNumber).empty())
        connection->Entry.PhoneNumber = ReadText(params->szPhoneNumber);
    connection->Steps = DialSteps(scenario);
    connection->Result = scenario.Result;
    connection->DelayMs = scenario.DelayMs;
    connection->Notifier = reinterpret_cast<RASDIALFUNC2>(notifier);
    connection->CallbackId = withCallbackId ? params->dwCallbackId : 0;
    result = StartDial(connection);
    if (result == ERROR_SUCCESS) {
        StandIn().Connections[reinterpret_cast<ULONG_PTR>(connection->Handle)] = connection;
        *connectionHandle = connection->Handle;
    }
    Log(line + " result=" + Number(result) + " handle=" + HandleText(connection->Handle));
    return result;
}

DWORD WINAPI RasHangUpW(HRASCONN handle)
{
    std::shared_ptr<CConnection> connection;
    {
        CStandInLock lock;
        CurrentScenario();
        connection = Find(handle);
        if (!connection) {
            Log("RasHangUpW handle=" + HandleText(handle) +
                " result=" + Number(ERROR_INVALID_HANDLE));
            return ERROR_INVALID_HANDLE;
        }
        connection->HungUp = true;
        StandIn().Connections.erase(reinterpret_cast<ULONG_PTR>(handle));
        SaveLines();
        Log("RasHangUpW handle=" + HandleText(handle) + " phase=" + PhaseName(connection->Phase) +
            " state=" + DialStateName(connection->State) + " result=0");
    }
    EndDial(*connection);
    return ERROR_SUCCESS;
}

DWORD WINAPI RasEnumConnectionsW(LPRASCONNW connections, LPDWORD bytes, LPDWORD count)
{
    CStandInLock lock;
    CurrentScenario();
    std::vector<std::shared_ptr<CConnection>> listed;
    for (const auto& entry : StandIn().Connections)
        if (Alive(entry.second))
            listed.push_back(entry.second);

    const DWORD stride = connections ? connections->dwSize : sizeof(RASCONNW);
    const DWORD needed = static_cast<DWORD>(listed.size()) * stride;
    DWORD result = ERROR_SUCCESS;
    if (!bytes || !count) {
        result = ERROR_INVALID_PARAMETER;
    } else if (connections && !AcceptedConnectionSize(stride)) {
        result = ERROR_INVALID_SIZE;
    } else {
        *count = static_cast<DWORD>(listed.size());
        if (*bytes < needed || (!connections && needed > 0))
            result = ERROR_BUFFER_TOO_SMALL;
        *bytes = needed;
    }
    for (size_t i = 0; result == ERROR_SUCCESS && i < listed.size(); ++i) {
        RASCONNW full{};
        full.dwSize = stride;
        full.hrasconn = listed[i]->Handle;
        CopyText(full.szEntryName, listed[i]->Entry.Name);
        CopyText(full.szDeviceType, listed[i]->Entry.DeviceType);
        CopyText(full.szDeviceName, listed[i]->Entry.DeviceName);
        full.dwSubEntry = 1;
        std::memcpy(reinterpret_cast<BYTE*>(connections) + i * stride, &full, stride);
    }
    Log("RasEnumConnectionsW size=" + Number(stride) + " count=" + Number(listed.size()) +
        " result=" + Number(result));
    return result;
}

DWORD WINAPI RasGetProjectionInfoW(HRASCONN handle, RASPROJECTION projection, LPVOID buffer,
                                   LPDWORD bytes)
{
    CStandInLock lock;
    const CScenario scenario = CurrentScenario();
    const std::shared_ptr<CConnection> connection = Find(handle);
    RASPPPIPW* ip = static_cast<RASPPPIPW*>(buffer);
    DWORD result = ERROR_SUCCESS;
    if (!bytes) {
        result = ERROR_INVALID_PARAMETER;
    } else if (!Alive(connection)) {
        result = ERROR_INVALID_HANDLE;
    } else if (connection->Phase != EPhase::Connected) {
        result = ERROR_PROJECTION_NOT_COMPLETE;
    } else if (projection != RASP_PppIp) {
        result = ERROR_PROTOCOL_NOT_CONFIGURED;
    } else if (!ip || *bytes < sizeof(DWORD)) {
        result = ERROR_BUFFER_TOO_SMALL;
        *bytes = sizeof(RASPPPIPW);
    } else if (!AcceptedProjectionSize(ip->dwSize)) {
        result = ERROR_INVALID_SIZE;
    } else if (*bytes < ip->dwSize) {
        result = ERROR_BUFFER_TOO_SMALL;
        *bytes = ip->dwSize;
    }

    std::string details;
    if (result == ERROR_SUCCESS) {
        RASPPPIPW full{};
        full.dwSize = ip->dwSize;
        // The scenario's addresses are plain ASCII.
        const std::string& local = scenario.TunnelAddress;
        const std::string& server = scenario.ServerAddress;
        CopyText(full.szIpAddress, std::wstring(local.begin(), local.end()));
        CopyText(full.szServerIpAddress, std::wstring(server.begin(), server.end()));
        std::memcpy(ip, &full, full.dwSize);
        *bytes = full.dwSize;
        details = " address=" + scenario.TunnelAddress + " server=" + scenario.ServerAddress;
    }
    Log("RasGetProjectionInfoW handle=" + HandleText(handle) + " projection=" +
        (projection == RASP_PppIp ? std::string("PppIp") : HexNumber(projection)) + details +
        " result=" + Number(result));
    return result;
}

DWORD WINAPI RasGetConnectionStatistics(HRASCONN handle, RAS_STATS* statistics)
{
    CStandInLock lock;
    const CScenario scenario = CurrentScenario();
    const std::shared_ptr<CConnection> connection = Find(handle);
    DWORD result = ERROR_SUCCESS;
    if (!statistics || statistics->dwSize != sizeof(RAS_STATS)) {
        result = ERROR_INVALID_PARAMETER;
    } else if (!Alive(connection)) {
        result = ERROR_INVALID_HANDLE;
    } else {
        RAS_STATS filled{};
        filled.dwSize = sizeof filled;
        if (connection->Phase == EPhase::Connected) {
            CountTraffic(*connection, scenario);
            // The counters are 32 bits wide and wrap, as Windows' do.
            filled.dwBytesXmited = static_cast<DWORD>(static_cast<uint64_t>(connection->BytesSent));
            filled.dwBytesRcved = static_cast<DWORD>(static_cast<uint64_t>(connection->BytesReceived));
            filled.dwFramesXmited = filled.dwBytesXmited / 1400;
            filled.dwFramesRcved = filled.dwBytesRcved / 1400;
            filled.dwBps = 10000000;
            filled.dwConnectDuration =
                static_cast<DWORD>((NowSeconds() - connection->ConnectedAt) * 1000);
        }
        *statistics = filled;
    }

    // Polled every second or so: only the first reading and the changes go to the log.
    std::string line = "RasGetConnectionStatistics handle=" + HandleText(handle);
    if (result == ERROR_SUCCESS)
        line += " sent=" + Number(statistics->dwBytesXmited) +
                " received=" + Number(statistics->dwBytesRcved);
    line += " result=" + Number(result);
    if (line != StandIn().LastStatistics) {
        StandIn().LastStatistics = line;
        Log(line);
    }
    return result;
}

DWORD WINAPI RasGetErrorStringW(UINT code, LPWSTR buffer, DWORD characters)
{
    CStandInLock lock;
    CurrentScenario();
    std::wstring text;
    DWORD result = ERROR_SUCCESS;
    if (!buffer || !RasErrorText(code, text))
        result = ERROR_INVALID_PARAMETER;
    else if (characters < text.size() + 1)
        result = ERROR_INSUFFICIENT_BUFFER;
    else
        std::wcscpy(buffer, text.c_str());
    Log("RasGetErrorStringW code=" + Number(code) + " result=" + Number(result));
    return result;
}
