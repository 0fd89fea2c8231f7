#pragma once
// The route journal: a small text file that lists every route a connection has put into the
// routing table and not yet taken out again, so that a client that was killed, crashed or lost
// its power can take them out at its next start (route_cleanup.h).
//
// The file, one change per line, LF-terminated, ASCII:
//
//   korvex-route-journal 1
//   route 10.0.0.0 255.0.0.0 10.8.0.6 7 26
//
// "route" is followed by destination, mask, next hop (dotted), interface index and metric 1
// (decimal). A last line without its line feed, or that cannot be read, is a write that was cut
// short and is ignored; anything else that cannot be read makes the whole file unreadable.

#include <cstdint>
#include <string>
#include <vector>

#include "vpn/ip_helper.h"

// What identifies one added route to the clean-up: it is removed only if the table still holds
// a row with exactly these values.
struct CJournalRoute
{
    uint32_t Destination = 0;
    uint32_t Mask = 0;
    uint32_t NextHop = 0;
    uint32_t InterfaceIndex = 0;
    uint32_t Metric = 0;
};

bool operator==(const CJournalRoute& left, const CJournalRoute& right);
inline bool operator!=(const CJournalRoute& left, const CJournalRoute& right) { return !(left == right); }

CJournalRoute JournalRouteOf(const CRouteRow& row);

// The journal file. The Win32 implementation keeps it in the user's local application data.
class IJournalFile
{
public:
    enum class EReadResult { Missing, Read, Failed };

    virtual ~IJournalFile() = default;
    // The whole file. Failed: it is there but could not be read (or is absurdly large).
    virtual EReadResult Read(std::string& text) = 0;
    // Replaces the whole file at once, on disk when this returns true: a power loss leaves
    // either the old or the new text, never a mix.
    virtual bool Replace(const std::string& text) = 0;
    // true also when there was no file.
    virtual bool Remove() = 0;
};

std::string FormatRouteJournal(const std::vector<CJournalRoute>& routes);

// false: the text is not a journal this program can read (another version, a damaged line);
// nothing may be removed on its account.
bool ParseRouteJournal(const std::string& text, std::vector<CJournalRoute>& routes);

// One connection's side of the journal. Every operation runs under the connection's route lock.
class CRouteJournal
{
public:
    // No file: nothing is journalled.
    void SetFile(IJournalFile* file) { File = file; }
    bool Enabled() const { return File != nullptr; }

    // Before rows are added: the journal lists them, with everything this connection still has in
    // the table, on disk. The first write keeps what an earlier run left in a journal that could
    // not be cleaned up; a journal that cannot be read is never overwritten (support wants it), so
    // this connection goes without one.
    void Record(const std::vector<CRouteRow>& inTable, const std::vector<CRouteRow>& toAdd);
    // Once this connection has written the journal: it lists exactly the rows still in the table
    // (after removal, what could not be taken out), and what an earlier run left; an empty one is
    // deleted.
    void Rewrite(const std::vector<CRouteRow>& inTable);

private:
    bool Write(const std::vector<CRouteRow>& rows);

    IJournalFile* File = nullptr;
    bool Opened = false;   // the file was looked at in this connection
    bool Unusable = false; // a journal we cannot read is in the way
    bool Written = false;
    std::vector<CJournalRoute> Carried; // left by an earlier run
};
