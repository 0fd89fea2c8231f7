#include "app/login_exchange.h"

#include "app/event_log.h"
#include "app/ini.h"
#include "app/login_rules.h"
#include "app/server_directory.h"
#include "base/file_io.h"
#include "base/url.h"

namespace {
constexpr wchar_t kMain[] = L"Main";
constexpr uint32_t kConnectStarted = 0;
constexpr uint32_t kConnectAlreadyConnected = 3;
}  // namespace

CLoginExchange::CLoginExchange(SLoginEnvironment environment, SLoginServices services)
    : m_environment(std::move(environment)), m_services(services)
{
}

std::wstring CLoginExchange::ResponsePath() const
{
    return m_environment.tempDir + L"korvex.ini";
}

void CLoginExchange::Run(const SLoginInput& input)
{
    if (input.userName.empty()) {
        m_services.ui.ShowBox(login_text::kEnterUserName);
        return;
    }
    SaveCredentials(input);
    m_services.ui.SetStatus(login_text::kPreparing, false);

    RunWithResponseFile(input);

    // Whatever happened, the directory must not outlive the exchange.
    RemoveFile(ResponsePath());
}

void CLoginExchange::SaveCredentials(const SLoginInput& input)
{
    ISettingsStore& store = m_services.settings;
    settings::WriteInt(store, settings::SavePassword, input.savePassword ? 1 : 0);
    if (!input.savePassword) {
        settings::WriteString(store, settings::Username, std::nullopt);
        settings::WriteString(store, settings::Password, std::nullopt);
        return;
    }
    settings::WriteString(store, settings::Username, input.userName);
    // Never keep the password in plain text; without protection keep none (and no stale one).
    if (const auto blob = m_services.protection.Protect(input.password))
        settings::WriteBlob(store, settings::Password, *blob);
    else
        settings::WriteString(store, settings::Password, std::nullopt);
}

void CLoginExchange::RunWithResponseFile(const SLoginInput& input)
{
    const CIniDocument overrides = CIniDocument::Load(m_environment.overrideFile);
    const bool noLogin = overrides.GetInt(kMain, L"NoLogin", 0) != 0;
    const std::vector<std::wstring> baseUrls =
        SplitBaseUrls(overrides.GetString(kMain, L"LoginURL", m_environment.defaultLoginUrls));

    // With NoLogin a response file left in the temporary folder stands in for the answer.
    std::wstring chosenBase;
    if (!noLogin) {
        if (!FetchLoginDocument(input, baseUrls, chosenBase))
            return;
    } else if (!baseUrls.empty()) {
        chosenBase = baseUrls.front();
    }
    m_services.ui.SetResponsePath(ResponsePath());

    const CServerDirectory directory = CServerDirectory::Load(ResponsePath());
    if (m_services.ui.Abandoned() || !PassVersionGate(directory) || !PassAuthentication(directory))
        return;

    SServerSelection selection;
    std::string routeDocument;
    if (noLogin) {
        selection.protocol = VpnProtocolFromNumber(overrides.GetInt(kMain, L"VpnType", 1));
    } else {
        if (!m_services.selection.Choose(selection)) {
            TheEventLog().LoginEnded(login_text::kSelectionCancelled);
            m_services.ui.SetStatus(login_text::kSelectionCancelled, false);
            return;
        }
        if (m_services.ui.Abandoned())
            return;
        const std::wstring url = BuildRouteListUrl(chosenBase, input.userName, input.password,
                                                   directory.RouteId(selection.routeIndex),
                                                   m_environment.referralTag);
        SFetchResult routes = m_services.fetch.Fetch({url});
        if (!routes.ok) {
            m_services.ui.SetStatus(login_text::kCancelled, false);
            return;
        }
        routeDocument = std::move(routes.body);
    }
    if (m_services.ui.Abandoned())
        return;

    StartConnection(input, directory, selection, overrides.GetString(kMain, L"VpnServerHost", L""), routeDocument);
}

