#include "policy/service_restart.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/fake_service_control.h"

namespace {
using Fake = CFakeServiceControl;
using Arrange = std::function<void(Fake&)>;
using Names = std::vector<std::wstring>;
using States = std::vector<std::pair<std::wstring, uint32_t>>;
namespace state = service_state;

// The calls one service sees: each entry with the service's name after it, sleeps as they are.
Names CallsOf(const std::wstring& name, std::initializer_list<const wchar_t*> calls)
{
    Names expected;
    for (const wchar_t* call : calls) {
        const std::wstring text = call;
        expected.push_back(text.compare(0, 5, L"Sleep") == 0 ? text : text + L" " + name);
    }
    return expected;
}

Names Repeated(const std::wstring& text, size_t times) { return Names(times, text); }

void ExpectStates(Fake& services, const States& expected)
{
    for (const auto& [name, wanted] : expected)
        EXPECT_EQ(services.Service(name).state, wanted) << "state of " << ::testing::PrintToString(name);
}

// A machine where RasMan shares the network services' host with Schedule and Browser, the way
// Windows XP groups them; TapiSrv and Dhcp run in processes of their own.
void StandardMachine(Fake& services)
{
    services.Add(L"Schedule", state::kRunning, L"netsvcs", service_start::kAutomatic);
    services.Add(L"RasMan", state::kRunning, L"netsvcs");
    services.Add(L"TapiSrv", state::kRunning);
    services.Add(L"Browser", state::kStopped, L"netsvcs");
    services.Add(L"Dhcp", state::kRunning, L"", service_start::kAutomatic);
}

// The same with TapiSrv in the shared host too, and Schedule disabled while it runs.
void SharedTapiMachine(Fake& services)
{
    services.Add(L"Schedule", state::kRunning, L"netsvcs", service_start::kDisabled);
    services.Add(L"RasMan", state::kRunning, L"netsvcs");
    services.Add(L"TapiSrv", state::kRunning, L"netsvcs");
    services.Add(L"Browser", state::kStopped, L"netsvcs");
    services.Add(L"Dhcp", state::kRunning, L"", service_start::kAutomatic);
}

// Neither dial-up service running.
void StoppedMachine(Fake& services)
{
    services.Add(L"Schedule", state::kRunning, L"netsvcs", service_start::kAutomatic);
    services.Add(L"RasMan", state::kStopped, L"netsvcs");
    services.Add(L"TapiSrv", state::kStopped);
}
}  // namespace

TEST(ServiceStateTest, MeetsTheMaskBitwiseAndCountsWhatCannotBeReadAsUnknown)
{
    const struct {
        uint32_t state;
        EServiceTest stoppedMask;
        EServiceTest runningMask;
    } cases[] = {
        {state::kStopped, EServiceTest::Met, EServiceTest::NotMet},
        {state::kStartPending, EServiceTest::NotMet, EServiceTest::NotMet},
        {state::kStopPending, EServiceTest::Met, EServiceTest::NotMet},
        {state::kRunning, EServiceTest::NotMet, EServiceTest::Met},
        {state::kContinuePending, EServiceTest::Met, EServiceTest::Met},
        {state::kPausePending, EServiceTest::NotMet, EServiceTest::Met},
        {state::kPaused, EServiceTest::Met, EServiceTest::Met},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        Fake services;
        services.Add(L"RasMan", c.state);
        std::unique_ptr<IServiceManager> manager;
        ASSERT_EQ(services.OpenManager(manager), 0u);
        EXPECT_EQ(TestServiceState(*manager, L"rasman", kMaskStopped), c.stoppedMask);
        EXPECT_EQ(TestServiceState(*manager, L"RasMan", kMaskRunning), c.runningMask);
        manager.reset();
        EXPECT_EQ(services.OpenHandles(), 0u);
    }

    Fake services;
    services.Add(L"RasMan", state::kStopped);
    services.Fail(L"RasMan", Fake::ECall::QueryState, Fake::kAccessDenied);
    std::unique_ptr<IServiceManager> manager;
    ASSERT_EQ(services.OpenManager(manager), 0u);
    for (uint32_t mask : {kMaskStopped, kMaskRunning}) {
        EXPECT_EQ(TestServiceState(*manager, L"RasMan", mask), EServiceTest::Unknown) << "status unreadable";
        EXPECT_EQ(TestServiceState(*manager, L"TapiSrv", mask), EServiceTest::Unknown) << "no such service";
    }
    manager.reset();
    EXPECT_EQ(services.OpenHandles(), 0u);
}

