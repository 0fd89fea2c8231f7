// The rasapi32 stand-in through its exports, used the way the program uses them. Each case loads
// its own copy of the DLL from a folder of its own, writes the scenario there and reads the log.

#include <windows.h>

#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/ras_standin/scenario.h"
#include "vpn/ras_api_win32.h" // the program's own layouts of the entry and the connection list

namespace
{

using namespace std::chrono_literals;

struct CNotification
{
    ULONG_PTR CallbackId;
    HRASCONN Handle;
    UINT Message;
    uint32_t State;
    DWORD Error;
};

// What the notifier saw. Like the program, it reads the projection inside the Connected one.
struct CRecorder
{
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<CNotification> Seen;
    DWORD Answer = 1;
    decltype(&::RasGetProjectionInfoW) GetProjection = nullptr;
    DWORD ProjectionResult = 0xFFFFFFFF;
    std::wstring ProjectedAddress;
} Recorder;

DWORD WINAPI Notifier(ULONG_PTR callbackId, DWORD, HRASCONN handle, UINT message,
                      RASCONNSTATE state, DWORD error, DWORD)
{
    const bool up = state == RASCS_Connected && error == 0;
    RASPPPIPW projection{};
    projection.dwSize = sizeof projection;
    DWORD size = sizeof projection;
    const DWORD projected = up ? Recorder.GetProjection(handle, RASP_PppIp, &projection, &size) : 0;
    std::lock_guard<std::mutex> guard(Recorder.Lock);
    Recorder.Seen.push_back({callbackId, handle, message, static_cast<uint32_t>(state), error});
    if (up) {
        Recorder.ProjectionResult = projected;
        Recorder.ProjectedAddress = projection.szIpAddress;
    }
    Recorder.Changed.notify_all();
    return Recorder.Answer;
}

class StandInTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Seen(0ms, true);
        Recorder.Answer = 1;
        wchar_t path[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, path);
        static int folders = 0;
        Folder = std::wstring(path) + L"ras_standin." + std::to_wstring(::GetCurrentProcessId()) +
                 L"." + std::to_wstring(++folders);
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(Folder), ignored);  // an earlier run's
        ASSERT_TRUE(::CreateDirectoryW(Folder.c_str(), nullptr));
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring built = path;
        built = built.substr(0, built.find_last_of(L"\\/") + 1) + L"rasapi32.dll";
        DllPath = Folder + L"\\rasapi32.dll";
        ASSERT_TRUE(::CopyFileW(built.c_str(), DllPath.c_str(), FALSE)) << "no stand-in beside the test";
        Module = ::LoadLibraryW(DllPath.c_str());
        ASSERT_NE(nullptr, Module);
        ASSERT_TRUE(Resolve(SetEntry, "RasSetEntryPropertiesW") && Resolve(Dial, "RasDialW") &&
                    Resolve(HangUp, "RasHangUpW") && Resolve(Enumerate, "RasEnumConnectionsW") &&
                    Resolve(GetProjection, "RasGetProjectionInfoW") &&
                    Resolve(Statistics, "RasGetConnectionStatistics") &&
                    Resolve(ErrorString, "RasGetErrorStringW"));
        Recorder.GetProjection = GetProjection;
        // Wine hands out its own rasapi32 under the requested path unless told otherwise; only
        // the stand-in writes a log.
        wchar_t text[256];
        ErrorString(691, text, 256);
        ASSERT_FALSE(Log().empty()) << "not the stand-in: WINEDLLOVERRIDES needs rasapi32=n";
        ::DeleteFileW((Folder + L"\\rasapi32.log").c_str());
    }

    void TearDown() override
    {
        if (Module) {
            ::FreeLibrary(Module);
            // A dial's worker keeps the DLL loaded until it ends, which must be soon.
            bool unloaded = false;
            for (int i = 0; i < 100 && !unloaded; ++i) {
                unloaded = ::GetModuleHandleW(DllPath.c_str()) == nullptr;
                std::this_thread::sleep_for(unloaded ? 0ms : 20ms);
            }
            EXPECT_TRUE(unloaded) << "the DLL stayed loaded";
        }
        // Everything the stand-in wrote goes too (its line file as well): Wine hands out process
        // ids again, and a later run must find no folder of that name.
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(Folder), ignored);
    }

    template <typename Function>
    bool Resolve(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(
            reinterpret_cast<void*>(::GetProcAddress(Module, name)));
        return function != nullptr;
    }

    void WriteScenario(const std::string& text, std::ios::openmode mode = std::ios::trunc)
    {
        std::ofstream(std::filesystem::path(Folder + L"\\rasapi32.scenario"), std::ios::binary | mode)
            << text;
    }

    std::string Log() const
    {
        std::ifstream file(std::filesystem::path(Folder + L"\\rasapi32.log"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    // The entry as the program writes it: the Windows 2000 layout.
    DWORD WriteEntry(DWORD size = sizeof(CRasEntryW2000))
    {
        std::vector<unsigned char> buffer(sizeof(RASENTRYW));
        auto* entry = reinterpret_cast<CRasEntryW2000*>(buffer.data());
        entry->dwSize = size;
        wcscpy(entry->szLocalPhoneNumber, L"127.0.0.5");
        wcscpy(entry->szDeviceType, RASDT_Vpn);
        wcscpy(entry->szDeviceName, L"Korvex");
        entry->dwType = RASET_Vpn;
        entry->dwVpnStrategy = VS_PptpOnly;
        return SetEntry(nullptr, L"Korvex", reinterpret_cast<RASENTRYW*>(entry), size, nullptr, 0);
    }

    DWORD StartDial(HRASCONN& handle, const wchar_t* password = L"demo", DWORD notifierType = 2,
                    DWORD size = sizeof(RASDIALPARAMSW), const wchar_t* entry = L"Korvex")
    {
        RASDIALPARAMSW params{};
        params.dwSize = size;
        wcscpy(params.szEntryName, entry);
        wcscpy(params.szPhoneNumber, L"127.0.0.5");
        wcscpy(params.szCallbackNumber, L"*");
        wcscpy(params.szUserName, L"demo");
        wcscpy(params.szPassword, password);
        params.dwCallbackId = 77;
        handle = nullptr;
        return Dial(nullptr, nullptr, &params, notifierType, reinterpret_cast<LPVOID>(&Notifier),
                    &handle);
    }

    // The notifications so far, once the dial connected or failed or the time is up.
    static std::vector<CNotification> Seen(std::chrono::milliseconds limit = 3s, bool clear = false)
    {
        std::unique_lock<std::mutex> guard(Recorder.Lock);
        Recorder.Changed.wait_for(guard, limit, [] {
            return !Recorder.Seen.empty() &&
                   (Recorder.Seen.back().State == RASCS_Connected || Recorder.Seen.back().Error != 0);
        });
        const std::vector<CNotification> seen = Recorder.Seen;
        if (clear)
            Recorder.Seen.clear();
        return seen;
    }

    HRASCONN Connect()
    {
        Seen(0ms, true);
        HRASCONN handle = nullptr;
        EXPECT_EQ(0u, WriteEntry());
        EXPECT_EQ(0u, StartDial(handle));
        const std::vector<CNotification> seen = Seen();
        EXPECT_TRUE(!seen.empty() && seen.back().State == RASCS_Connected && seen.back().Error == 0);
        return handle;
    }

    // The handles RasEnumConnectionsW lists, read the way the program reads them.
    std::vector<HRASCONN> Listed()
    {
        std::vector<CRasConnectionW2000> buffer(4);
        buffer[0].dwSize = sizeof(CRasConnectionW2000);
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof buffer[0]);
        DWORD count = 0;
        EXPECT_EQ(0u, Enumerate(reinterpret_cast<RASCONNW*>(buffer.data()), &bytes, &count));
        std::vector<HRASCONN> handles;
        for (DWORD i = 0; i < count && i < buffer.size(); ++i) {
            EXPECT_STREQ(L"Korvex", buffer[i].szEntryName);
            handles.push_back(buffer[i].hrasconn);
        }
        return handles;
    }

    DWORD ReadStatistics(HRASCONN handle, DWORD& sent, DWORD& received)
    {
        RAS_STATS statistics{};
        statistics.dwSize = sizeof statistics;
        const DWORD result = Statistics(handle, &statistics);
        sent = statistics.dwBytesXmited;
        received = statistics.dwBytesRcved;
        return result;
    }

    DWORD ReadStatistics(HRASCONN handle)
    {
        DWORD sent;
        DWORD received;
        return ReadStatistics(handle, sent, received);
    }

    std::wstring Folder;
    std::wstring DllPath;
    HMODULE Module = nullptr;
    decltype(&::RasSetEntryPropertiesW) SetEntry = nullptr;
    decltype(&::RasDialW) Dial = nullptr;
    decltype(&::RasHangUpW) HangUp = nullptr;
    decltype(&::RasEnumConnectionsW) Enumerate = nullptr;
    decltype(&::RasGetProjectionInfoW) GetProjection = nullptr;
    decltype(&::RasGetConnectionStatistics) Statistics = nullptr;
    decltype(&::RasGetErrorStringW) ErrorString = nullptr;
};

constexpr DWORD InvalidHandle = ERROR_INVALID_HANDLE;

TEST_F(StandInTest, DialPassesTheStatesToConnectedAndHangsUp)
{
    WriteScenario("delay_ms=20\n");
    ASSERT_EQ(0u, WriteEntry());
    HRASCONN handle = nullptr;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(0u, StartDial(handle, L"Pa55-secret-word"));
    const std::vector<CNotification> seen = Seen();
    EXPECT_GE(std::chrono::steady_clock::now() - started, 9 * 18ms); // nine gaps of delay_ms

    std::vector<uint32_t> states;
    for (const CNotification& notification : seen) {
        states.push_back(notification.State);
        EXPECT_EQ(77u, notification.CallbackId);
        EXPECT_EQ(handle, notification.Handle);
        EXPECT_EQ(static_cast<UINT>(WM_RASDIALEVENT), notification.Message);
        EXPECT_EQ(0u, notification.Error);
    }
    EXPECT_EQ((std::vector<uint32_t>{RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice,
                                     RASCS_DeviceConnected, RASCS_AllDevicesConnected,
                                     RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,
                                     RASCS_Authenticated, RASCS_Connected}),
              states);
    EXPECT_EQ(0u, Recorder.ProjectionResult);
    EXPECT_EQ(L"10.255.0.2", Recorder.ProjectedAddress);
    EXPECT_EQ(std::vector<HRASCONN>{handle}, Listed());

    EXPECT_EQ(0u, HangUp(handle));
    EXPECT_TRUE(Listed().empty());
    EXPECT_EQ(InvalidHandle, HangUp(handle));
    EXPECT_EQ(InvalidHandle, ReadStatistics(handle));

    const std::string log = Log();
    for (const char* expected :
         {"RasSetEntryPropertiesW entry=Korvex phonebook=default size=", " server=127.0.0.5 ",
          " device=vpn/Korvex ", " strategy=pptp ",
          "RasDialW entry=Korvex phone=127.0.0.5 callback_number=* user=demo password=*** ",
          "callback_id=77 notifier=2 result=0 handle=0x10001\n",
          "notify handle=0x10001 state=0 OpenPort error=0\n",
          "notify handle=0x10001 state=8192 Connected error=0\n",
          "RasGetProjectionInfoW handle=0x10001 projection=PppIp address=10.255.0.2 ",
          "RasHangUpW handle=0x10001 phase=connected state=Connected result=0\n"})
        EXPECT_NE(std::string::npos, log.find(expected)) << expected << "\nin\n" << log;
    EXPECT_EQ(std::string::npos, log.find("Pa55")) << log;
}

TEST_F(StandInTest, FailedDialReportsItsErrorWhereWindowsDoes)
{
    const struct
    {
        const char* Scenario;
        uint32_t LastState;
        DWORD Error;
    } cases[] = {
        {"result=691", RASCS_AuthNotify, 691},
        {"result=800", RASCS_ConnectDevice, 800},
        {"result=619\nfail_state=Connected", RASCS_Connected, 619},
    };
    ASSERT_EQ(0u, WriteEntry());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Scenario);
        Seen(0ms, true);
        WriteScenario(std::string("delay_ms=5\n") + c.Scenario);
        HRASCONN handle = nullptr;
        ASSERT_EQ(0u, StartDial(handle)); // the dial starts; its failure goes to the notifier
        const std::vector<CNotification> seen = Seen();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(c.LastState, seen.back().State);
        EXPECT_EQ(c.Error, seen.back().Error);
        EXPECT_EQ(0u, seen[seen.size() - 2].Error);
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(seen.size(), Seen(0ms).size()) << "a notification after the failure";
        EXPECT_TRUE(Listed().empty());
        EXPECT_EQ(InvalidHandle, ReadStatistics(handle));
        EXPECT_EQ(0u, HangUp(handle)); // the handle still has to be given back
    }
}

