#pragma once

// Incremental parser of one HTTP/1.1 response. The download thread only moves socket bytes in
// here, in whatever pieces they arrive, and tells it when the connection ends; everything about
// framing (header block, Content-Length, chunked coding, close-delimited bodies) and the size
// bounds is decided here.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Header field names compare without regard to the case of ASCII letters.
struct SHttpNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
using THttpHeaders = std::map<std::string, std::string, SHttpNameLess>;

enum class EHttpParseState {
    NeedMore,  // feed more bytes, or report the end of the connection
    Complete,  // the body is whole; later input is ignored
    Failed,    // this response is unusable; later input is ignored
};

enum class EHttpFailure {
    None,
    NotHttp,              // the first line is no HTTP status line
    HeaderTooLarge,       // header block (or trailer section) over kMaxHeaderBytes
    BadContentLength,     // Content-Length without digits, or negative
    BodyTooLarge,         // body over kMaxBodyBytes, announced or received
    BadChunk,             // malformed chunked coding
    ClosedBeforeHeaders,  // the peer closed before the header block was complete
    TruncatedBody,        // the peer closed before the announced body was complete
    ConnectionFailed,     // connect, send or receive failed, or the socket was closed on us
};

class CHttpResponseParser {
public:
    static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
    static constexpr std::size_t kMaxBodyBytes = 16 * 1024 * 1024;

    EHttpParseState Feed(std::string_view bytes);
    // The peer closed the connection in order. Completes a close-delimited body (and a chunked
    // one whose last chunk is in); fails anything shorter than announced.
    EHttpParseState ConnectionClosed();
    // The connection broke (or never came up). Fails anything not yet complete.
    EHttpParseState ConnectionFailed();

    EHttpParseState State() const { return m_state; }
    EHttpFailure Failure() const { return m_failure; }
    bool HeadersComplete() const { return m_phase != EPhase::Header; }

    // The status line, CR removed, once the header block is complete. It is not evaluated: any
    // status delivers its body.
    const std::string& StatusLine() const { return m_statusLine; }
    // Values are kept as sent, leading blanks included. A later field replaces an earlier one.
    const THttpHeaders& Headers() const { return m_headers; }
    // The announced length, or -1 when there is none (close-delimited or chunked).
    int32_t ContentLength() const { return m_contentLength; }
    bool Chunked() const { return m_chunked; }

    // Decoded body bytes received so far.
    const std::string& Body() const { return m_body; }
    std::string TakeBody() { return std::move(m_body); }

private:
    enum class EPhase { Header, FixedBody, CloseBody, ChunkSize, ChunkData, ChunkDataEnd, Trailer, Done };

    EHttpParseState Fail(EHttpFailure failure);
    EHttpParseState Finish();
    EHttpParseState FeedHeader(std::string_view bytes);
    bool ReadHeaderBlock(std::string_view block);
    bool StartBody();
    EHttpParseState FeedBody(std::string_view bytes);
    EHttpParseState RunChunked();
    // Takes the next line of m_pending from m_offset, LF removed and one CR before it. False
    // when no whole line is there yet; fails when the partial line passes maxLength.
    bool TakeLine(std::string_view& line, std::size_t maxLength, EHttpFailure tooLong);
    bool ReadChunkSize(std::string_view line);

    EHttpParseState m_state = EHttpParseState::NeedMore;
    EHttpFailure m_failure = EHttpFailure::None;
    EPhase m_phase = EPhase::Header;

    std::string m_pending;      // header bytes, or chunk framing not consumed yet
    std::size_t m_offset = 0;   // consumed part of m_pending while decoding chunks
    std::size_t m_scanFrom = 0; // where the search for the header end resumes

    std::string m_statusLine;
    THttpHeaders m_headers;
    int32_t m_contentLength = -1;
    bool m_chunked = false;
    std::size_t m_chunkRemaining = 0;
    std::size_t m_trailerBytes = 0;
    std::string m_body;
};
