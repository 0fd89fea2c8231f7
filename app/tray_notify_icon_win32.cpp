#include "app/tray_notify_icon_win32.h"

#include "res/resource.h"

#include <shlwapi.h>

#include <cwchar>

namespace {
constexpr wchar_t kTip[] = L"Qivra网络加速器";
constexpr wchar_t kBalloonTitle[] = L"Qivra网络加速器";
constexpr wchar_t kBalloonText[] = L"登录成功，点击任务栏图标可以重新打开主窗口";

HICON LoadTrayImage(UINT iconId)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    auto icon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 16, 16, 0));
    if (!icon)
        icon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    return icon;
}
}  // namespace

// An elevated program hears nothing from Explorer, a lesser process, unless it lets the message
// through; without it the icon would not come back after Explorer restarts. Windows 7 lets one
// window do it, Vista only the whole process; older systems have no such filter.
static void AllowTaskbarCreated(HWND window)
{
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32)
        return;
    using WindowFilter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using ProcessFilter = BOOL(WINAPI*)(UINT, DWORD);
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, MSGFLT_ADD
    const UINT message = CTrayIconHooker::TaskbarCreatedMessage();
    if (auto forWindow = reinterpret_cast<WindowFilter>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx"))))
        forWindow(window, message, kAllow, nullptr);
    else if (auto forProcess = reinterpret_cast<ProcessFilter>(
                 reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter"))))
        forProcess(message, kAllow);
}

// --- CTrayIconHooker ---------------------------------------------------------------------------

UINT CTrayIconHooker::TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool CTrayIconHooker::Hook(HWND window)
{
    Unhook();
    return Subclass(window);
}

LRESULT CTrayIconHooker::OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TaskbarCreatedMessage()) {
        m_icon.ReaddAfterTaskbarRestart();
        return 0;
    }
    if (message == WM_DESTROY)
        m_icon.Remove();  // also unhooks; the window still hears of its destruction
    return CallNext(message, wParam, lParam);
}

// --- CTrayNotifyIcon ---------------------------------------------------------------------------

CTrayNotifyIcon::CTrayNotifyIcon(ShellNotifyIconFunction shell) : m_shell(shell)
{
    m_data.cbSize = NotifyDataSize(ShellVersion());
}

CTrayNotifyIcon::~CTrayNotifyIcon() { Remove(); }

int CTrayNotifyIcon::ShellVersion()
{
    static const int version = [] {
        HMODULE shell32 = ::GetModuleHandleW(L"shell32.dll");
        auto getVersion =
            shell32 ? reinterpret_cast<DLLGETVERSIONPROC>(
                          reinterpret_cast<void*>(::GetProcAddress(shell32, "DllGetVersion")))
                    : nullptr;
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (!getVersion || FAILED(getVersion(&info)))
            return 4;
        return static_cast<int>(info.dwMajorVersion);
    }();
    return version;
}

DWORD CTrayNotifyIcon::NotifyDataSize(int shellVersion)
{
    if (shellVersion >= 6)
        return sizeof(NOTIFYICONDATAW);
    if (shellVersion == 5)
        return NOTIFYICONDATAW_V2_SIZE;
    return NOTIFYICONDATAW_V1_SIZE;
}

bool CTrayNotifyIcon::Create(HWND owner, UINT iconId)
{
    m_owner = owner;
    m_menu.Reset(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    if (m_menu)
        ::SetMenuDefaultItem(::GetSubMenu(m_menu.Get(), 0), 0, TRUE);
    HWND topLevel = ::GetAncestor(owner, GA_ROOT);
    m_hooker.Hook(topLevel ? topLevel : owner);
    AllowTaskbarCreated(topLevel ? topLevel : owner);

    m_image.Reset(LoadTrayImage(iconId));
    m_data.hWnd = owner;
    m_data.uID = kTrayIconId;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = kTrayCallbackMessage;
    m_data.hIcon = m_image.Get();
    wcsncpy(m_data.szTip, kTip, ARRAYSIZE(m_data.szTip) - 1);
    m_added = m_shell(NIM_ADD, &m_data) != FALSE;

    if (m_added && ShellVersion() > 4) {
        m_data.uVersion = NOTIFYICON_VERSION;
        m_shell(NIM_SETVERSION, &m_data);
    }
    return m_added;
}

void CTrayNotifyIcon::SetIcon(UINT iconId)
{
    if (!m_added)
        return;
    CIconHandle image(LoadTrayImage(iconId));
    m_data.uFlags = NIF_ICON;
    m_data.hIcon = image.Get();
    m_shell(NIM_MODIFY, &m_data);
    m_image = std::move(image);  // the one shown before is released here
}

void CTrayNotifyIcon::ShowBalloon()
{
    if (!m_added)
        return;
    m_data.uFlags = NIF_INFO;
    wcsncpy(m_data.szInfo, kBalloonText, ARRAYSIZE(m_data.szInfo) - 1);
    wcsncpy(m_data.szInfoTitle, kBalloonTitle, ARRAYSIZE(m_data.szInfoTitle) - 1);
    m_data.uTimeout = 5000;
    m_data.dwInfoFlags = NIIF_INFO;
    m_shell(NIM_MODIFY, &m_data);
}

LRESULT CTrayNotifyIcon::Notification(WPARAM itemId, LPARAM mouseMessage)
{
    if (itemId != kTrayIconId)
        return 0;
    HMENU popup = m_menu ? ::GetSubMenu(m_menu.Get(), 0) : nullptr;
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_RBUTTONUP: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        // Without the foreground the menu would not close when the user clicks elsewhere.
        ::SetForegroundWindow(m_owner);
        if (popup)
            ::TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, m_owner, nullptr);
        ::PostMessageW(m_owner, WM_NULL, 0, 0);
        break;
    }
    case WM_LBUTTONDBLCLK: {
        ::SetForegroundWindow(m_owner);
        const UINT command = popup ? ::GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS) : static_cast<UINT>(-1);
        if (command != static_cast<UINT>(-1))
            ::SendMessageW(m_owner, WM_COMMAND, command, 0);
        break;
    }
    default:
        break;
    }
    return 1;
}

void CTrayNotifyIcon::ReaddAfterTaskbarRestart()
{
    if (m_readding)
        return;
    m_readding = true;
    m_data.uFlags = 0;
    m_shell(NIM_DELETE, &m_data);
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.hIcon = m_image.Get();
    // A shell that was not running when the window started gets the icon now.
    m_added = m_shell(NIM_ADD, &m_data) != FALSE;
    m_readding = false;
}

void CTrayNotifyIcon::Remove()
{
    if (!m_added)
        return;
    m_data.uFlags = 0;
    m_shell(NIM_DELETE, &m_data);
    m_hooker.Unhook();
    m_added = false;
}
