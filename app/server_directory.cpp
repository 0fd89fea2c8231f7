#include "app/server_directory.h"

#include "base/text.h"

namespace {
constexpr wchar_t kVpn[] = L"VPN";
constexpr wchar_t kRoutes[] = L"Routes";
constexpr wchar_t kServers[] = L"Servers";
}  // namespace

CServerDirectory CServerDirectory::Load(const std::wstring& path)
{
    return CServerDirectory(CIniDocument::Load(path));
}

std::wstring CServerDirectory::IndexedKey(std::wstring_view name, int index)
{
    return std::wstring(name) + std::to_wstring(index);
}

std::wstring CServerDirectory::Get(std::wstring_view section, std::wstring_view name, int index,
                                   std::wstring_view defaultValue) const
{
    return m_document.GetString(section, IndexedKey(name, index), defaultValue);
}

int CServerDirectory::CountTitles(std::wstring_view section) const
{
    int count = 0;
    while (!TrimBlanks(Get(section, L"Title", count)).empty())
        ++count;
    return count;
}

std::wstring CServerDirectory::RequiredClientVersion() const
{
    return m_document.GetString(kVpn, L"RequiredClientVersion", L"");
}

std::wstring CServerDirectory::UpdateUrl() const
{
    return m_document.GetString(kVpn, L"UpdateURL", L"");
}

std::wstring CServerDirectory::AuthResult() const
{
    return m_document.GetString(kVpn, L"AuthResult", L"");
}

std::wstring CServerDirectory::AuthResultMessage() const
{
    return m_document.GetString(kVpn, L"AuthResultMessage", L"");
}

int CServerDirectory::RouteCount() const
{
    return CountTitles(kRoutes);
}

std::wstring CServerDirectory::RouteTitle(int index) const
{
    return TrimBlanks(Get(kRoutes, L"Title", index));
}

std::wstring CServerDirectory::RouteId(int index) const
{
    return Get(kRoutes, L"RouteId", index);
}

int32_t CServerDirectory::ModifyDefaultGateway(int index) const
{
    return m_document.GetInt(kRoutes, IndexedKey(L"ModifyDefaultGateway", index), 0);
}

int CServerDirectory::ServerCount() const
{
    return CountTitles(kServers);
}

std::wstring CServerDirectory::ServerTitle(int index) const
{
    return TrimBlanks(Get(kServers, L"Title", index));
}

std::wstring CServerDirectory::ServerComment(int index) const
{
    return Get(kServers, L"Comment", index);
}

std::wstring CServerDirectory::ServerLoad(int index) const
{
    return Get(kServers, L"Load", index);
}

std::wstring CServerDirectory::ServerHost(int index, std::wstring_view defaultHost) const
{
    return Get(kServers, L"ServerHost", index, defaultHost);
}

std::wstring CServerDirectory::ServerProtocols(int index) const
{
    return TrimBlanks(Get(kServers, L"Protocols", index));
}
