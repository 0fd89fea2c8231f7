#pragma once
// What the rasapi32 stand-in is to play, read from rasapi32.scenario beside it: plain
// "key=value" lines, blanks trimmed, '#' or ';' starting a comment line. Portable: no
// <windows.h>, so the parsing is the same wherever it is tested.

#include <cstdint>
#include <string>
#include <vector>

// Connection states of the dial notifications (RASCONNSTATE), under names of our own: the
// <ras.h> ones are enumerators that would clash.
namespace DialState
{
constexpr uint32_t OpenPort = 0;
constexpr uint32_t PortOpened = 1;
constexpr uint32_t ConnectDevice = 2;
constexpr uint32_t DeviceConnected = 3;
constexpr uint32_t AllDevicesConnected = 4;
constexpr uint32_t Authenticate = 5;
constexpr uint32_t AuthNotify = 6;
constexpr uint32_t AuthProject = 10;
constexpr uint32_t Authenticated = 14;
constexpr uint32_t Connected = 0x2000;
constexpr uint32_t Disconnected = 0x2001;
constexpr uint32_t None = 0xFFFFFFFFu;
}

// "AuthNotify" for 6; the number itself for a state without a name here.
std::string DialStateName(uint32_t state);

struct CScenario
{
    uint32_t Result = 0;                  // result: the dial's outcome, 0 or a RAS error
    uint32_t FailState = DialState::None; // fail_state: where a failing dial stops; None = by code
    uint32_t DelayMs = 20;                // delay_ms: between two notifications
    double DropAfterSeconds = -1;         // drop_after_s: after connecting; below 0 never
    bool DropNow = false;                 // drop_now: the lines up when the file was written drop
    bool TrafficSent = false;             // traffic=on|send
    bool TrafficReceived = false;         // traffic=on|receive
    std::string TunnelAddress = "10.255.0.2"; // tunnel_address: our end of the PPP link
    std::string ServerAddress = "10.255.0.1"; // server_address: the far end
    uint32_t EntryResult = 0;             // entry_result: RasSetEntryPropertiesW answers this
    uint32_t DialReturn = 0;              // dial_return: RasDialW answers this at once

    // Lines that were not understood, "line N: why"; they are otherwise ignored.
    std::vector<std::string> Problems;
};

CScenario ParseScenario(const std::string& text);

// The notifications of a dial under the scenario, in order; the last one carries the error
// (Result), all others 0. A failing dial stops at FailState when that is one of the states a
// successful dial passes, otherwise where Windows reports that kind of error.
std::vector<uint32_t> DialSteps(const CScenario& scenario);
