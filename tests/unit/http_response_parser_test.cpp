#include "net/http_response_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using State = EHttpParseState;
using Failure = EHttpFailure;

// Feeds the response in pieces cut at the given offsets.
State FeedSplit(CHttpResponseParser& parser, const std::string& response, std::vector<size_t> cuts)
{
    State state = State::NeedMore;
    size_t from = 0;
    cuts.push_back(response.size());
    for (size_t cut : cuts) {
        state = parser.Feed(std::string_view(response).substr(from, cut - from));
        from = cut;
    }
    return state;
}

std::string Head(const std::string& fields)
{
    return "HTTP/1.1 200 OK\r\n" + fields + "\r\n";
}
}  // namespace

TEST(HttpResponseParser, HeaderEndArrivingAcrossTwoReceives)
{
    CHttpResponseParser parser;
    const std::string response = Head("Content-Length: 5\r\n") + "hello";
    const size_t cut = response.find("\r\n\r\n") + 3;  // CR LF CR | LF

    EXPECT_EQ(parser.Feed(response.substr(0, cut)), State::NeedMore);
    EXPECT_FALSE(parser.HeadersComplete());
    EXPECT_EQ(parser.Feed(response.substr(cut)), State::Complete);
    EXPECT_EQ(parser.Body(), "hello");
    EXPECT_EQ(parser.StatusLine(), "HTTP/1.1 200 OK");
}

TEST(HttpResponseParser, ContentLengthReadLikeAtoi)
{
    CHttpResponseParser blanks;
    blanks.Feed(Head("Content-Length:  120\r\n") + std::string(119, 'x'));
    EXPECT_EQ(blanks.ContentLength(), 120);
    EXPECT_EQ(blanks.State(), State::NeedMore);
    EXPECT_EQ(blanks.Feed("y"), State::Complete);
    EXPECT_EQ(blanks.Body().size(), 120u);

    CHttpResponseParser trailingText;
    EXPECT_EQ(trailingText.Feed(Head("Content-Length: 3 bytes\r\n") + "abc"), State::Complete);
    EXPECT_EQ(trailingText.Body(), "abc");
}

TEST(HttpResponseParser, ZeroContentLengthCompletesWithTheHeaderBlock)
{
    CHttpResponseParser parser;
    EXPECT_EQ(parser.Feed(Head("Content-Length: 0\r\n")), State::Complete);
    EXPECT_TRUE(parser.Body().empty());
}

TEST(HttpResponseParser, FieldNamesIgnoreLetterCaseAndValuesStayAsSent)
{
    CHttpResponseParser parser;
    EXPECT_EQ(parser.Feed(Head("content-LENGTH: 4\r\nX-Name:  two blanks\r\nx-name: later\r\n") + "abcd"),
              State::Complete);
    EXPECT_EQ(parser.ContentLength(), 4);
    ASSERT_EQ(parser.Headers().count("X-NAME"), 1u);
    EXPECT_EQ(parser.Headers().at("X-Name"), " later");
}

TEST(HttpResponseParser, BytesPastContentLengthAreNotBody)
{
    CHttpResponseParser parser;
    EXPECT_EQ(parser.Feed(Head("Content-Length: 3\r\n") + "abcHTTP/1.1 200 OK"), State::Complete);
    EXPECT_EQ(parser.Feed("more"), State::Complete);
    EXPECT_EQ(parser.Body(), "abc");
}

TEST(HttpResponseParser, ShortContentLengthBodyFailsOnClose)
{
    CHttpResponseParser parser;
    parser.Feed(Head("Content-Length: 10\r\n") + "abc");
    EXPECT_EQ(parser.ConnectionClosed(), State::Failed);
    EXPECT_EQ(parser.Failure(), Failure::TruncatedBody);
}

