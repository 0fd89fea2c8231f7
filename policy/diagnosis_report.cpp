#include "policy/diagnosis_report.h"

#include "base/ansi.h"
#include "base/text.h"
#include "vpn/openvpn_console.h"

namespace {

// Code page 936: a lead byte, and the bytes that may follow one.
bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsTrailByte(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE); }

// The line-end rule shared by bytes and wide text: CRs wait until the next character shows
// whether an LF completes them; either way they make one CR LF.
template <typename Text>
class CLineEnds {
public:
    explicit CLineEnds(bool& pendingCr) : m_pendingCr(pendingCr) {}

    void Put(Text& out, typename Text::value_type c)
    {
        if (c == '\r') {
            m_pendingCr = true;
            return;
        }
        if (c == '\n' || m_pendingCr) {
            out += '\r';
            out += '\n';
            m_pendingCr = false;
            if (c == '\n')
                return;
        }
        out += c;
    }

private:
    bool& m_pendingCr;
};

}  // namespace

std::wstring DiagnosisHeader(std::wstring_view formattedTime)
{
    return diagnosis_text::kHeaderLabel + std::wstring(formattedTime.substr(0, kMaxReportTimeLength)) + L"\r\n";
}

std::vector<std::wstring> DiagnosisCommandLines(std::wstring_view systemDir, std::wstring_view webHost)
{
    // Quoted: a folder with a blank would otherwise have CreateProcess try its first word.
    const auto program = [folder = std::wstring(systemDir)](const wchar_t* name) {
        return L"\"" + folder + name + L"\" ";
    };
    std::vector<std::wstring> lines{program(L"ipconfig.exe") + L"/all"};
    if (IsPlainHostName(webHost))
        lines.push_back(program(L"tracert.exe") + L"-d " + std::wstring(webHost));
    lines.push_back(program(L"route.exe") + L"print");
    return lines;
}

std::wstring DiagnosisEventLogSection(std::wstring_view eventLogText)
{
    std::wstring section = std::wstring(L"\r\n") + diagnosis_text::kEventLogHeading + L"\r\n";
    std::wstring lines = WithCrLfLineEnds(eventLogText);
    if (lines.empty())
        lines = diagnosis_text::kNoEvents;
    if (lines.size() < 2 || lines.compare(lines.size() - 2, 2, L"\r\n") != 0)
        lines += L"\r\n";
    return section + lines;
}

std::wstring SaveFailedMessage(std::wstring_view systemErrorText)
{
    return diagnosis_text::kSaveFailed + TrimBlanks(systemErrorText);
}

std::string DiagnosisFileBytes(std::wstring_view fieldText)
{
    return WideToAnsi(WithCrLfLineEnds(fieldText));
}

std::wstring WithCrLfLineEnds(std::wstring_view text)
{
    std::wstring result;
    result.reserve(text.size() + text.size() / 16);
    bool pendingCr = false;
    CLineEnds<std::wstring> lineEnds(pendingCr);
    for (const wchar_t c : text)
        lineEnds.Put(result, c);
    if (pendingCr)
        result += L"\r\n";
    return result;
}

std::wstring CConsoleTextDecoder::Feed(std::string_view bytes)
{
    const std::string data = m_pending + std::string(bytes);
    m_pending.clear();
    std::string clean;
    clean.reserve(data.size() + data.size() / 16);
    CLineEnds<std::string> lineEnds(m_pendingCr);
    size_t i = 0;
    while (i < data.size()) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (IsLeadByte(byte)) {
            if (i + 1 == data.size()) {
                m_pending = data.substr(i);  // its trail byte is in the next piece
                break;
            }
            lineEnds.Put(clean, data[i]);
            if (IsTrailByte(static_cast<unsigned char>(data[i + 1]))) {
                clean += data[i + 1];  // never a CR or LF: those are no trail bytes
                ++i;
            }
        } else {
            lineEnds.Put(clean, data[i]);
        }
        ++i;
    }
    return AnsiToWide(clean);
}

std::wstring CConsoleTextDecoder::Finish()
{
    std::wstring rest = AnsiToWide(m_pending);
    m_pending.clear();
    if (m_pendingCr)
        rest += L"\r\n";
    m_pendingCr = false;
    return rest;
}
