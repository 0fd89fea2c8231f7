#pragma once
// Route helpers of the VPN connection, free functions over a route row and the platform's
// routing (IIpHelper). The connection's own route operations are in general_vpn.h.

#include <cstdint>
#include <string>

#include "vpn/ip_helper.h"

// One line of the route document: destination, the word "mask" in any letter case, netmask.
// The two texts come back lower-cased, in the ANSI code page and trimmed; whether they are
// addresses is left to InetAddr. false (both texts empty) when there is no "mask".
bool ParseRouteEntry(const std::wstring& entry, std::string& destination, std::string& netmask);

// The default route with the smallest metric 1, the first on a tie. 0, or
// WinError::InvalidData when there is none or the table cannot be read. The age is zeroed
// in every case.
uint32_t FindDefaultRoute(IIpHelper& ipHelper, CRouteRow& row);

// Turns row into the template of routes into the tunnel: the interface of the adapter whose
// first address is localAddress, next hop localAddress, direct, network management, no
// secondary metrics. Metric 1 stays, and so does the interface when no adapter matches.
// 0, or the adapter query's error.
uint32_t FillTunnelTemplate(IIpHelper& ipHelper, CRouteRow& row, const std::string& localAddress);

// Metric 1 becomes the metric of the row's interface plus one; 1 when the system has no
// interface table; unchanged when the interface is not listed.
void AdjustRouteMetric(IIpHelper& ipHelper, CRouteRow& row);