TEST(HttpResponseParser, CloseDelimitedBodyEndsWithOrderlyCloseOnly)
{
    CHttpResponseParser closed;
    EXPECT_EQ(closed.Feed(Head("Server: x\r\n") + "[VPN]\r\n"), State::NeedMore);
    EXPECT_EQ(closed.Feed("AuthResult=OK\r\n"), State::NeedMore);
    EXPECT_EQ(closed.ConnectionClosed(), State::Complete);
    EXPECT_EQ(closed.Body(), "[VPN]\r\nAuthResult=OK\r\n");
    EXPECT_EQ(closed.ContentLength(), -1);

    CHttpResponseParser reset;
    reset.Feed(Head("") + "partial");
    EXPECT_EQ(reset.ConnectionFailed(), State::Failed);
    EXPECT_EQ(reset.Failure(), Failure::ConnectionFailed);
}

TEST(HttpResponseParser, ConnectionEndingBeforeTheHeaderBlockIsUnusable)
{
    CHttpResponseParser neverConnected;
    EXPECT_EQ(neverConnected.ConnectionFailed(), State::Failed);

    CHttpResponseParser halfHeader;
    halfHeader.Feed("HTTP/1.1 200 OK\r\nContent-Le");
    EXPECT_EQ(halfHeader.ConnectionClosed(), State::Failed);
    EXPECT_EQ(halfHeader.Failure(), Failure::ClosedBeforeHeaders);
}

TEST(HttpResponseParser, ChunkedBodyWithExtensionsAndTrailers)
{
    const std::string response = Head("Transfer-Encoding: gzip, Chunked\r\nContent-Length: 2\r\n") +
                                 "5;name=value\r\nhello\r\n"
                                 "6 ; ext\r\n world\r\n"
                                 "A\r\n0123456789\r\n"
                                 "0\r\nX-Checksum: 1\r\nX-More: 2\r\n\r\n";
    CHttpResponseParser whole;
    EXPECT_EQ(whole.Feed(response), State::Complete);
    EXPECT_TRUE(whole.Chunked());
    EXPECT_EQ(whole.ContentLength(), -1);
    EXPECT_EQ(whole.Body(), "hello world0123456789");

    // Every single cut must give the same result as one piece.
    for (size_t cut = 1; cut < response.size(); ++cut) {
        CHttpResponseParser split;
        EXPECT_EQ(FeedSplit(split, response, {cut}), State::Complete) << "cut at " << cut;
        EXPECT_EQ(split.Body(), whole.Body()) << "cut at " << cut;
    }
}

TEST(HttpResponseParser, ByteByByteMatchesOnePiece)
{
    const std::string response = Head("Transfer-Encoding: chunked\r\n") + "3\nabc\n0\n\r\n";
    std::vector<size_t> everyByte;
    for (size_t i = 1; i < response.size(); ++i)
        everyByte.push_back(i);
    CHttpResponseParser parser;
    EXPECT_EQ(FeedSplit(parser, response, everyByte), State::Complete);
    EXPECT_EQ(parser.Body(), "abc");
}

TEST(HttpResponseParser, MalformedChunkingFails)
{
    const char* bodies[] = {
        "zz\r\nabc\r\n0\r\n\r\n",   // no hex digits
        "3x\r\nabc\r\n0\r\n\r\n",   // junk after the size
        "3\r\nabcd\r\n0\r\n\r\n",   // data longer than announced
    };
    for (const char* body : bodies) {
        CHttpResponseParser parser;
        EXPECT_EQ(parser.Feed(Head("Transfer-Encoding: chunked\r\n") + body), State::Failed) << body;
        EXPECT_EQ(parser.Failure(), Failure::BadChunk) << body;
    }

    CHttpResponseParser truncated;
    truncated.Feed(Head("Transfer-Encoding: chunked\r\n") + "5\r\nhel");
    EXPECT_EQ(truncated.ConnectionClosed(), State::Failed);
    EXPECT_EQ(truncated.Failure(), Failure::TruncatedBody);
}

TEST(HttpResponseParser, CloseAfterTheLastChunkKeepsTheBody)
{
    // Every chunk is in; only the empty line ending the trailer is missing.
    CHttpResponseParser parser;
    EXPECT_EQ(parser.Feed(Head("Transfer-Encoding: chunked\r\n") + "3\r\nabc\r\n0\r\n"), State::NeedMore);
    EXPECT_EQ(parser.ConnectionClosed(), State::Complete);
    EXPECT_EQ(parser.Body(), "abc");
}

