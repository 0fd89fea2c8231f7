#pragma once
// IIpHelper over IP Helper. GetIpInterfaceTable and FreeMibTable are looked up when they are
// needed, in the iphlpapi.dll the program already has loaded: systems before Vista lack them.

#include "vpn/ip_helper.h"

class CWin32IpHelper : public IIpHelper
{
public:
    uint32_t GetForwardTable(std::vector<CRouteRow>& rows) override;
    uint32_t CreateForwardEntry(const CRouteRow& row) override;
    uint32_t DeleteForwardEntry(const CRouteRow& row) override;
    uint32_t GetAdapters(std::vector<CAdapterAddress>& adapters) override;
    uint32_t GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces) override;
};
