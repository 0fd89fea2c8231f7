// The dial-up connection's Connect, Disconnect and queries against a fake dial-up service and
// the in-memory routing table.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/unit/windows_vpn_fake_ras.h"
#include "vpn/windows_vpn.h"

using namespace windows_vpn_test;

namespace
{

class WindowsVpnConnect : public ::testing::Test
{
protected:
    WindowsVpnConnect()
    {
        SetUpMachine(table);
        before = table.Rows();
    }

    // A configured connection; made on demand so that each test can prepare the fake first.
    CWindowsVpn& Vpn()
    {
        if (!vpn) {
            vpn = std::make_unique<CWindowsVpn>(table, ras);
            vpn->Callback = &observer;
            vpn->ServerHost = L"vpn3.korvex.test";
            vpn->UserName = L"用户甲";
            vpn->Password = L"secret";
            vpn->DialType = CWindowsVpn::DialPptp;
        }
        return *vpn;
    }

    CMemoryIpHelper table;
    std::vector<CRouteRow> before;
    CFakeRasApi ras;
    CRecordingObserver observer;
    std::unique_ptr<CWindowsVpn> vpn;
};

TEST_F(WindowsVpnConnect, PptpEntryAndDialParametersAreExactlyAsDescribed)
{
    ASSERT_EQ(0u, Vpn().Connect());

    ASSERT_EQ(1u, ras.Entries.size());
    EXPECT_EQ(L"Korvex", ras.Entries[0].first);
    const CRasEntry& entry = ras.Entries[0].second;
    EXPECT_EQ(0x3D140000u, entry.Options);
    EXPECT_EQ(L"vpn3.korvex.test", entry.LocalPhoneNumber);
    EXPECT_EQ(4u, entry.NetProtocols);
    EXPECT_EQ(1u, entry.FramingProtocol);
    EXPECT_EQ(L"vpn", entry.DeviceType);
    EXPECT_EQ(L"Korvex", entry.DeviceName);
    EXPECT_EQ(2u, entry.Type);
    EXPECT_EQ(3u, entry.EncryptionType);
    EXPECT_EQ(1u, entry.VpnStrategy);

    ASSERT_EQ(1u, ras.Dials.size());
    const CRasDialParams& dial = ras.Dials[0];
    EXPECT_EQ(L"Korvex", dial.EntryName);
    EXPECT_EQ(L"vpn3.korvex.test", dial.PhoneNumber);
    EXPECT_EQ(L"*", dial.CallbackNumber);
    EXPECT_EQ(L"用户甲", dial.UserName);
    EXPECT_EQ(L"secret", dial.Password);
    EXPECT_EQ(L"", dial.Domain);

    // Looked for an earlier connection, wrote the entry, dialled; silently in Preparing.
    EXPECT_EQ((std::vector<std::string>{"enum", "entry", "dial"}), ras.Journal);
    EXPECT_EQ(Status(3, 0, 0), Vpn().GetStatus());
    EXPECT_TRUE(observer.Snapshot().empty());
}

TEST_F(WindowsVpnConnect, L2tpAndTheGatewayFlagChangeOnlyTheirFields)
{
    Vpn().DialType = CWindowsVpn::DialL2tp;
    Vpn().ModifyDefaultGateway = 1;
    ASSERT_EQ(0u, Vpn().Connect());
    ASSERT_EQ(1u, ras.Entries.size());
    const CRasEntry& entry = ras.Entries[0].second;
    EXPECT_EQ(3u, entry.VpnStrategy);
    EXPECT_EQ(2u, entry.Type);
    EXPECT_EQ(0x3D140010u, entry.Options);
}

TEST_F(WindowsVpnConnect, UnknownDialTypeIsRefusedWithNothingWritten)
{
    for (const int32_t dialType : {0, 3, -1}) {
        CWindowsVpn connection(table, ras);
        connection.ServerHost = L"vpn3.korvex.test";
        connection.DialType = dialType;
        EXPECT_EQ(87u, connection.Connect()) << dialType;
        EXPECT_EQ(Status(2, 0, 0), connection.GetStatus()) << dialType;
    }
    EXPECT_TRUE(ras.Entries.empty());
    EXPECT_TRUE(ras.Dials.empty());
}

TEST_F(WindowsVpnConnect, TextsBeyondTheirRoomAreRefusedAndNothingIsDialled)
{
    struct CCase
    {
        size_t Host, User, Password;
        uint32_t Result;
    };
    const CCase cases[] = {
        {128, 256, 256, 0}, // exactly full
        {129, 1, 1, 1},
        {10, 257, 1, 1},
        {10, 1, 257, 1},
    };
    for (const CCase& item : cases) {
        CFakeRasApi service;
        CWindowsVpn connection(table, service);
        connection.DialType = CWindowsVpn::DialPptp;
        connection.ServerHost.assign(item.Host, L'h');
        connection.UserName.assign(item.User, L'用');
        connection.Password.assign(item.Password, L'p');
        SCOPED_TRACE(testing::Message() << item.Host << "/" << item.User << "/" << item.Password);
        EXPECT_EQ(item.Result, connection.Connect());
        if (item.Result == 0) {
            ASSERT_EQ(1u, service.Dials.size());
            EXPECT_EQ(connection.ServerHost, service.Dials[0].PhoneNumber);
            EXPECT_EQ(connection.UserName, service.Dials[0].UserName);
            EXPECT_EQ(connection.Password, service.Dials[0].Password);
        } else {
            EXPECT_EQ(VpnError::InternalError, connection.GetStatus().Error);
            EXPECT_TRUE(service.Entries.empty());
            EXPECT_TRUE(service.Dials.empty());
        }
    }
}

TEST_F(WindowsVpnConnect, NoDefaultRouteRefusesBeforeTheEntry)
{
    table.FailForwardTable(5);
    EXPECT_EQ(VpnError::GatewayNotFound, Vpn().Connect());
    EXPECT_EQ(Status(2, 4, 13), Vpn().GetStatus());
    EXPECT_TRUE(ras.Entries.empty());
    // The detail is no RAS error number: the service has no text for it, so the report
    // leaves it empty; a RAS error number gets the service's text.
    ras.ErrorTexts[691] = L"由于用户名或密码无效，访问被拒绝。";
    EXPECT_EQ(L"", Vpn().GetDetailText(13));
    EXPECT_EQ(L"由于用户名或密码无效，访问被拒绝。", Vpn().GetDetailText(691));
    const std::wstring report = L"状态：开始启动VPN……\r\n错误信息：获取网关失败\r\n详细信息：\r\n";
    EXPECT_EQ(report, Vpn().GetStatusReport());
}

TEST_F(WindowsVpnConnect, RefusedEntryAndRefusedDialCarryTheServiceResult)
{
    ras.SetEntryResult = 621;
    EXPECT_EQ(DialUpError::EntryCreationFailed, Vpn().Connect());
    EXPECT_EQ(Status(3, 8, 621), Vpn().GetStatus());
    EXPECT_TRUE(ras.Dials.empty());
    EXPECT_EQ(L"建立连接入口失败", Vpn().GetErrorDescription());

    CFakeRasApi service;
    service.DialResult = 633;
    CWindowsVpn connection(table, service);
    connection.DialType = CWindowsVpn::DialL2tp;
    EXPECT_EQ(DialUpError::DialFailed, connection.Connect());
    EXPECT_EQ(Status(3, 9, 633), connection.GetStatus());
    EXPECT_EQ(L"启动拨号系统失败", connection.GetErrorDescription());
    EXPECT_EQ(L"未知错误", connection.GetErrorText(7));
    // The service handed out a handle with its failure; it still has to be released.
    connection.Disconnect();
    EXPECT_EQ(std::vector<RasConnectionHandle>{service.DialHandle}, service.HangUps);
}

TEST_F(WindowsVpnConnect, StaleKorvexIsAdoptedAndHungUpByDisconnect)
{
    ras.ActiveConnections = {{0x11, L"Office"}, {0x22, L"Korvex"}, {0x33, L"korvex"}};
    EXPECT_EQ(VpnError::AlreadyConnected, Vpn().Connect());
    EXPECT_EQ(Status(0, 3, 0), Vpn().GetStatus());
    EXPECT_TRUE(ras.Entries.empty());
    EXPECT_TRUE(ras.Dials.empty());
    EXPECT_TRUE(observer.Snapshot().empty());

    // The owner may still use it, and a second Connect finds it held.
    ras.BytesSent = 5;
    uint32_t counters[2] = {};
    EXPECT_EQ(0u, Vpn().GetTrafficCounters(counters));
    EXPECT_EQ(VpnError::AlreadyConnected, Vpn().Connect());

    Vpn().Disconnect();
    EXPECT_EQ(std::vector<RasConnectionHandle>{0x22}, ras.HangUps);
    EXPECT_EQ(std::vector<CVpnStatus>{Status(9, 0, 0)}, observer.Snapshot());
    EXPECT_EQ(Status(1, 0, 0), Vpn().GetStatus());
    EXPECT_EQ(before, table.Rows());
}

TEST_F(WindowsVpnConnect, OnlyAnExactNameIsOursAndTheLastMatchWins)
{
    ras.ActiveConnections = {{0x33, L"korvex"}, {0x34, L"Korvex "}};
    EXPECT_EQ(0u, Vpn().Connect());
    EXPECT_EQ(1u, ras.Dials.size());
    vpn.reset();
    EXPECT_EQ(std::vector<RasConnectionHandle>{ras.DialHandle}, ras.HangUps);

    CFakeRasApi service;
    service.ActiveConnections = {{0x41, L"Korvex"}, {0x42, L"Korvex"}};
    {
        CWindowsVpn connection(table, service);
        EXPECT_EQ(VpnError::AlreadyConnected, connection.Connect());
    }
    EXPECT_EQ(std::vector<RasConnectionHandle>{0x42}, service.HangUps);
}

TEST_F(WindowsVpnConnect, UnreadableConnectionListMeansNoEarlierConnection)
{
    ras.EnumResult = 632;
    EXPECT_EQ(0u, Vpn().Connect());
    EXPECT_EQ(1u, ras.Dials.size());
}

TEST_F(WindowsVpnConnect, TrafficCountersFollowTheHandle)
{
    uint32_t counters[2] = {7, 7};
    // Nothing dialled yet: the service refuses the null handle, and that is a lost tunnel.
    EXPECT_EQ(1u, Vpn().GetTrafficCounters(counters));
    EXPECT_EQ(Status(0, 1, RasResult::InvalidHandle), Vpn().GetStatus());

    ASSERT_EQ(0u, Vpn().Connect());
    ras.BytesSent = 1000;
    ras.BytesReceived = 250000;
    EXPECT_EQ(0u, Vpn().GetTrafficCounters(counters));
    EXPECT_EQ(1000u, counters[0]);
    EXPECT_EQ(250000u, counters[1]);

    // What the tunnel's thread reported stands, whatever the polls find afterwards.
    Vpn().SetStatus(VpnState::Disconnected, VpnError::InternalError, 629);
    EXPECT_EQ(0u, Vpn().GetTrafficCounters(counters));
    EXPECT_EQ(Status(1, 1, 629), Vpn().GetStatus());
    ras.StatisticsResult = RasResult::InvalidHandle;
    EXPECT_EQ(1u, Vpn().GetTrafficCounters(counters));
    EXPECT_EQ(Status(1, 1, 629), Vpn().GetStatus());
}

TEST_F(WindowsVpnConnect, DestructionHangsUpAndRestoresTheRoutes)
{
    Vpn().Routes = {L"10.0.0.0 mask 255.0.0.0"};
    ASSERT_EQ(0u, Vpn().Connect());
    ras.Play({{RasState::Connected, 0}});
    ras.WaitForPlayback();
    ASSERT_EQ(before.size() + 1, table.RowCount());
    vpn.reset();
    EXPECT_EQ(std::vector<RasConnectionHandle>{ras.DialHandle}, ras.HangUps);
    EXPECT_EQ(before, table.Rows());
    const std::vector<CVpnStatus> seen = observer.Snapshot();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(Status(9, 0, 0), seen.back());
}

} // namespace
