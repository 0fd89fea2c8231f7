// A connection without a tunnel, for the tests of what surrounds one: the routes, the codes and
// their texts, the login's configuration and the main window's connection control.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "vpn/general_vpn.h"
#include "vpn/inet_address.h"

class CTestVpn : public CGeneralVpn {
public:
    // `errorTable` stands for a concrete class's own error texts.
    explicit CTestVpn(IIpHelper& ipHelper, const wchar_t* (*errorTable)(uint32_t) = nullptr)
        : CGeneralVpn(ipHelper), m_errorTable(errorTable)
    {
    }
    // As a concrete connection does, ending it gives the routes back; silently, since a test's
    // observer may be gone by then.
    ~CTestVpn() override
    {
        Callback = nullptr;
        Disconnect();
    }

    // Unset: the base's Connect (route preparation). Set: that result, and nothing is done.
    std::optional<uint32_t> connectResult;
    int connects = 0;
    // The statistics poll: the counters, or the system's failure code when pollFailure is set.
    uint32_t sent = 0;
    uint32_t received = 0;
    uint32_t pollFailure = 0;

    uint32_t Connect() override
    {
        ++connects;
        return connectResult ? *connectResult : CGeneralVpn::Connect();
    }
    uint32_t GetTrafficCounters(uint32_t counters[2]) override
    {
        if (pollFailure != 0) {
            StorePollFailure(VpnError::InternalError, pollFailure);
            return 1;
        }
        counters[0] = sent;
        counters[1] = received;
        return 0;
    }
    std::wstring GetDetailText(uint32_t code) const override { return code == 691 ? L"拒绝访问" : L""; }
    std::wstring GetErrorText(uint32_t code) const override
    {
        const wchar_t* own = m_errorTable ? m_errorTable(code) : nullptr;
        return own ? own : CGeneralVpn::GetErrorText(code);
    }

    void SetTunnel(const std::wstring& localAddress, const std::wstring& gateway = L"")
    {
        LocalAddress = localAddress;
        TunnelGateway = gateway;
    }
    const SProxySettings& ProxyView() const { return Proxy; }
    using CGeneralVpn::CheckDialUpFieldLengths;
    using CGeneralVpn::StoreStatus;

private:
    const wchar_t* (*m_errorTable)(uint32_t);
};

// A route row from dotted addresses, as the tests of the table and of the journal write them.
inline CRouteRow RouteRow(const char* destination, const char* mask, const char* nextHop, uint32_t interfaceIndex,
                          uint32_t metric, uint32_t age = 0)
{
    CRouteRow row;
    row.Destination = InetAddr(destination);
    row.Mask = InetAddr(mask);
    row.NextHop = InetAddr(nextHop);
    row.InterfaceIndex = interfaceIndex;
    row.Metric1 = metric;
    row.Age = age;
    return row;
}
