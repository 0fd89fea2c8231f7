// The blocked-operation window on the screen, driven from a helper thread while it runs
// modally: nothing the user does ends it, it shows what the operation writes, and it closes
// itself once the operation has returned and its worker has been joined; the service restart
// through it over the in-memory service manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "fetch_test_driver.h"
#include "policy/dlg_blocked_operation_win32.h"
#include "policy/service_restart.h"
#include "policy/service_restart_win32.h"
#include "res/resource.h"
#include "skin_test_window.h"
#include "tests/unit/fake_service_control.h"
#include "win/handle.h"
#include "win/window_messages.h"
#include "win/window_text.h"

namespace {

constexpr wchar_t kTitle[] = L"Qivra网络加速器";
// Held operations give up after this, so that a window that ignores its end cannot hang the
// suite: the modal limit's Cancel does nothing to this window.
constexpr DWORD kHoldLimitMs = 10000;

CKernelHandle NewEvent() { return CKernelHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// An operation that notes its thread, writes a status text, then waits until the test lets it
// go. `postEarly` makes it post the window's finished message itself and go on working, as a
// stray message would arrive while the worker still runs.
class CTestOperation final : public CDlgBlockedOperation::IOperation {
public:
    void Run(CDlgBlockedOperation& window) override
    {
        threadId = ::GetCurrentThreadId();
        window.SetStatusText(text);
        ::SetEvent(running.Get());
        ::WaitForSingleObject(release.Get(), kHoldLimitMs);
        if (postEarly) {
            ::PostMessageW(window.Handle(), kBlockedOperationFinishedMessage, 0, 0);
            ::Sleep(300);
            window.SetStatusText(L"still working");  // while the window waits for this thread
        }
        ++runs;
    }
    void Reserved() override {}

    std::wstring text = L"正在测试，请稍候……";
    bool postEarly = false;
    CKernelHandle running = NewEvent();
    CKernelHandle release = NewEvent();
    DWORD threadId = 0;
    int runs = 0;  // counted as the operation's last act
};

// Hands everything to the in-memory manager, but holds each sleep until the test lets it go;
// the restart's last act is its minimum-display sleep, so the window can be looked at then.
class CHeldSleepServices final : public IServiceControl {
public:
    explicit CHeldSleepServices(CFakeServiceControl& services) : m_services(services) {}
    uint32_t OpenManager(std::unique_ptr<IServiceManager>& manager) override { return m_services.OpenManager(manager); }
    uint32_t TerminateProcess(uint32_t processId) override { return m_services.TerminateProcess(processId); }
    uint32_t EnablePrivilege(std::wstring_view name) override { return m_services.EnablePrivilege(name); }
    uint32_t TickCount() override { return m_services.TickCount(); }
    void Sleep(uint32_t milliseconds) override
    {
        ::SetEvent(sleeping.Get());
        ::WaitForSingleObject(release.Get(), kHoldLimitMs);
        m_services.Sleep(milliseconds);
    }

    CKernelHandle sleeping = NewEvent();
    CKernelHandle release = NewEvent();

private:
    CFakeServiceControl& m_services;
};

bool Signalled(const CKernelHandle& event, DWORD ms) { return ::WaitForSingleObject(event.Get(), ms) == WAIT_OBJECT_0; }

std::wstring StatusText(HWND window) { return ReadWindowText(::GetDlgItem(window, IDC_BLOCKED_STATUS)); }

// Everything a user could do to end the window early, then time for the window to act on it.
void TryToEnd(HWND window)
{
    ::PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::PostMessageW(window, WM_NULL, 0, 0);
    ::Sleep(300);
}

struct SRun {
    SModalRun run;
    std::chrono::milliseconds took{0};
    size_t workersStarted = 0;
    size_t workersJoined = 0;
};

class BlockedOperationWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PrepareFetchWindowTests();
        skin_test::UseBuiltInSkin();
    }

    // The window over `operation` (none when null), run modally; `driver` acts meanwhile.
    SRun Run(CDlgBlockedOperation::IOperation* operation, const std::function<void(HWND, CDlgBlockedOperation&)>& driver)
    {
        CDlgBlockedOperation dialog;
        dialog.SetOperation(operation);
        SRun outcome;
        const auto started = std::chrono::steady_clock::now();
        outcome.run = RunModal(
            dialog,
            [&](DWORD uiThread) {
                if (!driver)
                    return;
                HWND window = WaitForThreadWindow(uiThread, kTitle, 5000);
                ASSERT_NE(window, nullptr) << "the window did not open";
                driver(window, dialog);
            },
            kHoldLimitMs + 5000);
        outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        outcome.workersStarted = dialog.WorkersStarted();
        outcome.workersJoined = dialog.WorkersJoined();
        return outcome;
    }
};

