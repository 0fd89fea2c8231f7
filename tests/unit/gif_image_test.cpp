// The skin's GIF reader on small files written here code by code. Each code is a literal (a clear
// code after every second keeps the code size at 3 bits), so the expected pixels are plain to see;
// the real pictures, with the table growing to 12 bits, are compared with the system's decoder in
// the Windows artwork test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "skin/gif_image.h"

// GCC 12 at -O2 and above warns about the vectors inside the table of cases below being used
// uninitialised; they are not (a known false positive with braced aggregates holding vectors).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

constexpr uint32_t kColors[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

struct SFrame {
    uint16_t left = 0, top = 0, width = 2, height = 2;
    bool interlaced = false;
    bool localPalette = false;
    int transparent = -1;
    std::vector<uint8_t> indexes;
    size_t keepDataBytes = SIZE_MAX;  // cuts the compressed data short
};

std::vector<uint8_t> Lzw(const std::vector<uint8_t>& indexes)
{
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            out.push_back(static_cast<uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (i % 2 == 0)
            emit(4);  // clear
        emit(indexes[i]);
    }
    emit(5);  // end
    if (count)
        out.push_back(static_cast<uint8_t>(bits));
    return out;
}

std::vector<uint8_t> MakeGif(uint16_t width, uint16_t height, const SFrame& frame)
{
    std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9', 'a'};
    auto word = [&](uint16_t value) {
        file.push_back(static_cast<uint8_t>(value));
        file.push_back(static_cast<uint8_t>(value >> 8));
    };
    auto palette = [&](bool reversed) {
        for (int i = 0; i < 4; ++i) {
            const uint32_t color = kColors[reversed ? 3 - i : i];
            file.insert(file.end(), {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                                     static_cast<uint8_t>(color)});
        }
    };
    word(width);
    word(height);
    file.insert(file.end(), {0x81, 0, 0});  // global palette of 4
    palette(false);
    file.insert(file.end(), {0x21, 0xFE, 3, 'h', 'i', '!', 0});  // a comment to skip
    if (frame.transparent >= 0)
        file.insert(file.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(frame.transparent), 0});
    file.push_back(0x2C);
    word(frame.left);
    word(frame.top);
    word(frame.width);
    word(frame.height);
    file.push_back(static_cast<uint8_t>((frame.localPalette ? 0x81 : 0) | (frame.interlaced ? 0x40 : 0)));
    if (frame.localPalette)
        palette(true);
    file.push_back(2);
    std::vector<uint8_t> data = Lzw(frame.indexes);
    if (data.size() > frame.keepDataBytes)
        data.resize(frame.keepDataBytes);
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t length = std::min<size_t>(255, data.size() - at);
        file.push_back(static_cast<uint8_t>(length));
        file.insert(file.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + length));
    }
    file.insert(file.end(), {0, 0x3B});
    return file;
}

}  // namespace

TEST(GifImage, DecodesTheFirstFrameAsTheSystemPlacesIt)
{
    const uint32_t K = 0x000000, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
    const struct {
        const char* name;
        uint16_t width, height;
        SFrame frame;
        std::vector<uint32_t> pixels;
    } cases[] = {
        {"plain", 2, 2, {0, 0, 2, 2, false, false, -1, {1, 2, 3, 0}}, {R, G, B, K}},
        // Rows arrive as 0, 2, 1, 3 (passes from 0, 4 and 2 by 8, 8 and 4, then the odd ones).
        {"interlaced", 1, 4, {0, 0, 1, 4, true, false, -1, {1, 2, 3, 1}}, {R, B, G, R}},
        {"local palette", 2, 1, {0, 0, 2, 1, false, true, -1, {0, 1}}, {B, G}},
        {"transparent black", 2, 1, {0, 0, 2, 1, false, false, 2, {2, 1}}, {K, R}},
        {"frame inside the screen", 3, 2, {1, 1, 2, 1, false, false, -1, {3, 3}}, {K, K, K, K, B, B}},
        {"frame beyond the screen", 2, 1, {1, 0, 2, 2, false, false, -1, {1, 2, 3, 3}}, {K, R}},
        {"data cut short", 2, 2, {0, 0, 2, 2, false, false, -1, {1, 2, 3, 1}, 2}, {R, G, B, K}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const std::vector<uint8_t> file = MakeGif(test.width, test.height, test.frame);
        const auto image = DecodeGif(file.data(), file.size());
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, test.width);
        EXPECT_EQ(image->height, test.height);
        EXPECT_EQ(image->pixels, test.pixels);
    }
}

TEST(GifImage, RefusesWhatIsNoPicture)
{
    const std::vector<uint8_t> good = MakeGif(2, 2, {0, 0, 2, 2, false, false, -1, {1, 2, 3, 0}});
    ASSERT_TRUE(DecodeGif(good.data(), good.size()).has_value());

    std::vector<std::vector<uint8_t>> bad;
    const std::string garbage = "GIF89a but not really";
    bad.emplace_back(garbage.begin(), garbage.end());
    for (size_t cut : {size_t{5}, size_t{12}, size_t{20}, size_t{30}})  // header, palette, comment, frame
        bad.emplace_back(good.begin(), good.begin() + static_cast<long>(cut));
    std::vector<uint8_t> noFrame(good.begin(), good.begin() + 25);  // screen and palette, then the trailer
    noFrame.push_back(0x3B);
    bad.push_back(noFrame);
    std::vector<uint8_t> empty = good;
    empty[6] = empty[7] = 0;  // zero width
    bad.push_back(empty);
    std::vector<uint8_t> huge = good;
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // 65535 x 65535
    bad.push_back(huge);
    std::vector<uint8_t> unknownCode = MakeGif(2, 1, {0, 0, 2, 1, false, false, -1, {1, 7}});  // 7 is no entry yet
    bad.push_back(unknownCode);
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(DecodeGif(bad[i].data(), bad[i].size()).has_value());
    }
    EXPECT_FALSE(DecodeGif(nullptr, 0).has_value());
}
