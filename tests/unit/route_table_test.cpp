#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_vpn.h"
#include "vpn/inet_address.h"
#include "vpn/memory_ip_helper.h"
#include "vpn/route_table.h"

namespace
{

// Rows as the system reports them, with an age.
CRouteRow Route(const char* destination, const char* mask, const char* nextHop, uint32_t interfaceIndex,
                uint32_t metric)
{
    return RouteRow(destination, mask, nextHop, interfaceIndex, metric, 300);
}

class RouteTableTest : public ::testing::Test
{
protected:
    RouteTableTest()
    {
        table.AddInterface(1, "192.168.1.10", 20);
        table.AddInterface(2, "192.168.2.10", 30);
        table.AddInterface(7, "10.8.0.6", 25);
    }
    CMemoryIpHelper table;
};

TEST_F(RouteTableTest, DefaultRouteWithTheSmallestMetricWinsAndTheFirstOnATie)
{
    table.CreateForwardEntry(Route("192.168.1.0", "255.255.255.0", "192.168.1.10", 1, 1));
    table.CreateForwardEntry(Route("0.0.0.0", "0.0.0.0", "192.168.1.1", 1, 20));
    table.CreateForwardEntry(Route("0.0.0.0", "0.0.0.0", "192.168.2.1", 2, 10));
    table.CreateForwardEntry(Route("0.0.0.0", "0.0.0.0", "192.168.2.2", 2, 10));
    CRouteRow found;
    ASSERT_EQ(0u, FindDefaultRoute(table, found));
    CRouteRow expected = Route("0.0.0.0", "0.0.0.0", "192.168.2.1", 2, 10);
    expected.Age = 0;
    EXPECT_EQ(expected, found);
}

TEST_F(RouteTableTest, NoDefaultRouteOrNoTableIsInvalidData)
{
    table.CreateForwardEntry(Route("192.168.1.0", "255.255.255.0", "192.168.1.10", 1, 1));
    // A zero destination alone does not make a default route.
    table.CreateForwardEntry(Route("0.0.0.0", "255.0.0.0", "192.168.1.1", 1, 1));
    CRouteRow found;
    found.Age = 77;
    EXPECT_EQ(WinError::InvalidData, FindDefaultRoute(table, found));
    EXPECT_EQ(0u, found.Age);

    table.CreateForwardEntry(Route("0.0.0.0", "0.0.0.0", "192.168.1.1", 1, 20));
    table.FailForwardTable(WinError::NotFound);
    found.Age = 77;
    EXPECT_EQ(WinError::InvalidData, FindDefaultRoute(table, found));
    EXPECT_EQ(0u, found.Age);
}

TEST_F(RouteTableTest, TunnelTemplatePointsAtTheAdapterOfTheLocalAddress)
{
    CRouteRow row = Route("1.2.3.4", "255.255.255.255", "9.9.9.9", 1, 42);
    row.Policy = row.NextHopAS = 5;
    ASSERT_EQ(0u, FillTunnelTemplate(table, row, "10.8.0.6"));
    EXPECT_EQ(0u, row.Destination);
    EXPECT_EQ(0u, row.Mask);
    EXPECT_EQ(0u, row.Policy);
    EXPECT_EQ(0u, row.Age);
    EXPECT_EQ(0u, row.NextHopAS);
    EXPECT_EQ(InetAddr("10.8.0.6"), row.NextHop);
    EXPECT_EQ(7u, row.InterfaceIndex);
    EXPECT_EQ(3u, row.Type);
    EXPECT_EQ(3u, row.Proto);
    EXPECT_EQ(42u, row.Metric1);
    for (uint32_t metric : {row.Metric2, row.Metric3, row.Metric4, row.Metric5})
        EXPECT_EQ(0xFFFFFFFFu, metric);
}

TEST_F(RouteTableTest, TunnelTemplateKeepsTheInterfaceWhenNoAdapterMatchesAndTheLastMatchWins)
{
    CRouteRow row;
    row.InterfaceIndex = 99;
    ASSERT_EQ(0u, FillTunnelTemplate(table, row, "10.8.0.66"));
    EXPECT_EQ(99u, row.InterfaceIndex);

    table.AddInterface(8, "10.8.0.6", 5);
    ASSERT_EQ(0u, FillTunnelTemplate(table, row, "10.8.0.6"));
    EXPECT_EQ(8u, row.InterfaceIndex);
}

TEST_F(RouteTableTest, TunnelTemplateReturnsTheAdapterQueryError)
{
    CRouteRow row;
    row.Metric2 = 5;
    table.FailAdapterQuery(1234);
    EXPECT_EQ(1234u, FillTunnelTemplate(table, row, "10.8.0.6"));
    EXPECT_EQ(5u, row.Metric2);

    CMemoryIpHelper noAdapters;
    EXPECT_EQ(WinError::NoData, FillTunnelTemplate(noAdapters, row, "10.8.0.6"));
}

TEST_F(RouteTableTest, MetricFollowsTheInterfaceOrIsOneWithoutTheInterfaceTable)
{
    CRouteRow row;
    row.InterfaceIndex = 7;
    AdjustRouteMetric(table, row);
    EXPECT_EQ(26u, row.Metric1);

    row.InterfaceIndex = 99;
    row.Metric1 = 50;
    AdjustRouteMetric(table, row);
    EXPECT_EQ(50u, row.Metric1);

    table.SetInterfaceTableAvailable(false);
    AdjustRouteMetric(table, row);
    EXPECT_EQ(1u, row.Metric1);
}

TEST_F(RouteTableTest, MemoryTableAnswersLikeWindows)
{
    const CRouteRow row = Route("10.0.0.0", "255.0.0.0", "10.8.0.6", 7, 26);
    EXPECT_EQ(WinError::InvalidParameter,
              table.CreateForwardEntry(Route("10.0.0.0", "255.0.0.0", "10.8.0.6", 0, 26)));
    ASSERT_EQ(0u, table.CreateForwardEntry(row));

    CRouteRow sameRouteOtherMetric = row;
    sameRouteOtherMetric.Metric1 = 99;
    EXPECT_EQ(WinError::ObjectAlreadyExists, table.CreateForwardEntry(sameRouteOtherMetric));
    const CRouteRow otherHop = Route("10.0.0.0", "255.0.0.0", "10.8.0.5", 7, 26);
    EXPECT_EQ(WinError::NotFound, table.DeleteForwardEntry(otherHop));
    EXPECT_EQ(0u, table.CreateForwardEntry(otherHop));
    EXPECT_EQ((std::vector<CRouteRow>{row, otherHop}), table.Rows());

    EXPECT_EQ(0u, table.DeleteForwardEntry(row));
    EXPECT_EQ(WinError::NotFound, table.DeleteForwardEntry(row));
    EXPECT_EQ(std::vector<CRouteRow>{otherHop}, table.Rows());

    table.RefuseDestination(InetAddr("172.16.0.0"), 5);
    EXPECT_EQ(5u, table.CreateForwardEntry(Route("172.16.0.0", "255.240.0.0", "10.8.0.6", 7, 1)));
    EXPECT_EQ(1u, table.RowCount());
}

} // namespace
