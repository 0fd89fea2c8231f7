#pragma once

// The server directory: the login document the service answers with, kept in the login
// response file while a login exchange runs. Sections VPN, Routes and Servers; indexed keys
// count from 0 and a list ends at the first index whose title is blank.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/ini.h"

class CServerDirectory {
public:
    CServerDirectory() = default;
    explicit CServerDirectory(CIniDocument document) : m_document(std::move(document)) {}
    // A missing file reads as an empty directory.
    static CServerDirectory Load(const std::wstring& path);

    // Section VPN, every value with an empty default.
    std::wstring RequiredClientVersion() const;
    std::wstring UpdateUrl() const;
    std::wstring AuthResult() const;
    std::wstring AuthResultMessage() const;

    // Section Routes. Titles come trimmed; other values as stored.
    int RouteCount() const;
    std::wstring RouteTitle(int index) const;
    std::wstring RouteId(int index) const;
    int32_t ModifyDefaultGateway(int index) const;

    // Section Servers. Titles and protocols come trimmed; other values as stored.
    int ServerCount() const;
    std::wstring ServerTitle(int index) const;
    std::wstring ServerComment(int index) const;
    std::wstring ServerLoad(int index) const;
    std::wstring ServerHost(int index, std::wstring_view defaultHost) const;
    std::wstring ServerProtocols(int index) const;

    // "Title%d" and the like; an index of -1 gives "Title-1", which no document holds.
    static std::wstring IndexedKey(std::wstring_view name, int index);

private:
    std::wstring Get(std::wstring_view section, std::wstring_view name, int index,
                     std::wstring_view defaultValue = {}) const;
    int CountTitles(std::wstring_view section) const;

    CIniDocument m_document;
};
