#include "net/http_response_parser.h"

#include <algorithm>

namespace {
// Longest chunk-size line we accept, extensions included.
constexpr std::size_t kMaxChunkLine = 4096;

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks as the C run-time's isspace sees them in the "C" locale.
bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimSpaceAndTab(std::string_view text)
{
    while (!text.empty() && IsSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpaceOrTab(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view TrimCarriageReturns(std::string_view text)
{
    while (!text.empty() && text.front() == '\r')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return text;
}

// Chunked when it is the last coding applied; other codings are passed through undecoded.
bool EndsWithChunked(std::string_view transferEncoding)
{
    const std::size_t comma = transferEncoding.rfind(',');
    const std::string_view last =
        comma == std::string_view::npos ? transferEncoding : transferEncoding.substr(comma + 1);
    return EqualsIgnoreCase(TrimSpaceAndTab(last), "chunked");
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}  // namespace

bool SHttpNameLess::operator()(std::string_view a, std::string_view b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

EHttpParseState CHttpResponseParser::Fail(EHttpFailure failure)
{
    m_state = EHttpParseState::Failed;
    m_failure = failure;
    m_phase = EPhase::Done;
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_offset = 0;
    return m_state;
}

EHttpParseState CHttpResponseParser::Finish()
{
    m_state = EHttpParseState::Complete;
    m_phase = EPhase::Done;
    m_pending.clear();
    m_pending.shrink_to_fit();
    m_offset = 0;
    return m_state;
}

EHttpParseState CHttpResponseParser::Feed(std::string_view bytes)
{
    if (m_state != EHttpParseState::NeedMore || bytes.empty())
        return m_state;
    if (m_phase == EPhase::Header)
        return FeedHeader(bytes);
    return FeedBody(bytes);
}

EHttpParseState CHttpResponseParser::ConnectionClosed()
{
    if (m_state != EHttpParseState::NeedMore)
        return m_state;
    switch (m_phase) {
    case EPhase::Header:
        return Fail(EHttpFailure::ClosedBeforeHeaders);
    case EPhase::CloseBody:
    case EPhase::Trailer:  // every chunk is in; only the trailer's end went missing
        return Finish();
    default:
        return Fail(EHttpFailure::TruncatedBody);
    }
}

EHttpParseState CHttpResponseParser::ConnectionFailed()
{
    if (m_state != EHttpParseState::NeedMore)
        return m_state;
    return Fail(EHttpFailure::ConnectionFailed);
}

EHttpParseState CHttpResponseParser::FeedHeader(std::string_view bytes)
{
    // A header block ends within kMaxHeaderBytes, so no more than that is ever held here; what
    // follows it goes on to the body from the caller's bytes.
    const std::size_t held = m_pending.size();
    m_pending.append(bytes.data(), std::min(bytes.size(), kMaxHeaderBytes - held));
    const std::size_t end = m_pending.find("\r\n\r\n", m_scanFrom);
    if (end == std::string::npos) {
        if (m_pending.size() >= kMaxHeaderBytes)
            return Fail(EHttpFailure::HeaderTooLarge);
        // Any terminator still to come ends past what we hold now.
        m_scanFrom = m_pending.size() >= 3 ? m_pending.size() - 3 : 0;
        return m_state;
    }
    const std::size_t blockSize = end + 4;
    const std::string_view rest = bytes.substr(blockSize - held);
    m_pending.resize(blockSize);
    if (!ReadHeaderBlock(m_pending) || !StartBody())
        return m_state;
    m_pending.clear();
    if (m_state != EHttpParseState::NeedMore || rest.empty())
        return m_state;
    return FeedBody(rest);
}

bool CHttpResponseParser::ReadHeaderBlock(std::string_view block)
{
    bool statusSeen = false;
    while (!block.empty()) {
        const std::size_t lineEnd = block.find('\n');
        std::string_view line = block.substr(0, lineEnd);
        block = lineEnd == std::string_view::npos ? std::string_view() : block.substr(lineEnd + 1);
        line = TrimCarriageReturns(line);
        if (line.empty())
            continue;
        if (!statusSeen) {
            if (line.substr(0, 5) != "HTTP/") {
                Fail(EHttpFailure::NotHttp);
                return false;
            }
            m_statusLine.assign(line);
            statusSeen = true;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        m_headers[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
    }
    if (!statusSeen) {
        Fail(EHttpFailure::NotHttp);
        return false;
    }
    return true;
}

bool CHttpResponseParser::StartBody()
{
    const auto transferEncoding = m_headers.find(std::string_view("Transfer-Encoding"));
    if (transferEncoding != m_headers.end() && EndsWithChunked(transferEncoding->second)) {
        m_chunked = true;
        m_phase = EPhase::ChunkSize;
        return true;
    }

    const auto contentLength = m_headers.find(std::string_view("Content-Length"));
    if (contentLength == m_headers.end()) {
        m_phase = EPhase::CloseBody;
        return true;
    }
    // Like atoi: leading blanks, an optional plus sign, digits up to the first non-digit.
    std::string_view text = contentLength->second;
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        Fail(EHttpFailure::BadContentLength);
        return false;
    }
    std::size_t length = 0;
    for (; !text.empty() && text.front() >= '0' && text.front() <= '9'; text.remove_prefix(1)) {
        length = length * 10 + static_cast<std::size_t>(text.front() - '0');
        if (length > kMaxBodyBytes) {
            Fail(EHttpFailure::BodyTooLarge);
            return false;
        }
    }
    m_contentLength = static_cast<int32_t>(length);
    m_phase = EPhase::FixedBody;
    m_body.reserve(length);  // within kMaxBodyBytes
    if (length == 0)
        Finish();
    return true;
}

EHttpParseState CHttpResponseParser::FeedBody(std::string_view bytes)
{
    switch (m_phase) {
    case EPhase::FixedBody: {
        const std::size_t missing = static_cast<std::size_t>(m_contentLength) - m_body.size();
        // Anything past the announced length is not part of this response.
        m_body.append(bytes.data(), std::min(missing, bytes.size()));
        if (m_body.size() == static_cast<std::size_t>(m_contentLength))
            return Finish();
        return m_state;
    }
    case EPhase::CloseBody:
        if (bytes.size() > kMaxBodyBytes - m_body.size())
            return Fail(EHttpFailure::BodyTooLarge);
        m_body.append(bytes.data(), bytes.size());
        return m_state;
    default:
        // Chunk data goes straight to the body while no framing bytes wait in front of it.
        if (m_phase == EPhase::ChunkData && m_offset == m_pending.size()) {
            const std::size_t take = std::min(bytes.size(), m_chunkRemaining);
            m_body.append(bytes.data(), take);
            bytes.remove_prefix(take);
            m_chunkRemaining -= take;
            if (m_chunkRemaining == 0)
                m_phase = EPhase::ChunkDataEnd;
        }
        m_pending.append(bytes.data(), bytes.size());
        return RunChunked();
    }
}

bool CHttpResponseParser::TakeLine(std::string_view& line, std::size_t maxLength, EHttpFailure tooLong)
{
    const std::size_t lineEnd = m_pending.find('\n', m_offset);
    if (lineEnd == std::string::npos) {
        if (m_pending.size() - m_offset > maxLength)
            Fail(tooLong);
        return false;
    }
    if (lineEnd - m_offset > maxLength) {
        Fail(tooLong);
        return false;
    }
    line = std::string_view(m_pending).substr(m_offset, lineEnd - m_offset);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    m_offset = lineEnd + 1;
    return true;
}

bool CHttpResponseParser::ReadChunkSize(std::string_view line)
{
    std::size_t size = 0;
    std::size_t digits = 0;
    for (; digits < line.size() && HexValue(line[digits]) >= 0; ++digits) {
        size = size * 16 + static_cast<std::size_t>(HexValue(line[digits]));
        if (size > kMaxBodyBytes) {
            Fail(EHttpFailure::BodyTooLarge);
            return false;
        }
    }
    const std::string_view rest = TrimSpaceAndTab(line.substr(digits));
    if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
        Fail(EHttpFailure::BadChunk);
        return false;
    }
    if (size > kMaxBodyBytes - m_body.size()) {
        Fail(EHttpFailure::BodyTooLarge);
        return false;
    }
    m_chunkRemaining = size;
    m_phase = size == 0 ? EPhase::Trailer : EPhase::ChunkData;
    return true;
}

EHttpParseState CHttpResponseParser::RunChunked()
{
    for (;;) {
        if (m_state != EHttpParseState::NeedMore)
            return m_state;
        const std::size_t available = m_pending.size() - m_offset;
        std::string_view line;
        bool progressed = false;
        switch (m_phase) {
        case EPhase::ChunkSize:
            progressed = TakeLine(line, kMaxChunkLine, EHttpFailure::BadChunk) && ReadChunkSize(line);
            break;
        case EPhase::ChunkData: {
            const std::size_t take = std::min(available, m_chunkRemaining);
            m_body.append(m_pending, m_offset, take);
            m_offset += take;
            m_chunkRemaining -= take;
            if (m_chunkRemaining == 0)
                m_phase = EPhase::ChunkDataEnd;
            progressed = take > 0;
            break;
        }
        case EPhase::ChunkDataEnd:
            // CR LF after the data; a bare LF is tolerated.
            if (available >= 1 && m_pending[m_offset] == '\n') {
                m_offset += 1;
            } else if (available >= 2 && m_pending[m_offset] == '\r' && m_pending[m_offset + 1] == '\n') {
                m_offset += 2;
            } else if (available >= 2 || (available == 1 && m_pending[m_offset] != '\r')) {
                return Fail(EHttpFailure::BadChunk);
            } else {
                break;
            }
            m_phase = EPhase::ChunkSize;
            progressed = true;
            break;
        case EPhase::Trailer:
            // Trailer fields are read past, within the same bound as the header block.
            if (TakeLine(line, kMaxHeaderBytes - m_trailerBytes, EHttpFailure::HeaderTooLarge)) {
                if (line.empty())
                    return Finish();
                m_trailerBytes += line.size() + 2;
                if (m_trailerBytes > kMaxHeaderBytes)
                    return Fail(EHttpFailure::HeaderTooLarge);
                progressed = true;
            }
            break;
        default:
            return m_state;
        }
        if (m_state != EHttpParseState::NeedMore)
            return m_state;
        if (!progressed) {
            m_pending.erase(0, m_offset);
            m_offset = 0;
            return m_state;
        }
    }
}
