#include "vpn/memory_ip_helper.h"

#include <algorithm>

bool CMemoryIpHelper::CRouteKey::operator==(const CRouteKey& other) const
{
    return Destination == other.Destination && Mask == other.Mask && NextHop == other.NextHop &&
           InterfaceIndex == other.InterfaceIndex;
}

namespace
{

// splitmix64's finaliser: std::hash of an integer is the integer itself in libstdc++, which
// would put all routes of one mask into neighbouring buckets.
uint64_t Mix(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

} // namespace

size_t CMemoryIpHelper::CRouteKeyHash::operator()(const CRouteKey& key) const
{
    const uint64_t high = static_cast<uint64_t>(key.Destination) << 32 | key.Mask;
    const uint64_t low = static_cast<uint64_t>(key.NextHop) << 32 | key.InterfaceIndex;
    return static_cast<size_t>(Mix(Mix(high) ^ low));
}

CMemoryIpHelper::CRouteKey CMemoryIpHelper::KeyOf(const CRouteRow& row)
{
    return {row.Destination, row.Mask, row.NextHop, row.InterfaceIndex};
}

void CMemoryIpHelper::AddInterface(uint32_t index, const std::string& address, uint32_t metric)
{
    std::lock_guard<std::mutex> guard(Lock);
    Interfaces.push_back({index, address, metric});
}

void CMemoryIpHelper::RefuseDestination(uint32_t destination, uint32_t error)
{
    std::lock_guard<std::mutex> guard(Lock);
    RefusedDestinations[destination] = error;
}

void CMemoryIpHelper::FailForwardTable(uint32_t error)
{
    std::lock_guard<std::mutex> guard(Lock);
    ForwardTableError = error;
}

void CMemoryIpHelper::FailAdapterQuery(uint32_t error)
{
    std::lock_guard<std::mutex> guard(Lock);
    AdapterQueryError = error;
}

void CMemoryIpHelper::SetInterfaceTableAvailable(bool available)
{
    std::lock_guard<std::mutex> guard(Lock);
    InterfaceTableAvailable = available;
}

std::vector<CRouteRow> CMemoryIpHelper::Rows() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return RowsLocked();
}

std::vector<CRouteRow> CMemoryIpHelper::RowsLocked() const
{
    std::vector<CRouteRow> rows;
    rows.reserve(Table.size());
    for (const auto& position : Table)
        rows.push_back(position.second);
    return rows;
}

size_t CMemoryIpHelper::RowCount() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return Table.size();
}

uint32_t CMemoryIpHelper::GetForwardTable(std::vector<CRouteRow>& rows)
{
    std::lock_guard<std::mutex> guard(Lock);
    if (ForwardTableError != WinError::Success)
        return ForwardTableError;
    rows = RowsLocked();
    return WinError::Success;
}

uint32_t CMemoryIpHelper::CreateForwardEntry(const CRouteRow& row)
{
    std::lock_guard<std::mutex> guard(Lock);
    const auto refused = RefusedDestinations.find(row.Destination);
    if (refused != RefusedDestinations.end())
        return refused->second;
    const bool interfaceExists =
        std::any_of(Interfaces.begin(), Interfaces.end(),
                    [&](const CInterface& candidate) { return candidate.Index == row.InterfaceIndex; });
    if (!interfaceExists)
        return WinError::InvalidParameter;
    if (!Positions.emplace(KeyOf(row), NextPosition).second)
        return WinError::ObjectAlreadyExists;
    Table.emplace(NextPosition++, row);
    return WinError::Success;
}

uint32_t CMemoryIpHelper::DeleteForwardEntry(const CRouteRow& row)
{
    std::lock_guard<std::mutex> guard(Lock);
    const auto position = Positions.find(KeyOf(row));
    if (position == Positions.end())
        return WinError::NotFound;
    Table.erase(position->second);
    Positions.erase(position);
    return WinError::Success;
}

uint32_t CMemoryIpHelper::GetAdapters(std::vector<CAdapterAddress>& adapters)
{
    std::lock_guard<std::mutex> guard(Lock);
    if (AdapterQueryError != WinError::Success)
        return AdapterQueryError;
    if (Interfaces.empty())
        return WinError::NoData;
    adapters.clear();
    for (const CInterface& item : Interfaces)
        adapters.push_back({item.Index, item.Address});
    return WinError::Success;
}

uint32_t CMemoryIpHelper::GetInterfaceMetrics(std::vector<CInterfaceMetric>& interfaces)
{
    std::lock_guard<std::mutex> guard(Lock);
    if (!InterfaceTableAvailable)
        return WinError::ProcNotFound;
    interfaces.clear();
    for (const CInterface& item : Interfaces)
        interfaces.push_back({item.Index, item.Metric});
    return WinError::Success;
}
