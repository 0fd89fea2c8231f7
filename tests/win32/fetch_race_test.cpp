// The fetch window's race between alternative URLs, its Cancel, its start-up boxes, and the
// login exchange's fetch seam on top of it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "app/login_windows_win32.h"
#include "fetch_test_driver.h"
#include "loopback_server.h"
#include "net/dlg_download_win32.h"
#include "net/download_output_win32.h"
#include "res/resource.h"

namespace {
using Server = CLoopbackServer;

std::wstring RefusedUrl() { return L"http://127.0.0.1:" + std::to_wstring(Server::RefusingPort()) + L"/"; }

std::string Answer(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class FetchRaceTest : public testing::Test {
protected:
    static void SetUpTestSuite() { PrepareFetchWindowTests(); }

    static void ExpectNothingLeft(const SFetchOutcome& outcome)
    {
        EXPECT_GT(outcome.threadsStarted, 0u);
        EXPECT_EQ(outcome.threadsJoined, outcome.threadsStarted);
        EXPECT_LE(outcome.processThreadsAfter, outcome.processThreadsBefore);
    }
};

TEST_F(FetchRaceTest, RefusedFirstUrlDoesNotBeatALateAnswer)
{
    Server late({Server::Pause(300), Server::Send(Answer("[VPN]")), Server::Close()});
    ASSERT_TRUE(late.Listening());
    const SFetchOutcome outcome = FetchWithWindow({RefusedUrl(), late.Url()});
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(outcome.winnerIndex, 1);
    EXPECT_EQ(outcome.body, "[VPN]");
    ExpectNothingLeft(outcome);
}

TEST_F(FetchRaceTest, UsableAnswerEndsTheWindowWhileAnotherJobHangs)
{
    Server silent({Server::Hold()});
    Server answering({Server::Pause(100), Server::Send(Answer("routes")), Server::Hold()});
    ASSERT_TRUE(silent.Listening() && answering.Listening());
    const SFetchOutcome outcome = FetchWithWindow({silent.Url(), answering.Url()});
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(outcome.winnerIndex, 1);
    EXPECT_EQ(outcome.body, "routes");
    ExpectNothingLeft(outcome);
    // The losing job was stopped with the window and its connection closed.
    EXPECT_TRUE(silent.WaitForPeerClose(2000));
}

TEST_F(FetchRaceTest, EveryUrlFailingCompletesWithNoDocument)
{
    Server reset({Server::Send("HTTP/1.1 200 OK\r\n"), Server::Pause(50), Server::Reset()});
    Server shortHeader({Server::Send("HTTP/1.1 200 OK\r\nContent-Le"), Server::Close()});
    Server shortBody({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), Server::Close()});
    Server notHttp({Server::Send("SSH-2.0-OpenSSH\r\n\r\n"), Server::Hold()});
    ASSERT_TRUE(reset.Listening() && shortHeader.Listening() && shortBody.Listening() && notHttp.Listening());

    const SFetchOutcome outcome =
        FetchWithWindow({RefusedUrl(), reset.Url(), shortHeader.Url(), shortBody.Url(), notHttp.Url()});
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(outcome.winnerIndex, -1);
    EXPECT_EQ(outcome.body, "");
    EXPECT_EQ(outcome.threadsStarted, 5u);
    ExpectNothingLeft(outcome);
}

TEST_F(FetchRaceTest, CancelStopsEndlessDownloads)
{
    // No length, never closed: only Cancel ends these.
    Server first({Server::Send("HTTP/1.1 200 OK\r\n\r\npartial"), Server::Hold()});
    Server second({Server::Hold()});
    ASSERT_TRUE(first.Listening() && second.Listening());
    std::atomic<bool> pressed{false};
    std::atomic<bool> animating{false};
    std::atomic<bool> focusOnCancel{false};
    const SFetchOutcome outcome = FetchWithWindow({first.Url(), second.Url()}, [&](DWORD uiThread) {
        if (!first.WaitUntilHolding(3000) || !second.WaitUntilHolding(3000))
            return;
        HWND window = WaitForThreadWindow(uiThread, kFetchWindowTitle, 3000);
        if (!window)
            return;
        // Playing a frame succeeds only when the window has opened the wait animation.
        DWORD_PTR played = 0;
        // Cancel has the focus once the window is up, so Enter and Escape reach it.
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        focusOnCancel = WaitFor([&] {
            return ::GetGUIThreadInfo(uiThread, &gui) && gui.hwndFocus == ::GetDlgItem(window, IDCANCEL);
        }, std::chrono::seconds(3));
        animating = ::SendMessageTimeoutW(::GetDlgItem(window, IDC_DOWNLOAD_ANIMATION), ACM_PLAY, 1, MAKELPARAM(0, 0),
                                          SMTO_ABORTIFHUNG, 1000, &played) &&
                    played;
        pressed = ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0) != 0;
    });
    EXPECT_TRUE(animating);
    EXPECT_TRUE(focusOnCancel);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDCANCEL);
    EXPECT_EQ(outcome.body, "");
    ExpectNothingLeft(outcome);
    EXPECT_TRUE(first.WaitForPeerClose(2000));
    EXPECT_TRUE(second.WaitForPeerClose(2000));
}

