#pragma once
// The start-up clean-up after a client that ended without taking its routes back: if a route
// journal (route_journal.h) is left, the tunnel it belonged to is ended, every journalled route
// the table still holds with exactly the journalled values is removed, and the journal goes.
// Runs before the main window takes a Connect.

#include <cstddef>
#include <string>

#include "vpn/ip_helper.h"
#include "vpn/route_journal.h"

// The tunnel a killed client may have left running.
class ILeftoverTunnel
{
public:
    virtual ~ILeftoverTunnel() = default;
    // Hangs up a dial-up connection of our own entry that is still up. true when there was one.
    virtual bool HangUpDialUp() = 0;
    // Signals the exit event of an openvpn.exe of ours that still runs, and gives it a moment to
    // end. true when one ran.
    virtual bool EndOpenVpn() = 0;
};

enum class ERouteCleanup
{
    NothingLeft, // no journal: the last run ended properly
    Restored,    // every journalled route is out of the table; the journal is gone
    Incomplete,  // some could not be removed (or the table could not be read); they stay journalled
    Unreadable,  // the journal cannot be read: nothing was touched, the file stays for support
};

struct CRouteCleanupResult
{
    ERouteCleanup Outcome = ERouteCleanup::NothingLeft;
    size_t Removed = 0;
    size_t Skipped = 0; // no longer in the table as journalled
    size_t Failed = 0;
    bool DialUpHungUp = false;
    bool OpenVpnEnded = false;
};

CRouteCleanupResult CleanUpRouteJournal(IIpHelper& ipHelper, IJournalFile& journal, ILeftoverTunnel& tunnel);

// For the status line; empty when there was nothing to clean up.
std::wstring RouteCleanupStatusText(const CRouteCleanupResult& result);
// For the event log: what was found and done.
std::wstring RouteCleanupLogText(const CRouteCleanupResult& result);
