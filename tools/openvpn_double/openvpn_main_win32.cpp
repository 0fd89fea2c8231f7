// openvpn.exe double: plays an OpenVPN 2.1 console session from the scenario beside it, as the
// client sees it through the merged stdout/stderr pipe. It never opens a socket or a device.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/openvpn_double/console_texts.h"
#include "tools/openvpn_double/double_files_win32.h"
#include "tools/openvpn_double/options.h"
#include "tools/openvpn_double/scenario.h"

namespace
{

// How a connection attempt ended.
enum class EEnd
{
    ExitEvent,   // the --service event was signalled
    Fatal,       // already printed with "Exiting"
    AuthFailure, // the server refused the credentials
    SoftRestart, // what --remap-usr1 SIGTERM turns into an exit
};

void Write(DWORD stream, const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), text.data(), static_cast<DWORD>(text.size()), &written,
                nullptr);
}

CLineTime Now()
{
    FILETIME utc;
    FILETIME local;
    SYSTEMTIME time;
    ::GetSystemTimeAsFileTime(&utc);
    ::FileTimeToLocalFileTime(&utc, &local);
    ::FileTimeToSystemTime(&local, &time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = local.dwLowDateTime;
    ticks.HighPart = local.dwHighDateTime;
    CLineTime line;
    line.Year = time.wYear;
    line.Month = time.wMonth;
    line.Day = time.wDay;
    line.Weekday = time.wDayOfWeek;
    line.Hour = time.wHour;
    line.Minute = time.wMinute;
    line.Second = time.wSecond;
    line.Microseconds = static_cast<long>(ticks.QuadPart / 10 % 1000000);
    return line;
}

std::string Checked(const std::optional<std::string>& expected, const std::string& answer,
                    bool& accepted)
{
    if (!expected)
        return "unchecked";
    accepted = accepted && *expected == answer;
    return *expected == answer ? "1" : "0";
}

class COpenVpnDouble
{
public:
    COpenVpnDouble(const COptions& options, const CDoubleScenario& scenario)
        : Options(options), Scenario(scenario)
    {
    }

    ~COpenVpnDouble()
    {
        if (ExitEvent)
            ::CloseHandle(ExitEvent);
    }

    COpenVpnDouble(const COpenVpnDouble&) = delete;
    COpenVpnDouble& operator=(const COpenVpnDouble&) = delete;

    int Run()
    {
        if (Options.Verb >= 4)
            for (const std::string& line : ParameterDump(Options))
                Line(line);
        Line(Banner());
        if (Options.Service) {
            // Opened or created, like the real program: the client may have made it already.
            ExitEvent = ::CreateEventW(nullptr, TRUE, FALSE, Wide(Options.ServiceEvent).c_str());
            if (ExitEvent && ::WaitForSingleObject(ExitEvent, 0) == WAIT_OBJECT_0) {
                Fatal("ERROR: Exit Event ('" + Options.ServiceEvent + "') is signaled");
                return Exit(1, "exit_event_at_start");
            }
        }
        if (Scenario.Outcome == EOutcome::ExitAtOnce)
            return Exit(static_cast<int>(Scenario.ExitCode), "exit_at_once");

        bool accepted = true;
        bool proxyAccepted = true;
        if ((Options.AuthUserPass &&
             !AskPair("Auth", "auth", Scenario.ExpectUser, Scenario.ExpectPassword, accepted)) ||
            (Options.HttpProxyStdin &&
             !AskPair("HTTP Proxy", "http_proxy", Scenario.ExpectProxyUser,
                      Scenario.ExpectProxyPassword, proxyAccepted)) ||
            (Options.SocksProxyStdin &&
             !AskPair("SOCKS Proxy", "socks_proxy", Scenario.ExpectProxyUser,
                      Scenario.ExpectProxyPassword, proxyAccepted)))
            return Exit(1, "stdin_closed");

        if (!Options.Ca.empty() && !FileExists(Wide(Options.Ca))) {
            Fatal("Cannot load CA certificate file " + Options.Ca);
            return Exit(1, "no_ca_file");
        }
        const std::string mtu = std::to_string(Options.TunMtu);
        if ((Options.TlsClient &&
             !Say("WARNING: No server certificate verification method has been enabled.  See "
                  "http://openvpn.net/howto.html#mitm for more info.")) ||
            (Options.NullCipher &&
             !Say("******* WARNING *******: null cipher specified, no encryption will be used")) ||
            (Options.TunMtu != 1500 && Options.Proto == "udp" &&
             !Say("WARNING: normally if you use --mssfix and/or --fragment, you should also set "
                  "--tun-mtu 1500 (currently it is " + mtu + ")")))
            return SignalledExit();

        for (;;) {
            std::string reason;
            switch (Session(accepted, reason)) {
            case EEnd::ExitEvent:
                return SignalledExit();
            case EEnd::Fatal:
                return Exit(1, "fatal");
            case EEnd::AuthFailure:
                Line("SIGTERM[soft,auth-failure] received, process exiting");
                return Exit(0, "auth_failure");
            case EEnd::SoftRestart:
                break;
            }
            if (Options.RemapUsr1ToSigterm) {
                Line("SIGTERM[soft," + reason + "] received, process exiting");
                return Exit(0, reason);
            }
            Log("restart reason=" + reason);
            if (!Say("SIGUSR1[soft," + reason + "] received, process restarting"))
                return SignalledExit();
        }
    }

private:
    void Line(const std::string& message)
    {
        Write(STD_OUTPUT_HANDLE, Timestamp(Now(), Options.Verb) + " " + message + "\n");
    }

    void Fatal(const std::string& message)
    {
        Line(message);
        Line("Exiting");
    }

    EEnd FatalEnd(const std::string& message)
    {
        Fatal(message);
        return EEnd::Fatal;
    }

    int Exit(int code, const std::string& reason)
    {
        Log("exit code=" + std::to_string(code) + " reason=" + reason);
        return code;
    }

    int SignalledExit()
    {
        Line("SIGTERM[hard,] received, process exiting");
        return Exit(0, "exit_event");
    }

    // Waits, watching the exit event; false when it ends us.
    bool Pause(DWORD milliseconds)
    {
        if (!ExitEvent || EventIgnored) {
            ::Sleep(milliseconds);
            return true;
        }
        if (::WaitForSingleObject(ExitEvent, milliseconds) != WAIT_OBJECT_0)
            return true;
        if (!Scenario.IgnoreExitEvent) {
            Log("exit_event signalled");
            return false;
        }
        // A manual-reset event stays signalled: stop waiting on it, or we would spin.
        Log("exit_event ignored");
        EventIgnored = true;
        return true;
    }

    // A log line of the session, then the scenario's pause.
    bool Say(const std::string& message)
    {
        Line(message);
        return Pause(Scenario.DelayMs);
    }

    // Packet marks exist at --verb 5 only.
    bool Marks(const char* marks)
    {
        if (Options.Verb == 5)
            Write(STD_ERROR_HANDLE, marks);
        return Pause(Scenario.DelayMs);
    }

    // One prompt, one read of at most 128 bytes: an answer written before its prompt, or split
    // over several writes, is misread exactly as the real program misreads it.
    bool Ask(const std::string& prompt, const std::string& what, bool secret, std::string& raw)
    {
        Write(STD_ERROR_HANDLE, prompt);
        char buffer[128];
        DWORD read = 0;
        if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) ||
            read == 0) {
            Log("stdin_closed prompt=" + what);
            return false;
        }
        raw.assign(buffer, read);
        if (secret)
            Write(STD_ERROR_HANDLE, "\r\n");
        return true;
    }

    // "Enter <kind> Username:" and "... Password:". False (fatal printed) when stdin ended.
    bool AskPair(const std::string& kind, const std::string& logName,
                 const std::optional<std::string>& expectedUser,
                 const std::optional<std::string>& expectedPassword, bool& accepted)
    {
        std::string raw;
        if (!Ask("Enter " + kind + " Username:", logName + "_username", false, raw)) {
            Fatal("ERROR: could not read " + kind + " username from stdin");
            return false;
        }
        const std::string user = AnsiToUtf8(StripLineEnd(raw));
        Log("answer " + logName + "_username bytes=" + std::to_string(raw.size()) +
            " user=" + EscapeForLog(user));
        Checked(expectedUser, user, accepted);
        if (!Ask("Enter " + kind + " Password:", logName + "_password", true, raw)) {
            Fatal("ERROR: could not read " + kind + " password from stdin");
            return false;
        }
        const std::string ok = Checked(expectedPassword, AnsiToUtf8(StripLineEnd(raw)), accepted);
        Log("answer " + logName + "_password bytes=" + std::to_string(raw.size()) + " ok=" + ok);
        return true;
    }

    EEnd Session(bool accepted, std::string& reason)
    {
        const size_t adapters = AdapterCount(Scenario);
        // Without --pull the adapter is opened before the link.
        if (!Options.Pull && adapters == 0)
            return FatalEnd(NoTapAdapterText);
        const std::string port = std::to_string(Options.Port);
        if (Scenario.Outcome == EOutcome::BindFailed)
            return FatalEnd("TCP/UDP: Socket bind failed on local address [undef]:" + port +
                            ": Address already in use (WSAEADDRINUSE) (errno=10048)");

        const std::string remote =
            Options.Remote.empty()
                ? std::string("[undef]")
                : Options.Remote + ":" + std::to_string(Options.RemotePortOrDefault());
        bool going = true;
        if (Options.Proto == "udp") {
            going = Say("UDPv4 link local (bound): [undef]:" + port) &&
                    Say("UDPv4 link remote: " + remote);
        } else {
            const std::string hop =
                Options.HttpProxy.empty()
                    ? remote
                    : Options.HttpProxy + ":" + std::to_string(Options.HttpProxyPort);
            going = Say("Attempting to establish TCP connection with " + hop) &&
                    Say("TCP connection established with " + hop) &&
                    Say("TCPv4_CLIENT link local: [undef]") &&
                    Say("TCPv4_CLIENT link remote: " + hop);
        }
        if (!going)
            return EEnd::ExitEvent;

        if (Scenario.Outcome == EOutcome::TlsError) {
            reason = "tls-error";
            // Nothing comes back: written packets only.
            return Marks("WWW") &&
                           Say("TLS Error: TLS key negotiation failed to occur within 60 seconds "
                               "(check your network connectivity)") &&
                           Say("TLS Error: TLS handshake failed")
                       ? EEnd::SoftRestart
                       : EEnd::ExitEvent;
        }
        if (!(Marks("WRWRW") &&
              Say("TLS: Initial packet from " + remote + ", " +
                  SessionId(::GetCurrentProcessId())) &&
              Say("[server] Peer Connection Initiated with " + remote) &&
              (!Options.Pull || Say("SENT CONTROL [server]: 'PUSH_REQUEST' (status=1)"))))
            return EEnd::ExitEvent;
        if (!accepted || Scenario.Outcome == EOutcome::AuthFailed) {
            Log("auth_failed by=" +
                std::string(Scenario.Outcome == EOutcome::AuthFailed ? "scenario" : "answers"));
            return Say("AUTH: Received AUTH_FAILED control message") ? EEnd::AuthFailure
                                                                     : EEnd::ExitEvent;
        }
        if (Options.Pull && !Say(PushReply(Scenario)))
            return EEnd::ExitEvent;
        if (adapters == 0)
            return FatalEnd(NoTapAdapterText);
        const std::string guid = AdapterGuid(0);
        if (!Say("TAP-WIN32 device [" + AdapterName(0) + "] opened: \\\\.\\Global\\" + guid +
                 ".tap") ||
            (Options.Pull && !Say(DhcpNotice(Scenario, guid))))
            return EEnd::ExitEvent;

        Log("connected address=" + Scenario.Address + " netmask=" + Scenario.Netmask +
            " gateway=" + (Scenario.RouteGateway.empty() ? "none" : Scenario.RouteGateway));
        Line(Scenario.InitWithErrors ? "Initialization Sequence Completed With Errors ( see "
                                       "http://openvpn.net/faq.html#dhcpclientserv )"
                                     : "Initialization Sequence Completed");
        return Connected(reason);
    }

    // Up until the exit event or the scenario's drop.
    EEnd Connected(std::string& reason)
    {
        const DWORD started = ::GetTickCount();
        const double dropMs = Scenario.DropAfterSeconds * 1000.0;
        for (;;) {
            DWORD tick = 250;
            if (Scenario.DropAfterSeconds >= 0) {
                const double elapsed = static_cast<double>(::GetTickCount() - started);
                if (elapsed >= dropMs) {
                    char seconds[32];
                    std::snprintf(seconds, sizeof seconds, "%g", Scenario.DropAfterSeconds);
                    Log(std::string("dropped after_s=") + seconds);
                    reason = "ping-restart";
                    return Say("[server] Inactivity timeout (--ping-restart), restarting")
                               ? EEnd::SoftRestart
                               : EEnd::ExitEvent;
                }
                tick = std::min<DWORD>(tick, static_cast<DWORD>(dropMs - elapsed) + 1);
            }
            if (!Pause(tick))
                return EEnd::ExitEvent;
            if (Scenario.Packets && Options.Verb == 5)
                Write(STD_ERROR_HANDLE, "rWRw");
        }
    }

    const COptions& Options;
    const CDoubleScenario& Scenario;
    HANDLE ExitEvent = nullptr;
    bool EventIgnored = false;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const CDoubleScenario scenario = StartDouble("openvpn");
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Utf8(argv[i]));

    COptions options;
    const std::string error = ParseOptions(arguments, options);
    // --show-adapters acts where it stands, before a later option could fail.
    if (options.ShowAdapters) {
        const size_t count = AdapterCount(scenario);
        Write(STD_OUTPUT_HANDLE, AdapterListing(count));
        Log("show_adapters count=" + std::to_string(count));
        Log("exit code=0 reason=show_adapters");
        return 0;
    }
    if (!error.empty()) {
        Write(STD_OUTPUT_HANDLE, "Options error: " + error + "\nUse --help for more information.\n");
        Log("options_error " + error);
        Log("exit code=1 reason=options_error");
        return 1;
    }
    return COpenVpnDouble(options, scenario).Run();
}
