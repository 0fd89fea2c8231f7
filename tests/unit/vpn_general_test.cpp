#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "vpn/general_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/vpn_texts.h"
#include "test_vpn.h"

static void PrintTo(const CVpnStatus& status, std::ostream* out)
{
    *out << "(" << status.State << ", " << status.Error << ", " << status.Detail << ")";
}

namespace
{


class CRecordingCallback : public CGeneralVpnCallbackInterface
{
public:
    void OnVpnStatusChanged(CGeneralVpn* connection) override
    {
        std::lock_guard<std::mutex> guard(Lock);
        Seen.push_back(connection->GetStatus());
    }
    std::vector<CVpnStatus> Seen;

private:
    std::mutex Lock;
};

CVpnStatus Status(uint32_t state, uint32_t error, uint32_t detail)
{
    CVpnStatus status;
    status.State = state;
    status.Error = error;
    status.Detail = detail;
    return status;
}

TEST(VpnTexts, UnknownCodesGiveTheUnknownTexts)
{
    CMemoryIpHelper table;
    CTestVpn dialUp(table, DialUpErrorText);
    CTestVpn openVpn(table, OpenVpnErrorText);
    EXPECT_EQ(L"未知状态", dialUp.GetStateText(11));
    EXPECT_EQ(L"未知状态", dialUp.GetStateText(0xFFFFFFFFu));
    EXPECT_EQ(L"正在修改路由表……", dialUp.GetStateText(10));
    EXPECT_EQ(L"未知错误", dialUp.GetErrorText(7));
    EXPECT_EQ(L"未知错误", openVpn.GetErrorText(7));
    EXPECT_EQ(L"未知错误", dialUp.GetErrorText(10)); // 10 exists only for OpenVPN
}

TEST(VpnTexts, ClassTablesComeFirstAndFallBackToTheCommonOne)
{
    CMemoryIpHelper table;
    CTestVpn dialUp(table, DialUpErrorText);
    CTestVpn openVpn(table, OpenVpnErrorText);
    EXPECT_EQ(L"建立连接入口失败", dialUp.GetErrorText(8));
    EXPECT_EQ(L"执行OpenVPN程序失败", openVpn.GetErrorText(8));
    EXPECT_EQ(L"启动拨号系统失败", dialUp.GetErrorText(9));
    EXPECT_EQ(L"TLS安全层错误：时间/证书无效？", openVpn.GetErrorText(10));
    EXPECT_EQ(L"获取网关失败", dialUp.GetErrorText(4));
    EXPECT_EQ(L"获取网关失败", openVpn.GetErrorText(4));
    EXPECT_EQ(nullptr, DialUpErrorText(4));
}

TEST(VpnStatusReport, HasThreeLinesFromOneReading)
{
    CMemoryIpHelper table;
    CTestVpn openVpn(table, OpenVpnErrorText);
    openVpn.StoreStatus(VpnState::Preparing, OpenVpnError::LaunchFailed, 0);
    EXPECT_EQ(L"状态：准备VPN参数……\r\n错误信息：执行OpenVPN程序失败\r\n详细信息：\r\n",
              openVpn.GetStatusReport());

    openVpn.StoreStatus(VpnState::Disconnected, VpnError::InternalError, 691);
    EXPECT_EQ(L"拒绝访问", openVpn.GetDetailDescription());
    EXPECT_EQ(L"VPN内部错误", openVpn.GetErrorDescription());
    EXPECT_EQ(L"连接已经断开", openVpn.GetStateDescription());
}

// A table with one working tunnel adapter: entries route unless their destination is refused.
class VpnSetStatus : public ::testing::Test
{
protected:
    VpnSetStatus() : vpn(table)
    {
        table.AddInterface(1, "192.168.1.10", 20);
        table.AddInterface(7, "10.8.0.6", 25);
        CRouteRow defaultRoute;
        defaultRoute.NextHop = InetAddr("192.168.1.1");
        defaultRoute.InterfaceIndex = 1;
        defaultRoute.Metric1 = 20;
        table.CreateForwardEntry(defaultRoute);
        vpn.Routes = {L"10.0.0.0 mask 255.0.0.0", L"172.16.0.0 mask 255.240.0.0"};
        vpn.SetTunnel(L"10.8.0.6");
        vpn.Callback = &callback;
    }