TEST_F(BlockedOperationWindowTest, NothingTheUserDoesEndsItWhileTheOperationRuns)
{
    CTestOperation operation;
    bool stayed = false;
    const SRun outcome = Run(&operation, [&](HWND window, CDlgBlockedOperation& dialog) {
        ASSERT_TRUE(Signalled(operation.running, 5000));
        EXPECT_EQ(StatusText(window), operation.text);
        for (HWND button : {dialog.Frame().CloseButton().Handle(), dialog.Frame().MinimizeButton().Handle(),
                            dialog.Frame().MaximizeButton().Handle()})
            EXPECT_FALSE(::IsWindowVisible(button)) << "no caption buttons";

        TryToEnd(window);
        stayed = ::IsWindow(window) && ::IsWindowVisible(window);
        EXPECT_EQ(operation.runs, 0);
        ::SetEvent(operation.release.Get());
        EXPECT_TRUE(WaitUntilGone(window, 3000)) << "the window closes itself once the operation returns";
    });

    EXPECT_TRUE(stayed) << "Enter, Escape, OK, Cancel or Close ended the window";
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(operation.runs, 1);
    EXPECT_NE(operation.threadId, ::GetCurrentThreadId()) << "the operation runs on a worker";
    EXPECT_EQ(outcome.workersStarted, 1u);
    EXPECT_EQ(outcome.workersJoined, 1u);
}

TEST_F(BlockedOperationWindowTest, ClosesByItselfWithTheWorkerEndedHoweverTheOperationEnds)
{
    const struct {
        const char* name;
        bool hasOperation;
        bool postEarly;
        long minimumMs;  // how long the run must last at least
    } cases[] = {
        {"an operation that returns at once", true, false, 0},
        {"no operation at all", false, false, 0},
        {"the finished message before the operation has returned", true, true, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestOperation operation;
        operation.postEarly = c.postEarly;
        ::SetEvent(operation.release.Get());
        const SRun outcome = Run(c.hasOperation ? &operation : nullptr, {});

        EXPECT_FALSE(outcome.run.timedOut);
        EXPECT_EQ(outcome.run.result, IDOK);
        EXPECT_LT(outcome.took.count(), 3000);
        EXPECT_GE(outcome.took.count(), c.minimumMs) << "the window waits for its worker";
        EXPECT_EQ(outcome.workersStarted, 1u);
        EXPECT_EQ(outcome.workersJoined, 1u);
        if (c.hasOperation) {
            EXPECT_EQ(operation.runs, 1) << "the operation returned before the modal run did";
        }
    }
}

TEST_F(BlockedOperationWindowTest, ServiceRestartTellsTheUserAndRestartsRasMansProcess)
{
    CFakeServiceControl services;
    services.Add(L"Schedule", service_state::kRunning, L"netsvcs");
    services.Add(L"RasMan", service_state::kRunning, L"netsvcs");
    services.Add(L"TapiSrv", service_state::kRunning);
    CHeldSleepServices held(services);
    CBlockedOperation_RestartVpnRelatedServices restart(held);

    const SRun outcome = Run(&restart, [&](HWND window, CDlgBlockedOperation&) {
        ASSERT_TRUE(Signalled(held.sleeping, 5000)) << "the restart never came to its minimum display";
        EXPECT_EQ(StatusText(window), L"正在启用新配置，请稍候……");
        TryToEnd(window);
        EXPECT_TRUE(::IsWindowVisible(window));
        ::SetEvent(held.release.Get());
        EXPECT_TRUE(WaitUntilGone(window, 3000));
    });

    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(services.Calls(L"Terminate ").size(), 1u);
    EXPECT_EQ(services.Calls(L"Start "), (std::vector<std::wstring>{L"RasMan", L"Schedule"}));
    EXPECT_EQ(services.Calls(L"Sleep "), std::vector<std::wstring>{L"3000"}) << "a restart at once shows 3 s";
    EXPECT_EQ(services.Service(L"RasMan").state, service_state::kRunning);
    EXPECT_EQ(services.OpenHandles(), 0u);
}

}  // namespace