bool CLoginExchange::FetchLoginDocument(const SLoginInput& input, const std::vector<std::wstring>& baseUrls,
                                        std::wstring& chosenBase)
{
    // The response file is made (emptied) first: a folder where it cannot be written ends the
    // exchange before anything goes to the network.
    if (!WriteFileBytes(ResponsePath(), {})) {
        m_services.ui.SetStatus(login_text::kCancelled, false);
        return false;
    }

    std::vector<std::wstring> urls;
    urls.reserve(baseUrls.size());
    for (const std::wstring& base : baseUrls)
        urls.push_back(BuildLoginUrl(base, input.userName, input.password, m_environment.referralTag));
    TheEventLog().LoginHostsTried(baseUrls);
    const SFetchResult result = m_services.fetch.Fetch(urls);
    if (!result.ok || !WriteFileBytes(ResponsePath(), result.body)) {
        TheEventLog().LoginEnded(login_text::kCancelled);
        m_services.ui.SetStatus(login_text::kCancelled, false);
        return false;
    }

    // Every URL failing delivers an empty document and no winner; the version gate reports it.
    if (result.winnerIndex >= 0 && static_cast<size_t>(result.winnerIndex) < baseUrls.size()) {
        chosenBase = baseUrls[static_cast<size_t>(result.winnerIndex)];
        TheEventLog().LoginAnswered(chosenBase);
    }
    return true;
}

bool CLoginExchange::PassVersionGate(const CServerDirectory& directory)
{
    uint64_t required = 0;
    if (!ParseRequiredVersion(directory.RequiredClientVersion(), required)) {
        TheEventLog().LoginEnded(login_text::kNetworkOrServerError);
        m_services.ui.SetStatus(login_text::kNetworkOrServerError, true);
        return false;
    }
    if (m_environment.ownVersion >= required)
        return true;

    TheEventLog().LoginEnded(L"客户端版本过低，需要升级");
    m_services.ui.ShowBox(UpgradeMessage(m_environment.webHost));
    // The document comes over plain HTTP: hand the shell web addresses only.
    const std::wstring updateUrl = directory.UpdateUrl();
    if (IsWebUrl(updateUrl))
        m_services.ui.OpenUrl(updateUrl);
    m_services.ui.QuitProgram();
    return false;
}

bool CLoginExchange::PassAuthentication(const CServerDirectory& directory)
{
    const SAuthVerdict verdict =
        EvaluateAuthResult(directory.AuthResult(), directory.AuthResultMessage(), m_environment.webHost);
    if (verdict.accepted)
        return true;
    TheEventLog().LoginEnded(verdict.status);
    m_services.ui.ShowBox(verdict.box);
    m_services.ui.SetStatus(verdict.status, false);
    if (verdict.openHomePage)
        m_services.ui.OpenUrl(HomePageUrl(m_environment.webHost, m_environment.referralTag));
    return false;
}

void CLoginExchange::StartConnection(const SLoginInput& input, const CServerDirectory& directory,
                                     const SServerSelection& selection, const std::wstring& fallbackHost,
                                     const std::string& routeDocument)
{
    // Only the override file can name another protocol; there is no connection kind for it.
    ILoginConnection* connection =
        selection.protocol ? m_services.connections.CreateCurrentConnection(*selection.protocol) : nullptr;
    if (!connection) {
        TheEventLog().LoginEnded(login_text::kNetworkOrServerError);
        m_services.ui.SetStatus(login_text::kNetworkOrServerError, true);
        return;
    }

    ISettingsStore& store = m_services.settings;
    SConnectionSettings config;
    config.serverHost = directory.ServerHost(selection.serverIndex, fallbackHost);
    config.userName = input.userName;
    config.password = input.password;
    config.proxy = settings::ReadProxy(store, m_services.protection);
    config.modifyDefaultGateway = directory.ModifyDefaultGateway(selection.routeIndex);
    config.routes = ParseRouteDocument(routeDocument);
    TheEventLog().Selection(directory.RouteTitle(selection.routeIndex), directory.ServerTitle(selection.serverIndex),
                            config.serverHost, selection.protocol);
    TheEventLog().ProxyInUse(config.proxy);
    connection->Configure(config);

    const uint32_t result = connection->Connect();
    if (result == kConnectStarted || result == kConnectAlreadyConnected) {
        if (result == kConnectAlreadyConnected)
            m_services.ui.ShowBox(login_text::kAlreadyConnected);
        m_services.ui.EnableConnectButtons(false, true);
        return;
    }
    TheEventLog().LoginEnded(L"连接未能开始，代码 " + std::to_wstring(result));
    m_services.ui.ShowOutcomeAndTearDown();
}
