// The dial-up service seam over rasapi32: the raw structures it hands over, the notifier's
// registration, and the calls against Wine's service, which answers but dials nothing.

#include <windows.h>

#include <ras.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/windows_vpn_fake_ras.h"
#include "vpn/inet_address.h"
#include "vpn/ip_helper_win32.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/ras_api_win32.h"
#include "vpn/windows_vpn.h"

namespace
{

bool RunningUnderWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool AllZero(const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

TEST(Win32RasApi, EntryIsTheOlderLayoutWithOnlyOurFieldsSet)
{
    CMemoryIpHelper table;
    CWin32RasApi ras;
    CWindowsVpn vpn(table, ras);
    vpn.DialType = CWindowsVpn::DialL2tp;
    vpn.ServerHost = std::wstring(200, L'x'); // more than the room, which the raw copy must cut
    CRasEntryW2000 raw;
    std::memset(&raw, 0xCC, sizeof raw);
    FillRasEntry(vpn.MakeEntry(), raw);

    EXPECT_EQ(sizeof(CRasEntryW2000), raw.dwSize);
    EXPECT_EQ(offsetof(RASENTRYW, dwfOptions2), raw.dwSize); // the fields before XP's additions
    EXPECT_EQ(0x3D140000u, raw.dwfOptions);
    EXPECT_EQ(std::wstring(128, L'x'), raw.szLocalPhoneNumber);
    EXPECT_EQ(static_cast<DWORD>(RASNP_Ip), raw.dwfNetProtocols);
    EXPECT_EQ(static_cast<DWORD>(RASFP_Ppp), raw.dwFramingProtocol);
    EXPECT_STREQ(RASDT_Vpn, raw.szDeviceType);
    EXPECT_STREQ(L"Korvex", raw.szDeviceName);
    EXPECT_EQ(static_cast<DWORD>(RASET_Vpn), raw.dwType);
    EXPECT_EQ(static_cast<DWORD>(ET_Optional), raw.dwEncryptionType);
    EXPECT_EQ(static_cast<DWORD>(VS_L2tpOnly), raw.dwVpnStrategy);

    // Everything else is zero: clear what we set and look at the rest.
    raw.dwSize = raw.dwfOptions = raw.dwfNetProtocols = raw.dwFramingProtocol = 0;
    raw.dwType = raw.dwEncryptionType = raw.dwVpnStrategy = 0;
    std::memset(raw.szLocalPhoneNumber, 0, sizeof raw.szLocalPhoneNumber);
    std::memset(raw.szDeviceType, 0, sizeof raw.szDeviceType);
    std::memset(raw.szDeviceName, 0, sizeof raw.szDeviceName);
    EXPECT_TRUE(AllZero(&raw, sizeof raw));
}

TEST(Win32RasApi, DialParametersCarryTheRegistrationNumber)
{
    CRasDialParams params;
    params.EntryName = L"Korvex";
    params.PhoneNumber = L"vpn3.korvex.test";
    params.CallbackNumber = L"*";
    params.UserName = std::wstring(300, L'用');
    params.Password = L"secret";
    RASDIALPARAMSW raw;
    std::memset(&raw, 0xCC, sizeof raw);
    FillRasDialParams(params, 0x1234, raw);

    EXPECT_EQ(sizeof(RASDIALPARAMSW), raw.dwSize);
    EXPECT_STREQ(L"Korvex", raw.szEntryName);
    EXPECT_STREQ(L"vpn3.korvex.test", raw.szPhoneNumber);
    EXPECT_STREQ(L"*", raw.szCallbackNumber);
    EXPECT_EQ(std::wstring(256, L'用'), raw.szUserName);
    EXPECT_STREQ(L"secret", raw.szPassword);
    EXPECT_STREQ(L"", raw.szDomain);
    EXPECT_EQ(0u, raw.dwSubEntry);
    EXPECT_EQ(static_cast<ULONG_PTR>(0x1234), raw.dwCallbackId);
}

class CCountingSink : public IRasNotificationSink
{
public:
    uint32_t OnRasNotification(RasConnectionHandle connection, uint32_t rasState,
                               uint32_t rasError) override
    {
        Connection = connection;
        State = rasState;
        Error = rasError;
        ++Calls;
        if (Hold.count() > 0) {
            Inside = true;
            std::this_thread::sleep_for(Hold);
            Finished = true;
        }
        return 1;
    }
    RasConnectionHandle Connection = 0;
    uint32_t State = 0;
    uint32_t Error = 0;
    std::atomic<int> Calls{0};
    std::chrono::milliseconds Hold{0};
    std::atomic<bool> Inside{false};
    std::atomic<bool> Finished{false};
};

TEST(Win32RasApi, NotifierReachesItsSinkOnlyWhileRegistered)
{
    CWin32RasApi ras;
    CCountingSink sink;
    CCountingSink other;
    const ULONG_PTR id = CWin32RasApi::RegisterSink(sink);
    const ULONG_PTR otherId = CWin32RasApi::RegisterSink(other);
    EXPECT_NE(id, otherId);

    const HRASCONN connection = reinterpret_cast<HRASCONN>(static_cast<uintptr_t>(0x77));
    EXPECT_EQ(1u, RasDialNotifier(id, 0, connection, 0, RASCS_Authenticate, 691, 0));
    EXPECT_EQ(1, sink.Calls);
    EXPECT_EQ(0x77u, sink.Connection);
    EXPECT_EQ(5u, sink.State);
    EXPECT_EQ(691u, sink.Error);

    ras.EndNotifications(sink);
    // A gone registration stops that dial's notifications and reaches nobody.
    EXPECT_EQ(0u, RasDialNotifier(id, 0, connection, 0, RASCS_Connected, 0, 0));
    EXPECT_EQ(0u, RasDialNotifier(0xFFFF, 0, connection, 0, RASCS_Connected, 0, 0));
    EXPECT_EQ(1, sink.Calls);
    EXPECT_EQ(0, other.Calls);
    EXPECT_EQ(1u, RasDialNotifier(otherId, 0, connection, 0, RASCS_Disconnected, 0, 0));
    EXPECT_EQ(1, other.Calls);
    ras.EndNotifications(other);
}

TEST(Win32RasApi, EndingTheRegistrationWaitsForANotificationInProgress)
{
    CWin32RasApi ras;
    CCountingSink sink;
    sink.Hold = std::chrono::milliseconds(100);
    const ULONG_PTR id = CWin32RasApi::RegisterSink(sink);
    std::thread service([id] { RasDialNotifier(id, 0, nullptr, 0, RASCS_ConnectDevice, 0, 0); });
    while (!sink.Inside)
        std::this_thread::yield();
    ras.EndNotifications(sink);
    EXPECT_TRUE(sink.Finished);
    service.join();
}

// Wine's service takes the entry, lists no connections, refuses to dial and has no texts.
TEST(Win32RasApi, ConnectionAgainstWinesServiceFailsToDialCleanly)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "would write a phone-book entry and dial on a real system";
    CWin32RasApi ras;
    std::vector<CRasConnection> connections;
    EXPECT_EQ(0u, ras.EnumConnections(connections)); // our older layout is accepted
    EXPECT_TRUE(connections.empty());

    CMemoryIpHelper table;
    table.AddInterface(1, "192.168.1.10", 20);
    CRouteRow defaultRoute;
    defaultRoute.NextHop = InetAddr("192.168.1.1");
    defaultRoute.InterfaceIndex = 1;
    table.CreateForwardEntry(defaultRoute);
    CWindowsVpn vpn(table, ras);
    vpn.DialType = CWindowsVpn::DialPptp;
    vpn.ServerHost = L"127.0.0.1";
    vpn.UserName = L"user";
    vpn.Password = L"secret";
    EXPECT_EQ(DialUpError::DialFailed, vpn.Connect());
    const CVpnStatus status = vpn.GetStatus();
    EXPECT_EQ(VpnState::Preparing, status.State);
    EXPECT_NE(0u, status.Detail);
    EXPECT_EQ(L"", vpn.GetDetailText(691));
    uint32_t counters[2] = {};
    EXPECT_EQ(1u, vpn.GetTrafficCounters(counters));
    EXPECT_EQ(0u, vpn.Disconnect());
    EXPECT_EQ(VpnState::Disconnected, vpn.GetStatus().State);
}

// The whole dial-up path over Wine's real routing table, with the dial played by the fake
// service: the tunnel "comes up" on one of the host's adapters, and Wine accepts the routes
// without adding them.
TEST(Win32RasApi, TunnelUpRoutesThroughTheRealIpHelperUnderWine)
{
    if (!RunningUnderWine())
        GTEST_SKIP() << "would change the routing table of a real system";
    CWin32IpHelper ipHelper;
    std::vector<CAdapterAddress> adapters;
    ASSERT_EQ(0u, ipHelper.GetAdapters(adapters));
    std::wstring tunnelAddress;
    for (const CAdapterAddress& adapter : adapters)
        if (adapter.IpAddress != "0.0.0.0")
            tunnelAddress.assign(adapter.IpAddress.begin(), adapter.IpAddress.end());
    if (tunnelAddress.empty())
        GTEST_SKIP() << "no adapter with an address";

    windows_vpn_test::CRecordingObserver observer;
    windows_vpn_test::CFakeRasApi ras;
    ras.TunnelAddress = tunnelAddress;
    CWindowsVpn vpn(ipHelper, ras);
    vpn.Callback = &observer;
    vpn.DialType = CWindowsVpn::DialPptp;
    vpn.ServerHost = L"127.0.0.1";
    vpn.Routes = {L"127.66.0.0 mask 255.255.0.0"};
    ASSERT_EQ(0u, vpn.Connect()); // the host's default route was found
    ras.Play({{RasState::Authenticated, 0}, {RasState::Connected, 0}});
    ras.WaitForPlayback();
    std::vector<uint32_t> states;
    for (const CVpnStatus& status : observer.Snapshot())
        states.push_back(status.State);
    EXPECT_EQ((std::vector<uint32_t>{6, 10, 8}), states);
    EXPECT_TRUE(vpn.GetFailedRoutes().empty());
    vpn.Disconnect();
    EXPECT_EQ(VpnState::Disconnected, vpn.GetStatus().State);
}

} // namespace
