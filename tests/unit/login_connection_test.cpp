#include "app/login_connection.h"

#include <gtest/gtest.h>

#include "vpn/memory_ip_helper.h"

namespace {
class CTestVpn : public CGeneralVpn {
public:
    using CGeneralVpn::CGeneralVpn;
    uint32_t connectResult = 0;
    int connects = 0;

    uint32_t Connect() override
    {
        ++connects;
        return connectResult;
    }
    uint32_t GetTrafficCounters(uint32_t counters[2]) override
    {
        counters[0] = counters[1] = 0;
        return 0;
    }
    std::wstring GetDetailText(uint32_t) const override { return {}; }

    int32_t Type() const { return ProxyType; }
    const std::wstring& Server() const { return ProxyServer; }
    int32_t Port() const { return ProxyPort; }
    const std::wstring& User() const { return ProxyUserName; }
    const std::wstring& Secret() const { return ProxyPassword; }
};
}  // namespace

TEST(LoginConnection, ConfiguresEveryFieldAndForwardsConnect)
{
    CMemoryIpHelper ipHelper;
    CTestVpn vpn(ipHelper);
    vpn.Routes = {L"stale"};
    CVpnLoginConnection connection(vpn);

    SConnectionSettings settings;
    settings.serverHost = L"127.0.0.10";
    settings.userName = L"a&b";
    settings.password = L"p w";
    settings.proxyType = 1;
    settings.proxyServer = L"127.0.0.9";
    settings.proxyPort = 8080;
    settings.proxyUserName = L"pu";
    settings.proxyPassword = L"pp";
    settings.modifyDefaultGateway = 1;
    settings.routes = {L"10.0.0.0 mask 255.0.0.0"};
    connection.Configure(settings);

    EXPECT_EQ(vpn.ServerHost, L"127.0.0.10");
    EXPECT_EQ(vpn.UserName, L"a&b");
    EXPECT_EQ(vpn.Password, L"p w");
    EXPECT_EQ(vpn.Type(), 1);
    EXPECT_EQ(vpn.Server(), L"127.0.0.9");
    EXPECT_EQ(vpn.Port(), 8080);
    EXPECT_EQ(vpn.User(), L"pu");
    EXPECT_EQ(vpn.Secret(), L"pp");
    EXPECT_EQ(vpn.ModifyDefaultGateway, 1);
    EXPECT_EQ(vpn.Routes, settings.routes);

    vpn.connectResult = 3;
    EXPECT_EQ(connection.Connect(), 3u);
    EXPECT_EQ(vpn.connects, 1);
}
