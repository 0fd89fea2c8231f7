#include "app/korvex_app_win32.h"

#include "app/app_paths.h"
#include "app/connect_steps_win32.h"
#include "app/dlg_korvex_win32.h"
#include "app/event_log.h"
#include "app/vpn_factory_win32.h"
#include "vpn/ip_helper_win32.h"
#include "vpn/leftover_tunnel_win32.h"
#include "vpn/ras_api_win32.h"
#include "vpn/route_cleanup.h"
#include "vpn/route_journal_file_win32.h"
#include "win/message_box.h"

#include <ole2.h>
#include <shlobj.h>

#include <clocale>

namespace {
CKorvexApp* g_app = nullptr;

std::wstring FromBuffer(const wchar_t* buffer, DWORD length, DWORD capacity)
{
    return length == 0 || length >= capacity ? std::wstring() : std::wstring(buffer, length);
}
}  // namespace

CKorvexApp& TheApp() { return *g_app; }

// Where Simplified Chinese is already the user's own locale, ".936" names it directly; the name
// "chs" would make the run time look through every locale of the system for it, which under Wine
// maps the table of each one's code page into the process (about a megabyte).
void SetChineseRuntimeLocale()
{
    constexpr LCID kSimplifiedChinese = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
    if (::GetUserDefaultLCID() == kSimplifiedChinese && ::GetACP() == 936 && _wsetlocale(LC_ALL, L".936"))
        return;
    _wsetlocale(LC_ALL, L"chs");
}

CKorvexApp::CKorvexApp()
{
    g_app = this;
    SetChineseRuntimeLocale();

    wchar_t buffer[MAX_PATH];
    m_modulePath = FromBuffer(buffer, ::GetModuleFileNameW(nullptr, buffer, MAX_PATH), MAX_PATH);
    m_moduleDir = DirectoryOf(m_modulePath);
    m_systemDir = FromBuffer(buffer, ::GetSystemDirectoryW(buffer, MAX_PATH), MAX_PATH) + L"\\";
    m_tempDir = FromBuffer(buffer, ::GetTempPathW(MAX_PATH, buffer), MAX_PATH);
    m_applicationName = ApplicationNameOf(m_modulePath);
    SetMessageBoxCaption(m_applicationName);
}

CKorvexApp::~CKorvexApp()
{
    if (m_oleStarted)
        ::OleUninitialize();
    g_app = nullptr;
}

std::wstring CKorvexApp::OverrideFilePath() const { return OverrideFileOf(m_modulePath); }

bool CKorvexApp::TakeSingleInstance()
{
    m_singleInstanceMutex.Reset(::CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName));
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    ShowMessage(nullptr,
                L"程序已经运行。您可以在任务栏右下角图标区双击“Qivra网络加速器”图标显示已经运行的程序。");
    // If the first copy has no window yet, the message is lost; it is only a convenience. The
    // first copy may bring itself to the front only with our leave: we are in the foreground.
    const HWND first = ::FindWindowW(nullptr, kMainWindowTitle);
    DWORD firstProcess = 0;
    if (first && ::GetWindowThreadProcessId(first, &firstProcess))
        ::AllowSetForegroundWindow(firstProcess);
    ::PostMessageW(first, kShowMainWindowMessage, 0, 0);
    m_singleInstanceMutex.Reset();
    return false;
}

std::wstring CKorvexApp::RecoverRoutesOnce()
{
    if (m_routesRecovered)
        return std::wstring();
    m_routesRecovered = true;
    wchar_t folder[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return std::wstring();
    m_routeJournal = std::make_unique<CWin32JournalFile>(RouteJournalFileOf(folder, kCompanyName));
    return RecoverRoutes(*m_routeJournal);
}

IJournalFile* CKorvexApp::RouteJournal()
{
    RecoverRoutesOnce();
    return m_routeJournal.get();
}

std::wstring CKorvexApp::RecoverRoutes(IJournalFile& journal)
{
    CWin32IpHelper ipHelper;
    CWin32RasApi rasApi;
    CWin32LeftoverTunnel tunnel(rasApi);
    const CRouteCleanupResult result = CleanUpRouteJournal(ipHelper, journal, tunnel);
    if (result.Outcome != ERouteCleanup::NothingLeft)
        TheEventLog().Note(RouteCleanupLogText(result));
    return RouteCleanupStatusText(result);
}

void CKorvexApp::StartOle()
{
    if (!m_oleStarted)
        m_oleStarted = SUCCEEDED(::OleInitialize(nullptr));
}

int CKorvexApp::Run()
{
    if (!TakeSingleInstance())
        return 0;

    // Windows Sockets are started by what uses them (a fetch, a speed test), and load with it.
    // The common controls are registered by the windows that hold them (the wait animation, the
    // server list); the main window has none, and the library stays unloaded until then.

    m_settings = std::make_unique<CRegistrySettingsStore>(kCompanyName, m_applicationName);

    {
        // The main window goes last: the connections report to it until they are gone. It takes
        // back what an earlier run left in the routing table once it shows; a connection would
        // find the old routes in its way, so the factory makes none before that is done.
        CDlgKorvex mainWindow(*this);
        CVpnConnectionFactory connections(mainWindow, m_moduleDir, [this] { return RouteJournal(); });
        CConnectSteps steps(*this, mainWindow, connections);
        CConnectionController controller(mainWindow, Settings(), connections, steps);
        mainWindow.SetController(controller);
        mainWindow.DoModal();
        controller.TearDown();
        m_singleInstanceMutex.Reset();
    }
    return 0;
}
