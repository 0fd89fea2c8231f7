#include "app/tray_notify_icon_win32.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
struct ShellCall {
    DWORD message;
    NOTIFYICONDATAW data;
    bool iconAlive;  // the image handed to the shell was still a live icon
};
std::vector<ShellCall> g_calls;
BOOL g_shellAnswer = TRUE;

BOOL WINAPI RecordingShell(DWORD message, PNOTIFYICONDATAW data)
{
    ICONINFO info{};
    const bool alive = data->hIcon && ::GetIconInfo(data->hIcon, &info);
    if (alive) {
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    g_calls.push_back({message, *data, alive});
    return g_shellAnswer;
}

std::vector<UINT> g_commands;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        g_commands.push_back(LOWORD(wParam));
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class TrayIconTest : public ::testing::Test {
protected:
    HWND owner = nullptr;

    void SetUp() override
    {
        g_calls.clear();
        g_commands.clear();
        g_shellAnswer = TRUE;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KorvexTrayOwner";
        ::RegisterClassW(&windowClass);
        owner = ::CreateWindowExW(0, L"KorvexTrayOwner", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override
    {
        if (::IsWindow(owner))
            ::DestroyWindow(owner);
    }
    std::vector<DWORD> Messages() const
    {
        std::vector<DWORD> messages;
        for (const ShellCall& call : g_calls)
            messages.push_back(call.message);
        return messages;
    }
};
}  // namespace

TEST(TrayIconSize, NotifyDataFollowsTheShellVersion)
{
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(4), static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(5), static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(6), static_cast<DWORD>(sizeof(NOTIFYICONDATAW)));
#ifndef _WIN64
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(4), 152u);
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(5), 936u);
    EXPECT_EQ(CTrayNotifyIcon::NotifyDataSize(6), 952u);
#endif
    EXPECT_GE(CTrayNotifyIcon::ShellVersion(), 4);
}

TEST_F(TrayIconTest, CreateAddsTheIconWithMessageTipAndMenu)
{
    CTrayNotifyIcon icon(RecordingShell);
    ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    ASSERT_GE(g_calls.size(), 1u);
    const ShellCall& add = g_calls[0];
    EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.data.uID, 1u);
    EXPECT_EQ(add.data.uCallbackMessage, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(add.data.hWnd, owner);
    EXPECT_STREQ(add.data.szTip, L"Qivra网络加速器");
    EXPECT_TRUE(add.iconAlive);
    EXPECT_EQ(add.data.cbSize, CTrayNotifyIcon::NotifyDataSize(CTrayNotifyIcon::ShellVersion()));
    if (CTrayNotifyIcon::ShellVersion() > 4) {
        ASSERT_EQ(g_calls.size(), 2u);
        EXPECT_EQ(g_calls[1].message, static_cast<DWORD>(NIM_SETVERSION));
        EXPECT_EQ(g_calls[1].data.uVersion, 3u);
    }
    // The first item of the menu is the default one: show the main window.
    EXPECT_EQ(::GetMenuDefaultItem(::GetSubMenu(icon.Menu(), 0), FALSE, 0), static_cast<UINT>(ID_TRAY_SHOW));
}

TEST_F(TrayIconTest, ImageAndBalloonOnlyOnceAdded)
{
    g_shellAnswer = FALSE;
    CTrayNotifyIcon failed(RecordingShell);
    EXPECT_FALSE(failed.Create(owner, IDI_TRAY_IDLE));
    g_calls.clear();
    failed.SetIcon(IDI_TRAY_CONNECTED);
    failed.ShowBalloon();
    EXPECT_TRUE(g_calls.empty());
    failed.Remove();
    EXPECT_TRUE(g_calls.empty());

    g_shellAnswer = TRUE;
    CTrayNotifyIcon icon(RecordingShell);
    ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    g_calls.clear();
    icon.SetIcon(IDI_TRAY_SEND_RECEIVE);
    icon.ShowBalloon();
    ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_MODIFY, NIM_MODIFY}));
    EXPECT_EQ(g_calls[0].data.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_TRUE(g_calls[0].iconAlive);
    EXPECT_EQ(g_calls[1].data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_STREQ(g_calls[1].data.szInfo, L"登录成功，点击任务栏图标可以重新打开主窗口");
    EXPECT_STREQ(g_calls[1].data.szInfoTitle, L"Qivra网络加速器");
    EXPECT_EQ(g_calls[1].data.uTimeout, 5000u);
    EXPECT_EQ(g_calls[1].data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
}

TEST_F(TrayIconTest, TaskbarRestartReaddsTheCurrentImage)
{
    CTrayNotifyIcon icon(RecordingShell);
    ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    icon.SetIcon(IDI_TRAY_RECEIVE);
    const HICON shown = g_calls.back().data.hIcon;
    g_calls.clear();

    ::SendMessageW(owner, CTrayIconHooker::TaskbarCreatedMessage(), 0, 0);
    ASSERT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD}));
    EXPECT_EQ(g_calls[1].data.hIcon, shown);
    EXPECT_TRUE(g_calls[1].iconAlive);  // the image survives until it is replaced
    EXPECT_EQ(g_calls[1].data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
}

TEST_F(TrayIconTest, DoubleClickRunsTheDefaultItemAndOtherItemsAreNotOurs)
{
    CTrayNotifyIcon icon(RecordingShell);
    ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    EXPECT_EQ(::SendMessageW(owner, WM_NULL, 0, 0), 0);  // the subclass passes other messages on
    EXPECT_EQ(icon.Notification(1, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(g_commands, (std::vector<UINT>{ID_TRAY_SHOW}));
    EXPECT_EQ(icon.Notification(2, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(icon.Notification(1, WM_MOUSEMOVE), 1);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(TrayIconTest, DestroyingTheWindowRemovesTheIconAndTheSubclass)
{
    CTrayNotifyIcon icon(RecordingShell);
    ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    EXPECT_NE(::GetWindowLongPtrW(owner, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OwnerProc));
    g_calls.clear();
    ::DestroyWindow(owner);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE}));
    EXPECT_FALSE(icon.Added());
    g_calls.clear();
    icon.Remove();  // and once only
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(TrayIconTest, RemoveRestoresTheWindowProcedure)
{
    {
        CTrayNotifyIcon icon(RecordingShell);
        ASSERT_TRUE(icon.Create(owner, IDI_TRAY_IDLE));
    }
    EXPECT_EQ(::GetWindowLongPtrW(owner, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OwnerProc));
    EXPECT_EQ(g_calls.back().message, static_cast<DWORD>(NIM_DELETE));
}
