#include "app/login_connection.h"

#include <gtest/gtest.h>

#include "test_vpn.h"
#include "vpn/memory_ip_helper.h"

TEST(LoginConnection, ConfiguresEveryFieldAndForwardsConnect)
{
    CMemoryIpHelper ipHelper;
    CTestVpn vpn(ipHelper);
    vpn.connectResult = 0;
    vpn.Routes = {L"stale"};
    CVpnLoginConnection connection(vpn);

    SConnectionSettings settings;
    settings.serverHost = L"127.0.0.10";
    settings.userName = L"a&b";
    settings.password = L"p w";
    settings.proxy = {1, L"127.0.0.9", 8080, L"pu", L"pp"};
    settings.modifyDefaultGateway = 1;
    settings.routes = {L"10.0.0.0 mask 255.0.0.0"};
    connection.Configure(settings);

    EXPECT_EQ(vpn.ServerHost, L"127.0.0.10");
    EXPECT_EQ(vpn.UserName, L"a&b");
    EXPECT_EQ(vpn.Password, L"p w");
    EXPECT_EQ(vpn.ProxyView().type, 1);
    EXPECT_EQ(vpn.ProxyView().server, L"127.0.0.9");
    EXPECT_EQ(vpn.ProxyView().port, 8080);
    EXPECT_EQ(vpn.ProxyView().userName, L"pu");
    EXPECT_EQ(vpn.ProxyView().password, L"pp");
    EXPECT_EQ(vpn.ModifyDefaultGateway, 1);
    EXPECT_EQ(vpn.Routes, settings.routes);

    vpn.connectResult = 3;
    EXPECT_EQ(connection.Connect(), 3u);
    EXPECT_EQ(vpn.connects, 1);
}
