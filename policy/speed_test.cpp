#include "policy/speed_test.h"

#include <algorithm>
#include <climits>

#include "base/text.h"

namespace {
// "%Nd": right-aligned in `width` places, wider numbers whole.
std::wstring PadLeft(int value, size_t width)
{
    std::wstring text = std::to_wstring(value);
    if (text.size() < width)
        text.insert(0, width - text.size(), L' ');
    return text;
}
}  // namespace

bool IsEchoDataIntact(const uint8_t* data, size_t size)
{
    return data != nullptr && size == kEchoDataSize &&
           std::all_of(data, data + size, [](uint8_t byte) { return byte == kEchoDataByte; });
}

void RunSpeedTestWorker(IIcmpEcho& echo, ISpeedTestReport& window, const SpeedTestHosts& hosts,
                        const std::atomic<bool>& running)
{
    int row = -1;
    int32_t result = 0;
    bool failed = false;
    while (running) {
        const int next = window.Report(row, failed ? -1 : result);
        if (next == -1)
            break;
        // A row without a host ends this worker; the row keeps saying it is being tested.
        const std::wstring host =
            next >= 0 && static_cast<size_t>(next) < hosts.size() ? TrimBlanks(hosts[static_cast<size_t>(next)]) : L"";
        if (host.empty())
            break;

        int successes = 0;
        uint32_t sum = 0;
        for (int attempts = 0; running && attempts < kEchoesPerServer; ++attempts) {
            SEchoReply reply{};
            if (!echo.Probe(host, reply))
                reply.status = kEchoGeneralFailure;
            if (reply.status == 0) {
                sum += reply.roundTripTime;
                ++successes;
            }
        }
        if (successes > 0) {
            failed = false;
            // Pinned so that an absurd time can never read as -1, "timed out".
            result = static_cast<int32_t>(std::min<uint32_t>(sum / static_cast<uint32_t>(successes), INT32_MAX));
        } else {
            failed = true;
        }
        row = next;
    }
}

std::wstring SpeedText(int32_t averageMs)
{
    if (averageMs < 0)
        return speed_text::kTimedOut;
    return PadLeft(averageMs, 4) + L" 毫秒";
}

CSpeedTestBoard::SAnswer CSpeedTestBoard::OnReport(int row, int32_t averageMs)
{
    SAnswer answer;
    if (row >= 0 && row < m_rowCount)
        answer.result = {row, SpeedText(averageMs)};
    const int next = m_nextRow;
    // Past the end every report is answered -1; the count only has to stay past it.
    if (m_nextRow < INT_MAX)
        ++m_nextRow;
    if (next >= m_rowCount)
        return answer;
    answer.testing = {next, speed_text::kTesting};
    answer.nextRow = next;
    return answer;
}
