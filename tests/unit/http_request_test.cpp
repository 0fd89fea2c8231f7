#include "net/download_race.h"
#include "net/http_request.h"

#include <gtest/gtest.h>

TEST(HttpRequest, GetWithHostWithoutPortAndConnectionClose)
{
    const SHttpUrlParts url = SplitHttpUrl(L"http://login1.example.test:8088/client_login.php?username=a&cmd=login");
    ASSERT_TRUE(url.valid);
    EXPECT_EQ(BuildHttpGetRequest(url),
              "GET /client_login.php?username=a&cmd=login HTTP/1.1\r\n"
              "Host: login1.example.test\r\n"
              "Connection: close\r\n"
              "\r\n");
}

TEST(DownloadRace, FirstUsableAnswerWinsOverEarlierFailures)
{
    CDownloadRace race(3);
    EXPECT_EQ(race.JobFinished(0, false), CDownloadRace::EVerdict::Wait);
    EXPECT_FALSE(race.Decided());
    EXPECT_EQ(race.JobFinished(2, true), CDownloadRace::EVerdict::Deliver);
    EXPECT_EQ(race.WinnerIndex(), 2);
    EXPECT_EQ(race.JobFinished(1, true), CDownloadRace::EVerdict::Ignore);
    EXPECT_EQ(race.WinnerIndex(), 2);
}

TEST(DownloadRace, EveryJobFailingDeliversEmptyWithoutWinner)
{
    CDownloadRace race(2);
    EXPECT_EQ(race.JobFinished(1, false), CDownloadRace::EVerdict::Wait);
    // A repeated report of the same job must not count as the other one failing.
    EXPECT_EQ(race.JobFinished(1, false), CDownloadRace::EVerdict::Ignore);
    EXPECT_EQ(race.JobFinished(5, false), CDownloadRace::EVerdict::Ignore);
    EXPECT_EQ(race.JobFinished(0, false), CDownloadRace::EVerdict::DeliverEmpty);
    EXPECT_TRUE(race.Decided());
    EXPECT_EQ(race.WinnerIndex(), -1);
}

TEST(DownloadRace, UsableMeansACompleteResponse)
{
    CHttpResponseParser refused;
    refused.ConnectionFailed();
    EXPECT_FALSE(IsUsableResponse(refused));

    CHttpResponseParser running;
    running.Feed("HTTP/1.1 200 OK\r\n\r\nbody");
    EXPECT_FALSE(IsUsableResponse(running));
    running.ConnectionClosed();
    EXPECT_TRUE(IsUsableResponse(running));
}