TEST(HttpResponseParser, HeaderBlockBoundIs64KiB)
{
    const std::string start = "HTTP/1.1 200 OK\r\nX-Pad: ";
    const std::string end = "\r\nContent-Length: 3\r\n\r\n";
    const std::string atBound = start + std::string(CHttpResponseParser::kMaxHeaderBytes - start.size() - end.size(), 'p') + end;
    ASSERT_EQ(atBound.size(), CHttpResponseParser::kMaxHeaderBytes);

    // The body arrives in the piece that completes the header block.
    CHttpResponseParser fits;
    EXPECT_EQ(FeedSplit(fits, atBound + "abc", {1000, 40000}), State::Complete);
    EXPECT_EQ(fits.Body(), "abc");

    CHttpResponseParser over;
    EXPECT_EQ(over.Feed(start + "p" + atBound.substr(start.size())), State::Failed);
    EXPECT_EQ(over.Failure(), Failure::HeaderTooLarge);

    // No terminator in sight: give up once the bound is reached instead of buffering on.
    CHttpResponseParser endless;
    EXPECT_EQ(endless.Feed(start + std::string(CHttpResponseParser::kMaxHeaderBytes / 2, 'p')), State::NeedMore);
    EXPECT_EQ(endless.Feed(std::string(CHttpResponseParser::kMaxHeaderBytes / 2, 'p')), State::Failed);
    EXPECT_EQ(endless.Failure(), Failure::HeaderTooLarge);
}

TEST(HttpResponseParser, BodyBoundIs16MiB)
{
    const size_t bound = CHttpResponseParser::kMaxBodyBytes;
    const std::string block(1 << 20, 'b');

    CHttpResponseParser closeDelimited;
    closeDelimited.Feed(Head(""));
    for (size_t sent = 0; sent < bound; sent += block.size())
        closeDelimited.Feed(block);
    EXPECT_EQ(closeDelimited.State(), State::NeedMore);
    EXPECT_EQ(closeDelimited.Feed("!"), State::Failed);
    EXPECT_EQ(closeDelimited.Failure(), Failure::BodyTooLarge);

    CHttpResponseParser exact;
    exact.Feed(Head("Content-Length: " + std::to_string(bound) + "\r\n"));
    for (size_t sent = 0; sent < bound; sent += block.size())
        exact.Feed(block);
    EXPECT_EQ(exact.State(), State::Complete);

    CHttpResponseParser announced;
    EXPECT_EQ(announced.Feed(Head("Content-Length: 99999999999999999999\r\n")), State::Failed);
    EXPECT_EQ(announced.Failure(), Failure::BodyTooLarge);

    CHttpResponseParser chunk;
    EXPECT_EQ(chunk.Feed(Head("Transfer-Encoding: chunked\r\n") + "1000001\r\n"), State::Failed);
    EXPECT_EQ(chunk.Failure(), Failure::BodyTooLarge);
}

TEST(HttpResponseParser, GarbageIsNeverUsable)
{
    CHttpResponseParser notHttp;
    EXPECT_EQ(notHttp.Feed("SSH-2.0-OpenSSH\r\n\r\n"), State::Failed);
    EXPECT_EQ(notHttp.Failure(), Failure::NotHttp);

    CHttpResponseParser noTerminator;
    noTerminator.Feed(std::string("\x00\xff\x13garbage\n\n\r", 11));
    EXPECT_EQ(noTerminator.ConnectionClosed(), State::Failed);

    for (const char* value : {"abc", "-5", ""}) {
        CHttpResponseParser badLength;
        EXPECT_EQ(badLength.Feed(Head(std::string("Content-Length:") + value + "\r\n")), State::Failed) << value;
        EXPECT_EQ(badLength.Failure(), Failure::BadContentLength) << value;
    }
}
