#pragma once
// The routing manager's window onto the platform's IPv4 routing: the few IP Helper calls it
// needs, in portable form. The Win32 implementation sits over GetIpForwardTable,
// CreateIpForwardEntry, DeleteIpForwardEntry, GetAdaptersInfo and GetIpInterfaceTable; tests
// use CMemoryIpHelper.

#include <cstdint>
#include <string>
#include <vector>

// Platform error numbers the routing code meets, with their Windows values. Not named
// ERROR_... so they never collide with the macros of <winerror.h>.
namespace WinError
{
constexpr uint32_t Success = 0;
constexpr uint32_t InvalidData = 13;
constexpr uint32_t InvalidParameter = 87;
constexpr uint32_t BufferOverflow = 111;
constexpr uint32_t InsufficientBuffer = 122;
constexpr uint32_t ProcNotFound = 127;
constexpr uint32_t NoData = 232;
constexpr uint32_t NotFound = 1168;
constexpr uint32_t ObjectAlreadyExists = 5010;
}

// Field for field the IPv4 forwarding row (MIB_IPFORWARDROW). Addresses and masks are in
// network byte order, exactly as InetAddr returns them.
struct CRouteRow
{
    uint32_t Destination = 0;
    uint32_t Mask = 0;
    uint32_t Policy = 0;
    uint32_t NextHop = 0;
    uint32_t InterfaceIndex = 0;
    uint32_t Type = 0;
    uint32_t Proto = 0;
    uint32_t Age = 0;
    uint32_t NextHopAS = 0;
    uint32_t Metric1 = 0;
    uint32_t Metric2 = 0;
    uint32_t Metric3 = 0;
    uint32_t Metric4 = 0;
    uint32_t Metric5 = 0;
};

inline bool operator==(const CRouteRow& left, const CRouteRow& right)
{
    return left.Destination == right.Destination && left.Mask == right.Mask &&
           left.Policy == right.Policy && left.NextHop == right.NextHop &&
           left.InterfaceIndex == right.InterfaceIndex && left.Type == right.Type &&
           left.Proto == right.Proto && left.Age == right.Age &&
           left.NextHopAS == right.NextHopAS && left.Metric1 == right.Metric1 &&
           left.Metric2 == right.Metric2 && left.Metric3 == right.Metric3 &&
           left.Metric4 == right.Metric4 && left.Metric5 == right.Metric5;
}
inline bool operator!=(const CRouteRow& left, const CRouteRow& right) { return !(left == right); }

constexpr uint32_t RouteTypeDirect = 3;         // MIB_IPROUTE_TYPE_DIRECT
constexpr uint32_t RouteProtoNetManagement = 3; // MIB_IPPROTO_NETMGMT
constexpr uint32_t NoMetric = 0xFFFFFFFFu;
constexpr uint32_t HostMask = 0xFFFFFFFFu;      // 255.255.255.255 in either byte order

// One adapter of GetAdaptersInfo: its index and the text of its first IPv4 address.
struct CAdapterAddress
{
    uint32_t Index = 0;
    std::string IpAddress;
};

// One IPv4 row of GetIpInterfaceTable.
struct CInterfaceMetric
{
    uint32_t InterfaceIndex = 0;
    uint32_t Metric = 0;
};

class IIpHelper
{
public:
    virtual ~IIpHelper() = default;

    // The whole IPv4 forwarding table, unsorted. 0, or the platform's error (the Win32 side
    // does the size query and the second call itself).
    virtual uint32_t GetForwardTable(std::vector<CRouteRow>& rows) = 0;
    virtual uint32_t CreateForwardEntry(const CRouteRow& row) = 0;
    virtual uint32_t DeleteForwardEntry(const CRouteRow& row) = 0;

    // Every adapter in platform order. The Win32 side returns the size query's answer as it
    // stands unless it is ERROR_BUFFER_OVERFLOW (so no adapters at all gives ERROR_NO_DATA),
    // then the second call's answer.
    virtual uint32_t GetAdapters(std::vector<CAdapterAddress>& adapters) = 0;

    // The IPv4 interface table. ProcNotFound when the system has no GetIpInterfaceTable;
    // any non-zero result means no table came back.
    virtual uint32_t GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces) = 0;
};
