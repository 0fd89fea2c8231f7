#include "policy/speed_test.h"

#include <gtest/gtest.h>

#include <deque>
#include <iterator>
#include <thread>
#include <utility>

#include "tests/unit/fake_icmp_echo.h"

namespace {
using namespace std::chrono_literals;
using Echo = CFakeIcmpEcho;
using SReport = std::pair<int, int32_t>;

// The window answering on the worker's own thread: hands out the queued rows, then -1.
struct CQueuedWindow : ISpeedTestReport {
    std::deque<int> rows;
    std::vector<SReport> reports;

    explicit CQueuedWindow(std::deque<int> answers) : rows(std::move(answers)) {}
    int Report(int row, int32_t averageMs) override
    {
        reports.emplace_back(row, averageMs);
        if (rows.empty())
            return -1;
        const int next = rows.front();
        rows.pop_front();
        return next;
    }
};

const wchar_t kHostA[] = L"10.0.0.1";
const wchar_t kHostB[] = L"10.0.0.2";
const wchar_t kHostC[] = L"10.0.0.3";
}  // namespace

TEST(SpeedTestWorker, AveragesTheEchoesOfEachRowItIsHanded)
{
    struct SCase {
        const char* name;
        std::vector<std::pair<std::wstring, std::vector<Echo::SOutcome>>> scripts;
        SpeedTestHosts hosts;
        std::deque<int> answers;
        std::vector<SReport> reports;
        size_t probes;
    };
    const SCase cases[] = {
        {"one lost echo leaves the other's time", {{kHostA, {Echo::Reply(23), Echo::Lost()}}}, {kHostA}, {0},
         {{-1, 0}, {0, 23}}, 2},
        {"the average truncates", {{kHostA, {Echo::Reply(1), Echo::Reply(2)}}}, {kHostA}, {0},
         {{-1, 0}, {0, 1}}, 2},
        {"0 ms is an answer", {{kHostA, {Echo::Lost(), Echo::Reply(0)}}}, {kHostA}, {0}, {{-1, 0}, {0, 0}}, 2},
        {"both lost is -1", {{kHostA, {Echo::Lost()}}}, {kHostA}, {0}, {{-1, 0}, {0, -1}}, 2},
        {"an error status is no answer", {{kHostA, {Echo::Failed(11003), Echo::Reply(7)}}}, {kHostA}, {0},
         {{-1, 0}, {0, 7}}, 2},
        {"rows follow one another, a failure not sticking",
         {{kHostA, {Echo::Lost()}}, {kHostB, {Echo::Reply(5), Echo::Reply(8)}}, {kHostC, {Echo::Lost()}}},
         {kHostA, kHostB, kHostC}, {0, 1, 2}, {{-1, 0}, {0, -1}, {1, 6}, {2, -1}}, 6},
        {"a blank host ends the worker", {}, {L"  "}, {0, 0}, {{-1, 0}}, 0},
        {"a row past the hosts ends the worker", {{kHostA, {Echo::Reply(3)}}}, {kHostA}, {1, 0}, {{-1, 0}}, 0},
        {"no row at once, no probe", {{kHostA, {Echo::Reply(3)}}}, {kHostA}, {}, {{-1, 0}}, 0},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        Echo echo;
        for (const auto& [host, outcomes] : c.scripts)
            echo.Script(host, outcomes);
        CQueuedWindow window(c.answers);
        const std::atomic<bool> running{true};
        RunSpeedTestWorker(echo, window, c.hosts, running);
        EXPECT_EQ(window.reports, c.reports);
        EXPECT_EQ(echo.ProbeCount(), c.probes);
    }
}

