#include "policy/proxy_settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "tests/unit/fake_password_protection.h"

namespace {
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

auto Values(const SProxySettings& proxy)
{
    return std::tie(proxy.type, proxy.server, proxy.port, proxy.userName, proxy.password);
}

// The memory store, noting the key of every write in order.
class CRecordingStore : public CMemorySettingsStore {
public:
    std::vector<std::wstring> writes;

    void WriteInt(std::wstring_view section, std::wstring_view key, int32_t value) override
    {
        Note(section, key);
        CMemorySettingsStore::WriteInt(section, key, value);
    }
    void WriteString(std::wstring_view section, std::wstring_view key, std::optional<std::wstring_view> value) override
    {
        Note(section, key);
        CMemorySettingsStore::WriteString(section, key, value);
    }
    void WriteBlob(std::wstring_view section, std::wstring_view key, const std::vector<uint8_t>& value) override
    {
        Note(section, key);
        CMemorySettingsStore::WriteBlob(section, key, value);
    }

private:
    void Note(std::wstring_view section, std::wstring_view key)
    {
        writes.push_back(std::wstring(section) + L'/' + std::wstring(key));
    }
};
}  // namespace

TEST(ProxySettingsRules, PortFieldIsReadAsTheIntegerItStartsWith)
{
    struct SCase {
        std::wstring field;
        std::optional<int32_t> port;
    };
    const SCase cases[] = {
        {L"8080", 8080},
        {L"8080abc", 8080},
        {L" \t\r\n1080 ", 1080},
        {L"-12", -12},
        {L"+7", 7},
        {L"0", 0},
        {L"010", 10},  // decimal, never octal
        {L"0x1F", 0},  // nor hexadecimal
        {L"2147483647", kMax},
        {L"2147483648", kMax},
        {L"-2147483648", kMin},
        {L"-99999999999999999999999999", kMin},
        {std::wstring(70, L'9'), kMax},
        {std::wstring(62, L' ') + L"5", 5},
        {std::wstring(60, L' ') + L"12345", 123},  // only the first 63 characters count
        {L"abc", std::nullopt},
        {L"a8080", std::nullopt},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {std::wstring(63, L' ') + L"5", std::nullopt},
        {L"-", std::nullopt},
        {L"+ 5", std::nullopt},
        {L"--5", std::nullopt},
        {L"８０", std::nullopt},  // full-width digits are not read
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.field));
        EXPECT_EQ(ParseProxyPort(c.field), c.port);
    }
}

TEST(ProxySettingsRules, RadiosShowOneTypeAndStandForTheLastChecked)
{
    struct SShown {
        int32_t type;
        ProxyRadios radios;
    };
    const SShown shown[] = {
        {0, {true, false, false}},
        {1, {false, true, false}},
        {2, {false, false, true}},
        {3, {false, false, false}},
        {-1, {false, false, false}},
    };
    for (const SShown& c : shown) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(RadiosForType(c.type), c.radios);
    }

    struct SRead {
        ProxyRadios radios;
        int32_t type;
    };
    const SRead read[] = {
        {{false, false, false}, 0},
        {{true, false, false}, 0},
        {{false, true, false}, 1},
        {{false, false, true}, 2},
        {{true, true, false}, 1},
        {{false, true, true}, 2},
        {{true, false, true}, 2},
        {{true, true, true}, 2},
    };
    for (const SRead& c : read) {
        SCOPED_TRACE(::testing::PrintToString(c.radios));
        EXPECT_EQ(TypeFromRadios(c.radios), c.type);
    }

    // A stored HTTP CONNECT, then a click on "无" or "Socks5 代理": the hidden button no longer
    // counts.
    for (EProxyType clicked : {EProxyType::None, EProxyType::Socks5})
        EXPECT_EQ(TypeFromRadios(RadiosForType(static_cast<int32_t>(clicked))), static_cast<int32_t>(clicked));
}

TEST(ProxySettingsRules, FieldsShowTheStoredValues)
{
    const SProxyFields fields = ProxyFieldsOf({1, L"proxy.example", -5, L"用户", L"口令"});
    EXPECT_EQ(fields.radios, (ProxyRadios{false, true, false}));
    EXPECT_EQ(fields.server, L"proxy.example");
    EXPECT_EQ(fields.port, L"-5");
    EXPECT_EQ(fields.userName, L"用户");
    EXPECT_EQ(fields.password, L"口令");
    EXPECT_EQ(ProxyFieldsOf({}).port, L"0");
}

TEST(ProxySettingsRules, OkSavesEverythingAsTypedInOrderOrNothing)
{
    struct SCase {
        const char* name;
        SProxyFields fields;
        std::optional<SProxySettings> saved;
    };
    const SCase cases[] = {
        {"socks5 with credentials", {{false, false, true}, L"127.0.0.9", L"1080", L"pu", L"pp"},
         SProxySettings{2, L"127.0.0.9", 1080, L"pu", L"pp"}},
        {"no proxy keeps the server typed", {{true, false, false}, L"127.0.0.9", L"3128", L"", L""},
         SProxySettings{0, L"127.0.0.9", 3128, L"", L""}},
        {"digits then letters", {{false, true, false}, L"h", L"8080abc", L"", L""},
         SProxySettings{1, L"h", 8080, L"", L""}},
        {"nothing checked, no server, port 0, a user without password",
         {{false, false, false}, L"", L"0", L"only-user", L""}, SProxySettings{0, L"", 0, L"only-user", L""}},
        {"a port out of range as typed", {{false, false, true}, L"h", L"70000", L"", L""},
         SProxySettings{2, L"h", 70000, L"", L""}},
        {"a port starting with a letter", {{false, false, true}, L"h", L"abc", L"u", L"p"}, std::nullopt},
        {"an empty port", {{true, false, false}, L"", L"", L"", L""}, std::nullopt},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<SProxySettings> accepted = AcceptProxyFields(c.fields);
        ASSERT_EQ(accepted.has_value(), c.saved.has_value());
        if (!accepted)
            continue;
        EXPECT_EQ(Values(*accepted), Values(*c.saved));

        CRecordingStore store;
        CFakePasswordProtection protection;
        WriteProxySettings(store, protection, *accepted);
        EXPECT_EQ(store.writes, (std::vector<std::wstring>{L"Proxy/Type", L"Proxy/Server", L"Proxy/Port",
                                                           L"Proxy/Username", L"Proxy/Password"}));
        EXPECT_EQ(settings::ReadBlob(store, settings::ProxyPassword), protection.Protect(c.saved->password))
            << "the password is stored protected, an empty one too";
        EXPECT_EQ(Values(settings::ReadProxy(store, protection)), Values(*c.saved));
    }
}