TEST_F(StandInTest, StatisticsGrowInTheDirectionsTrafficNames)
{
    WriteScenario("delay_ms=5\n");
    const HRASCONN handle = Connect();
    const struct
    {
        const char* Traffic;
        bool SentGrows;
        bool ReceivedGrows;
    } cases[] = {{"off", false, false}, {"on", true, true}, {"send", true, false}, {"receive", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Traffic);
        WriteScenario(std::string("traffic=") + c.Traffic + "\n");
        DWORD sentBefore = 0;
        DWORD receivedBefore = 0;
        ASSERT_EQ(0u, ReadStatistics(handle, sentBefore, receivedBefore));
        std::this_thread::sleep_for(250ms);
        DWORD sent = 0;
        DWORD received = 0;
        ASSERT_EQ(0u, ReadStatistics(handle, sent, received));
        EXPECT_EQ(c.SentGrows, sent > sentBefore);
        EXPECT_EQ(c.ReceivedGrows, received > receivedBefore);
        EXPECT_LE(sent, sentBefore + 4096u); // a few KB per second, no more
        EXPECT_LE(received, receivedBefore + 8192u);
    }
    EXPECT_EQ(0u, HangUp(handle));
}

TEST_F(StandInTest, DroppedLineFailsAndLeavesTheList)
{
    const struct
    {
        const char* Scenario;
        const char* Appended; // once connected
        std::chrono::milliseconds Wait;
        const char* Logged;
    } cases[] = {
        {"drop_after_s=0.3\n", "", 500ms, " reason=drop_after_s\n"},
        {"", "drop_now=1\n", 0ms, " reason=drop_now\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Logged);
        WriteScenario(std::string("delay_ms=5\n") + c.Scenario);
        const HRASCONN handle = Connect();
        ASSERT_EQ(0u, ReadStatistics(handle));
        std::this_thread::sleep_for(60ms); // the file's time stamp must come after the connection
        WriteScenario(c.Appended, std::ios::app);
        std::this_thread::sleep_for(c.Wait);

        EXPECT_EQ(InvalidHandle, ReadStatistics(handle));
        RASPPPIPW projection{};
        projection.dwSize = sizeof projection;
        DWORD size = sizeof projection;
        EXPECT_EQ(InvalidHandle, GetProjection(handle, RASP_PppIp, &projection, &size));
        EXPECT_TRUE(Listed().empty());
        EXPECT_EQ(0u, HangUp(handle));
        EXPECT_NE(std::string::npos, Log().find(c.Logged));
        EXPECT_NE(std::string::npos, Log().find(" phase=dropped "));
    }
    // drop_now drops the lines that were up when it was written, not the next one.
    std::this_thread::sleep_for(100ms);
    const HRASCONN handle = Connect();
    EXPECT_EQ(0u, ReadStatistics(handle));
    EXPECT_EQ(0u, HangUp(handle));
}

TEST_F(StandInTest, HangUpWhileDiallingEndsTheNotifications)
{
    WriteScenario("delay_ms=150\n");
    ASSERT_EQ(0u, WriteEntry());
    HRASCONN handle = nullptr;
    ASSERT_EQ(0u, StartDial(handle));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(0u, HangUp(handle));
    const size_t count = Seen(0ms).size();
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(count, Seen(0ms).size());
    EXPECT_TRUE(Listed().empty());
    EXPECT_NE(std::string::npos, Log().find(" phase=dialling "));
}

TEST_F(StandInTest, NotifierAnsweringZeroStopsNotificationsNotTheDial)
{
    WriteScenario("delay_ms=5\n");
    Recorder.Answer = 0;
    ASSERT_EQ(0u, WriteEntry());
    HRASCONN handle = nullptr;
    ASSERT_EQ(0u, StartDial(handle));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(1u, Seen(0ms).size());
    EXPECT_EQ(std::vector<HRASCONN>{handle}, Listed());
    EXPECT_EQ(0u, ReadStatistics(handle));
    EXPECT_EQ(0u, HangUp(handle));
}

TEST_F(StandInTest, RefusesTheSizesAndCallsWindowsRefuses)
{
    const DWORD goodEntries[] = {sizeof(CRasEntryW2000), sizeof(RASENTRYW)};
    for (DWORD size : goodEntries)
        EXPECT_EQ(0u, WriteEntry(size)) << size;
    const DWORD badEntries[] = {sizeof(CRasEntryW2000) - 4, 0};
    for (DWORD size : badEntries)
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SIZE), WriteEntry(size)) << size;

    HRASCONN handle = nullptr;
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY),
              StartDial(handle, L"demo", 2, sizeof(RASDIALPARAMSW), L"Other"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), StartDial(handle, L"demo", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SIZE),
              StartDial(handle, L"demo", 2, sizeof(RASDIALPARAMSW) + 8));
    WriteScenario("dial_return=633\nentry_result=5\n");
    EXPECT_EQ(633u, StartDial(handle));
    EXPECT_EQ(nullptr, handle);
    EXPECT_EQ(5u, WriteEntry());
}

