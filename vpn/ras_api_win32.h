#pragma once
// IRasApi over rasapi32.
//
// The phone-book entry and the connection list are handed over in their Windows 2000 layouts,
// which every later system still accepts; the headers only describe the newest ones, which
// Windows 2000 and XP refuse. The dial notifier is of type 2 (RasDialFunc2); dwCallbackId
// carries a registration number that leads to the sink while it is registered, never a raw
// pointer, so that a notification arriving after the connection is gone finds nothing.

#include <windows.h>

#include <ras.h>

#include "vpn/ras_api.h"

#include <pshpack4.h>

// RASENTRYW up to dwVpnStrategy.
struct CRasEntryW2000
{
    DWORD dwSize;
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    WCHAR szAreaCode[RAS_MaxAreaCode + 1];
    WCHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
    DWORD dwAlternateOffset;
    RASIPADDR ipaddr;
    RASIPADDR ipaddrDns;
    RASIPADDR ipaddrDnsAlt;
    RASIPADDR ipaddrWins;
    RASIPADDR ipaddrWinsAlt;
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    WCHAR szScript[MAX_PATH];
    WCHAR szAutodialDll[MAX_PATH];
    WCHAR szAutodialFunc[MAX_PATH];
    WCHAR szDeviceType[RAS_MaxDeviceType + 1];
    WCHAR szDeviceName[RAS_MaxDeviceName + 1];
    WCHAR szX25PadType[RAS_MaxPadType + 1];
    WCHAR szX25Address[RAS_MaxX25Address + 1];
    WCHAR szX25Facilities[RAS_MaxFacilities + 1];
    WCHAR szX25UserData[RAS_MaxUserData + 1];
    DWORD dwChannels;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwSubEntries;
    DWORD dwDialMode;
    DWORD dwDialExtraPercent;
    DWORD dwDialExtraSampleSeconds;
    DWORD dwHangUpExtraPercent;
    DWORD dwHangUpExtraSampleSeconds;
    DWORD dwIdleDisconnectSeconds;
    DWORD dwType;
    DWORD dwEncryptionType;
    DWORD dwCustomAuthKey;
    GUID guidId;
    WCHAR szCustomDialDll[MAX_PATH];
    DWORD dwVpnStrategy;
};

// RASCONNW up to guidEntry.
struct CRasConnectionW2000
{
    DWORD dwSize;
    HRASCONN hrasconn;
    WCHAR szEntryName[RAS_MaxEntryName + 1];
    WCHAR szDeviceType[RAS_MaxDeviceType + 1];
    WCHAR szDeviceName[RAS_MaxDeviceName + 1];
    WCHAR szPhonebook[MAX_PATH];
    DWORD dwSubEntry;
    GUID guidEntry;
};

#include <poppack.h>

// The raw structures as they go to the service: everything zero but the given fields, texts
// cut to their room (the connection refuses longer ones before it gets here).
void FillRasEntry(const CRasEntry& entry, CRasEntryW2000& raw);
void FillRasDialParams(const CRasDialParams& params, ULONG_PTR callbackId, RASDIALPARAMSW& raw);

// The notifier given to RasDialW. Returns 0, which stops the notifications of that dial, when
// its registration is gone.
DWORD WINAPI RasDialNotifier(ULONG_PTR callbackId, DWORD subEntry, HRASCONN connection,
                             UINT message, RASCONNSTATE state, DWORD error, DWORD extendedError);

class CWin32RasApi : public IRasApi
{
public:
    uint32_t SetEntryProperties(const std::wstring& entryName, const CRasEntry& entry) override;
    uint32_t Dial(const CRasDialParams& params, IRasNotificationSink& sink,
                  RasConnectionHandle& connection) override;
    void EndNotifications(IRasNotificationSink& sink) override;
    uint32_t HangUp(RasConnectionHandle connection) override;
    uint32_t EnumConnections(std::vector<CRasConnection>& connections) override;
    uint32_t GetTunnelAddress(RasConnectionHandle connection, std::wstring& address) override;
    uint32_t GetConnectionStatistics(RasConnectionHandle connection, uint32_t& bytesSent,
                                     uint32_t& bytesReceived) override;
    uint32_t GetErrorString(uint32_t code, std::wstring& text) override;

    // The registration a dial's notifications carry; for tests of the notifier.
    static ULONG_PTR RegisterSink(IRasNotificationSink& sink);
};
