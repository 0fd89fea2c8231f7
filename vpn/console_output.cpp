#include "vpn/console_output.h"

namespace
{

bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsTrailByte(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// 2 for a double-byte character at `pos`, 1 for anything else.
size_t CharacterLength(std::string_view text, size_t pos)
{
    if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos])) &&
        IsTrailByte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

// True if walking characters from the boundary `begin` lands exactly on `end`.
bool IsBoundaryFrom(std::string_view text, size_t begin, size_t end)
{
    size_t pos = begin;
    while (pos < end)
        pos += CharacterLength(text, pos);
    return pos == end;
}

} // namespace

size_t FindAnsiText(std::string_view output, std::string_view text, size_t from, size_t boundary)
{
    if (boundary > from)
        boundary = 0;
    // Look for the bytes first; walk characters only as far as the candidates found.
    for (size_t pos = output.find(text, from); pos != std::string_view::npos; pos = output.find(text, pos + 1)) {
        while (boundary < pos)
            boundary += CharacterLength(output, boundary);
        if (boundary == pos && IsBoundaryFrom(output, pos, pos + text.size()))
            return pos;
    }
    return std::string_view::npos;
}

bool AnsiTextEndsWith(std::string_view output, std::string_view text, size_t boundary)
{
    if (text.size() > output.size())
        return false;
    const size_t begin = output.size() - text.size();
    return output.compare(begin, text.size(), text) == 0 &&
           IsBoundaryFrom(output, boundary > begin ? 0 : boundary, begin);
}

size_t LastAnsiBoundary(std::string_view output, size_t boundary, size_t limit)
{
    limit = limit < output.size() ? limit : output.size();
    while (boundary < limit && boundary + CharacterLength(output, boundary) <= limit)
        boundary += CharacterLength(output, boundary);
    return boundary;
}

bool ExtractAnsiTextBetween(std::string_view output, std::string_view startText,
                            std::string_view endText, std::string& between)
{
    const size_t start = FindAnsiText(output, startText);
    if (start == std::string_view::npos)
        return false;
    const size_t from = start + startText.size();
    const size_t end = FindAnsiText(output, endText, from);
    if (end == std::string_view::npos)
        return false;
    between.assign(output.substr(from, end - from));
    return true;
}
