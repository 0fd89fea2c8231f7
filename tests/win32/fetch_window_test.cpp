// The fetch window against scripted loopback servers: how a response is framed on the wire and
// what reaches the output. Servers hold their connection open after answering where that
// matters, so a test only passes when the window ended the download from the framing itself.
#include <gtest/gtest.h>

#include <string>

#include "fetch_test_driver.h"
#include "loopback_server.h"
#include "net/download_output_win32.h"
#include "win/handle.h"

namespace {
using Server = CLoopbackServer;

class FetchWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { PrepareFetchWindowTests(); }

    // A clean end: OK by itself, and nothing left running.
    static void ExpectDelivered(const SFetchOutcome& outcome, int winner, const std::string& body)
    {
        EXPECT_FALSE(outcome.run.timedOut);
        EXPECT_EQ(outcome.run.result, IDOK);
        EXPECT_EQ(outcome.winnerIndex, winner);
        EXPECT_EQ(outcome.body, body);
        EXPECT_EQ(outcome.threadsJoined, outcome.threadsStarted);
        EXPECT_LE(outcome.processThreadsAfter, outcome.processThreadsBefore);
    }
};

TEST_F(FetchWindowTest, HeaderBlockEndingInTheSecondSegment)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r"), Server::Pause(150),
                   Server::Send("\nhello"), Server::Hold()});
    ASSERT_TRUE(server.Listening());
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, "hello");
    // The job closes its connection as soon as the body is whole.
    EXPECT_TRUE(server.WaitForPeerClose(2000));
}

TEST_F(FetchWindowTest, ContentLengthAfterTwoBlanksAndBytesBeyondIt)
{
    const std::string body(120, 'b');
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length:  120\r\n\r\n" + body + "next response"),
                   Server::Hold()});
    ASSERT_TRUE(server.Listening());
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, body);
}

TEST_F(FetchWindowTest, ZeroContentLengthDeliversAnEmptyBodyAsAnAnswer)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), Server::Hold()});
    ASSERT_TRUE(server.Listening());
    // Winner 0 tells an empty answer from every URL failing.
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, "");
}

TEST_F(FetchWindowTest, LowerCaseContentLengthFromKeepAliveServer)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\ncontent-length: 4\r\nConnection: keep-alive\r\n\r\nabcd"),
                   Server::Hold()});
    ASSERT_TRUE(server.Listening());
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, "abcd");
}

TEST_F(FetchWindowTest, ChunkedBodyIsDecoded)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel"), Server::Pause(100),
                   Server::Send("lo\r\n6\r\n world\r\n"), Server::Pause(100), Server::Send("0\r\n\r\n"),
                   Server::Hold()});
    ASSERT_TRUE(server.Listening());
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, "hello world");
}

TEST_F(FetchWindowTest, BodyUntilCloseForAnyStatus)
{
    Server server({Server::Send("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n\r\nnot "), Server::Pause(50),
                   Server::Send("here"), Server::Close()});
    ASSERT_TRUE(server.Listening());
    ExpectDelivered(FetchWithWindow({server.Url()}), 0, "not here");
}

TEST_F(FetchWindowTest, RequestCarriesHostWithoutPortAndConnectionClose)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), Server::Close()});
    ASSERT_TRUE(server.Listening());
    const SFetchOutcome outcome =
        FetchWithWindow({server.Url(L"/client_login.php?username=a%26b&cmd=login&rf=main")});
    ExpectDelivered(outcome, 0, "ok");
    ASSERT_TRUE(server.WaitForRequest(0));
    EXPECT_EQ(server.Request(),
              "GET /client_login.php?username=a%26b&cmd=login&rf=main HTTP/1.1\r\n"
              "Host: 127.0.0.1\r\n"
              "Connection: close\r\n"
              "\r\n");
}

TEST_F(FetchWindowTest, OversizedResponsesFailTheirJobs)
{
    // A close-delimited body growing past 16 MiB, a length announcing more than that, and a
    // header block past 64 KiB: none of them may win, so the window delivers nothing.
    Server streaming({Server::Send("HTTP/1.1 200 OK\r\n\r\n" + std::string(20 * 1024 * 1024, 'x')), Server::Close()});
    Server announced({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 20971520\r\n\r\nxx"), Server::Hold()});
    Server longHeader({Server::Send("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(70 * 1024, 'h')), Server::Hold()});
    ASSERT_TRUE(streaming.Listening() && announced.Listening() && longHeader.Listening());

    ExpectDelivered(FetchWithWindow({streaming.Url(), announced.Url(), longHeader.Url()}), -1, "");
    // The failed jobs let go of their connections at once, not with the window.
    EXPECT_TRUE(announced.WaitForPeerClose(2000));
    EXPECT_TRUE(longHeader.WaitForPeerClose(2000));
}
TEST_F(FetchWindowTest, BodyWrittenToAFile)
{
    wchar_t directory[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, directory), 0u);
    ASSERT_NE(::GetTempFileNameW(directory, L"kvx", 0, path), 0u);
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n[VPN]\r\nAuthResult=OK"),
                   Server::Hold()});
    ASSERT_TRUE(server.Listening());

    CFileDownloadOutput file;
    ASSERT_TRUE(file.Open(path));
    const SFetchOutcome outcome = FetchWithWindow({server.Url()}, {}, 5000, &file);
    file.Close();
    EXPECT_EQ(outcome.run.result, IDOK);
    EXPECT_EQ(outcome.winnerIndex, 0);

    CFileHandle written(::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(written.Valid());
    char bytes[64] = {};
    DWORD count = 0;
    ASSERT_TRUE(::ReadFile(written.Get(), bytes, sizeof(bytes), &count, nullptr));
    written.Reset();
    EXPECT_EQ(std::string(bytes, count), "[VPN]\r\nAuthResult=OK");
    EXPECT_TRUE(::DeleteFileW(path));
}

// An output that cannot keep the body.
class CRefusingOutput : public IDownloadOutput {
public:
    bool Write(std::string) override { return false; }
};

TEST_F(FetchWindowTest, BodyThatCannotBeStoredIsNoSuccess)
{
    Server server({Server::Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), Server::Hold()});
    ASSERT_TRUE(server.Listening());
    CRefusingOutput refusing;
    const SFetchOutcome outcome = FetchWithWindow({server.Url()}, {}, 5000, &refusing);
    EXPECT_FALSE(outcome.run.timedOut);
    EXPECT_EQ(outcome.run.result, IDABORT);
    EXPECT_EQ(outcome.threadsJoined, outcome.threadsStarted);
}
}  // namespace
