// The route journal's file on a real file system, and the exit event that ends an openvpn.exe a
// killed client left running.

#include "vpn/leftover_tunnel_win32.h"
#include "vpn/openvpn_console.h"
#include "vpn/ras_api.h"
#include "vpn/route_journal_file_win32.h"
#include "win/handle.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

namespace {
std::wstring TempFolder()
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer, length) + L"Korvex路由" + std::to_wstring(::GetCurrentProcessId());
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(RouteJournalFileWin32, ReplacesWholeInAFolderOfItsOwnAndLeavesNothingBehind)
{
    const std::wstring folder = TempFolder();
    const std::wstring path = folder + L"\\routes.journal";
    CWin32JournalFile file(path);
    std::string text = "stale";
    EXPECT_EQ(IJournalFile::EReadResult::Missing, file.Read(text));
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(file.Remove());

    for (const std::string& content : {std::string("korvex-route-journal 1\nroute 1.2.3.4 255.255.255.255 10.0.0.1 7 26\n"),
                                       std::string("korvex-route-journal 1\n")}) {
        ASSERT_TRUE(file.Replace(content));
        ASSERT_EQ(IJournalFile::EReadResult::Read, file.Read(text));
        EXPECT_EQ(content, text);
        EXPECT_FALSE(Exists(path + L".new"));
    }
    EXPECT_TRUE(file.Remove());
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(IJournalFile::EReadResult::Missing, file.Read(text));
    ::RemoveDirectoryW(folder.c_str());
}


TEST(LeftoverTunnelWin32, SignalsTheExitEventOfARunningOpenVpnAndWaitsForItToEnd)
{
    struct CNoDialUp : IRasApi {
        uint32_t SetEntryProperties(const std::wstring&, const CRasEntry&) override { return 0; }
        uint32_t Dial(const CRasDialParams&, IRasNotificationSink&, RasConnectionHandle&) override { return 0; }
        void EndNotifications(IRasNotificationSink&) override {}
        uint32_t HangUp(RasConnectionHandle) override { return 0; }
        uint32_t EnumConnections(std::vector<CRasConnection>&) override { return 0; }
        uint32_t GetTunnelAddress(RasConnectionHandle, std::wstring&) override { return 1; }
        uint32_t GetConnectionStatistics(RasConnectionHandle, uint32_t&, uint32_t&) override { return 1; }
        uint32_t GetErrorString(uint32_t, std::wstring&) override { return 1; }
    } noDialUp;
    CWin32LeftoverTunnel tunnel(noDialUp);
    EXPECT_FALSE(tunnel.EndOpenVpn());  // none runs

    // openvpn.exe stand-in: holds the event until it is signalled, then ends a little later.
    CKernelHandle event(::CreateEventW(nullptr, FALSE, FALSE, kOpenVpnExitEventName));
    ASSERT_TRUE(event);
    DWORD signalledAfter = 0;
    std::thread openVpn([&] {
        const DWORD start = ::GetTickCount();
        if (::WaitForSingleObject(event.Get(), 5000) == WAIT_OBJECT_0)
            signalledAfter = ::GetTickCount() - start + 1;
        ::Sleep(200);
        event.Reset();
    });
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(tunnel.EndOpenVpn());
    const DWORD took = ::GetTickCount() - start;
    openVpn.join();
    EXPECT_NE(0u, signalledAfter);
    EXPECT_GE(took, 150u);  // it waited for the program to let go of the event
    EXPECT_LT(took, 2500u);
}
