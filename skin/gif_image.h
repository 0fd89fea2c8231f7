// Decoding of the GIF pictures the skin is drawn from: the first frame of a GIF87a/GIF89a file,
// as colours ready for a 32-bit top-down device-independent bitmap. Transparent pixels and the
// part of the logical screen the frame leaves uncovered come out black, as the system's picture
// decoder leaves them in the colour bitmap it selects into a device context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct SGifImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row from the top, width * height of them
};

// Nothing when the bytes are not a GIF with at least one frame, or its picture is implausibly
// large. A frame whose compressed data ends early keeps black where it stopped.
std::optional<SGifImage> DecodeGif(const uint8_t* bytes, size_t size);
