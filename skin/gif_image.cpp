#include "skin/gif_image.h"

#include <algorithm>
#include <array>

namespace {

constexpr int64_t kMaxPixels = 16 * 1024 * 1024;
constexpr int kMaxCodes = 4096;

class CReader {
public:
    CReader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
    bool Has(size_t count) const { return m_size - m_at >= count; }
    uint8_t Byte() { return m_bytes[m_at++]; }
    uint16_t Word()
    {
        const uint16_t value = static_cast<uint16_t>(m_bytes[m_at] | (m_bytes[m_at + 1] << 8));
        m_at += 2;
        return value;
    }
    const uint8_t* Here() const { return m_bytes + m_at; }
    void Skip(size_t count) { m_at += count; }
    // Skips a chain of data sub-blocks up to and including its empty terminator.
    bool SkipSubBlocks()
    {
        while (Has(1)) {
            const uint8_t length = Byte();
            if (length == 0)
                return true;
            if (!Has(length))
                return false;
            Skip(length);
        }
        return false;
    }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_at = 0;
};

using Palette = std::array<uint32_t, 256>;

bool ReadPalette(CReader& reader, uint8_t flags, Palette& palette)
{
    const size_t count = size_t{2} << (flags & 7);
    if (!reader.Has(count * 3))
        return false;
    palette.fill(0);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* rgb = reader.Here();
        palette[i] = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
        reader.Skip(3);
    }
    return true;
}

// The frame's LZW codes, gathered across its sub-blocks, read least significant bit first.
class CCodeStream {
public:
    explicit CCodeStream(CReader& reader) : m_reader(reader) {}
    // -1 at the end of the data.
    int Next(int bits)
    {
        while (m_count < bits) {
            if (m_blockLeft == 0) {
                if (m_ended || !m_reader.Has(1) || (m_blockLeft = m_reader.Byte()) == 0) {
                    m_ended = true;
                    return -1;
                }
            }
            if (!m_reader.Has(1)) {
                m_ended = true;
                return -1;
            }
            m_buffer |= uint32_t{m_reader.Byte()} << m_count;
            m_count += 8;
            --m_blockLeft;
        }
        const int code = static_cast<int>(m_buffer & ((1u << bits) - 1));
        m_buffer >>= bits;
        m_count -= bits;
        return code;
    }

private:
    CReader& m_reader;
    uint32_t m_buffer = 0;
    int m_count = 0;
    uint8_t m_blockLeft = 0;
    bool m_ended = false;
};

// Decodes up to indexes.size() palette indexes; false on a code the table cannot hold yet.
bool DecodeLzw(CReader& reader, int minimumCodeSize, std::vector<uint8_t>& indexes)
{
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    std::array<uint16_t, kMaxCodes> prefix{};
    std::array<uint8_t, kMaxCodes> suffix{};
    std::array<uint8_t, kMaxCodes> first{};
    std::array<uint8_t, kMaxCodes + 1> stack{};
    for (int code = 0; code < clear; ++code) {
        suffix[code] = first[code] = static_cast<uint8_t>(code);
    }
    CCodeStream codes(reader);
    int codeSize = minimumCodeSize + 1;
    int next = end + 1;
    int previous = -1;
    size_t out = 0;
    while (out < indexes.size()) {
        const int code = codes.Next(codeSize);
        if (code < 0 || code == end)
            break;
        if (code == clear) {
            codeSize = minimumCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code >= clear)
                return false;
            indexes[out++] = static_cast<uint8_t>(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= kMaxCodes))
            return false;
        // Unwind the string for code (or, for the code about to be made, previous + its first).
        size_t depth = 0;
        int walk = code;
        if (code == next) {
            stack[depth++] = first[previous];
            walk = previous;
        }
        while (walk >= clear) {
            stack[depth++] = suffix[walk];
            walk = prefix[walk];
        }
        stack[depth++] = static_cast<uint8_t>(walk);
        if (next < kMaxCodes) {
            prefix[next] = static_cast<uint16_t>(previous);
            suffix[next] = static_cast<uint8_t>(walk);
            first[next] = first[previous];
            ++next;
            if (next == (1 << codeSize) && codeSize < 12)
                ++codeSize;
        }
        while (depth > 0 && out < indexes.size())
            indexes[out++] = stack[--depth];
        previous = code;
    }
    return true;
}

// Row order of an interlaced frame: every 8th from 0, every 8th from 4, every 4th from 2, every
// 2nd from 1.
std::vector<int32_t> RowOrder(int32_t height, bool interlaced)
{
    std::vector<int32_t> rows;
    rows.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int32_t y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    const int32_t starts[] = {0, 4, 2, 1};
    const int32_t steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int32_t y = starts[pass]; y < height; y += steps[pass])
            rows.push_back(y);
    }
    return rows;
}

}  // namespace

std::optional<SGifImage> DecodeGif(const uint8_t* bytes, size_t size)
{
    if (!bytes)
        return std::nullopt;
    CReader reader(bytes, size);
    if (!reader.Has(13) || !std::equal(bytes, bytes + 3, "GIF"))
        return std::nullopt;
    reader.Skip(6);
    SGifImage image;
    image.width = reader.Word();
    image.height = reader.Word();
    const uint8_t screenFlags = reader.Byte();
    reader.Skip(2);  // background colour, aspect ratio
    if (image.width == 0 || image.height == 0 || int64_t{image.width} * image.height > kMaxPixels)
        return std::nullopt;
    Palette global{};
    if ((screenFlags & 0x80) && !ReadPalette(reader, screenFlags, global))
        return std::nullopt;

    int transparent = -1;
    while (reader.Has(1)) {
        const uint8_t introducer = reader.Byte();
        if (introducer == 0x21) {  // extension
            if (!reader.Has(1))
                return std::nullopt;
            const uint8_t label = reader.Byte();
            if (label == 0xF9 && reader.Has(5) && reader.Here()[0] == 4) {  // graphic control
                const uint8_t* control = reader.Here();
                transparent = (control[1] & 1) ? control[4] : -1;
            }
            if (!reader.SkipSubBlocks())
                return std::nullopt;
            continue;
        }
        if (introducer != 0x2C)  // anything but a frame here (the trailer included) ends the search
            return std::nullopt;
        if (!reader.Has(9))
            return std::nullopt;
        const int32_t left = reader.Word();
        const int32_t top = reader.Word();
        const int32_t width = reader.Word();
        const int32_t height = reader.Word();
        const uint8_t frameFlags = reader.Byte();
        Palette local{};
        if ((frameFlags & 0x80) && !ReadPalette(reader, frameFlags, local))
            return std::nullopt;
        if (int64_t{width} * height > kMaxPixels)
            return std::nullopt;
        const Palette& palette = (frameFlags & 0x80) ? local : global;
        if (!reader.Has(1))
            return std::nullopt;
        const int minimumCodeSize = reader.Byte();
        if (minimumCodeSize < 2 || minimumCodeSize > 8)
            return std::nullopt;
        std::vector<uint8_t> indexes(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        if (!DecodeLzw(reader, minimumCodeSize, indexes))
            return std::nullopt;

        image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
        const std::vector<int32_t> rows = RowOrder(height, (frameFlags & 0x40) != 0);
        for (int32_t row = 0; row < height; ++row) {
            const int32_t y = top + rows[static_cast<size_t>(row)];
            if (y >= image.height)
                continue;
            for (int32_t x = 0; x < width && left + x < image.width; ++x) {
                const uint8_t index = indexes[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                if (index != transparent)
                    image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(left + x)] = palette[index];
            }
        }
        return image;
    }
    return std::nullopt;
}
