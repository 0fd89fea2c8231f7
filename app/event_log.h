// What the client did lately, kept for the diagnosis report: the last 500 events, each stamped
// with the local time it happened. Support staff read the saved report, so nothing secret may get
// in. The entry points take what an event is about (host names, titles, the codes' texts), never
// a credential; a proxy's settings are taken whole for convenience, and only type, host and port
// are kept. Every entry, structured or not, passes RedactSecrets before it is stored.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vpn/vpn_protocol.h"

// A local time, to the millisecond.
struct SEventTime {
    int year = 0;
    int month = 0;  // 1-12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The local time now, from the system clock.
SEventTime LocalEventTime();

// Free text made fit for the log. A URL loses its user-info ("name:password@"), its query and
// its fragment; "name:password@host" loses everything up to the '@'; a query glued to a path
// ("login.php?user=..") goes from the '?' on; the value of a "key=value" whose key names a
// password, secret or token becomes "***". Line breaks and tabs become blanks.
std::wstring RedactSecrets(std::wstring_view text);

// The host and port of a URL (or of a bare "host:port"), and nothing else:
// "http://name:pw@h:8088/a.php?x=1" gives "h:8088".
std::wstring HostOfUrl(std::wstring_view url);

class CEventLog {
public:
    static constexpr size_t kCapacity = 500;
    // Longer entries are cut: one event must not hold a whole document.
    static constexpr size_t kMaxEntryLength = 512;
    // The most failed routes one entry names; the count says how many there were.
    static constexpr size_t kRoutesNamed = 20;

    using Clock = std::function<SEventTime()>;

    explicit CEventLog(Clock clock = LocalEventTime);
    CEventLog(const CEventLog&) = delete;
    CEventLog& operator=(const CEventLog&) = delete;

    // Any thread. URLs are reduced to their host and port here, so a caller may pass the URLs it
    // requested, credentials and all.
    void LoginHostsTried(const std::vector<std::wstring>& urls);
    void LoginAnswered(std::wstring_view url);
    // How the login exchange ended when it did not start a connection (the status text shown).
    void LoginEnded(std::wstring_view outcome);
    void Selection(std::wstring_view route, std::wstring_view serverTitle, std::wstring_view serverHost,
                   std::optional<EVpnProtocol> protocol);
    // Type, host and port only; the proxy's user name and password are never kept.
    void ProxyInUse(const SProxySettings& proxy);
    void ConnectionState(std::wstring_view state, std::wstring_view error, std::wstring_view detail);
    void RoutesFailed(const std::vector<std::wstring>& routes);
    void ServicesRestarted();
    // A console message of openvpn.exe the connection acted on.
    void OpenVpnMarker(std::wstring_view text);
    // Anything else.
    void Note(std::wstring_view text);

    // One line per event, oldest first: "YYYY-MM-DD HH:MM:SS.mmm text" and CR LF.
    std::wstring Text() const;
    size_t Size() const;
    void Clear();

private:
    struct SEntry {
        SEventTime time;
        std::wstring text;
    };

    void Add(std::wstring_view text);

    Clock m_clock;
    mutable std::mutex m_lock;
    std::deque<SEntry> m_entries;  // under m_lock
};

// The client's one log, for every part of the program.
CEventLog& TheEventLog();
