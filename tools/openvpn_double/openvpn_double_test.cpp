// The openvpn.exe and tapinstall.exe doubles, started the way the client starts them: hidden,
// stdout and stderr merged into one pipe, answers written to stdin. Each case runs copies of
// the doubles in a folder of its own with the component files beside them.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tools/openvpn_double/console_texts.h"
#include "tools/openvpn_double/double_files_win32.h"
#include "tools/openvpn_double/scenario.h"

namespace
{

using namespace std::chrono_literals;

constexpr DWORD StillRunning = STILL_ACTIVE;

// A child with the client's console plumbing, and a reader thread collecting what it prints.
class CChild
{
public:
    explicit CChild(const std::wstring& commandLine)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE outputWrite = nullptr;
        HANDLE inputRead = nullptr;
        if (!::CreatePipe(&OutputRead, &outputWrite, &inherit, 0) ||
            !::CreatePipe(&inputRead, &InputWrite, &inherit, 0))
            return;
        ::SetHandleInformation(OutputRead, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(InputWrite, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = inputRead;
        startup.hStdOutput = outputWrite;
        startup.hStdError = outputWrite;
        std::wstring line = commandLine;
        Started = ::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                   nullptr, nullptr, &startup, &Process) != FALSE;
        ::CloseHandle(outputWrite);
        ::CloseHandle(inputRead);
        if (Started)
            Reader = std::thread([this] { Read(); });
    }

