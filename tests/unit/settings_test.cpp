#include "app/app_paths.h"
#include "app/login_fields.h"
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "tests/unit/fake_password_protection.h"

namespace {
// "Protects" by a leading 'P'; anything else cannot be unprotected.
struct CMarkedProtection : IPasswordProtection {
    std::optional<std::vector<uint8_t>> Protect(std::wstring_view) override { return std::nullopt; }
    std::optional<std::wstring> Unprotect(const std::vector<uint8_t>& blob) override
    {
        if (blob.empty() || blob[0] != 'P')
            return std::nullopt;
        return std::wstring(blob.begin() + 1, blob.end());
    }
} g_markedProtection;
}  // namespace

TEST(SettingsTable, DefaultsOnAnEmptyStore)
{
    CMemorySettingsStore store;
    EXPECT_EQ(settings::ReadInt(store, settings::SavePassword), 1);
    EXPECT_EQ(settings::ReadInt(store, settings::VpnType), 1);
    EXPECT_EQ(settings::ReadInt(store, settings::ProxyType), 0);
    EXPECT_EQ(settings::ReadString(store, settings::Username), L"");
    EXPECT_FALSE(settings::ReadBlob(store, settings::Password).has_value());

    CFakePasswordProtection protection;
    const SProxySettings proxy = settings::ReadProxy(store, protection);
    EXPECT_EQ(proxy.type, 0);
    EXPECT_EQ(proxy.server, L"");
    EXPECT_EQ(proxy.port, 0);
    EXPECT_EQ(proxy.userName, L"");
    EXPECT_EQ(proxy.password, L"");
}

