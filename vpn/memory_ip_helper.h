#pragma once
// An IPv4 routing table in memory that answers like Windows: a row must name an existing
// interface, an identical route (destination, mask, next hop, interface) is refused with
// ERROR_OBJECT_ALREADY_EXISTS, and only an identical route is deleted. It can be told to
// refuse chosen destinations and to fail its queries. Safe to use from several threads.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "vpn/ip_helper.h"

class CMemoryIpHelper : public IIpHelper
{
public:
    // An interface is also an adapter whose first address is address (dotted text).
    void AddInterface(uint32_t index, const std::string& address, uint32_t metric);

    // Additions of a route to destination (network byte order) answer error.
    void RefuseDestination(uint32_t destination, uint32_t error);
    // A non-zero error makes the forwarding-table read, or the adapter query, answer it.
    void FailForwardTable(uint32_t error);
    void FailAdapterQuery(uint32_t error);
    // false stands for a system without GetIpInterfaceTable.
    void SetInterfaceTableAvailable(bool available);

    // The table in its order (the order of addition).
    std::vector<CRouteRow> Rows() const;
    size_t RowCount() const;

    uint32_t GetForwardTable(std::vector<CRouteRow>& rows) override;
    uint32_t CreateForwardEntry(const CRouteRow& row) override;
    uint32_t DeleteForwardEntry(const CRouteRow& row) override;
    uint32_t GetAdapters(std::vector<CAdapterAddress>& adapters) override;
    uint32_t GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces) override;

private:
    struct CInterface
    {
        uint32_t Index;
        std::string Address;
        uint32_t Metric;
    };

    // What identifies a route to the platform.
    struct CRouteKey
    {
        uint32_t Destination, Mask, NextHop, InterfaceIndex;
        bool operator==(const CRouteKey& other) const;
    };
    struct CRouteKeyHash
    {
        size_t operator()(const CRouteKey& key) const;
    };
    static CRouteKey KeyOf(const CRouteRow& row);
    std::vector<CRouteRow> RowsLocked() const;

    mutable std::mutex Lock;
    std::vector<CInterface> Interfaces;
    // Rows by order of addition, and where each route sits in that order.
    std::map<uint64_t, CRouteRow> Table;
    std::unordered_map<CRouteKey, uint64_t, CRouteKeyHash> Positions;
    uint64_t NextPosition = 0;
    std::unordered_map<uint32_t, uint32_t> RefusedDestinations;
    uint32_t ForwardTableError = 0;
    uint32_t AdapterQueryError = 0;
    bool InterfaceTableAvailable = true;
};
