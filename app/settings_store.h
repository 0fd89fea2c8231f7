// Per-user settings: the store interface, the one table of keys, and an in-memory store.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vpn/vpn_protocol.h"

class IPasswordProtection;

// A per-user key-value store addressed by section and key. The program's store is the registry;
// tests use CMemorySettingsStore.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    virtual int32_t ReadInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) = 0;
    virtual std::wstring ReadString(std::wstring_view section, std::wstring_view key,
                                    std::wstring_view defaultValue) = 0;
    // Empty optional when the value is missing (or is not a blob).
    virtual std::optional<std::vector<uint8_t>> ReadBlob(std::wstring_view section, std::wstring_view key) = 0;

    virtual void WriteInt(std::wstring_view section, std::wstring_view key, int32_t value) = 0;
    // A missing value (nullopt) deletes the key.
    virtual void WriteString(std::wstring_view section, std::wstring_view key,
                             std::optional<std::wstring_view> value) = 0;
    virtual void WriteBlob(std::wstring_view section, std::wstring_view key, const std::vector<uint8_t>& value) = 0;
};

// Every key the program keeps, with its section, type and default on read.
enum class SettingType { Int, String, Blob };

struct SettingKey {
    const wchar_t* section;
    const wchar_t* key;
    SettingType type;
    int32_t intDefault;
    const wchar_t* stringDefault;
};

namespace settings {
inline constexpr SettingKey Username{L"Main", L"Username", SettingType::String, 0, L""};
inline constexpr SettingKey Password{L"Main", L"Password", SettingType::Blob, 0, nullptr};
inline constexpr SettingKey SavePassword{L"Main", L"SavePassword", SettingType::Int, 1, nullptr};
inline constexpr SettingKey TipHideAfterConnection{L"Main", L"Tip_HideAfterConnection", SettingType::Int, 0, nullptr};
inline constexpr SettingKey LastVpnRouteTitle{L"Main", L"LastVpnRouteTitle", SettingType::String, 0, L""};
inline constexpr SettingKey LastVpnServerTitle{L"Main", L"LastVpnServerTitle", SettingType::String, 0, L""};
inline constexpr SettingKey VpnType{L"Main", L"VpnType", SettingType::Int, 1, nullptr};
inline constexpr SettingKey ProxyType{L"Proxy", L"Type", SettingType::Int, 0, nullptr};
inline constexpr SettingKey ProxyServer{L"Proxy", L"Server", SettingType::String, 0, L""};
inline constexpr SettingKey ProxyPort{L"Proxy", L"Port", SettingType::Int, 0, nullptr};
inline constexpr SettingKey ProxyUsername{L"Proxy", L"Username", SettingType::String, 0, L""};
// Protected like Main/Password. Older versions kept it as a plain string, which is still read.
inline constexpr SettingKey ProxyPassword{L"Proxy", L"Password", SettingType::Blob, 0, nullptr};

inline constexpr const SettingKey* All[] = {
    &Username, &Password, &SavePassword, &TipHideAfterConnection, &LastVpnRouteTitle,
    &LastVpnServerTitle, &VpnType, &ProxyType, &ProxyServer, &ProxyPort, &ProxyUsername, &ProxyPassword,
};

// Typed access through the table, so every reader gets the same default.
int32_t ReadInt(ISettingsStore& store, const SettingKey& key);
std::wstring ReadString(ISettingsStore& store, const SettingKey& key);
std::optional<std::vector<uint8_t>> ReadBlob(ISettingsStore& store, const SettingKey& key);
void WriteInt(ISettingsStore& store, const SettingKey& key, int32_t value);
void WriteString(ISettingsStore& store, const SettingKey& key, std::optional<std::wstring_view> value);
void WriteBlob(ISettingsStore& store, const SettingKey& key, const std::vector<uint8_t>& value);

// Section Proxy as a whole, with the table's defaults and the password as ReadProxyPassword
// gives it.
SProxySettings ReadProxy(ISettingsStore& store, IPasswordProtection& protection);

// The proxy password: the protected blob unprotected, else an older version's plain string as it
// stands; empty when there is neither or the blob cannot be unprotected (another user's).
std::wstring ReadProxyPassword(ISettingsStore& store, IPasswordProtection& protection);
// Stores the password protected, replacing any plain string. When protection fails nothing is
// stored (and no older value is left), as for the main password: never plain text.
void WriteProxyPassword(ISettingsStore& store, IPasswordProtection& protection, std::wstring_view password);
}  // namespace settings

// The store for tests and for platforms without a registry. Names are case-insensitive, as in
// the registry.
class CMemorySettingsStore : public ISettingsStore {
public:
    int32_t ReadInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) override;
    std::wstring ReadString(std::wstring_view section, std::wstring_view key, std::wstring_view defaultValue) override;
    std::optional<std::vector<uint8_t>> ReadBlob(std::wstring_view section, std::wstring_view key) override;
    void WriteInt(std::wstring_view section, std::wstring_view key, int32_t value) override;
    void WriteString(std::wstring_view section, std::wstring_view key, std::optional<std::wstring_view> value) override;
    void WriteBlob(std::wstring_view section, std::wstring_view key, const std::vector<uint8_t>& value) override;

    bool Contains(std::wstring_view section, std::wstring_view key) const;

private:
    struct Value {
        SettingType type;
        int32_t number = 0;
        std::wstring text;
        std::vector<uint8_t> bytes;
    };
    static std::wstring Name(std::wstring_view section, std::wstring_view key);
    const Value* Find(std::wstring_view section, std::wstring_view key, SettingType type) const;

    std::map<std::wstring, Value> m_values;
};
