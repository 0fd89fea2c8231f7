// The application object: start-up, single instance, paths, settings store, and the main window
// run modally for the whole life of the program.
#pragma once

#include "app/registry_settings_win32.h"
#include "vpn/route_journal.h"
#include "win/handle.h"

#include <memory>
#include <string>

inline constexpr wchar_t kCompanyName[] = L"Qivra网络加速器";
inline constexpr wchar_t kMainWindowTitle[] = L"Qivra网络加速器";
inline constexpr wchar_t kSingleInstanceMutexName[] =
    L"Global\\KORVEX_SINGLE_SIGN_{05F607A4-6E2F-42e8-AFE0-7F56211E6B88}";
#include "win/window_messages.h"

// Sets the C run time's locale, every category, to Simplified Chinese ("chs") with its ANSI code
// page; the application object does this first.
void SetChineseRuntimeLocale();

class CKorvexApp {
public:
    CKorvexApp();
    ~CKorvexApp();
    CKorvexApp(const CKorvexApp&) = delete;
    CKorvexApp& operator=(const CKorvexApp&) = delete;

    // Start-up, the main window's modal run and the stop; returns the process exit code.
    int Run();

    const std::wstring& ModulePath() const { return m_modulePath; }
    const std::wstring& ModuleDir() const { return m_moduleDir; }
    const std::wstring& SystemDir() const { return m_systemDir; }
    const std::wstring& TempDir() const { return m_tempDir; }
    std::wstring OverrideFilePath() const;
    // Once, before the first connection: finds the route journal in the user's local application
    // data (the shell library looks the folder up, so this waits until the main window shows)
    // and takes back what a run that ended abnormally left in the routing table. The status
    // line's text for it; empty when there was nothing to do or it has been done.
    std::wstring RecoverRoutesOnce();
    // The journal connections keep, recovered first; null when the system names no folder for it.
    IJournalFile* RouteJournal();

    ISettingsStore& Settings() { return *m_settings; }
    // OLE on the user-interface thread, for the notice pane's ActiveX control: started by the main
    // window once it shows, ended when the program ends.
    void StartOle();

private:
    // False when this copy must exit at once (another copy is running).
    bool TakeSingleInstance();
    // Takes back the routes a run that ended abnormally left in the table; the status line's
    // text for it, empty when there was nothing to do.
    std::wstring RecoverRoutes(IJournalFile& journal);

    std::wstring m_modulePath;
    std::wstring m_moduleDir;
    std::wstring m_systemDir;
    std::wstring m_tempDir;
    std::wstring m_applicationName;
    bool m_routesRecovered = false;
    std::unique_ptr<IJournalFile> m_routeJournal;
    CKernelHandle m_singleInstanceMutex;
    std::unique_ptr<CRegistrySettingsStore> m_settings;
    bool m_oleStarted = false;
};

// The one application object; other parts read the paths and the settings store through it.
CKorvexApp& TheApp();
