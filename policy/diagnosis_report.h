// The diagnosis report without the window: its texts, the command lines it runs, the header and
// the closing event-log section, the conversion of the commands' console bytes into the output
// field's text, and the bytes a saved report is made of.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace diagnosis_text {
inline constexpr wchar_t kHeaderLabel[] = L"诊断生成日期：";
inline constexpr wchar_t kRunning[] = L"正在诊断...";
inline constexpr wchar_t kCompleted[] =
    L"诊断完成，您可以把结果保存到文件，或者复制到剪贴板后再粘贴到客服论坛等。";
inline constexpr wchar_t kCopied[] = L"拷贝成功";
inline constexpr wchar_t kSaved[] = L"保存成功";
inline constexpr wchar_t kSaveFailed[] = L"保存文件失败：";
inline constexpr wchar_t kEventLogHeading[] = L"客户端事件记录：";
inline constexpr wchar_t kNoEvents[] = L"（无）";
// The save dialog's filter in the usual '|' form; the window turns the bars into NULs.
inline constexpr wchar_t kSaveFilter[] = L"文本文件(*.txt)|*.txt|";
inline constexpr wchar_t kDefaultFileName[] = L"网络诊断.txt";
inline constexpr wchar_t kDefaultExtension[] = L"txt";
}  // namespace diagnosis_text

// The header's time is cut to this many characters.
inline constexpr size_t kMaxReportTimeLength = 127;

// "诊断生成日期：" + the formatted time (cut to 127 characters; empty when formatting failed)
// + CR LF.
std::wstring DiagnosisHeader(std::wstring_view formattedTime);

// The commands, in their order: SystemDir (with its trailing backslash) + "ipconfig.exe /all",
// + "tracert.exe -d " + web host, + "route.exe print", each program's path in quotes. The trace
// is left out when the web host is not a plain host name: anything else would become options of
// tracert's own.
std::vector<std::wstring> DiagnosisCommandLines(std::wstring_view systemDir, std::wstring_view webHost);

// The closing section: a blank line, "客户端事件记录：", then the log's lines (or "（无）"),
// every line ending in CR LF.
std::wstring DiagnosisEventLogSection(std::wstring_view eventLogText);

// The box shown when the report cannot be written: "保存文件失败：" + the system's text for the
// error, without the line break the system ends it with.
std::wstring SaveFailedMessage(std::wstring_view systemErrorText);

// What a saved report holds: the field's text in the ANSI code page, no byte-order mark, every
// line ending in CR LF.
std::string DiagnosisFileBytes(std::wstring_view fieldText);

// Every line end as CR LF: a lone LF or CR, and CRs piled up in front of an LF, become one CR LF.
std::wstring WithCrLfLineEnds(std::wstring_view text);

// Turns a command's console output (code page 936 bytes, in pieces cut anywhere) into the field's
// text with CR LF line ends. A double-byte character or a CR split between two pieces waits for
// the next one, so no piece boundary shows as a broken character or a doubled line break.
class CConsoleTextDecoder {
public:
    std::wstring Feed(std::string_view bytes);
    // The end of the command: whatever still waits.
    std::wstring Finish();

private:
    std::string m_pending;    // a lead byte whose trail byte has not come yet
    bool m_pendingCr = false; // CRs seen, not yet known to end a line with or without an LF
};
