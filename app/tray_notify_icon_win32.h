// The notification-area icon of the main window: traffic image, context menu, default action on
// double-click, one balloon after connecting; it comes back after a taskbar restart.
#pragma once

#include "win/handle.h"
#include "win/subclass.h"

#include <shellapi.h>
#include <windows.h>

#include "win/window_messages.h"

inline constexpr UINT kTrayIconId = 1;

// The shell call, replaceable so that tests can watch what the icon asks of the shell.
using ShellNotifyIconFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);

class CTrayNotifyIcon;

// Subclasses the owner's top-level window: re-adds the icon on "TaskbarCreated" and removes it
// when the window is destroyed.
class CTrayIconHooker : public CWindowSubclass {
public:
    explicit CTrayIconHooker(CTrayNotifyIcon& icon) : m_icon(icon) {}

    bool Hook(HWND window);
    void Unhook() { Unsubclass(); }
    bool Hooked() const { return SubclassedWindow() != nullptr; }

    // The registered "TaskbarCreated" message (registered once, at the first call).
    static UINT TaskbarCreatedMessage();

private:
    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    CTrayNotifyIcon& m_icon;
};

class CTrayNotifyIcon {
public:
    explicit CTrayNotifyIcon(ShellNotifyIconFunction shell = ::Shell_NotifyIconW);
    ~CTrayNotifyIcon();
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    // Loads the menu, subclasses the owner's top-level window and adds the icon.
    bool Create(HWND owner, UINT iconId);
    void SetIcon(UINT iconId);
    void ShowBalloon();
    // Mouse messages of our icon; returns 1 when the item is ours, 0 otherwise.
    LRESULT Notification(WPARAM itemId, LPARAM mouseMessage);
    void Remove();

    bool Added() const { return m_added; }
    HMENU Menu() const { return m_menu.Get(); }

    // The major version of shell32 (4 when it cannot tell), looked up once.
    static int ShellVersion();
    // How much of NOTIFYICONDATAW a shell of that version understands.
    static DWORD NotifyDataSize(int shellVersion);

private:
    friend class CTrayIconHooker;
    void ReaddAfterTaskbarRestart();

    ShellNotifyIconFunction m_shell;
    NOTIFYICONDATAW m_data{};
    bool m_added = false;
    bool m_readding = false;
    HWND m_owner = nullptr;
    CMenuHandle m_menu;
    // The current image; kept while it is shown, since the shell needs it again after a
    // taskbar restart.
    CIconHandle m_image;
    CTrayIconHooker m_hooker{*this};
};
