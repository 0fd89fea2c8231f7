#pragma once

// URL helpers for the requests we send to the service: percent-encoding of query values and
// the split of an http URL into what the socket and the request line need.

#include <cstdint>
#include <string>
#include <string_view>

// Every byte outside A-Z a-z 0-9 - . _ ~ becomes %XX (upper-case hex).
std::string PercentEncode(std::string_view bytes);

// The text's ANSI form, percent-encoded. The result is plain ASCII.
std::wstring PercentEncodeAnsi(std::wstring_view text);

// True if the URL starts with http:// or https://, in any letter case. Only such URLs are handed
// to the shell, which would otherwise run whatever a document names.
bool IsWebUrl(std::wstring_view url);

struct SHttpUrlParts {
    bool valid = false;   // false when there is no host to connect to
    std::string host;     // ANSI bytes, without the port
    uint16_t port = 80;
    std::string target;   // request target, from the first "/" after the host on, unchanged
};

// Splits "http://host[:port]/path". The first 7 characters are taken as the scheme and its
// slashes without looking at them; the port is read like atoi and cut to 16 bits. A URL with no
// "/" after the host asks for "/". Host or target bytes that would break the request (CR, LF,
// NUL) make the URL invalid.
SHttpUrlParts SplitHttpUrl(std::wstring_view url);
