#include "app/registry_settings_win32.h"

#include "win/handle.h"

#include <cstring>
#include <cwchar>

CRegistrySettingsStore::CRegistrySettingsStore(std::wstring company, std::wstring application, HKEY root)
    : m_root(L"software\\" + company + L"\\" + application), m_hive(root)
{
}

std::wstring CRegistrySettingsStore::SectionPath(std::wstring_view section) const
{
    return m_root + L"\\" + std::wstring(section);
}

std::optional<std::vector<uint8_t>> CRegistrySettingsStore::Query(std::wstring_view section, std::wstring_view key,
                                                                  DWORD type) const
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(m_hive, SectionPath(section).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    CRegistryKey sectionKey(opened);
    const std::wstring name(key);
    DWORD actualType = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(opened, name.c_str(), nullptr, &actualType, nullptr, &size) != ERROR_SUCCESS ||
        actualType != type)
        return std::nullopt;
    std::vector<uint8_t> data(size);
    if (::RegQueryValueExW(opened, name.c_str(), nullptr, &actualType, data.data(), &size) != ERROR_SUCCESS ||
        actualType != type)
        return std::nullopt;
    data.resize(size);
    return data;
}

void CRegistrySettingsStore::Set(std::wstring_view section, std::wstring_view key, DWORD type, const void* data,
                                 DWORD size)
{
    HKEY created = nullptr;
    if (::RegCreateKeyExW(m_hive, SectionPath(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                          nullptr) != ERROR_SUCCESS)
        return;
    CRegistryKey sectionKey(created);
    ::RegSetValueExW(created, std::wstring(key).c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

int32_t CRegistrySettingsStore::ReadInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue)
{
    auto data = Query(section, key, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD))
        return defaultValue;
    DWORD value = 0;
    memcpy(&value, data->data(), sizeof value);
    return static_cast<int32_t>(value);
}

std::wstring CRegistrySettingsStore::ReadString(std::wstring_view section, std::wstring_view key,
                                                std::wstring_view defaultValue)
{
    auto data = Query(section, key, REG_SZ);
    if (!data)
        return std::wstring(defaultValue);
    // The stored size may or may not include the terminating zero; cut at the first one.
    std::wstring text(data->size() / sizeof(wchar_t), L'\0');
    memcpy(text.data(), data->data(), text.size() * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

std::optional<std::vector<uint8_t>> CRegistrySettingsStore::ReadBlob(std::wstring_view section, std::wstring_view key)
{
    return Query(section, key, REG_BINARY);
}

void CRegistrySettingsStore::WriteInt(std::wstring_view section, std::wstring_view key, int32_t value)
{
    const DWORD data = static_cast<DWORD>(value);
    Set(section, key, REG_DWORD, &data, sizeof data);
}

void CRegistrySettingsStore::WriteString(std::wstring_view section, std::wstring_view key,
                                         std::optional<std::wstring_view> value)
{
    if (!value) {
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(m_hive, SectionPath(section).c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
            return;
        CRegistryKey sectionKey(opened);
        ::RegDeleteValueW(opened, std::wstring(key).c_str());
        return;
    }
    const std::wstring text(*value);
    Set(section, key, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CRegistrySettingsStore::WriteBlob(std::wstring_view section, std::wstring_view key,
                                       const std::vector<uint8_t>& value)
{
    Set(section, key, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
}
