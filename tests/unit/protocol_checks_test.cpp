#include "policy/protocol_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The machine as a script, and what the checks did to it as a log.
class CScriptedPlatform : public IProtocolCheckPlatform {
public:
    bool keyOpens = true;
    bool switchIsOne = false;
    bool writeWorks = true;
    unsigned majorVersion = 5;
    bool answerYes = true;
    bool filesPresent = true;
    std::vector<bool> adapterAnswers{true};  // successive adapter checks, the last repeating
    std::vector<std::wstring> log;

    bool OpenIpSecSwitch() override { return keyOpens; }
    bool IpSecSwitchIsOne() override { return switchIsOne; }
    bool SetIpSecSwitch() override
    {
        log.push_back(L"write");
        return writeWorks;
    }
    void CloseIpSecSwitch() override { log.push_back(L"close"); }
    unsigned SystemMajorVersion() override { return majorVersion; }
    void RestartDialUpServices() override { log.push_back(L"restart"); }
    bool OpenVpnComponentsPresent() override { return filesPresent; }
    bool TapAdapterPresent() override
    {
        const bool present = adapterAnswers[std::min(m_adapterChecks++, adapterAnswers.size() - 1)];
        log.push_back(present ? L"adapter" : L"no-adapter");
        return present;
    }
    void InstallTapDriver() override { log.push_back(L"install"); }
    bool AskYesNo(std::wstring_view) override
    {
        log.push_back(L"ask");
        return answerYes;
    }
    void ShowMessage(std::wstring_view text) override { log.push_back(L"message:" + std::wstring(text)); }

private:
    size_t m_adapterChecks = 0;
};

TEST(ProtocolChecks, L2tpSwitchIsSetOnceAndTheWindowAlwaysCloses)
{
    struct SCase {
        const char* name;
        void (*setUp)(CScriptedPlatform&);
        std::vector<std::wstring> log;
    };
    const SCase cases[] = {
        {"first use, restart accepted", [](CScriptedPlatform&) {}, {L"write", L"ask", L"restart", L"close"}},
        {"first use, restart declined", [](CScriptedPlatform& p) { p.answerYes = false; }, {L"write", L"ask", L"close"}},
        {"already 1", [](CScriptedPlatform& p) { p.switchIsOne = true; }, {L"close"}},
        {"Vista generation", [](CScriptedPlatform& p) { p.majorVersion = 6; }, {L"write", L"close"}},
        {"Windows 7 is asked", [](CScriptedPlatform& p) { p.majorVersion = 7; }, {L"write", L"ask", L"restart", L"close"}},
        {"the write fails", [](CScriptedPlatform& p) { p.writeWorks = false; }, {L"write", L"close"}},
        {"no access to the key", [](CScriptedPlatform& p) { p.keyOpens = false; }, {}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedPlatform platform;
        c.setUp(platform);
        EXPECT_TRUE(ApplyProtocolChecks(EVpnProtocol::L2tp, platform, L"www.qivra.net"));
        EXPECT_EQ(platform.log, c.log);
    }
}

TEST(ProtocolChecks, OpenVpnNeedsItsFilesAndAnAdapter)
{
    const std::wstring needed = std::wstring(L"message:") + protocol_text::kTapDriverNeeded;
    const std::wstring failed = std::wstring(L"message:") + protocol_text::kTapDriverFailed;
    struct SCase {
        const char* name;
        bool files;
        std::vector<bool> adapters;
        bool closes;
        std::vector<std::wstring> log;
    };
    const SCase cases[] = {
        {"adapter present", true, {true}, true, {L"adapter"}},
        {"driver installed", true, {false, true}, true, {L"no-adapter", needed, L"install", L"adapter"}},
        {"installation failed", true, {false}, false, {L"no-adapter", needed, L"install", L"no-adapter", failed}},
        {"files missing", false, {true}, false,
         {L"message:您的Qivra网络加速器客户端不包含OpenVPN组件，\n\n请您从 www.qivra.net 重新下载完整版。"}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CScriptedPlatform platform;
        platform.filesPresent = c.files;
        platform.adapterAnswers = c.adapters;
        EXPECT_EQ(ApplyProtocolChecks(EVpnProtocol::OpenVpn, platform, L"www.qivra.net"), c.closes);
        EXPECT_EQ(platform.log, c.log);
    }

    CScriptedPlatform untouched;
    EXPECT_TRUE(ApplyProtocolChecks(EVpnProtocol::Pptp, untouched, L"x"));
    EXPECT_TRUE(untouched.log.empty());
}

}  // namespace