TEST_F(StandInTest, ListAndProjectionAskForTheRoomTheyNeed)
{
    WriteScenario("delay_ms=5\n");
    const HRASCONN handle = Connect();
    CRasConnectionW2000 one{};
    one.dwSize = sizeof one;
    DWORD bytes = 0;
    DWORD count = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL),
              Enumerate(reinterpret_cast<RASCONNW*>(&one), &bytes, &count));
    EXPECT_EQ(sizeof one, bytes);
    one.dwSize += 2;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SIZE),
              Enumerate(reinterpret_cast<RASCONNW*>(&one), &bytes, &count));

    const struct
    {
        DWORD StructureSize;
        DWORD Room;
        DWORD Result;
        DWORD RoomAfter;
    } projections[] = {
        {sizeof(RASPPPIPW), sizeof(RASPPPIPW), 0, sizeof(RASPPPIPW)},
        {40, 40, 0, 40}, // NT 3.5: no server address, no option words
        {sizeof(RASPPPIPW), 40, ERROR_BUFFER_TOO_SMALL, sizeof(RASPPPIPW)},
        {12, sizeof(RASPPPIPW), ERROR_INVALID_SIZE, sizeof(RASPPPIPW)},
    };
    for (const auto& c : projections) {
        SCOPED_TRACE(c.StructureSize);
        RASPPPIPW projection{};
        projection.dwSize = c.StructureSize;
        DWORD room = c.Room;
        EXPECT_EQ(c.Result, GetProjection(handle, RASP_PppIp, &projection, &room));
        EXPECT_EQ(c.RoomAfter, room);
        EXPECT_EQ(c.Result == 0 ? L"10.255.0.2" : L"", std::wstring(projection.szIpAddress));
    }
    RASPPPIPW projection{};
    projection.dwSize = sizeof projection;
    DWORD room = sizeof projection;
    EXPECT_EQ(static_cast<DWORD>(ERROR_PROTOCOL_NOT_CONFIGURED),
              GetProjection(handle, RASP_PppIpx, &projection, &room));
    EXPECT_EQ(0u, HangUp(handle));
}