TEST(SpeedTestWorker, ProbesTheTrimmedHostAndNothingOnceStopped)
{
    Echo echo;
    echo.Script(kHostA, {Echo::Reply(9)});
    CQueuedWindow window({0});
    const std::atomic<bool> running{true};
    RunSpeedTestWorker(echo, window, {L" 10.0.0.1\t"}, running);
    EXPECT_EQ(echo.ProbedHosts(), (std::vector<std::wstring>{kHostA, kHostA}));
    EXPECT_EQ(window.reports.back(), SReport(0, 9));

    CQueuedWindow idle({0});
    const std::atomic<bool> stopped{false};
    RunSpeedTestWorker(echo, idle, {kHostA}, stopped);
    EXPECT_TRUE(idle.reports.empty());
    EXPECT_EQ(echo.ProbeCount(), 2u);
}

TEST(SpeedTestWorker, StoppingLetsOnlyTheCurrentProbeFinishAndReportsNothingMore)
{
    Echo echo;
    echo.Script(kHostA, {Echo::Reply(4)});
    echo.Hold(5s);
    CQueuedWindow window({0, 0});
    std::atomic<bool> running{true};
    const SpeedTestHosts hosts{kHostA};
    std::thread worker([&] { RunSpeedTestWorker(echo, window, hosts, running); });

    const bool started = echo.WaitForProbes(1, 2s);
    running = false;
    echo.Release();
    worker.join();

    ASSERT_TRUE(started);
    EXPECT_EQ(echo.ProbeCount(), 1u);
    EXPECT_EQ(window.reports, (std::vector<SReport>{{-1, 0}}));
}

TEST(SpeedTestText, ResultsAndEchoData)
{
    const std::pair<int32_t, std::wstring> texts[] = {
        {23, L"  23 毫秒"}, {0, L"   0 毫秒"}, {9999, L"9999 毫秒"}, {12345, L"12345 毫秒"},
        {-1, L"     超时"}, {-7, L"     超时"},
    };
    for (const auto& [average, text] : texts)
        EXPECT_EQ(SpeedText(average), text) << average;

    std::vector<uint8_t> data(kEchoDataSize + 1, kEchoDataByte);
    EXPECT_TRUE(IsEchoDataIntact(data.data(), kEchoDataSize));
    EXPECT_FALSE(IsEchoDataIntact(data.data(), kEchoDataSize - 1));
    EXPECT_FALSE(IsEchoDataIntact(data.data(), kEchoDataSize + 1));
    EXPECT_FALSE(IsEchoDataIntact(nullptr, kEchoDataSize));
    data[kEchoDataSize - 1] = 'e';
    EXPECT_FALSE(IsEchoDataIntact(data.data(), kEchoDataSize));
}

TEST(SpeedTestBoard, HandsOutRowsInOrderAndWritesTheReportedResults)
{
    struct SStep {
        bool restartFirst;
        int row;
        int32_t average;
        int resultRow;
        const wchar_t* resultText;
        int answer;  // also the row marked as being tested
    };
    const SStep steps[] = {
        {false, -1, 0, -1, L"", 0},
        {false, -1, 0, -1, L"", 1},
        {false, -1, 0, -1, L"", 2},
        {false, -1, 0, -1, L"", 3},
        {false, -1, 0, -1, L"", 4},
        {false, 0, 23, 0, L"  23 毫秒", 5},
        {false, 5, -1, 5, L"     超时", -1},
        {false, 2, 7, 2, L"   7 毫秒", -1},
        {false, 6, 7, -1, L"", -1},  // not a row
        {true, -1, 0, -1, L"", 0},
        {false, 0, 12, 0, L"  12 毫秒", 1},
    };
    CSpeedTestBoard board(6);
    for (size_t i = 0; i < std::size(steps); ++i) {
        const SStep& step = steps[i];
        SCOPED_TRACE(i);
        if (step.restartFirst)
            board.Restart();
        const CSpeedTestBoard::SAnswer answer = board.OnReport(step.row, step.average);
        EXPECT_EQ(answer.result.row, step.resultRow);
        EXPECT_EQ(answer.result.text, step.resultText);
        EXPECT_EQ(answer.nextRow, step.answer);
        EXPECT_EQ(answer.testing.row, step.answer);
        EXPECT_EQ(answer.testing.text, step.answer == -1 ? L"" : speed_text::kTesting);
    }
}
