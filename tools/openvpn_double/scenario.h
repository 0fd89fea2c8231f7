#pragma once
// What the openvpn.exe and tapinstall.exe doubles are to play, read from
// openvpn_double.scenario beside them when they start: plain "key=value" lines, blanks trimmed,
// '#' or ';' starting a comment line. Portable: no <windows.h>, so the parsing is the same
// wherever it is tested.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How far the connection gets.
enum class EOutcome
{
    Connected,  // through "Initialization Sequence Completed"
    AuthFailed, // the server refuses the credentials after the TLS handshake
    TlsError,   // the handshake never completes
    BindFailed, // local port taken: fatal before anything is sent
    ExitAtOnce, // ends right after the version banner with ExitCode
};

// Whether a TAP adapter exists. Auto: as many as the tapinstall double installed.
enum class EAdapter
{
    Auto,
    Present,
    Absent,
};

struct CDoubleScenario
{
    EOutcome Outcome = EOutcome::Connected; // outcome
    uint32_t DelayMs = 20;                  // delay_ms: between two log lines while connecting
    std::string Address = "10.8.0.6";       // ifconfig: the pushed address ...
    std::string Netmask = "255.255.255.0";  // ... and netmask
    std::string RouteGateway = "10.8.0.1";  // route_gateway; empty (none) pushes no gateway
    bool Packets = true;                    // packets: R/W/r/w marks while connected (--verb 5)
    bool IgnoreExitEvent = false;           // ignore_exit_event: the caller has to terminate us
    double DropAfterSeconds = -1;           // drop_after_s: the peer goes silent; below 0 never
    EAdapter Adapter = EAdapter::Auto;      // adapter
    bool InitWithErrors = false;            // init_with_errors: "... Completed With Errors (...)"
    uint32_t ExitCode = 1;                  // exit_code: of outcome=exit_at_once
    // Checked answers; a wrong account answer makes the server refuse it.
    std::optional<std::string> ExpectUser;          // expect_user
    std::optional<std::string> ExpectPassword;      // expect_password
    std::optional<std::string> ExpectProxyUser;     // expect_proxy_user
    std::optional<std::string> ExpectProxyPassword; // expect_proxy_password
    uint32_t TapinstallResult = 0;   // tapinstall_result: 0 done, 1 reboot needed, 2 failure
    uint32_t TapinstallDelayMs = 100; // tapinstall_delay_ms: how long the installation takes

    // Lines that were not understood, "line N: why"; they are otherwise ignored.
    std::vector<std::string> Problems;
};

CDoubleScenario ParseDoubleScenario(const std::string& text);
