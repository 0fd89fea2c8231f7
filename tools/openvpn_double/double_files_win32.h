#pragma once

#include "tools/doubles_common/utf8_win32.h"
// The files the two doubles share beside themselves: the scenario a test writes, the log it
// reads, and the marker recording the TAP adapters that the tapinstall double installed.

#include <windows.h>

#include <cstddef>
#include <string>

#include "tools/openvpn_double/scenario.h"

constexpr const wchar_t* ScenarioFileName = L"openvpn_double.scenario";
constexpr const wchar_t* LogFileName = L"openvpn_double.log";
constexpr const wchar_t* AdapterMarkerFileName = L"tap_installed";

std::wstring BesideProgram(const std::wstring& fileName);
bool FileExists(const std::wstring& path);
// The whole file, at most 64 KB; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

// Logs "<program> start pid=N", the raw command line and what the scenario did not understand,
// and returns the scenario. Every later Log line carries the same program name.
CDoubleScenario StartDouble(const char* program);
void Log(const std::string& line);

// TAP adapters present under the scenario: its adapter key, else the marker's count.
size_t AdapterCount(const CDoubleScenario& scenario);

std::wstring Wide(const std::string& utf8);
// Bytes the client wrote in the ANSI code page, as UTF-8.
std::string AnsiToUtf8(const std::string& bytes);
