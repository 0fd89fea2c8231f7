// The factory the login exchange starts connections through, over the in-memory routing table
// and the fake dial-up service, and once over the real seams.

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "app/vpn_factory_win32.h"
#include "tests/unit/windows_vpn_fake_ras.h"
#include "vpn/openvpn_vpn_win32.h"
#include "vpn/windows_vpn.h"

using namespace windows_vpn_test;

namespace
{

// The generations reported, in order, from whatever thread.
class CRecordingSink : public IVpnStatusSink
{
public:
    void PostVpnStatusChanged(uint32_t generation) override
    {
        std::lock_guard<std::mutex> guard(Lock);
        Seen.push_back(generation);
    }
    std::vector<uint32_t> Snapshot()
    {
        std::lock_guard<std::mutex> guard(Lock);
        return Seen;
    }

private:
    std::mutex Lock;
    std::vector<uint32_t> Seen;
};

class VpnConnectionFactory : public ::testing::Test
{
protected:
    VpnConnectionFactory() { SetUpMachine(table); }

    CMemoryIpHelper table;
    CFakeRasApi ras;
    CRecordingSink sink;
    CVpnConnectionFactory factory{sink, table, ras};
};

TEST_F(VpnConnectionFactory, DialUpProtocolsGiveAConfiguredDialUpConnection)
{
    ILoginConnection* login = factory.CreateCurrentConnection(EVpnProtocol::L2tp);
    ASSERT_NE(nullptr, login);
    auto* vpn = dynamic_cast<CWindowsVpn*>(factory.Current());
    ASSERT_NE(nullptr, vpn);
    EXPECT_EQ(CWindowsVpn::DialL2tp, vpn->DialType);
    // Its changes reach the sink under its generation.
    vpn->SetStatus(VpnState::Connecting, VpnError::Success, 0);
    EXPECT_EQ(std::vector<uint32_t>{factory.CurrentGeneration()}, sink.Snapshot());

    SConnectionSettings settings;
    settings.serverHost = L"vpn3.korvex.test";
    settings.userName = L"用户甲";
    settings.password = L"secret";
    settings.modifyDefaultGateway = 1;
    login->Configure(settings);
    EXPECT_EQ(0u, login->Connect());
    ASSERT_EQ(1u, ras.Dials.size());
    EXPECT_EQ(L"用户甲", ras.Dials[0].UserName);
    EXPECT_EQ(L"vpn3.korvex.test", ras.Dials[0].PhoneNumber);
    ASSERT_EQ(1u, ras.Entries.size());
    EXPECT_EQ(3u, ras.Entries[0].second.VpnStrategy);
    EXPECT_EQ(0x3D140010u, ras.Entries[0].second.Options);
}

TEST_F(VpnConnectionFactory, ANewConnectionEndsTheCurrentOne)
{
    ILoginConnection* first = factory.CreateCurrentConnection(EVpnProtocol::Pptp);
    ASSERT_NE(nullptr, first);
    const uint32_t firstGeneration = factory.CurrentGeneration();
    ASSERT_EQ(0u, first->Connect());
    ASSERT_NE(nullptr, factory.CreateCurrentConnection(EVpnProtocol::L2tp));
    EXPECT_NE(firstGeneration, factory.CurrentGeneration());
    // The first one's end was reported under its own number.
    for (const uint32_t generation : sink.Snapshot())
        EXPECT_EQ(firstGeneration, generation);
    EXPECT_EQ(std::vector<RasConnectionHandle>{ras.DialHandle}, ras.HangUps);
    EXPECT_EQ(CWindowsVpn::DialL2tp, dynamic_cast<CWindowsVpn&>(*factory.Current()).DialType);

    factory.DestroyCurrent();
    EXPECT_EQ(nullptr, factory.Current());
}

TEST_F(VpnConnectionFactory, OpenVpnRunsTheProgram)
{
    ASSERT_NE(nullptr, factory.CreateCurrentConnection(EVpnProtocol::OpenVpn));
    EXPECT_NE(nullptr, dynamic_cast<COpenVpn*>(factory.Current()));
}

TEST(VpnConnectionFactoryOverThePlatform, MakesAndEndsAConnectionWithoutDialling)
{
    CRecordingSink sink;
    CVpnConnectionFactory factory(sink, L"C:\\");
    ASSERT_NE(nullptr, factory.CreateCurrentConnection(EVpnProtocol::Pptp));
    ASSERT_NE(nullptr, factory.Current());
    const uint32_t generation = factory.CurrentGeneration();
    factory.DestroyCurrent();
    // The end of a connection still reports its route restoration.
    EXPECT_EQ(std::vector<uint32_t>{generation}, sink.Snapshot());
}

} // namespace