TEST(ServiceStartTest, StartsOnlyAStoppedServiceAndWaitsAtMostTenSecondsForIt)
{
    const std::wstring name = L"Svc";
    const struct {
        const char* name;
        Arrange setup;
        Names calls;
        uint32_t state;
        uint32_t startType;
    } cases[] = {
        {"running: left alone", [](Fake& s) { s.Add(L"Svc", state::kRunning); },
         CallsOf(name, {L"OpenService", L"QueryState", L"CloseService"}), state::kRunning, service_start::kOnDemand},
        {"starting: left alone", [](Fake& s) { s.Add(L"Svc", state::kStartPending); },
         CallsOf(name, {L"OpenService", L"QueryState", L"CloseService"}), state::kStartPending,
         service_start::kOnDemand},
        {"stopped: started and running at the first look", [](Fake& s) { s.Add(L"Svc", state::kStopped); },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"Start", L"QueryState", L"CloseService"}),
         state::kRunning, service_start::kOnDemand},
        {"disabled: set to automatic, then started",
         [](Fake& s) { s.Add(L"Svc", state::kStopped, L"", service_start::kDisabled); },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"ChangeStartType 2", L"Start",
                        L"QueryState", L"CloseService"}),
         state::kRunning, service_start::kAutomatic},
        {"disabled and the change refused: not started",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped, L"", service_start::kDisabled);
             s.Fail(L"Svc", Fake::ECall::ChangeStartType, Fake::kAccessDenied);
         },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"ChangeStartType 2", L"CloseService"}),
         state::kStopped, service_start::kDisabled},
        {"configuration unreadable: not started",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped);
             s.Fail(L"Svc", Fake::ECall::QueryStartType, 122);
         },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"CloseService"}), state::kStopped,
         service_start::kOnDemand},
        {"status unreadable: not started",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped);
             s.Fail(L"Svc", Fake::ECall::QueryState, Fake::kAccessDenied);
         },
         CallsOf(name, {L"OpenService", L"QueryState", L"CloseService"}), state::kStopped, service_start::kOnDemand},
        {"start refused: no waiting",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped);
             s.Fail(L"Svc", Fake::ECall::Start, 1053);
         },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"Start", L"CloseService"}), state::kStopped,
         service_start::kOnDemand},
        {"paused: a start is tried and refused", [](Fake& s) { s.Add(L"Svc", state::kPaused); },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"Start", L"CloseService"}), state::kPaused,
         service_start::kOnDemand},
        {"pending for 2.5 s: polled each second until it runs",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped);
             s.SetStartPending(L"Svc", 2500);
         },
         CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"Start", L"QueryState", L"Sleep 1000",
                        L"QueryState", L"Sleep 1000", L"QueryState", L"Sleep 1000", L"QueryState", L"CloseService"}),
         state::kRunning, service_start::kOnDemand},
        {"never done starting: given up after ten polls",
         [](Fake& s) {
             s.Add(L"Svc", state::kStopped);
             s.SetStartPending(L"Svc", Fake::kForever);
         },
         [&] {
             Names calls = CallsOf(name, {L"OpenService", L"QueryState", L"QueryStartType", L"Start"});
             for (int i = 0; i < 10; ++i) {
                 const Names poll = CallsOf(name, {L"QueryState", L"Sleep 1000"});
                 calls.insert(calls.end(), poll.begin(), poll.end());
             }
             calls.push_back(L"CloseService Svc");
             return calls;
         }(),
         state::kStartPending, service_start::kOnDemand},
        {"unknown: nothing", [](Fake& s) { s.Add(L"Other", state::kStopped); }, {L"OpenService Svc"}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake services;
        c.setup(services);
        std::unique_ptr<IServiceManager> manager;
        ASSERT_EQ(services.OpenManager(manager), 0u);
        services.ClearLog();
        StartServiceIfStopped(services, manager.get(), name);
        EXPECT_EQ(services.Log(), c.calls);
        if (c.state != 0) {
            EXPECT_EQ(services.Service(name).state, c.state);
            EXPECT_EQ(services.Service(name).startType, c.startType);
        }
        manager.reset();
        EXPECT_EQ(services.OpenHandles(), 0u);
    }

    Fake services;
    services.Add(L"Svc", state::kStopped);
    StartServiceIfStopped(services, nullptr, name);
    EXPECT_TRUE(services.Log().empty()) << "without a manager nothing is asked";
}

