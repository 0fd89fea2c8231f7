#include "vpn/route_cleanup.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

CRouteCleanupResult CleanUpRouteJournal(IIpHelper& ipHelper, IJournalFile& journal, ILeftoverTunnel& tunnel)
{
    CRouteCleanupResult result;
    std::string text;
    switch (journal.Read(text)) {
    case IJournalFile::EReadResult::Missing:
        return result;
    case IJournalFile::EReadResult::Failed:
        result.Outcome = ERouteCleanup::Unreadable;
        return result;
    case IJournalFile::EReadResult::Read:
        break;
    }
    std::vector<CJournalRoute> routes;
    if (!ParseRouteJournal(text, routes)) {
        result.Outcome = ERouteCleanup::Unreadable;
        return result;
    }

    // The tunnel first: while it is up, its side may still be changing the table.
    result.DialUpHungUp = tunnel.HangUpDialUp();
    result.OpenVpnEnded = tunnel.EndOpenVpn();

    std::vector<CRouteRow> table;
    if (!routes.empty() && ipHelper.GetForwardTable(table) != WinError::Success) {
        result.Outcome = ERouteCleanup::Incomplete;
        result.Failed = routes.size();
        return result;
    }
    // Route lists run to thousands of entries, and so may the table: look rows up by their values.
    using CValues = std::array<uint32_t, 5>;
    const auto valuesOf = [](const CJournalRoute& route) {
        return CValues{route.Destination, route.Mask, route.NextHop, route.InterfaceIndex, route.Metric};
    };
    std::vector<std::pair<CValues, size_t>> index;
    index.reserve(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        index.emplace_back(valuesOf(JournalRouteOf(table[i])), i);
    std::sort(index.begin(), index.end());

    std::vector<CJournalRoute> left;
    for (const CJournalRoute& route : routes) {
        const auto found = std::lower_bound(index.begin(), index.end(), std::make_pair(valuesOf(route), size_t{0}));
        const bool present = found != index.end() && found->first == valuesOf(route);
        // Gone already (the user removed it, or it went with its interface): never touch a route
        // that differs from ours in anything, it is not ours.
        const uint32_t removal = present ? ipHelper.DeleteForwardEntry(table[found->second]) : WinError::NotFound;
        if (removal == WinError::Success) {
            ++result.Removed;
        } else if (removal == WinError::NotFound) {
            ++result.Skipped;
        } else {
            ++result.Failed;
            left.push_back(route);
        }
    }
    if (left.empty()) {
        journal.Remove();
        result.Outcome = ERouteCleanup::Restored;
    } else {
        // Only what is still to do, so that the next start does not meet the rest again.
        journal.Replace(FormatRouteJournal(left));
        result.Outcome = ERouteCleanup::Incomplete;
    }
    return result;
}

std::wstring RouteCleanupStatusText(const CRouteCleanupResult& result)
{
    switch (result.Outcome) {
    case ERouteCleanup::NothingLeft:
        return std::wstring();
    case ERouteCleanup::Restored:
        return L"已恢复上次异常退出时修改的路由表";
    case ERouteCleanup::Incomplete:
    case ERouteCleanup::Unreadable:
        break;
    }
    return L"未能完全恢复上次异常退出时修改的路由表";
}

std::wstring RouteCleanupLogText(const CRouteCleanupResult& result)
{
    switch (result.Outcome) {
    case ERouteCleanup::NothingLeft:
        return std::wstring();
    case ERouteCleanup::Unreadable:
        return L"上次异常退出留下的路由日志无法读取，未做任何修改，文件已保留";
    case ERouteCleanup::Restored:
    case ERouteCleanup::Incomplete:
        break;
    }
    std::wstring text = L"上次异常退出后恢复路由表：删除 " + std::to_wstring(result.Removed) + L" 条，已不存在 " +
                        std::to_wstring(result.Skipped) + L" 条，删除失败 " + std::to_wstring(result.Failed) + L" 条";
    if (result.DialUpHungUp)
        text += L"；已挂断遗留的拨号连接";
    if (result.OpenVpnEnded)
        text += L"；已结束遗留的OpenVPN程序";
    return text;
}
