// The settings store in the registry: HKCU\software\<company>\<application>\<section>, one value
// per key (REG_DWORD, REG_SZ, REG_BINARY).
#pragma once

#include "app/settings_store.h"

#include <windows.h>

class CRegistrySettingsStore : public ISettingsStore {
public:
    // root is normally HKEY_CURRENT_USER; tests may pass another key they own.
    CRegistrySettingsStore(std::wstring company, std::wstring application, HKEY root = HKEY_CURRENT_USER);

    int32_t ReadInt(std::wstring_view section, std::wstring_view key, int32_t defaultValue) override;
    std::wstring ReadString(std::wstring_view section, std::wstring_view key, std::wstring_view defaultValue) override;
    std::optional<std::vector<uint8_t>> ReadBlob(std::wstring_view section, std::wstring_view key) override;
    void WriteInt(std::wstring_view section, std::wstring_view key, int32_t value) override;
    void WriteString(std::wstring_view section, std::wstring_view key, std::optional<std::wstring_view> value) override;
    void WriteBlob(std::wstring_view section, std::wstring_view key, const std::vector<uint8_t>& value) override;

    std::wstring SectionPath(std::wstring_view section) const;

private:
    // The raw value and its registry type, or nothing when the key, section or value is missing.
    std::optional<std::vector<uint8_t>> Query(std::wstring_view section, std::wstring_view key, DWORD type) const;
    void Set(std::wstring_view section, std::wstring_view key, DWORD type, const void* data, DWORD size);

    std::wstring m_root;  // software\<company>\<application>
    HKEY m_hive;
};