TEST(ServiceRestartTest, EndsRasMansProcessAndStartsWhatWentDownWithIt)
{
    const struct {
        const char* name;
        Arrange setup;
        bool terminatesRasMan;
        Names starts;                // Start calls, in order, refused ones included
        States after;
        Names keepProcess;           // services whose process must be the one they had before
        size_t managerOpens;
        Names sleeps;
    } cases[] = {
        {"RasMan not running: nothing ended, both started", StoppedMachine, false, {L"TapiSrv", L"RasMan"},
         {{L"RasMan", state::kRunning}, {L"TapiSrv", state::kRunning}, {L"Schedule", state::kRunning}},
         {L"Schedule"}, 2, {}},
        {"TapiSrv in its own process: left running; RasMan's host mates come back", StandardMachine, true,
         {L"RasMan", L"Schedule"},
         {{L"RasMan", state::kRunning}, {L"Schedule", state::kRunning}, {L"TapiSrv", state::kRunning},
          {L"Browser", state::kStopped}},
         {L"TapiSrv", L"Dhcp"}, 2, {}},
        {"TapiSrv in RasMan's process: started again in the after-pass; a disabled mate becomes automatic",
         SharedTapiMachine, true, {L"RasMan", L"Schedule", L"TapiSrv"},
         {{L"RasMan", state::kRunning}, {L"Schedule", state::kRunning}, {L"TapiSrv", state::kRunning},
          {L"Browser", state::kStopped}},
         {L"Dhcp"}, 2, {}},
        {"disabled RasMan: made automatic and started",
         [](Fake& s) {
             s.Add(L"RasMan", state::kStopped, L"netsvcs", service_start::kDisabled);
             s.Add(L"TapiSrv", state::kStopped);
         },
         false, {L"TapiSrv", L"RasMan"}, {{L"RasMan", state::kRunning}, {L"TapiSrv", state::kRunning}}, {}, 2, {}},
        {"names found whatever their case",
         [](Fake& s) {
             s.Add(L"rasman", state::kRunning, L"netsvcs");
             s.Add(L"TAPISRV", state::kStopped);
         },
         true, {L"TAPISRV", L"rasman"}, {{L"rasman", state::kRunning}, {L"TAPISRV", state::kRunning}}, {}, 2, {}},
        {"TapiSrv missing: nothing touched",
         [](Fake& s) { s.Add(L"RasMan", state::kRunning, L"netsvcs"); }, false, {},
         {{L"RasMan", state::kRunning}}, {L"RasMan"}, 1, {}},
        {"manager refused: nothing touched",
         [](Fake& s) {
             StandardMachine(s);
             s.FailManagerOpensFrom(1);
         },
         false, {}, {{L"RasMan", state::kRunning}}, {L"RasMan"}, 1, {}},
        {"no first snapshot: nothing touched",
         [](Fake& s) {
             StandardMachine(s);
             s.FailSnapshotsFrom(1);
         },
         false, {}, {{L"RasMan", state::kRunning}}, {L"RasMan"}, 1, {}},
        {"privilege refused: the restart goes on",
         [](Fake& s) {
             StandardMachine(s);
             s.SetPrivilegeResult(Fake::kNotAllAssigned);
         },
         true, {L"RasMan", L"Schedule"}, {{L"RasMan", state::kRunning}, {L"Schedule", state::kRunning}},
         {L"TapiSrv"}, 2, {}},
        {"manager lost while waiting: nothing is started",
         [](Fake& s) {
             SharedTapiMachine(s);
             s.FailManagerOpensFrom(2);
         },
         true, {}, {{L"RasMan", state::kStopped}, {L"TapiSrv", state::kStopped}}, {L"Dhcp"}, 2, {}},
        {"no fresh snapshot: only RasMan comes back",
         [](Fake& s) {
             SharedTapiMachine(s);
             s.FailSnapshotsFrom(2);
         },
         true, {L"RasMan"}, {{L"RasMan", state::kRunning}, {L"TapiSrv", state::kStopped}, {L"Schedule", state::kStopped}},
         {}, 2, {}},
        {"RasMan's end noticed after 350 ms: polled every 100 ms with a fresh manager",
         [](Fake& s) {
             StandardMachine(s);
             s.SetStopDelay(350);
         },
         true, {L"RasMan", L"Schedule"}, {{L"RasMan", state::kRunning}, {L"Schedule", state::kRunning}},
         {L"TapiSrv"}, 6, Repeated(L"100", 4)},
        {"RasMan's end never noticed: given up after 100 polls, nothing started",
         [](Fake& s) {
             StandardMachine(s);
             s.SetStopDelay(Fake::kForever);
         },
         true, {}, {{L"RasMan", state::kRunning}}, {}, 101, Repeated(L"100", 100)},
        {"a start refused in the first pass is tried again in the second",
         [](Fake& s) {
             SharedTapiMachine(s);
             s.Fail(L"Schedule", Fake::ECall::Start, 1053, 1);
         },
         true, {L"RasMan", L"Schedule", L"TapiSrv", L"Schedule"},
         {{L"Schedule", state::kRunning}, {L"TapiSrv", state::kRunning}}, {}, 2, {}},
        {"a start still pending after ten polls is not repeated in the second pass",
         [](Fake& s) {
             SharedTapiMachine(s);
             s.SetStartPending(L"Schedule", Fake::kForever);
         },
         true, {L"RasMan", L"Schedule", L"TapiSrv"},
         {{L"Schedule", state::kStartPending}, {L"TapiSrv", state::kRunning}}, {}, 2, Repeated(L"1000", 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake services;
        c.setup(services);
        const uint32_t rasManProcess = services.Service(L"RasMan").processId;
        std::vector<std::pair<std::wstring, uint32_t>> processes;
        for (const std::wstring& name : c.keepProcess)
            processes.emplace_back(name, services.Service(name).processId);

        RestartVpnRelatedServices(services);

        ASSERT_FALSE(services.Log().empty());
        EXPECT_EQ(services.Log().front(), L"EnablePrivilege SeDebugPrivilege");
        EXPECT_EQ(services.Calls(L"Terminate "),
                  c.terminatesRasMan ? Names{std::to_wstring(rasManProcess)} : Names{});
        EXPECT_EQ(services.Calls(L"Start "), c.starts);
        ExpectStates(services, c.after);
        for (const auto& [name, process] : processes)
            EXPECT_EQ(services.Service(name).processId, process) << "process of " << ::testing::PrintToString(name);
        EXPECT_EQ(services.Calls(L"OpenManager").size(), c.managerOpens);
        EXPECT_EQ(services.Calls(L"Sleep "), c.sleeps);
        EXPECT_EQ(services.OpenHandles(), 0u) << "every handle closed";
    }
}

TEST(ServiceRestartTest, SharedHostComesBackInOneNewProcess)
{
    Fake services;
    SharedTapiMachine(services);
    const uint32_t before = services.Service(L"RasMan").processId;
    ASSERT_EQ(services.Service(L"TapiSrv").processId, before);

    RestartVpnRelatedServices(services);

    const uint32_t after = services.Service(L"RasMan").processId;
    EXPECT_NE(after, 0u);
    EXPECT_NE(after, before);
    EXPECT_EQ(services.Service(L"TapiSrv").processId, after);
    EXPECT_EQ(services.Service(L"Schedule").processId, after);
    EXPECT_EQ(services.Service(L"Schedule").startType, service_start::kAutomatic) << "left with automatic start";
    EXPECT_EQ(services.Service(L"Browser").processId, 0u) << "was stopped before, stays stopped";
}

TEST(ServiceRestartTest, LeavesAServiceThatIsStillStartingAloneInTheSecondPass)
{
    Fake services;
    SharedTapiMachine(services);
    services.SetStartPending(L"Schedule", Fake::kForever);

    RestartVpnRelatedServices(services);

    EXPECT_EQ(services.Calls(L"OpenService "), (Names{L"RasMan", L"RasMan", L"Schedule", L"TapiSrv"}))
        << "RasMan: the wait and its start; the first pass: Schedule and TapiSrv; the second: nothing";
    EXPECT_EQ(services.Service(L"Schedule").state, state::kStartPending);
}

TEST(ServiceRestartTest, TellsTheUserFirstAndKeepsTheWindowUpThreeSeconds)
{
    const struct {
        const char* name;
        Arrange setup;
        uint32_t firstTick;
        Names sleeps;
    } cases[] = {
        {"restart at once: 3 s", [](Fake& s) { s.Add(L"RasMan", state::kRunning); }, 0, {L"3000"}},
        {"restart of 1 s: 2 s more",
         [](Fake& s) {
             StoppedMachine(s);
             s.SetStartPending(L"RasMan", 700);
         },
         0, {L"1000", L"2000"}},
        {"restart at once just before the tick count wraps around: 3 s",
         [](Fake& s) { s.Add(L"RasMan", state::kRunning); }, 0xFFFFFF00u, {L"3000"}},
        {"restart of 1 s across the tick count's wrap-around: 2 s more",
         [](Fake& s) {
             StoppedMachine(s);
             s.SetStartPending(L"RasMan", 700);
         },
         0xFFFFFE00u, {L"1000", L"2000"}},
        {"restart of 3 s: nothing more",
         [](Fake& s) {
             StoppedMachine(s);
             s.SetStartPending(L"RasMan", 2500);
         },
         0, Repeated(L"1000", 3)},
        {"restart of 10 s: nothing more",
         [](Fake& s) {
             StoppedMachine(s);
             s.SetStartPending(L"RasMan", Fake::kForever);
         },
         0, Repeated(L"1000", 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake services;
        c.setup(services);
        services.SetTick(c.firstTick);
        Names texts;
        size_t callsBeforeText = 0;
        RunVpnServiceRestart(services, [&](const std::wstring& text) {
            texts.push_back(text);
            callsBeforeText = services.Log().size();
        });
        EXPECT_EQ(texts, Names{L"正在启用新配置，请稍候……"});
        EXPECT_EQ(callsBeforeText, 0u) << "the text comes before any service call";
        EXPECT_EQ(services.Calls(L"Sleep "), c.sleeps);
        EXPECT_GE(services.Elapsed(), kRestartMinimumDisplayMs);
    }
}

TEST(ServiceDialUpCheckTest, StartsTapiSrvThenRasManWhenEitherIsNotRunning)
{
    const struct {
        const char* name;
        Arrange setup;
        Names starts;  // Start calls, refused ones included
        Names opened;  // OpenService calls, in order
        States after;
    } cases[] = {
        {"both running: nothing",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kRunning);
             s.Add(L"RasMan", state::kRunning);
         },
         {}, {L"TapiSrv", L"RasMan"}, {}},
        {"TapiSrv stopped: both checked again, TapiSrv started",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kStopped);
             s.Add(L"RasMan", state::kRunning);
         },
         {L"TapiSrv"}, {L"TapiSrv", L"TapiSrv", L"RasMan"}, {{L"TapiSrv", state::kRunning}}},
        {"RasMan stopped: TapiSrv looked at first, RasMan started",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kRunning);
             s.Add(L"RasMan", state::kStopped);
         },
         {L"RasMan"}, {L"TapiSrv", L"RasMan", L"TapiSrv", L"RasMan"}, {{L"RasMan", state::kRunning}}},
        {"both stopped: TapiSrv, then RasMan",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kStopped);
             s.Add(L"RasMan", state::kStopped);
         },
         {L"TapiSrv", L"RasMan"}, {L"TapiSrv", L"TapiSrv", L"RasMan"},
         {{L"TapiSrv", state::kRunning}, {L"RasMan", state::kRunning}}},
        {"neither exists: both count as running", [](Fake&) {}, {}, {L"TapiSrv", L"RasMan"}, {}},
        {"RasMan unreadable: counts as running",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kRunning);
             s.Add(L"RasMan", state::kStopped);
             s.Fail(L"RasMan", Fake::ECall::QueryState, Fake::kAccessDenied);
         },
         {}, {L"TapiSrv", L"RasMan"}, {{L"RasMan", state::kStopped}}},
        {"manager refused: nothing",
         [](Fake& s) {
             s.Add(L"TapiSrv", state::kStopped);
             s.Add(L"RasMan", state::kStopped);
             s.FailManagerOpensFrom(1);
         },
         {}, {}, {{L"TapiSrv", state::kStopped}, {L"RasMan", state::kStopped}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake services;
        c.setup(services);
        EnsureDialUpServicesRunning(services);
        EXPECT_EQ(services.Calls(L"Start "), c.starts);
        EXPECT_EQ(services.Calls(L"OpenService "), c.opened);
        ExpectStates(services, c.after);
        EXPECT_EQ(services.Calls(L"OpenManager").size(), 1u);
        EXPECT_EQ(services.OpenHandles(), 0u);
    }
}
