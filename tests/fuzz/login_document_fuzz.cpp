// The service's answers to client_login.php: the login document (read through the server
// directory, the version gate, the authentication verdict and the selection window's view) and
// the route list. Any bytes must read without harm, and the selection must stay in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/login_rules.h"
#include "app/server_directory.h"
#include "app/settings_store.h"
#include "base/text.h"
#include "policy/server_selection.h"

namespace {
void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Trimmed(const std::wstring& text)
{
    return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CServerDirectory directory(CIniDocument::Parse(bytes));

    uint64_t version = 0;
    ParseRequiredVersion(directory.RequiredClientVersion(), version);
    const SAuthVerdict verdict =
        EvaluateAuthResult(directory.AuthResult(), directory.AuthResultMessage(), L"web.example");
    Check(!verdict.accepted || (verdict.box.empty() && !verdict.openHomePage));

    // The last choice names the directory's last route and server, so matching is exercised.
    const int routes = directory.RouteCount();
    const int servers = directory.ServerCount();
    CMemorySettingsStore settings;
    if (routes > 0)
        settings::WriteString(settings, settings::LastVpnRouteTitle, directory.RouteTitle(routes - 1));
    if (servers > 0)
        settings::WriteString(settings, settings::LastVpnServerTitle, directory.ServerTitle(servers - 1));
    const SSelectionView view = BuildSelectionView(directory, settings);

    Check(view.routes.size() == static_cast<size_t>(routes));
    Check(view.servers.size() == static_cast<size_t>(servers));
    Check(view.routes.empty() ? view.selectedRoute == -1
                              : view.selectedRoute >= 0 && view.selectedRoute < routes);
    Check(view.servers.empty() ? view.selectedRow == -1
                               : view.selectedRow >= 0 && view.selectedRow < servers);
    for (int i = 0; i < routes; ++i) {
        Check(!view.routes[i].empty() && Trimmed(view.routes[i]));
        directory.RouteId(i);
        directory.ModifyDefaultGateway(i);
    }
    for (int i = 0; i < servers; ++i) {
        const SServerRow& row = view.servers[i];
        Check(row.serverIndex == i && !row.title.empty() && Trimmed(row.title));
        Check(row.loadText.size() >= 4 && row.loadText.back() == L'%');
        directory.ServerHost(i, L"127.0.0.1");
        const std::wstring protocols = directory.ServerProtocols(i);
        Check(ProtocolOffer(protocols).empty == protocols.empty());
    }

    for (const std::wstring& line : ParseRouteDocument(bytes))
        Check(!line.empty() && line.front() != L'\r' && line.back() != L'\r' &&
              line.find(L'\n') == std::wstring::npos);
    return 0;
}
