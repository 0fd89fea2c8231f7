#include "app/settings_store.h"

#include "app/login_interfaces.h"
#include "base/text.h"

namespace settings {
int32_t ReadInt(ISettingsStore& store, const SettingKey& key)
{
    return store.ReadInt(key.section, key.key, key.intDefault);
}

std::wstring ReadString(ISettingsStore& store, const SettingKey& key)
{
    return store.ReadString(key.section, key.key, key.stringDefault ? key.stringDefault : L"");
}

std::optional<std::vector<uint8_t>> ReadBlob(ISettingsStore& store, const SettingKey& key)
{
    return store.ReadBlob(key.section, key.key);
}

void WriteInt(ISettingsStore& store, const SettingKey& key, int32_t value)
{
    store.WriteInt(key.section, key.key, value);
}

void WriteString(ISettingsStore& store, const SettingKey& key, std::optional<std::wstring_view> value)
{
    store.WriteString(key.section, key.key, value);
}

void WriteBlob(ISettingsStore& store, const SettingKey& key, const std::vector<uint8_t>& value)
{
    store.WriteBlob(key.section, key.key, value);
}
}  // namespace settings

std::wstring CMemorySettingsStore::Name(std::wstring_view section, std::wstring_view key)
{
    // A backslash cannot occur in a registry key name of ours, so it separates the two parts.
    return ToLowerAscii(section) + L'\\' + ToLowerAscii(key);
}

const CMemorySettingsStore::Value* CMemorySettingsStore::Find(std::wstring_view section, std::wstring_view key,
                                                              SettingType type) const
{
    auto it = m_values.find(Name(section, key));
    return it != m_values.end() && it->second.type == type ? &it->second : nullptr;
}

int32_t CMemorySettingsStore::ReadInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue)
{
    const Value* value = Find(section, key, SettingType::Int);
    return value ? value->number : defaultValue;
}

std::wstring CMemorySettingsStore::ReadString(std::wstring_view section, std::wstring_view key,
                                              std::wstring_view defaultValue)
{
    const Value* value = Find(section, key, SettingType::String);
    return value ? value->text : std::wstring(defaultValue);
}

std::optional<std::vector<uint8_t>> CMemorySettingsStore::ReadBlob(std::wstring_view section, std::wstring_view key)
{
    const Value* value = Find(section, key, SettingType::Blob);
    if (!value)
        return std::nullopt;
    return value->bytes;
}

void CMemorySettingsStore::WriteInt(std::wstring_view section, std::wstring_view key, int32_t value)
{
    m_values[Name(section, key)] = Value{SettingType::Int, value, {}, {}};
}

void CMemorySettingsStore::WriteString(std::wstring_view section, std::wstring_view key,
                                       std::optional<std::wstring_view> value)
{
    if (!value)
        m_values.erase(Name(section, key));
    else
        m_values[Name(section, key)] = Value{SettingType::String, 0, std::wstring(*value), {}};
}

void CMemorySettingsStore::WriteBlob(std::wstring_view section, std::wstring_view key,
                                     const std::vector<uint8_t>& value)
{
    m_values[Name(section, key)] = Value{SettingType::Blob, 0, {}, value};
}

bool CMemorySettingsStore::Contains(std::wstring_view section, std::wstring_view key) const
{
    return m_values.count(Name(section, key)) != 0;
}

SProxySettings settings::ReadProxy(ISettingsStore& store, IPasswordProtection& protection)
{
    SProxySettings proxy;
    proxy.type = ReadInt(store, ProxyType);
    proxy.server = ReadString(store, ProxyServer);
    proxy.port = ReadInt(store, ProxyPort);
    proxy.userName = ReadString(store, ProxyUsername);
    proxy.password = ReadProxyPassword(store, protection);
    return proxy;
}

std::wstring settings::ReadProxyPassword(ISettingsStore& store, IPasswordProtection& protection)
{
    if (const auto blob = ReadBlob(store, ProxyPassword)) {
        auto password = protection.Unprotect(*blob);
        return password ? std::move(*password) : std::wstring();
    }
    // A value holds one type, so a plain string here is an older version's, not yet rewritten.
    return store.ReadString(ProxyPassword.section, ProxyPassword.key, L"");
}

void settings::WriteProxyPassword(ISettingsStore& store, IPasswordProtection& protection, std::wstring_view password)
{
    if (const auto blob = protection.Protect(password))
        WriteBlob(store, ProxyPassword, *blob);
    else
        WriteString(store, ProxyPassword, std::nullopt);
}