TEST_F(FetchRaceTest, NoUrlShowsTheBoxThenWaitsForCancel)
{
    std::atomic<bool> boxAnswered{false};
    std::atomic<bool> stayedOpen{false};
    const SFetchOutcome outcome = FetchWithWindow({}, [&](DWORD uiThread) {
        HWND box = WaitForMessageBox(uiThread, kTestBoxCaption, L"没有可用的登陆地址。", 3000);
        if (!box)
            return;
        boxAnswered = PressUntilGone(box, IDOK, 4000);
        HWND window = FindThreadWindow(uiThread, kFetchWindowTitle);
        stayedOpen = window && ::IsWindowVisible(window);
        // Enter is Cancel here: the window has nothing to confirm.
        if (window)
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    }, 10000);
    EXPECT_TRUE(boxAnswered);
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDCANCEL);
    EXPECT_EQ(outcome.threadsStarted, 0u);
}

// A quick answer never makes the window; a slow one shows it after the delay. The owner is
// disabled from the start either way, and enabled again afterwards. A quit message ends the
// run and is left for the caller's loop.
TEST_F(FetchRaceTest, TheWindowAppearsOnlyForASlowAnswerAndTheOwnerWaitsThroughout)
{
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    struct SCase {
        DWORD answerAfterMs;
        bool quit;
        bool made;
        INT_PTR result;
    };
    const SCase cases[] = {
        {100, false, false, IDOK},
        {CDlgDownload::kShowDelayMilliseconds + 400, false, true, IDOK},
        {0, true, false, -1},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.answerAfterMs);
        Server server({c.quit ? Server::Hold() : Server::Pause(c.answerAfterMs), Server::Send(Answer("doc")),
                       Server::Hold()});
        ASSERT_TRUE(server.Listening());
        std::atomic<bool> runOver{false};
        std::atomic<bool> sawMade{false};
        std::atomic<bool> sawShown{false};
        std::atomic<bool> ownerDisabled{false};
        CMemoryDownloadOutput output;
        CDlgDownload dialog;
        dialog.AddUrl(server.Url());
        dialog.SetOutput(&output);
        CModalLimit limit(10000, [&](DWORD uiThread) {
            // The request arrives once the run has started its download.
            ownerDisabled = server.WaitForRequest(3000) && !::IsWindowEnabled(owner);
            if (c.quit)
                ::PostThreadMessageW(uiThread, WM_QUIT, 7, 0);
            // Finding the window sends it nothing: the run may be over at any moment.
            for (; !runOver; ::Sleep(5)) {
                const HWND window = PeekThreadWindow(uiThread, kFetchWindowTitle);
                sawMade = sawMade || window;
                sawShown = sawShown || (window && ::IsWindowVisible(window));
            }
        });
        const INT_PTR result = dialog.DoModal(owner);
        runOver = true;
        EXPECT_FALSE(limit.Finish());
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(sawMade, c.made);
        EXPECT_EQ(sawShown, c.made);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(::IsWindowEnabled(owner));
        EXPECT_EQ(dialog.ThreadsJoined(), dialog.ThreadsStarted());
        MSG quit{};
        EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, c.quit);
    }
    ::DestroyWindow(owner);
}

TEST_F(FetchRaceTest, LoginFetchSeamHandsBackTheWinningDocument)
{
    Server answering({Server::Send(Answer("[VPN]\r\nAuthResult=OK\r\n")), Server::Close()});
    ASSERT_TRUE(answering.Listening());
    CFetchWindow fetch(nullptr);
    CModalLimit limit(5000);
    const SFetchResult result = fetch.Fetch({RefusedUrl(), answering.Url()});
    EXPECT_FALSE(limit.Finish());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.winnerIndex, 1);
    EXPECT_EQ(result.body, "[VPN]\r\nAuthResult=OK\r\n");
}

TEST_F(FetchRaceTest, LoginFetchSeamReportsCancel)
{
    Server silent({Server::Send("HTTP/1.1 200 OK\r\n\r\nsome"), Server::Hold()});
    ASSERT_TRUE(silent.Listening());
    std::atomic<bool> pressed{false};
    CFetchWindow fetch(nullptr);
    CModalLimit limit(5000, [&](DWORD uiThread) {
        if (!silent.WaitUntilHolding(3000))
            return;
        if (HWND window = WaitForThreadWindow(uiThread, kFetchWindowTitle, 3000))
            pressed = ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0) != 0;
    });
    const SFetchResult result = fetch.Fetch({silent.Url()});
    EXPECT_FALSE(limit.Finish());
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.body, "");
    EXPECT_TRUE(silent.WaitForPeerClose(2000));
}
}  // namespace
