// The diagnosis report without its window: header, command lines, the closing event-log section,
// console pieces decoded wherever they were cut, and the bytes a saved report is made of.
#include "policy/diagnosis_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/event_log.h"
#include "base/ansi.h"

namespace {

TEST(DiagnosisReport, HeaderCommandsAndEventLogSection)
{
    EXPECT_EQ(DiagnosisHeader(L"2024年3月5日 7:08:09"), L"诊断生成日期：2024年3月5日 7:08:09\r\n");
    EXPECT_EQ(DiagnosisHeader(L""), L"诊断生成日期：\r\n");
    EXPECT_EQ(DiagnosisHeader(std::wstring(200, L'时')), L"诊断生成日期：" + std::wstring(127, L'时') + L"\r\n");

    const std::wstring dir = L"\"C:\\Program Files\\system32\\";
    EXPECT_EQ(DiagnosisCommandLines(L"C:\\Program Files\\system32\\", L"www.qivra.net"),
              (std::vector<std::wstring>{dir + L"ipconfig.exe\" /all", dir + L"tracert.exe\" -d www.qivra.net",
                                         dir + L"route.exe\" print"}));
    // A host that would add options of its own, or none at all: no trace.
    for (const wchar_t* host : {L"www.qivra.net -w 1", L"", L"a\"b"})
        EXPECT_EQ(DiagnosisCommandLines(L"C:\\Program Files\\system32\\", host),
                  (std::vector<std::wstring>{dir + L"ipconfig.exe\" /all", dir + L"route.exe\" print"}));

    const std::wstring heading = L"\r\n客户端事件记录：\r\n";
    EXPECT_EQ(DiagnosisEventLogSection(L""), heading + L"（无）\r\n");
    EXPECT_EQ(DiagnosisEventLogSection(L"甲\n乙"), heading + L"甲\r\n乙\r\n");

    // The section as the window builds it from the client's log.
    CEventLog log([] { return SEventTime{2024, 3, 5, 7, 8, 9, 10}; });
    log.LoginAnswered(L"http://login1.qivra.net:8088/client_login.php?password=x");
    log.ServicesRestarted();
    EXPECT_EQ(DiagnosisEventLogSection(log.Text()),
              heading + L"2024-03-05 07:08:09.010 登录：login1.qivra.net:8088 应答\r\n"
                        L"2024-03-05 07:08:09.010 服务：已重启拨号相关服务\r\n");
}

// Every input is fed in two pieces cut at every byte, and byte by byte: the text is the same.
TEST(DiagnosisReport, DecodesConsolePiecesCutAnywhere)
{
    const struct {
        std::wstring console;
        std::wstring field;
    } cases[] = {
        {L"接口列表\r\n活动路由:\r\n", L"接口列表\r\n活动路由:\r\n"},
        {L"网络\n目标\n", L"网络\r\n目标\r\n"},
        {L"甲\r乙\r\r\n丙\r", L"甲\r\n乙\r\n丙\r\n"},
        {L"\\乗丂@", L"\\乗丂@"},  // trail bytes '\' and '@' beside a plain '\' and '@'
    };
    for (const auto& c : cases) {
        const std::string bytes = WideToAnsi(c.console);
        for (size_t cut = 0; cut <= bytes.size(); ++cut) {
            CConsoleTextDecoder decoder;
            std::wstring text = decoder.Feed(bytes.substr(0, cut));
            text += decoder.Feed(bytes.substr(cut));
            text += decoder.Finish();
            EXPECT_EQ(text, c.field) << "cut at byte " << cut << " of " << ::testing::PrintToString(c.console);
        }
        CConsoleTextDecoder decoder;
        std::wstring text;
        for (const char byte : bytes)
            text += decoder.Feed(std::string(1, byte));
        EXPECT_EQ(text + decoder.Finish(), c.field);
    }
}

TEST(DiagnosisReport, SavedBytesAreAnsiWithCrLf)
{
    EXPECT_EQ(DiagnosisFileBytes(L""), "");
    EXPECT_EQ(DiagnosisFileBytes(L"诊断\r\nab\ncd\r"), "\xD5\xEF\xB6\xCF\r\nab\r\ncd\r\n");
    EXPECT_EQ(WithCrLfLineEnds(L"a\r\r\nb\n\nc"), L"a\r\nb\r\n\r\nc");
    EXPECT_EQ(SaveFailedMessage(L"另一个程序正在使用此文件，进程无法访问。\r\n"),
              L"保存文件失败：另一个程序正在使用此文件，进程无法访问。");
}

}  // namespace