    ~CChild()
    {
        if (Started) {
            if (::WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(Process.hProcess, 99);
            ::WaitForSingleObject(Process.hProcess, 5000);
            Reader.join();
            ::CloseHandle(Process.hThread);
            ::CloseHandle(Process.hProcess);
        }
        CloseInput();
        if (OutputRead)
            ::CloseHandle(OutputRead);
    }

    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    bool IsStarted() const { return Started; }

    void Write(const std::string& bytes)
    {
        DWORD written = 0;
        ::WriteFile(InputWrite, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    void CloseInput()
    {
        if (InputWrite)
            ::CloseHandle(InputWrite);
        InputWrite = nullptr;
    }

    bool WaitFor(const std::string& text, std::chrono::milliseconds limit = 5s)
    {
        std::unique_lock<std::mutex> guard(Lock);
        return Changed.wait_for(guard, limit, [&] {
            return Output.find(text) != std::string::npos || Ended;
        }) && Output.find(text) != std::string::npos;
    }

    std::string Text()
    {
        std::lock_guard<std::mutex> guard(Lock);
        return Output;
    }

    // The exit code once it ended and all its output is in, or StillRunning.
    DWORD WaitExit(std::chrono::milliseconds limit = 5s)
    {
        if (::WaitForSingleObject(Process.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
            return StillRunning;
        std::unique_lock<std::mutex> guard(Lock);
        Changed.wait_for(guard, 2s, [this] { return Ended; });
        DWORD code = StillRunning;
        ::GetExitCodeProcess(Process.hProcess, &code);
        return code;
    }

private:
    void Read()
    {
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(OutputRead, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            std::lock_guard<std::mutex> guard(Lock);
            Output.append(buffer, read);
            Changed.notify_all();
        }
        std::lock_guard<std::mutex> guard(Lock);
        Ended = true;
        Changed.notify_all();
    }

    bool Started = false;
    PROCESS_INFORMATION Process{};
    HANDLE OutputRead = nullptr;
    HANDLE InputWrite = nullptr;
    std::thread Reader;
    std::mutex Lock;
    std::condition_variable Changed;
    std::string Output;
    bool Ended = false;
};

// Each fragment must follow the one before it.
::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& fragments)
{
    size_t position = 0;
    for (const std::string& fragment : fragments) {
        const size_t found = text.find(fragment, position);
        if (found == std::string::npos)
            return ::testing::AssertionFailure()
                   << "missing, or out of order: \"" << fragment << "\"\nin:\n" << text;
        position = found + fragment.size();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Lacks(const std::string& text, const std::vector<std::string>& fragments)
{
    for (const std::string& fragment : fragments)
        if (text.find(fragment) != std::string::npos)
            return ::testing::AssertionFailure() << "unexpected \"" << fragment << "\"\nin:\n" << text;
    return ::testing::AssertionSuccess();
}

size_t Occurrences(const std::string& text, const std::string& fragment)
{
    size_t count = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
        ++count;
    return count;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class OpenVpnDoubleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Folder = MakeFolder();
        EventName = L"KORVEX_OPENVPN_EXIT_test." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                    std::to_wstring(Made.size() + Unmade);
    }

    void TearDown() override
    {
        for (const std::wstring& folder : Made) {
            std::error_code ignored;
            std::filesystem::remove_all(std::filesystem::path(folder), ignored);
        }
        Unmade += Made.size();
        Made.clear();
    }

    // A folder like the client's openvpn\ one: both doubles and the component files.
    std::wstring MakeFolder()
    {
        wchar_t path[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, path);
        const std::wstring folder = std::wstring(path) + L"openvpn_double." +
                                    std::to_wstring(::GetCurrentProcessId()) + L"." +
                                    std::to_wstring(Made.size() + Unmade + 1) + L"\\";
        EXPECT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
        Made.push_back(folder);
        for (const wchar_t* program : {L"openvpn.exe", L"tapinstall.exe"})
            EXPECT_TRUE(::CopyFileW(BesideProgram(program).c_str(), (folder + program).c_str(), FALSE))
                << "no " << Utf8(program) << " beside the test";
        for (const wchar_t* fixture : {L"ca.crt", L"tap_korvex.inf", L"tap_korvex.sys"})
            WriteFile(fixture, "test fixture\n", folder);
        return folder;
    }

    void WriteFile(const std::wstring& name, const std::string& text, std::wstring folder = L"")
    {
        folder = folder.empty() ? Folder : folder;
        std::ofstream(std::filesystem::path(folder + name), std::ios::binary | std::ios::trunc) << text;
    }

    std::string Log() const
    {
        std::ifstream file(std::filesystem::path(Folder + LogFileName), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string FolderUtf8() const { return Utf8(Folder); }

    // The line the client builds, with the folder ending in a backslash and no proxy.
    std::wstring ClientLine(const std::string& extra = "") const
    {
        return L"\"" + Folder + L"openvpn.exe\" --remote 127.0.0.5 --dev tap --proto udp --port 80 "
                                L"--auth-user-pass  --pull --ca \"" + Folder +
               L"\\ca.crt\" --tls-client --service " + EventName +
               L" --remap-usr1 SIGTERM --verb 5 --cipher none --tun-mtu 1400" + Wide(extra);
    }

    std::wstring Program(const wchar_t* name, const std::string& arguments) const
    {
        return L"\"" + Folder + name + L"\" " + Wide(arguments);
    }

    // Waits for each prompt and answers it, as the client does.
    static void Answer(CChild& child, const std::string& user, const std::string& password)
    {
        ASSERT_TRUE(child.WaitFor("Enter Auth Username:")) << child.Text();
        child.Write(user + "\n");
        ASSERT_TRUE(child.WaitFor("Enter Auth Password:")) << child.Text();
        child.Write(password + "\n");
    }

    std::wstring Folder; // the case's
    std::wstring EventName;
    std::vector<std::wstring> Made;
    size_t Unmade = 0; // folders made and removed: names are never reused
};

// ---- scenario file

TEST(OpenVpnDoubleScenario, ProblemsAreReportedByLineAndValuesKept)
{
    const struct
    {
        const char* Text;
        const char* Problem; // "" for none
    } cases[] = {
        {"outcome=maybe", "line 1: not connected, auth_failed, tls_error, bind_failed or exit_at_once"},
        {"delay_ms=60001", "line 1: not 0 to 60000"},
        {"ifconfig=10.8.0.6", "line 1: not an address and a netmask"},
        {"route_gateway=10.8.0", "line 1: not a dotted IPv4 address or none"},
        {"# comment\n\nbogus=1", "line 3: unknown key"},
        {"packets", "line 1: no '='"},
        {"tapinstall_result=3", "line 1: not 0, 1 or 2"},
        {"Outcome = TLS_ERROR\r\nifconfig=10.9.0.10 \t255.255.255.252", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const CDoubleScenario scenario = ParseDoubleScenario(c.Text);
        if (*c.Problem)
            EXPECT_EQ(std::vector<std::string>{c.Problem}, scenario.Problems);
        else
            EXPECT_TRUE(scenario.Problems.empty());
    }
    const CDoubleScenario kept =
        ParseDoubleScenario("outcome=tls_error\nifconfig=10.9.0.10  255.255.255.252\n"
                            "route_gateway=none\nexpect_password=\ndrop_after_s=1.5\n");
    EXPECT_EQ(EOutcome::TlsError, kept.Outcome);
    EXPECT_EQ("10.9.0.10", kept.Address);
    EXPECT_EQ("255.255.255.252", kept.Netmask);
    EXPECT_EQ("", kept.RouteGateway);
    ASSERT_TRUE(kept.ExpectPassword.has_value());
    EXPECT_EQ("", *kept.ExpectPassword); // an empty password is still checked
    EXPECT_FALSE(kept.ExpectUser.has_value());
    EXPECT_DOUBLE_EQ(1.5, kept.DropAfterSeconds);
}

// ---- a session on the client's command line

TEST_F(OpenVpnDoubleTest, SessionsEndAsTheScenarioSays)
{
    const std::vector<std::string> connected = {
        "Enter Auth Username:", "Enter Auth Password:\r\n",
        " WARNING: No server certificate verification method has been enabled.  See "
        "http://openvpn.net/howto.html#mitm for more info.\n",
        " ******* WARNING *******: null cipher specified, no encryption will be used\n",
        " WARNING: normally if you use --mssfix and/or --fragment, you should also set --tun-mtu "
        "1500 (currently it is 1400)\n",
        " UDPv4 link local (bound): [undef]:80\n", " UDPv4 link remote: 127.0.0.5:80\n",
        " TLS: Initial packet from 127.0.0.5:80, sid=",
        " [server] Peer Connection Initiated with 127.0.0.5:80\n",
        " SENT CONTROL [server]: 'PUSH_REQUEST' (status=1)\n",
        " PUSH: Received control message: 'PUSH_REPLY,route-gateway 10.8.0.1,ping 10,ping-restart "
        "120,ifconfig 10.8.0.6 255.255.255.0'\n",
        " TAP-WIN32 device [Local Area Connection 2] opened: \\\\.\\Global\\" + AdapterGuid(0) + ".tap\n",
        " Notified TAP-Win32 driver to set a DHCP IP/netmask of 10.8.0.6/255.255.255.0 on interface " +
            AdapterGuid(0) + " [DHCP-serv: 10.8.0.0, lease-time: 31536000]\n",
        " Initialization Sequence Completed\n", " SIGTERM[hard,] received, process exiting\n"};
    const std::vector<std::string> refused = {
        " [server] Peer Connection Initiated with 127.0.0.5:80\n",
        " SENT CONTROL [server]: 'PUSH_REQUEST' (status=1)\n",
        " AUTH: Received AUTH_FAILED control message\n",
        " SIGTERM[soft,auth-failure] received, process exiting\n"};
    const struct
    {
        const char* Name;
        const char* Scenario;
        const char* Password;
        bool Prompts;
        std::vector<std::string> InOrder;
        std::vector<std::string> Absent;
        bool SignalWhenUp; // set the exit event after "Initialization Sequence Completed"
        DWORD ExitCode;
        const char* Logged;
    } cases[] = {
        {"connected", "", "secret", true, connected, {"AUTH_FAILED", "Exiting"}, true, 0,
         "openvpn exit code=0 reason=exit_event\n"},
        {"right password", "expect_user=demo\nexpect_password=secret", "secret", true, connected,
         {"AUTH_FAILED"}, true, 0, "openvpn answer auth_password bytes=7 ok=1\n"},
        {"pushed values", "ifconfig=10.9.0.10 255.255.255.252\nroute_gateway=none\ninit_with_errors=1",
         "secret", true,
         {"'PUSH_REPLY,ping 10,ping-restart 120,ifconfig 10.9.0.10 255.255.255.252'\n",
          "of 10.9.0.10/255.255.255.252 on interface " + AdapterGuid(0) + " [DHCP-serv: 10.9.0.8,",
          " Initialization Sequence Completed With Errors ( see "
          "http://openvpn.net/faq.html#dhcpclientserv )\n"},
         {"route-gateway"}, true, 0, "openvpn connected address=10.9.0.10 netmask=255.255.255.252 gateway=none\n"},
        {"refused by the scenario", "outcome=auth_failed", "secret", true, refused,
         {"PUSH_REPLY", "Initialization Sequence Completed"}, false, 0,
         "openvpn auth_failed by=scenario\n"},
        {"wrong password", "expect_user=demo\nexpect_password=right", "wrong", true, refused,
         {"PUSH_REPLY", "Initialization Sequence Completed", "wrong"}, false, 0,
         "openvpn answer auth_password bytes=6 ok=0\nopenvpn auth_failed by=answers\n"},
        {"TLS error", "outcome=tls_error", "secret", true,
         {" UDPv4 link remote: 127.0.0.5:80\n",
          " TLS Error: TLS key negotiation failed to occur within 60 seconds (check your network "
          "connectivity)\n",
          " TLS Error: TLS handshake failed\n", " SIGTERM[soft,tls-error] received, process exiting\n"},
         {"Peer Connection Initiated", "TLS: Initial packet"}, false, 0,
         "openvpn exit code=0 reason=tls-error\n"},
        {"dropped", "drop_after_s=0.3", "secret", true,
         {" Initialization Sequence Completed\n",
          " [server] Inactivity timeout (--ping-restart), restarting\n",
          " SIGTERM[soft,ping-restart] received, process exiting\n"},
         {"SIGUSR1"}, false, 0, "openvpn dropped after_s=0.3"},
        {"no TAP adapter", "adapter=absent", "secret", true,
         {" PUSH: Received control message: 'PUSH_REPLY,", std::string(" ") + NoTapAdapterText + "\n",
          " Exiting\n"},
         {"TAP-WIN32 device", "Initialization Sequence Completed"}, false, 1,
         "openvpn exit code=1 reason=fatal\n"},
        {"port taken", "outcome=bind_failed", "secret", true,
         {"Enter Auth Password:\r\n",
          " TCP/UDP: Socket bind failed on local address [undef]:80: Address already in use", " Exiting\n"},
         {"link remote"}, false, 1, "openvpn exit code=1 reason=fatal\n"},
        {"exit at once", "outcome=exit_at_once\nexit_code=7", "", false,
         {" OpenVPN 2.1.4 i686-pc-mingw32 [SSL] [LZO2] built on "}, {"Enter Auth"}, false, 7,
         "openvpn exit code=7 reason=exit_at_once\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        WriteFile(ScenarioFileName, std::string("delay_ms=1\nadapter=present\n") + c.Scenario + "\n");
        HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, EventName.c_str());
        ASSERT_NE(nullptr, event);
        {
            CChild child(ClientLine());
            ASSERT_TRUE(child.IsStarted());
            if (c.Prompts)
                Answer(child, "demo", c.Password);
            if (c.SignalWhenUp) {
                ASSERT_TRUE(child.WaitFor("Initialization Sequence Completed")) << child.Text();
                ::SetEvent(event);
            }
            EXPECT_EQ(c.ExitCode, child.WaitExit()) << child.Text();
            const std::string output = child.Text();
            EXPECT_TRUE(InOrder(output, c.InOrder));
            EXPECT_TRUE(Lacks(output, c.Absent));
        }
        ::CloseHandle(event);
        const std::string log = Log();
        EXPECT_TRUE(InOrder(log, {"openvpn command_line " + Utf8(ClientLine()) + "\n", c.Logged}));
        EXPECT_TRUE(Lacks(log, {"scenario line", "secret", "password="}));
    }
}

TEST_F(OpenVpnDoubleTest, LinesCarryCtimeStampsAndMarksComeAtVerbFiveOnly)
{
    const std::regex stamped(
        "^(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
        "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] 2[0-9]{3}( us=[1-9][0-9]{0,5})? ");
    const struct
    {
        const char* Options;
        const char* Packets;
        bool Dump;
        bool Microseconds; // " us=N" after the time
        bool HandshakeMarks;
        bool TunnelMarks;
    } cases[] = {
        {"--verb 5", "on", true, true, true, true},
        {"--verb 5", "off", true, true, true, false},
        {"--verb 4", "on", true, true, false, false},
        {"--verb 3", "on", false, false, false, false},
    };
    // Side by side, a folder and an event each: the tunnel's ticks are waited for once.
    struct CRun
    {
        std::wstring Event;
        std::unique_ptr<CChild> Child;
    };
    std::vector<CRun> runs;
    for (const auto& c : cases) {
        const std::wstring folder = MakeFolder();
        WriteFile(ScenarioFileName, std::string("delay_ms=1\nadapter=present\npackets=") + c.Packets, folder);
        const std::wstring event = EventName + L"." + std::to_wstring(runs.size());
        runs.push_back({event, std::make_unique<CChild>(
                                   L"\"" + folder + L"openvpn.exe\" --remote 127.0.0.5 --port 80 "
                                   L"--auth-user-pass --pull --service " + event + L" " + Wide(c.Options))});
    }
    for (CRun& run : runs) {
        Answer(*run.Child, "demo", "secret");
        ASSERT_TRUE(run.Child->WaitFor("Initialization Sequence Completed\n")) << run.Child->Text();
    }
    std::this_thread::sleep_for(450ms); // a tick or two of the connected tunnel
    for (CRun& run : runs) {
        HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, run.Event.c_str());
        ASSERT_NE(nullptr, event);
        ::SetEvent(event);
        ::CloseHandle(event);
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(std::string(c.Options) + " packets=" + c.Packets);
        EXPECT_EQ(0u, runs[i].Child->WaitExit());
        const std::string output = runs[i].Child->Text();

        size_t lines = 0;
        bool microseconds = false;
        for (size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = output.substr(start, end - start);
            if (line.rfind("Enter Auth", 0) == 0)
                continue; // the prompts, and the password's CR LF
            line.erase(0, line.find_first_not_of("RWrw")); // marks run into the next line
            EXPECT_TRUE(std::regex_search(line, stamped)) << line;
            // "Tue Nov 09 17:42:10 2010" is 24 characters.
            microseconds = microseconds || line.compare(24, 4, " us=") == 0;
            ++lines;
        }
        EXPECT_GE(lines, 10u);
        // Every line has a 1-in-a-million chance of a zero count, which omits it.
        EXPECT_EQ(c.Microseconds, microseconds);
        EXPECT_EQ(c.Dump, output.find(" Current Parameter Settings:\n") != std::string::npos);
        EXPECT_EQ(c.Dump, output.find(" Initial packet") > output.find("  remote = '127.0.0.5'\n"));
        EXPECT_EQ(c.HandshakeMarks, output.find("WRWRW") != std::string::npos);
        const size_t up = output.find("Initialization Sequence Completed\n");
        EXPECT_EQ(c.TunnelMarks, output.find("rWRw", up) != std::string::npos);
    }
}

// ---- prompts

TEST_F(OpenVpnDoubleTest, EachPromptTakesOneReadOfWhatIsThere)
{
    const std::string longName(130, 'a');
    const std::string closed = "(closed)"; // closes stdin instead of writing
    const struct
    {
        const char* Name;
        // Bytes written once the prompt is there; "" as prompt: at once, before any.
        std::vector<std::pair<std::string, std::string>> Writes;
        std::vector<std::string> Logged;
        const char* End;
    } cases[] = {
        {"one answer per prompt",
         {{"Enter Auth Username:", "demo\n"}, {"Enter Auth Password:", "secret\n"}},
         {"openvpn answer auth_username bytes=5 user=demo\n", "openvpn answer auth_password bytes=7 ok=1\n"},
         "Enter Auth Password:\r\n"},
        {"CR LF stripped",
         {{"Enter Auth Username:", "demo\r\n"}, {"Enter Auth Password:", "secret\r\n"}},
         {"openvpn answer auth_username bytes=6 user=demo\n", "openvpn answer auth_password bytes=8 ok=1\n"},
         "Initialization Sequence Completed\n"},
        {"both answers before the prompt",
         {{"", "demo\nsecret\n"}, {"Enter Auth Password:", "secret\n"}},
         {"openvpn answer auth_username bytes=12 user=demo\\nsecret\n",
          "openvpn answer auth_password bytes=7 ok=1\n"},
         "AUTH_FAILED"},
        {"answer split over two writes",
         {{"Enter Auth Username:", "de"}, {"Enter Auth Password:", "mo\n"}},
         {"openvpn answer auth_username bytes=2 user=de\n", "openvpn answer auth_password bytes=3 ok=0\n"},
         "AUTH_FAILED"},
        {"answer longer than one read",
         {{"Enter Auth Username:", longName + "\n"}},
         {"openvpn answer auth_username bytes=128 user=" + longName.substr(0, 128) + "\n",
          "openvpn answer auth_password bytes=3 ok=0\n"},
         "AUTH_FAILED"},
        {"stdin closed",
         {{"Enter Auth Username:", "demo\n"}, {"Enter Auth Password:", closed}},
         {"openvpn answer auth_username bytes=5 user=demo\n", "openvpn stdin_closed prompt=auth_password\n",
          "openvpn exit code=1 reason=stdin_closed\n"},
         " ERROR: could not read Auth password from stdin\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        WriteFile(ScenarioFileName, "delay_ms=1\nadapter=present\nexpect_user=demo\nexpect_password=secret\n");
        CChild child(ClientLine());
        for (const auto& [prompt, bytes] : c.Writes) {
            if (!prompt.empty()) {
                ASSERT_TRUE(child.WaitFor(prompt)) << child.Text();
                std::this_thread::sleep_for(50ms);
                const std::string output = child.Text();
                // Nothing follows a prompt until it is answered: no blank, no newline.
                ASSERT_EQ(prompt, output.substr(output.size() - std::min(output.size(), prompt.size())));
            }
            if (bytes == closed)
                child.CloseInput();
            else
                child.Write(bytes);
        }
        EXPECT_TRUE(child.WaitFor(c.End)) << child.Text();
        // The double logs its exit after its last words on the console: where the exit is
        // expected, read the log once the double has ended.
        if (c.Logged.back().rfind("openvpn exit ", 0) == 0)
            child.WaitExit();
        const std::string log = Log();
        EXPECT_TRUE(InOrder(log, c.Logged));
        EXPECT_EQ(1u, Occurrences(log, "openvpn answer auth_username "));
        EXPECT_TRUE(Lacks(log, {"=secret", "=mo"}));
    }
}

TEST_F(OpenVpnDoubleTest, ProxyPromptsFollowTheAccountPrompts)
{
    const struct
    {
        const char* Options;
        const char* Kind;
        const char* LogName;
        const char* Link;
    } cases[] = {
        {"--proto tcp-client --http-proxy 127.0.0.9 8080 stdin", "HTTP Proxy", "http_proxy",
         " Attempting to establish TCP connection with 127.0.0.9:8080\n"},
        {"--proto udp --socks-proxy 127.0.0.9 1080 stdin", "SOCKS Proxy", "socks_proxy",
         " UDPv4 link remote: 127.0.0.5:80\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Kind);
        TearDown();
        SetUp();
        WriteFile(ScenarioFileName,
                  "delay_ms=1\nadapter=present\nexpect_proxy_user=puser\nexpect_proxy_password=ppass\n");
        CChild child(Program(L"openvpn.exe", std::string("--remote 127.0.0.5 --port 80 --auth-user-pass "
                                                         "--pull --verb 3 ") + c.Options));
        Answer(child, "demo", "secret");
        const std::string kind = c.Kind;
        ASSERT_TRUE(child.WaitFor("Enter " + kind + " Username:")) << child.Text();
        child.Write("puser\n");
        ASSERT_TRUE(child.WaitFor("Enter " + kind + " Password:")) << child.Text();
        child.Write("wrong\n");
        EXPECT_TRUE(child.WaitFor("Initialization Sequence Completed")) << child.Text();
        EXPECT_TRUE(InOrder(child.Text(), {"Enter Auth Username:", "Enter Auth Password:\r\n",
                                           "Enter " + kind + " Username:",
                                           "Enter " + kind + " Password:\r\n", c.Link}));
        const std::string name = c.LogName;
        EXPECT_TRUE(InOrder(Log(), {"openvpn answer auth_password bytes=7 ok=unchecked\n",
                                    "openvpn answer " + name + "_username bytes=6 user=puser\n",
                                    "openvpn answer " + name + "_password bytes=6 ok=0\n"}));
    }
}

// ---- the exit event

TEST_F(OpenVpnDoubleTest, ExitEventEndsItUnlessIgnoredOrAlreadySet)
{
    const struct
    {
        const char* Name;
        const char* Scenario;
        bool SetBeforeStart;
        const char* SetAfter; // output to wait for before setting it
        DWORD ExitCode;       // StillRunning: still running well after the event
        std::vector<std::string> InOrder;
        std::vector<std::string> Absent;
        const char* Logged;
    } cases[] = {
        {"set when up", "", false, "Initialization Sequence Completed\n", 0,
         {" Initialization Sequence Completed\n", " SIGTERM[hard,] received, process exiting\n"},
         {"Exiting"}, "openvpn exit_event signalled\nopenvpn exit code=0 reason=exit_event\n"},
        {"set while connecting", "delay_ms=100", false, "Peer Connection Initiated", 0,
         {" Peer Connection Initiated", " SIGTERM[hard,] received, process exiting\n"},
         {"Initialization Sequence Completed"}, "openvpn exit code=0 reason=exit_event\n"},
        {"ignored", "ignore_exit_event=1", false, "Initialization Sequence Completed\n", StillRunning,
         {" Initialization Sequence Completed\n", "rWRw"}, {"SIGTERM["}, "openvpn exit_event ignored\n"},
        {"set before the start", "", true, "", 1,
         {" ERROR: Exit Event ('$EVENT') is signaled\n", " Exiting\n"}, {"Enter Auth"},
         "openvpn exit code=1 reason=exit_event_at_start\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        WriteFile(ScenarioFileName, std::string("delay_ms=1\nadapter=present\n") + c.Scenario + "\n");
        HANDLE event = ::CreateEventW(nullptr, TRUE, c.SetBeforeStart, EventName.c_str());
        ASSERT_NE(nullptr, event);
        {
            CChild child(ClientLine());
            if (!c.SetBeforeStart) {
                Answer(child, "demo", "secret");
                ASSERT_TRUE(child.WaitFor(c.SetAfter)) << child.Text();
                ::SetEvent(event);
            }
            EXPECT_EQ(c.ExitCode, child.WaitExit(c.ExitCode == StillRunning ? 600ms : 5000ms))
                << child.Text();
            std::vector<std::string> expected;
            for (const std::string& fragment : c.InOrder)
                expected.push_back(Replaced(fragment, "$EVENT", Utf8(EventName)));
            EXPECT_TRUE(InOrder(child.Text(), expected));
            EXPECT_TRUE(Lacks(child.Text(), c.Absent));
        } // a double still running is terminated here, as the client's destructor does
        ::CloseHandle(event);
        EXPECT_TRUE(InOrder(Log(), {c.Logged}));
    }
}

// ---- TAP adapters and their installation

TEST_F(OpenVpnDoubleTest, ShowAdaptersListsWhatIsInstalled)
{
    const std::string header = "Available TAP-WIN32 adapters [name, GUID]:\n";
    const std::string first = "'Local Area Connection 2' " + AdapterGuid(0) + "\n";
    const std::string second = "'Local Area Connection 3' " + AdapterGuid(1) + "\n";
    const struct
    {
        const char* Scenario;
        const char* Marker; // nullptr: no marker file
        std::string Output;
    } cases[] = {
        {"", nullptr, header},
        {"adapter=present", nullptr, header + first},
        {"adapter=auto", "one\n", header + first},
        {"", "one\n\ntwo\n", header + first + second},
        {"adapter=absent", "one\n", header},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Scenario) + " marker: " + (c.Marker ? c.Marker : "none"));
        ::DeleteFileW((Folder + AdapterMarkerFileName).c_str());
        if (c.Marker)
            WriteFile(AdapterMarkerFileName, c.Marker);
        WriteFile(ScenarioFileName, c.Scenario);
        CChild child(L"\"" + Folder + L"openvpn.exe\" --show-adapters");
        EXPECT_EQ(0u, child.WaitExit());
        EXPECT_EQ(c.Output, child.Text());
    }
}

TEST_F(OpenVpnDoubleTest, TapinstallCreatesTheAdapterOpenVpnFinds)
{
    // $DIR: the case's folder, which each case makes anew.
    const std::string inf = "$DIR" "tap_korvex.inf";
    const std::string installed = "Device node created. Install is complete when drivers are installed...\n"
                                  "Updating drivers for tap_korvex from " + inf + ".\n"
                                  "Drivers installed successfully.\n";
    const std::string failed = "tapinstall.exe failed.\n";
    const struct
    {
        const char* Name;
        const char* Scenario;
        std::string Arguments;
        const wchar_t* Removed; // a component file missing, or nullptr
        int Runs;
        std::string Output;
        DWORD ExitCode;
        size_t Adapters;
        const char* Logged;
    } cases[] = {
        {"installed", "", "install \"" + inf + "\" tap_korvex", nullptr, 1, installed, 0, 1,
         "tapinstall exit code=0 reason=installed\n"},
        {"installed twice", "", "install \"" + inf + "\" tap_korvex", nullptr, 2, installed, 0, 2,
         "tapinstall adapter_created count=2\n"},
        {"reboot needed", "tapinstall_result=1", "install \"" + inf + "\" tap_korvex", nullptr, 1,
         installed, 1, 1, "tapinstall exit code=1 reason=reboot_needed\n"},
        {"refused", "tapinstall_result=2", "install \"" + inf + "\" tap_korvex", nullptr, 1, failed, 2,
         0, "tapinstall exit code=2 reason=scenario\n"},
        {"no driver file", "", "install \"" + inf + "\" tap_korvex", L"tap_korvex.sys", 1, failed, 2,
         0, "tapinstall exit code=2 reason=no_sys\n"},
        {"no inf file", "", "install \"" + inf + "\" tap_korvex", L"tap_korvex.inf", 1, failed, 2, 0,
         "tapinstall exit code=2 reason=no_inf\n"},
        {"other hardware id", "", "install \"" + inf + "\" tap0901", nullptr, 1, failed, 2, 0,
         "tapinstall exit code=2 reason=hwid_not_in_inf\n"},
        {"hardware id missing", "", "install \"" + inf + "\"", nullptr, 1,
         "tapinstall.exe: Invalid use of install.\n", 3, 0, "tapinstall exit code=3 reason=usage\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        WriteFile(ScenarioFileName, std::string("tapinstall_delay_ms=0\n") + c.Scenario);
        if (c.Removed) {
            ASSERT_TRUE(::DeleteFileW((Folder + c.Removed).c_str()));
        }
        for (int run = 0; run < c.Runs; ++run) {
            CChild child(Program(L"tapinstall.exe", Replaced(c.Arguments, "$DIR", FolderUtf8())));
            EXPECT_EQ(c.ExitCode, child.WaitExit());
            EXPECT_EQ(Replaced(c.Output, "$DIR", FolderUtf8()), child.Text());
        }
        EXPECT_EQ(c.Adapters, CountAdapters(ReadWholeFile(Folder + AdapterMarkerFileName)));
        if (c.Adapters > 0) {
            CChild listing(L"\"" + Folder + L"openvpn.exe\" --show-adapters");
            EXPECT_EQ(0u, listing.WaitExit());
            const std::string adapters = listing.Text();
            EXPECT_EQ(c.Adapters, static_cast<size_t>(std::count(adapters.begin(), adapters.end(), '{')))
                << adapters;
        }
        EXPECT_TRUE(InOrder(Log(), {"tapinstall command_line \"" + FolderUtf8() + "tapinstall.exe\" " +
                                        Replaced(c.Arguments, "$DIR", FolderUtf8()) + "\n",
                                    c.Logged}));
    }
}

// ---- the command line

TEST_F(OpenVpnDoubleTest, OptionErrorsEndItLikeTheRealProgram)
{
    const std::string help = "\nUse --help for more information.\n";
    const struct
    {
        const char* Arguments;
        std::string Output;
        DWORD ExitCode;
    } cases[] = {
        {"--bogus", "Options error: Unrecognized option or missing parameter(s) in [CMD-LINE]:1: "
                    "bogus (2.1.4)" + help, 1},
        {"--remote 127.0.0.5 --verb", "Options error: Unrecognized option or missing parameter(s) "
                                      "in [CMD-LINE]:3: verb (2.1.4)" + help, 1},
        {"--pull --auth-user-pass pass.txt", "Options error: Unrecognized option or missing "
                                             "parameter(s) in [CMD-LINE]:2: auth-user-pass (2.1.4)" + help, 1},
        {"stray --pull", "Options error: I'm trying to parse \"stray\" as an --option parameter but "
                         "I don't see a leading '--'" + help, 1},
        {"--proto sctp", "Options error: Bad protocol: 'sctp'.  Allowed protocols with --proto option: "
                         "udp tcp-server tcp-client" + help, 1},
        {"--remap-usr1 SIGINT", "Options error: --remap-usr1 parm must be 'SIGHUP' or 'SIGTERM'" + help, 1},
        {"--remote 127.0.0.5 --proto udp --http-proxy 127.0.0.9 8080 stdin",
         "Options error: --http-proxy MUST be used in TCP Client mode (i.e. --proto tcp-client)" + help, 1},
        {"--show-adapters --bogus", "Available TAP-WIN32 adapters [name, GUID]:\n", 0},
        {"--bogus --show-adapters", "Options error: Unrecognized option or missing parameter(s) in "
                                    "[CMD-LINE]:1: bogus (2.1.4)" + help, 1},
    };
    // All at once: they share nothing but the log, which takes whole lines.
    WriteFile(ScenarioFileName, "outcome=exit_at_once\nexit_code=0\n");
    std::vector<std::unique_ptr<CChild>> children;
    for (const auto& c : cases)
        children.push_back(std::make_unique<CChild>(Program(L"openvpn.exe", c.Arguments)));
    // The client's line with the pieces it may append is accepted (the bare line: above).
    const char* const accepted[] = {" --redirect-gateway",
                                    " --redirect-gateway --socks-proxy 127.0.0.9 1080"};
    for (const char* extra : accepted)
        children.push_back(std::make_unique<CChild>(ClientLine(extra)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Arguments);
        EXPECT_EQ(cases[i].ExitCode, children[i]->WaitExit());
        EXPECT_EQ(cases[i].Output, children[i]->Text());
    }
    for (size_t i = 0; i < std::size(accepted); ++i) {
        SCOPED_TRACE(accepted[i]);
        CChild& child = *children[std::size(cases) + i];
        EXPECT_EQ(0u, child.WaitExit());
        EXPECT_TRUE(InOrder(child.Text(), {"  redirect_gateway = ''\n", " OpenVPN 2.1.4 "}));
        EXPECT_TRUE(Lacks(child.Text(), {"Options error"}));
    }
    EXPECT_TRUE(InOrder(Log(), {"openvpn options_error Unrecognized option or missing parameter(s) in "
                                "[CMD-LINE]:1: bogus (2.1.4)\n",
                                "openvpn exit code=1 reason=options_error\n"}));
}

} // namespace
