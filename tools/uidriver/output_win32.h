// What the driver says: results on stdout, complaints on stderr, both in UTF-8 so that shell
// scripts can compare Chinese texts byte for byte.
#pragma once

#include <string>

// Exit codes of every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,    // the window or value is not there, or the action was refused
    kExitUsage = 2,     // malformed command line
    kExitTimedOut = 3,  // a wait ran out of time
};

void PrintLine(const std::wstring& text);
// Writes "uidriver: <text>" to stderr and returns `code`, for `return Complain(...)`.
int Complain(int code, const std::wstring& text);

std::string ToUtf8(const std::wstring& text);
// Quoted for messages: "text".
std::wstring Quoted(const std::wstring& text);
std::wstring HexHandle(const void* handle);
// "2 s", "0.5 s"
std::wstring SecondsText(double seconds);
