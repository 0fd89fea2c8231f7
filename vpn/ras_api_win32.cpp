#include "vpn/ras_api_win32.h"

#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>

// The older layouts are the newer ones cut short: same offsets, fewer fields.
static_assert(offsetof(CRasEntryW2000, szLocalPhoneNumber) ==
              offsetof(RASENTRYW, szLocalPhoneNumber), "RASENTRYW layout");
static_assert(offsetof(CRasEntryW2000, dwfNetProtocols) == offsetof(RASENTRYW, dwfNetProtocols),
              "RASENTRYW layout");
static_assert(offsetof(CRasEntryW2000, szDeviceType) == offsetof(RASENTRYW, szDeviceType),
              "RASENTRYW layout");
static_assert(offsetof(CRasEntryW2000, dwType) == offsetof(RASENTRYW, dwType), "RASENTRYW layout");
static_assert(offsetof(CRasEntryW2000, guidId) == offsetof(RASENTRYW, guidId), "RASENTRYW layout");
static_assert(offsetof(CRasEntryW2000, dwVpnStrategy) == offsetof(RASENTRYW, dwVpnStrategy),
              "RASENTRYW layout");
static_assert(sizeof(CRasEntryW2000) == offsetof(RASENTRYW, dwfOptions2), "RASENTRYW layout");
static_assert(offsetof(CRasConnectionW2000, hrasconn) == offsetof(RASCONNW, hrasconn),
              "RASCONNW layout");
static_assert(offsetof(CRasConnectionW2000, szEntryName) == offsetof(RASCONNW, szEntryName),
              "RASCONNW layout");
static_assert(offsetof(CRasConnectionW2000, guidEntry) == offsetof(RASCONNW, guidEntry),
              "RASCONNW layout");
static_assert(sizeof(CRasConnectionW2000) == offsetof(RASCONNW, dwFlags), "RASCONNW layout");
static_assert(sizeof(RASPPPIPW) == 80, "RASPPPIPW with the option words");
#if !defined(_WIN64)
// The sizes the 32-bit systems expect.
static_assert(sizeof(CRasEntryW2000) == 4048, "RASENTRYW, Windows 2000");
static_assert(sizeof(RASDIALPARAMSW) == 2104, "RASDIALPARAMSW with dwSubEntry and dwCallbackId");
static_assert(sizeof(CRasConnectionW2000) == 1356, "RASCONNW, Windows 2000");
static_assert(sizeof(RAS_STATS) == 60, "RAS_STATS");
#endif

namespace
{

// Which sink each dial's notifications go to. A notification runs with the lock held, so
// that ending the registration waits for it.
struct CSinkRegistry
{
    std::mutex Lock;
    std::map<ULONG_PTR, IRasNotificationSink*> Sinks;
    ULONG_PTR NextId = 1;
};

// Never destroyed: the service may still call the notifier while the process ends.
CSinkRegistry& Registry()
{
    static CSinkRegistry* registry = new CSinkRegistry;
    return *registry;
}

template <size_t Room>
void CopyText(WCHAR (&target)[Room], const std::wstring& text)
{
    const size_t count = std::min(text.size(), Room - 1);
    std::copy(text.begin(), text.begin() + static_cast<ptrdiff_t>(count), target);
    target[count] = L'\0';
}

template <size_t Room>
std::wstring ReadText(const WCHAR (&source)[Room])
{
    size_t length = 0;
    while (length < Room && source[length] != L'\0')
        ++length;
    return std::wstring(source, length);
}

HRASCONN ToHandle(RasConnectionHandle connection)
{
    return reinterpret_cast<HRASCONN>(connection);
}

} // namespace

void FillRasEntry(const CRasEntry& entry, CRasEntryW2000& raw)
{
    std::memset(&raw, 0, sizeof raw);
    raw.dwSize = sizeof raw;
    raw.dwfOptions = entry.Options;
    CopyText(raw.szLocalPhoneNumber, entry.LocalPhoneNumber);
    raw.dwfNetProtocols = entry.NetProtocols;
    raw.dwFramingProtocol = entry.FramingProtocol;
    CopyText(raw.szDeviceType, entry.DeviceType);
    CopyText(raw.szDeviceName, entry.DeviceName);
    raw.dwType = entry.Type;
    raw.dwEncryptionType = entry.EncryptionType;
    raw.dwVpnStrategy = entry.VpnStrategy;
}

void FillRasDialParams(const CRasDialParams& params, ULONG_PTR callbackId, RASDIALPARAMSW& raw)
{
    std::memset(&raw, 0, sizeof raw);
    raw.dwSize = sizeof raw;
    CopyText(raw.szEntryName, params.EntryName);
    CopyText(raw.szPhoneNumber, params.PhoneNumber);
    CopyText(raw.szCallbackNumber, params.CallbackNumber);
    CopyText(raw.szUserName, params.UserName);
    CopyText(raw.szPassword, params.Password);
    CopyText(raw.szDomain, params.Domain);
    raw.dwCallbackId = callbackId;
}

DWORD WINAPI RasDialNotifier(ULONG_PTR callbackId, DWORD, HRASCONN connection, UINT,
                             RASCONNSTATE state, DWORD error, DWORD)
{
    CSinkRegistry& registry = Registry();
    try {
        std::lock_guard<std::mutex> guard(registry.Lock);
        const auto found = registry.Sinks.find(callbackId);
        if (found == registry.Sinks.end())
            return 0;
        return found->second->OnRasNotification(reinterpret_cast<RasConnectionHandle>(connection),
                                                static_cast<uint32_t>(state), error);
    } catch (...) {
        // Nothing may unwind into the service's thread; keep the notifications coming.
        return 1;
    }
}

