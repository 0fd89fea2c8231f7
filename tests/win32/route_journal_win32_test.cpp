// The route journal's file on a real file system, and ending what a killed client left running:
// our own dial-up line and an openvpn.exe that holds the exit event.

#include "tests/unit/windows_vpn_fake_ras.h"
#include "vpn/leftover_tunnel_win32.h"
#include "vpn/openvpn_console.h"
#include "vpn/route_journal_file_win32.h"
#include "win/handle.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(RouteJournalFileWin32, ReplacesWholeInAFolderOfItsOwnAndLeavesNothingBehind)
{
    wchar_t temp[MAX_PATH];
    const std::wstring folder = std::wstring(temp, ::GetTempPathW(MAX_PATH, temp)) + L"Korvex路由" +
                                std::to_wstring(::GetCurrentProcessId());
    const std::wstring path = folder + L"\\routes.journal";
    CWin32JournalFile file(path);
    std::string text = "stale";
    EXPECT_EQ(IJournalFile::EReadResult::Missing, file.Read(text));
    EXPECT_TRUE(file.Remove());
    for (const std::string content : {"korvex-route-journal 1\nroute 1.2.3.4 255.255.255.255 10.0.0.1 7 26\n",
                                      "korvex-route-journal 1\n"}) {
        ASSERT_TRUE(file.Replace(content));
        ASSERT_EQ(IJournalFile::EReadResult::Read, file.Read(text));
        EXPECT_EQ(content, text);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((path + L".new").c_str()));
    }
    EXPECT_TRUE(file.Remove());
    EXPECT_EQ(IJournalFile::EReadResult::Missing, file.Read(text));
    EXPECT_TRUE(::RemoveDirectoryW(folder.c_str()));  // nothing else was left in it
}

TEST(LeftoverTunnelWin32, HangsUpOurLineAndEndsARunningOpenVpn)
{
    windows_vpn_test::CFakeRasApi ras;
    ras.ActiveConnections = {{0x11, L"korvex"}, {0x12, L"Korvex"}};  // only the exact name is ours
    CWin32LeftoverTunnel tunnel(ras);
    EXPECT_TRUE(tunnel.HangUpDialUp());
    EXPECT_EQ(std::vector<RasConnectionHandle>{0x12}, ras.HangUps);
    EXPECT_FALSE(tunnel.EndOpenVpn());  // none runs

    // openvpn.exe: holds the event until it is signalled, and ends a little later.
    CKernelHandle event(::CreateEventW(nullptr, FALSE, FALSE, kOpenVpnExitEventName));
    ASSERT_TRUE(event);
    bool signalled = false;
    std::thread openVpn([&] {
        signalled = ::WaitForSingleObject(event.Get(), 5000) == WAIT_OBJECT_0;
        ::Sleep(200);
        event.Reset();
    });
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(tunnel.EndOpenVpn());
    const DWORD took = ::GetTickCount() - start;
    openVpn.join();
    EXPECT_TRUE(signalled);
    EXPECT_GE(took, 150u);  // it waited for the program to let go of the event
    EXPECT_LT(took, 2500u);
}
