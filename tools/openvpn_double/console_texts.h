#pragma once
// The texts the doubles print and log, built from the options and the scenario. Portable.

#include <cstddef>
#include <string>
#include <vector>

#include "tools/openvpn_double/options.h"
#include "tools/openvpn_double/scenario.h"

// A log line's time, local.
struct CLineTime
{
    int Year = 1970;
    int Month = 1;   // 1 to 12
    int Day = 1;
    int Weekday = 4; // 0 is Sunday
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    long Microseconds = 0;
};

// "Tue Nov 09 17:42:10 2010" (the Windows C library's ctime: day with a leading zero), and
// from --verb 4 on " us=N" when N is not 0.
std::string Timestamp(const CLineTime& time, int verb);

// The adapters the TAP driver installations made, counted from 0.
std::string AdapterName(size_t index); // "Local Area Connection 2", ...
std::string AdapterGuid(size_t index); // in braces
// What --show-adapters prints, every line ending in "\n".
std::string AdapterListing(size_t count);
// Adapters recorded in the tapinstall double's marker file: one non-empty line each.
size_t CountAdapters(const std::string& markerText);
constexpr size_t MaxAdapters = 16;

// The messages of a connection, without timestamp or newline.
std::string Banner();
std::string PushReply(const CDoubleScenario& scenario);
std::string DhcpNotice(const CDoubleScenario& scenario, const std::string& guid);
std::string SessionId(unsigned long seed); // "sid=xxxxxxxx xxxxxxxx"
extern const char* const NoTapAdapterText;

// "Current Parameter Settings:" and one line per option given (--verb 4 and more).
std::vector<std::string> ParameterDump(const COptions& options);

// An answer as read, without its trailing CR and LF (all of them).
std::string StripLineEnd(std::string text);
// Bytes for a one-line log field: backslash, control characters and DEL escaped C-style.
std::string EscapeForLog(const std::string& text);