    CMemoryIpHelper table;
    CTestVpn vpn;
    CRecordingCallback callback;
};

TEST_F(VpnSetStatus, TunnelUpWithErrorIsReportedAsItIsAndTouchesNoRoute)
{
    ASSERT_EQ(0u, vpn.Connect());
    vpn.SetStatus(VpnState::TunnelUp, VpnError::InternalError, 629);
    EXPECT_EQ(1u, table.RowCount());
    ASSERT_EQ(1u, callback.Seen.size());
    EXPECT_EQ(Status(7, 1, 629), callback.Seen[0]);
    EXPECT_EQ(Status(7, 1, 629), vpn.GetStatus());
}

TEST_F(VpnSetStatus, TunnelUpBecomesLoggedInAfterTheRoutes)
{
    ASSERT_EQ(0u, vpn.Connect());
    EXPECT_TRUE(callback.Seen.empty()); // Connect itself is silent
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ((std::vector<CVpnStatus>{Status(10, 0, 0), Status(8, 0, 0)}), callback.Seen);
    EXPECT_EQ(3u, table.RowCount());
}

TEST_F(VpnSetStatus, OneFailingRouteGivesExactlyTwoNotifications)
{
    table.RefuseDestination(InetAddr("172.16.0.0"), 5);
    ASSERT_EQ(0u, vpn.Connect());
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ((std::vector<CVpnStatus>{Status(10, 0, 0), Status(10, 6, 0)}), callback.Seen);
    EXPECT_EQ(Status(10, 6, 0), vpn.GetStatus());
    EXPECT_EQ(std::vector<std::wstring>{L"172.16.0.0 mask 255.240.0.0"}, vpn.GetFailedRoutes());
}

TEST_F(VpnSetStatus, AdapterQueryFailureIsReportedWithItsCode)
{
    table.FailAdapterQuery(1234);
    ASSERT_EQ(0u, vpn.Connect());
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ((std::vector<CVpnStatus>{Status(10, 0, 0), Status(10, 4, 1234)}), callback.Seen);
    EXPECT_EQ(1u, table.RowCount());
    EXPECT_TRUE(vpn.GetFailedRoutes().empty());
}

TEST_F(VpnSetStatus, RoutesAreAppliedWithoutAnObserverToo)
{
    vpn.Callback = nullptr;
    ASSERT_EQ(0u, vpn.Connect());
    vpn.SetStatus(VpnState::TunnelUp, VpnError::Success, 0);
    EXPECT_EQ(3u, table.RowCount());
    EXPECT_EQ(Status(8, 0, 0), vpn.GetStatus());
}

TEST_F(VpnSetStatus, OverlongDialUpFieldsAreRefusedSilently)
{
    vpn.ServerHost.assign(CGeneralVpn::MaxServerHostLength, L'h');
    vpn.UserName.assign(CGeneralVpn::MaxCredentialLength, L'u');
    vpn.Password.assign(CGeneralVpn::MaxCredentialLength, L'p');
    EXPECT_EQ(0u, vpn.CheckDialUpFieldLengths());
    EXPECT_EQ(Status(0, 0, 0), vpn.GetStatus());

    for (std::wstring* field : {&vpn.ServerHost, &vpn.UserName, &vpn.Password}) {
        vpn.StoreStatus(VpnState::Starting, 0, 0);
        *field += L'x';
        EXPECT_EQ(VpnError::InternalError, vpn.CheckDialUpFieldLengths());
        EXPECT_EQ(Status(VpnState::Starting, VpnError::InternalError, 87), vpn.GetStatus());
        field->pop_back();
    }
    EXPECT_TRUE(callback.Seen.empty());
}

// The user-interface thread must never see the state of one report with the error of another.
TEST_F(VpnSetStatus, ReadersSeeWholeReports)
{
    vpn.Callback = nullptr;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint32_t i = 0; i < 20000; ++i) {
            if (i % 2)
                vpn.SetStatus(VpnState::Connecting, VpnError::ServerUnreachable, 0x11111111u);
            else
                vpn.SetStatus(VpnState::Authenticating, VpnError::InternalError, 0x22222222u);
        }
        done = true;
    });
    size_t torn = 0;
    size_t reads = 0;
    while (!done || reads == 0) {
        const CVpnStatus status = vpn.GetStatus();
        ++reads;
        const bool first = status == Status(4, 2, 0x11111111u);
        const bool second = status == Status(5, 1, 0x22222222u);
        if (!first && !second && !(status == Status(0, 0, 0)))
            ++torn;
        const std::wstring report = vpn.GetStatusReport();
        if (report.find(L"正在连接") != std::wstring::npos &&
            report.find(L"无法连接服务器") == std::wstring::npos)
            ++torn;
    }
    writer.join();
    EXPECT_EQ(0u, torn) << "of " << reads << " reads";
}

} // namespace
