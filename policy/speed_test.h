// The speed test of the server selection window: five workers take the list's rows one at a
// time from the window, echo each row's server twice, and hand back the average round-trip time.
// This is the part that needs no window: the probe seam, one worker's loop, and the window's
// side of the report (which row comes next, and the texts of the speed column).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace speed_text {
inline constexpr wchar_t kTesting[] = L"测试中...";
inline constexpr wchar_t kTimedOut[] = L"     超时";
}  // namespace speed_text

inline constexpr int kSpeedTestWorkers = 5;
inline constexpr int kEchoesPerServer = 2;
// What a probe that failed as a whole counts as: the system's general-failure status.
inline constexpr uint32_t kEchoGeneralFailure = 11050;
// The 32 bytes of 'E' every request carries, and the reply must carry back.
inline constexpr size_t kEchoDataSize = 32;
inline constexpr uint8_t kEchoDataByte = 0x45;
inline constexpr unsigned kEchoTimeoutMs = 1000;
inline constexpr unsigned char kEchoTimeToLive = 30;

// What one answered echo says.
struct SEchoReply {
    uint32_t address = 0;        // IPv4, network order
    uint32_t roundTripTime = 0;  // milliseconds
    uint32_t status = 0;         // 0: success
};

// One ICMP echo at a time. Each worker makes its own and uses it on its own thread only.
class IIcmpEcho {
public:
    virtual ~IIcmpEcho() = default;
    // Resolves the host (a dotted address is never looked up by name), sends one echo and waits
    // for the answer. True only when exactly one intact reply came back; `reply` is then filled.
    virtual bool Probe(std::wstring_view host, SEchoReply& reply) = 0;
};

// True when `data` is the request's data, byte for byte.
bool IsEchoDataIntact(const uint8_t* data, size_t size);

// The window as a worker sees it: one synchronous report. `row` is -1 on the first call;
// `averageMs` is -1 when no echo succeeded. The answer is the next row to measure, or -1 when
// there is none or the window did not answer in time.
class ISpeedTestReport {
public:
    virtual ~ISpeedTestReport() = default;
    virtual int Report(int row, int32_t averageMs) = 0;
};

// The hosts to echo, by list row: each row's ServerHost%d (of the row's item data), trimmed.
// Taken when the list is filled; the workers only read it.
using SpeedTestHosts = std::vector<std::wstring>;

// One worker's whole life: report, take the answered row, echo its host up to twice while
// `running`, and so on until the window answers -1, a row has no host, or `running` is false.
// The last result is not reported once `running` is false.
void RunSpeedTestWorker(IIcmpEcho& echo, ISpeedTestReport& window, const SpeedTestHosts& hosts,
                        const std::atomic<bool>& running);

// The speed column's text for a result: "%4d 毫秒", or "     超时" for -1.
std::wstring SpeedText(int32_t averageMs);

// The window's side of the report, on the user-interface thread.
class CSpeedTestBoard {
public:
    explicit CSpeedTestBoard(int rowCount = 0) : m_rowCount(rowCount) {}

    void SetRowCount(int rowCount) { m_rowCount = rowCount; }
    // A new pass starts from the first row.
    void Restart() { m_nextRow = 0; }

    struct SCellText {
        int row = -1;  // -1: nothing to write
        std::wstring text;
    };
    struct SAnswer {
        SCellText result;   // the reported row's result
        SCellText testing;  // "测试中..." for the row handed out
        int nextRow = -1;   // the answer to the worker
    };
    SAnswer OnReport(int row, int32_t averageMs);

private:
    int m_rowCount;
    int m_nextRow = 0;  // counts on past the end
};