ULONG_PTR CWin32RasApi::RegisterSink(IRasNotificationSink& sink)
{
    CSinkRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    const ULONG_PTR id = registry.NextId++;
    registry.Sinks[id] = &sink;
    return id;
}

void CWin32RasApi::EndNotifications(IRasNotificationSink& sink)
{
    CSinkRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    for (auto entry = registry.Sinks.begin(); entry != registry.Sinks.end();)
        entry = entry->second == &sink ? registry.Sinks.erase(entry) : std::next(entry);
}

uint32_t CWin32RasApi::SetEntryProperties(const std::wstring& entryName, const CRasEntry& entry)
{
    CRasEntryW2000 raw;
    FillRasEntry(entry, raw);
    return ::RasSetEntryPropertiesW(nullptr, entryName.c_str(), reinterpret_cast<RASENTRYW*>(&raw),
                                    sizeof raw, nullptr, 0);
}

uint32_t CWin32RasApi::Dial(const CRasDialParams& params, IRasNotificationSink& sink,
                            RasConnectionHandle& connection)
{
    // Registered first: the first notification may come before RasDialW returns.
    const ULONG_PTR callbackId = RegisterSink(sink);
    RASDIALPARAMSW raw;
    FillRasDialParams(params, callbackId, raw);
    HRASCONN handle = nullptr;
    const DWORD result = ::RasDialW(nullptr, nullptr, &raw, 2,
                                    reinterpret_cast<LPVOID>(&RasDialNotifier), &handle);
    ::SecureZeroMemory(raw.szPassword, sizeof raw.szPassword);
    connection = reinterpret_cast<RasConnectionHandle>(handle);
    return result;
}

uint32_t CWin32RasApi::HangUp(RasConnectionHandle connection)
{
    return ::RasHangUpW(ToHandle(connection));
}

uint32_t CWin32RasApi::EnumConnections(std::vector<CRasConnection>& connections)
{
    connections.clear();
    constexpr int MaxCalls = 5;
    std::vector<CRasConnectionW2000> buffer(1);
    DWORD bytes = sizeof(CRasConnectionW2000);
    DWORD count = 0;
    DWORD result = ERROR_BUFFER_TOO_SMALL;
    for (int call = 0; call < MaxCalls && result == ERROR_BUFFER_TOO_SMALL; ++call) {
        // The service asks for whole entries; round up all the same.
        const size_t entries = std::max<size_t>(
            1, (bytes + sizeof(CRasConnectionW2000) - 1) / sizeof(CRasConnectionW2000));
        buffer.assign(entries, CRasConnectionW2000());
        buffer[0].dwSize = sizeof(CRasConnectionW2000);
        bytes = static_cast<DWORD>(entries * sizeof(CRasConnectionW2000));
        count = 0;
        result = ::RasEnumConnectionsW(reinterpret_cast<RASCONNW*>(buffer.data()), &bytes, &count);
    }
    if (result != ERROR_SUCCESS)
        return result;
    count = std::min<DWORD>(count, static_cast<DWORD>(buffer.size()));
    for (DWORD i = 0; i < count; ++i) {
        CRasConnection connection;
        connection.Handle = reinterpret_cast<RasConnectionHandle>(buffer[i].hrasconn);
        connection.EntryName = ReadText(buffer[i].szEntryName);
        connections.push_back(connection);
    }
    return ERROR_SUCCESS;
}

uint32_t CWin32RasApi::GetTunnelAddress(RasConnectionHandle connection, std::wstring& address)
{
    // The first call tells the size the service wants; the second one fills.
    RASPPPIPW probe{};
    probe.dwSize = sizeof probe;
    DWORD size = sizeof probe;
    ::RasGetProjectionInfoW(ToHandle(connection), RASP_PppIp, &probe, &size);

    std::vector<unsigned char> buffer(std::max<size_t>(size, sizeof(RASPPPIPW)));
    RASPPPIPW* projection = reinterpret_cast<RASPPPIPW*>(buffer.data());
    projection->dwSize = sizeof(RASPPPIPW);
    size = static_cast<DWORD>(buffer.size());
    const DWORD result =
        ::RasGetProjectionInfoW(ToHandle(connection), RASP_PppIp, projection, &size);
    if (result != ERROR_SUCCESS)
        return result;
    address = ReadText(projection->szIpAddress);
    return ERROR_SUCCESS;
}

uint32_t CWin32RasApi::GetConnectionStatistics(RasConnectionHandle connection,
                                               uint32_t& bytesSent, uint32_t& bytesReceived)
{
    RAS_STATS statistics{};
    statistics.dwSize = sizeof statistics;
    const DWORD result = ::RasGetConnectionStatistics(ToHandle(connection), &statistics);
    if (result != ERROR_SUCCESS)
        return result;
    bytesSent = statistics.dwBytesXmited;
    bytesReceived = statistics.dwBytesRcved;
    return ERROR_SUCCESS;
}

uint32_t CWin32RasApi::GetErrorString(uint32_t code, std::wstring& text)
{
    WCHAR buffer[1024] = {};
    const DWORD result = ::RasGetErrorStringW(code, buffer, 1024);
    if (result != ERROR_SUCCESS)
        return result;
    buffer[1023] = L'\0';
    text = ReadText(buffer);
    return ERROR_SUCCESS;
}
