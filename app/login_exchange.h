#pragma once

// The login exchange, run on the user-interface thread when the user presses Connect: save the
// credential choice, fetch the login document, check the client version and the authentication
// result, let the user choose, fetch the route list and start the connection.

#include <cstdint>
#include <string>
#include <vector>

#include "app/login_interfaces.h"
#include "app/settings_store.h"

class CServerDirectory;

struct SLoginEnvironment {
    std::wstring tempDir;           // with its trailing separator
    std::wstring overrideFile;      // the executable's path + ".ini"
    std::wstring defaultLoginUrls;  // used when the override file names none
    std::wstring referralTag;       // appended as "rf=" to every URL sent to the service
    std::wstring webHost;           // the service's web pages, named in some messages
    uint64_t ownVersion = 0;        // MakeClientVersion of the file version; 0 if unknown
};

struct SLoginServices {
    ILoginUi& ui;
    IFetchWindow& fetch;
    IServerSelectionWindow& selection;
    ISettingsStore& settings;
    IPasswordProtection& protection;
    IConnectionFactory& connections;
};

struct SLoginInput {
    std::wstring userName;
    std::wstring password;
    bool savePassword = false;
};

class CLoginExchange {
public:
    CLoginExchange(SLoginEnvironment environment, SLoginServices services);

    // The whole exchange. The login response file exists only while it runs.
    void Run(const SLoginInput& input);

    // TempDir + "korvex.ini".
    std::wstring ResponsePath() const;

private:
    void SaveCredentials(const SLoginInput& input);
    void RunWithResponseFile(const SLoginInput& input);
    bool FetchLoginDocument(const SLoginInput& input, const std::vector<std::wstring>& baseUrls,
                            std::wstring& chosenBase);
    bool PassVersionGate(const CServerDirectory& directory);
    bool PassAuthentication(const CServerDirectory& directory);
    void StartConnection(const SLoginInput& input, const CServerDirectory& directory,
                         const SServerSelection& selection, const std::wstring& fallbackHost,
                         const std::string& routeDocument);

    SLoginEnvironment m_environment;
    SLoginServices m_services;
};
