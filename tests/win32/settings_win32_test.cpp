#include "app/login_fields.h"
#include "app/login_windows_win32.h"
#include "app/password_win32.h"
#include "app/registry_settings_win32.h"

#include <gtest/gtest.h>
#include <shlwapi.h>
#include <windows.h>
#include <wincrypt.h>

namespace {
// A store under a company key of its own, removed after each test.
class RegistryStoreTest : public ::testing::Test {
protected:
    const std::wstring company = L"Korvex测试" + std::to_wstring(::GetCurrentProcessId());
    CRegistrySettingsStore store{company, L"korvex"};

    void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, (L"software\\" + company).c_str()); }

    DWORD RawType(const wchar_t* section, const wchar_t* key)
    {
        DWORD type = 0;
        LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, store.SectionPath(section).c_str(), key,
                                        RRF_RT_ANY, &type, nullptr, nullptr);
        return status == ERROR_SUCCESS ? type : REG_NONE;
    }
};
}  // namespace

TEST_F(RegistryStoreTest, ValuesLiveUnderTheApplicationKeyWithTheirTypes)
{
    EXPECT_EQ(store.SectionPath(L"Main"), L"software\\" + company + L"\\korvex\\Main");
    store.WriteInt(L"Main", L"SavePassword", 0);
    store.WriteString(L"Main", L"Username", std::wstring_view(L"用户&名"));
    store.WriteBlob(L"Main", L"Password", {1, 2, 3});
    EXPECT_EQ(RawType(L"Main", L"SavePassword"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RawType(L"Main", L"Username"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawType(L"Main", L"Password"), static_cast<DWORD>(REG_BINARY));

    EXPECT_EQ(store.ReadInt(L"main", L"savepassword", 1), 0);
    EXPECT_EQ(store.ReadString(L"Main", L"Username", L""), L"用户&名");
    EXPECT_EQ(store.ReadBlob(L"Main", L"Password"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(RegistryStoreTest, MissingOrMistypedValuesGiveDefaultsAndNullDeletes)
{
    EXPECT_EQ(store.ReadInt(L"Proxy", L"Port", 0), 0);
    EXPECT_EQ(store.ReadString(L"Proxy", L"Server", L"none"), L"none");
    EXPECT_FALSE(store.ReadBlob(L"Main", L"Password").has_value());

    store.WriteString(L"Main", L"VpnType", std::wstring_view(L"3"));
    EXPECT_EQ(store.ReadInt(L"Main", L"VpnType", 1), 1);  // a string is not an integer

    store.WriteString(L"Main", L"Username", std::wstring_view(L"demo"));
    store.WriteString(L"Main", L"Username", std::nullopt);
    EXPECT_EQ(RawType(L"Main", L"Username"), static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(store.ReadString(L"Main", L"Username", L"gone"), L"gone");
    store.WriteString(L"Other", L"Never", std::nullopt);  // deleting from a missing section is harmless
}

TEST_F(RegistryStoreTest, LongAndEmptyStringsComeBackWhole)
{
    const std::wstring text(3000, L'网');
    store.WriteString(L"Main", L"LastVpnServerTitle", std::wstring_view(text));
    EXPECT_EQ(store.ReadString(L"Main", L"LastVpnServerTitle", L""), text);
    store.WriteString(L"Main", L"LastVpnRouteTitle", std::wstring_view(L""));
    EXPECT_EQ(store.ReadString(L"Main", L"LastVpnRouteTitle", L"default"), L"");
}

TEST_F(RegistryStoreTest, FirstRunAndSavedPassword)
{
    CPasswordProtection protection;
    LoginFields fields = LoadLoginFields(store, protection);
    EXPECT_TRUE(fields.savePassword);
    EXPECT_EQ(fields.username, L"");
    EXPECT_EQ(fields.password, L"");

    settings::WriteString(store, settings::Username, std::wstring_view(L"demo"));
    settings::WriteBlob(store, settings::Password, ProtectPassword(L"密码 p@ss"));
    fields = LoadLoginFields(store, protection);
    EXPECT_EQ(fields.username, L"demo");
    EXPECT_EQ(fields.password, L"密码 p@ss");

    // A blob that cannot be unprotected (copied from another account, damaged) leaves it empty.
    settings::WriteBlob(store, settings::Password, {0x01, 0x00, 0x00, 0x00, 0xd0, 0x8c, 0x9d, 0xdf});
    EXPECT_EQ(LoadLoginFields(store, protection).password, L"");
}

TEST(PasswordProtection, BlobIsNotPlainTextAndRoundTrips)
{
    const std::wstring password = L"secret-口令";
    const std::vector<uint8_t> blob = ProtectPassword(password);
    ASSERT_FALSE(blob.empty());
    const auto* raw = reinterpret_cast<const char*>(password.c_str());
    const std::string plain(raw, raw + password.size() * sizeof(wchar_t));
    EXPECT_EQ(std::string(blob.begin(), blob.end()).find(plain), std::string::npos);

    EXPECT_EQ(UnprotectPassword(blob), password);
    EXPECT_EQ(UnprotectPassword(ProtectPassword(L"")), std::wstring());
    EXPECT_FALSE(UnprotectPassword({}).has_value());
    const std::vector<uint8_t> truncated(blob.begin(), blob.begin() + blob.size() / 2);
    EXPECT_FALSE(UnprotectPassword(truncated).has_value());
}

// Every saved password in the field is in this format; a change would lock their owners out.
TEST(PasswordProtection, TheStoredFormatIsPinned)
{
    std::vector<uint8_t> blob = ProtectPassword(L"口令1");
    ASSERT_FALSE(blob.empty());
    DATA_BLOB input{static_cast<DWORD>(blob.size()), blob.data()};
    DATA_BLOB output{};
    LPWSTR description = nullptr;
    ASSERT_TRUE(::CryptUnprotectData(&input, &description, nullptr, nullptr, nullptr, CRYPTPROTECT_AUDIT, &output))
        << "empty entropy, readable by the same user";
    EXPECT_STREQ(description, L"Korvex");
    const std::wstring expected(L"口令1", 4);  // UTF-16 with the terminating zero
    ASSERT_EQ(output.cbData, expected.size() * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(output.pbData), expected.size()), expected);
    ::LocalFree(description);
    ::LocalFree(output.pbData);

    // And a blob written by that format elsewhere reads back.
    std::wstring text = L"旧版本";
    DATA_BLOB plain{static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), reinterpret_cast<BYTE*>(text.data())};
    DATA_BLOB written{};
    ASSERT_TRUE(::CryptProtectData(&plain, L"Korvex", nullptr, nullptr, nullptr, CRYPTPROTECT_AUDIT, &written));
    const std::vector<uint8_t> stored(written.pbData, written.pbData + written.cbData);
    ::LocalFree(written.pbData);
    EXPECT_EQ(UnprotectPassword(stored), text);
}
