// Feeds arbitrary server bytes to the response parser, once whole and once in pieces whose sizes
// come from the input itself, and checks that the split never changes the outcome and that the
// bounds hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/http_response_parser.h"

namespace {
void Check(bool condition)
{
    if (!condition)
        std::abort();
}

EHttpParseState FeedAll(CHttpResponseParser& parser, std::string_view bytes, bool closeInOrder)
{
    parser.Feed(bytes);
    return closeInOrder ? parser.ConnectionClosed() : parser.ConnectionFailed();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const bool closeInOrder = (data[0] & 1) != 0;
    const size_t step = 1 + data[1] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);

    CHttpResponseParser whole;
    const EHttpParseState wholeState = FeedAll(whole, bytes, closeInOrder);

    CHttpResponseParser pieces;
    for (size_t offset = 0; offset < bytes.size(); offset += step)
        pieces.Feed(bytes.substr(offset, step));
    const EHttpParseState piecesState = closeInOrder ? pieces.ConnectionClosed() : pieces.ConnectionFailed();

    Check(wholeState != EHttpParseState::NeedMore);
    Check(wholeState == piecesState);
    Check(whole.Failure() == pieces.Failure());
    Check(whole.Body() == pieces.Body());
    Check(whole.Headers() == pieces.Headers());
    Check(whole.Body().size() <= CHttpResponseParser::kMaxBodyBytes);
    if (whole.ContentLength() >= 0 && wholeState == EHttpParseState::Complete)
        Check(whole.Body().size() == static_cast<size_t>(whole.ContentLength()));
    return 0;
}
