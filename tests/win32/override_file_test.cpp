// The override file beside the executable, read the way the login reads it.
#include "app/app_paths.h"
#include "app/ini.h"
#include "base/ansi.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

namespace {
class OverrideFileTest : public ::testing::Test {
protected:
    std::wstring path;

    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        path = OverrideFileOf(std::wstring(temp) + L"korvex-override-" + std::to_wstring(::GetCurrentProcessId()) +
                              L".exe");
    }
    void TearDown() override { ::DeleteFileW(path.c_str()); }

    void Write(const std::string& ansiText)
    {
        std::ofstream file(std::filesystem::path(path), std::ios::binary);
        file << ansiText;
    }
};
}  // namespace

TEST_F(OverrideFileTest, NoLoginUsesBaseDetectionAndEmptyMeansDefault)
{
    Write("[Main]\r\nNoLogin=0x1\r\nVpnType=010\r\n");
    EXPECT_EQ(ReadIniInt(path, L"Main", L"NoLogin", 0), 1);
    EXPECT_EQ(ReadIniInt(path, L"Main", L"VpnType", 1), 8);  // a leading zero means octal

    Write("[Main]\r\nNoLogin=\r\nVpnType=  \r\n");
    EXPECT_EQ(ReadIniInt(path, L"Main", L"NoLogin", 0), 0);
    EXPECT_EQ(ReadIniInt(path, L"Main", L"VpnType", 1), 1);

    ::DeleteFileW(path.c_str());
    EXPECT_EQ(ReadIniInt(path, L"Main", L"VpnType", 1), 1);
    EXPECT_EQ(ReadIniString(path, L"Main", L"LoginURL", L"http://default/"), L"http://default/");
}

TEST_F(OverrideFileTest, LongLoginUrlComesBackWholeAndMatchesTheSystemReader)
{
    std::wstring urls;
    for (int i = 0; urls.size() < 3000; ++i)
        urls += L"http://127.0.0." + std::to_wstring(i % 250 + 1) + L":8088/login/" + std::to_wstring(i) + L"/;";
    Write("[Main]\r\nLoginURL=" + WideToAnsi(urls) + "\r\nVpnServerHost=127.0.0.1\r\n");

    EXPECT_EQ(ReadIniString(path, L"Main", L"LoginURL", L""), urls);
    std::wstring system(8192, L'\0');
    system.resize(::GetPrivateProfileStringW(L"Main", L"LoginURL", L"", system.data(),
                                             static_cast<DWORD>(system.size()), path.c_str()));
    EXPECT_EQ(system, urls);
    EXPECT_EQ(ReadIniString(path, L"main", L"vpnserverhost", L""), L"127.0.0.1");
}