TEST_F(StandInTest, ErrorStringsAsWindowsGivesThem)
{
    const struct
    {
        UINT Code;
        DWORD Room;
        DWORD Result;
        const wchar_t* Text;
    } cases[] = {
        {691, 256, 0, L"拒绝访问，因为用户名和/或密码在此域上无效。"},
        {6, 256, 0, L"句柄无效。"},
        {650, 256, 0, L"远程访问错误 650。"}, // every RAS error has a text
        {691, 5, ERROR_INSUFFICIENT_BUFFER, L""},
        {12345, 256, ERROR_INVALID_PARAMETER, L""},
    };
    for (const auto& c : cases) {
        wchar_t text[256] = {};
        EXPECT_EQ(c.Result, ErrorString(c.Code, text, c.Room)) << c.Code;
        EXPECT_STREQ(c.Text, text) << c.Code;
    }
}

TEST(StandInScenario, ReadsKeysAndReportsWhatItCannotUse)
{
    const struct
    {
        const char* Text;
        uint32_t Result;
        uint32_t DelayMs;
        bool Sent;
        bool Received;
        double DropAfter;
        const char* Address;
        const char* Problem;
    } cases[] = {
        {"", 0, 20, false, false, -1, "10.255.0.2", nullptr},
        {"result=691\r\ndelay_ms=300\r\n", 691, 300, false, false, -1, "10.255.0.2", nullptr},
        {"# comment\n  traffic = send \n", 0, 20, true, false, -1, "10.255.0.2", nullptr},
        {"traffic=RECEIVE", 0, 20, false, true, -1, "10.255.0.2", nullptr},
        {"traffic=on\ndrop_after_s=2.5", 0, 20, true, true, 2.5, "10.255.0.2", nullptr},
        {"tunnel_address=10.1.2.3", 0, 20, false, false, -1, "10.1.2.3", nullptr},
        {"tunnel_address=10.1.2", 0, 20, false, false, -1, "10.255.0.2", "line 1: not a dotted IPv4 address"},
        {"tunnel_address=1.2.3.456", 0, 20, false, false, -1, "10.255.0.2", "line 1: not a dotted IPv4 address"},
        {"\nbogus=1", 0, 20, false, false, -1, "10.255.0.2", "line 2: unknown key"},
        {"result 691", 0, 20, false, false, -1, "10.255.0.2", "line 1: no '='"},
        {"delay_ms=70000", 0, 20, false, false, -1, "10.255.0.2", "line 1: not 0 to 60000"},
        {"result=-1", 0, 20, false, false, -1, "10.255.0.2", "line 1: not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const CScenario scenario = ParseScenario(c.Text);
        EXPECT_EQ(c.Result, scenario.Result);
        EXPECT_EQ(c.DelayMs, scenario.DelayMs);
        EXPECT_EQ(c.Sent, scenario.TrafficSent);
        EXPECT_EQ(c.Received, scenario.TrafficReceived);
        EXPECT_DOUBLE_EQ(c.DropAfter, scenario.DropAfterSeconds);
        EXPECT_EQ(c.Address, scenario.TunnelAddress);
        EXPECT_EQ(c.Problem ? std::vector<std::string>{c.Problem} : std::vector<std::string>{},
                  scenario.Problems);
    }
}

TEST(StandInScenario, FailingDialStopsAtTheStateOfItsError)
{
    const struct
    {
        const char* Text;
        size_t Steps;
        uint32_t Last;
    } cases[] = {
        {"", 10, DialState::Connected},
        {"result=691", 7, DialState::AuthNotify},
        {"result=734", 6, DialState::Authenticate},
        {"result=800", 3, DialState::ConnectDevice},
        {"result=691\nfail_state=authenticated", 9, DialState::Authenticated},
        {"result=691\nfail_state=8193", 7, DialState::AuthNotify}, // Disconnected: not on the way
        {"fail_state=ConnectDevice", 10, DialState::Connected},   // no failure, no stop
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const std::vector<uint32_t> steps = DialSteps(ParseScenario(c.Text));
        ASSERT_EQ(c.Steps, steps.size());
        EXPECT_EQ(c.Last, steps.back());
    }
}

} // namespace