TEST(ProxyPassword, ReadsTheProtectedBlobOrAnOlderPlainString)
{
    CFakePasswordProtection protection;
    struct SCase {
        const char* name;
        std::optional<std::vector<uint8_t>> blob;
        std::optional<std::wstring> plain;  // an older version's value
        std::wstring expected;
    };
    const SCase cases[] = {
        {"nothing stored", std::nullopt, std::nullopt, L""},
        {"protected", protection.Protect(L"代理 p@ss"), std::nullopt, L"代理 p@ss"},
        {"protected empty", protection.Protect(L""), std::nullopt, L""},
        {"another user's blob", std::vector<uint8_t>{0x01, 0x02, 0x03}, std::nullopt, L""},
        {"older plain string", std::nullopt, L"旧 pass", L"旧 pass"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CMemorySettingsStore store;
        settings::WriteString(store, settings::ProxyServer, std::wstring_view(L"127.0.0.9"));
        if (c.blob)
            store.WriteBlob(L"Proxy", L"Password", *c.blob);
        if (c.plain)
            store.WriteString(L"Proxy", L"Password", std::wstring_view(*c.plain));
        EXPECT_EQ(settings::ReadProxyPassword(store, protection), c.expected);
        const SProxySettings proxy = settings::ReadProxy(store, protection);
        EXPECT_EQ(proxy.password, c.expected);
        EXPECT_EQ(proxy.server, L"127.0.0.9");
    }
}

TEST(ProxyPassword, IsWrittenProtectedOrNotAtAll)
{
    CFakePasswordProtection protection;
    CMemorySettingsStore store;
    store.WriteString(L"Proxy", L"Password", std::wstring_view(L"旧 pass"));
    settings::WriteProxyPassword(store, protection, L"新 pass");
    EXPECT_EQ(settings::ReadBlob(store, settings::ProxyPassword), protection.Protect(L"新 pass"));
    EXPECT_EQ(store.ReadString(L"Proxy", L"Password", L"no string"), L"no string") << "the plain string is gone";
    EXPECT_EQ(settings::ReadProxyPassword(store, protection), L"新 pass");

    // Without protection neither the new password nor an older one stays; the same for a
    // plain string from an older version.
    protection.works = false;
    settings::WriteProxyPassword(store, protection, L"again");
    EXPECT_FALSE(store.Contains(L"Proxy", L"Password"));
    store.WriteString(L"Proxy", L"Password", std::wstring_view(L"旧 pass"));
    settings::WriteProxyPassword(store, protection, L"again");
    EXPECT_FALSE(store.Contains(L"Proxy", L"Password"));
}

TEST(SettingsTable, KeysAreUniqueAndTyped)
{
    for (const SettingKey* a : settings::All) {
        for (const SettingKey* b : settings::All) {
            if (a != b) {
                EXPECT_FALSE(std::wstring(a->section) == b->section && std::wstring(a->key) == b->key)
                    << "duplicate key " << std::string(a->key, a->key + wcslen(a->key));
            }
        }
        EXPECT_EQ(a->type == SettingType::String, a->stringDefault != nullptr);
    }
}

TEST(MemorySettingsStore, NamesAreCaseInsensitiveAndTypesDoNotMix)
{
    CMemorySettingsStore store;
    store.WriteInt(L"Main", L"VpnType", 3);
    EXPECT_EQ(store.ReadInt(L"main", L"VPNTYPE", 1), 3);
    // An integer is not a string: a string read of it gives the default.
    EXPECT_EQ(store.ReadString(L"Main", L"VpnType", L"x"), L"x");

    store.WriteString(L"Main", L"Username", std::wstring_view(L"张三"));
    EXPECT_EQ(store.ReadString(L"Main", L"Username", L""), L"张三");
    store.WriteString(L"Main", L"Username", std::nullopt);
    EXPECT_FALSE(store.Contains(L"Main", L"Username"));
    EXPECT_EQ(store.ReadString(L"Main", L"Username", L"none"), L"none");
}

TEST(LoginFields, FirstRunIsEmptyWithSavePasswordSet)
{
    CMemorySettingsStore store;
    LoginFields fields = LoadLoginFields(store, g_markedProtection);
    EXPECT_EQ(fields.username, L"");
    EXPECT_EQ(fields.password, L"");
    EXPECT_TRUE(fields.savePassword);
}

TEST(LoginFields, StoredValuesAndUnreadablePassword)
{
    CMemorySettingsStore store;
    settings::WriteString(store, settings::Username, std::wstring_view(L"demo"));
    settings::WriteBlob(store, settings::Password, {'P', 's', 'e', 'c'});
    settings::WriteInt(store, settings::SavePassword, 0);
    LoginFields fields = LoadLoginFields(store, g_markedProtection);
    EXPECT_EQ(fields.username, L"demo");
    EXPECT_EQ(fields.password, L"sec");
    EXPECT_FALSE(fields.savePassword);

    // Read in two steps (the window fills the password after its first paint): the same values.
    fields = LoadLoginFields(store);
    EXPECT_EQ(fields.username, L"demo");
    EXPECT_EQ(fields.password, L"");
    EXPECT_FALSE(fields.savePassword);
    EXPECT_EQ(LoadSavedPassword(store, g_markedProtection), L"sec");

    // A blob that cannot be unprotected (another user's) leaves the password empty.
    settings::WriteBlob(store, settings::Password, {'X', 'y'});
    settings::WriteInt(store, settings::SavePassword, 7);
    fields = LoadLoginFields(store, g_markedProtection);
    EXPECT_EQ(fields.password, L"");
    EXPECT_TRUE(fields.savePassword);  // any non-zero value
}

TEST(AppPaths, FolderNameAndOverrideFile)
{
    EXPECT_EQ(DirectoryOf(L"C:\\Program Files\\Korvex\\korvex.exe"), L"C:\\Program Files\\Korvex\\");
    EXPECT_EQ(DirectoryOf(L"korvex.exe"), L"");
    EXPECT_EQ(DirectoryOf(L"C:\\"), L"C:\\");
    EXPECT_EQ(ApplicationNameOf(L"C:\\a.b\\korvex.exe"), L"korvex");
    EXPECT_EQ(ApplicationNameOf(L"C:\\a.b\\korvex"), L"korvex");
    EXPECT_EQ(ApplicationNameOf(L"C:\\x\\my.client.exe"), L"my.client");
    EXPECT_EQ(OverrideFileOf(L"C:\\x\\korvex.exe"), L"C:\\x\\korvex.exe.ini");
}
