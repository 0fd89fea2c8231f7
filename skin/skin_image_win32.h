// One registered skin image: the decoded picture and the off-screen surface its pieces are
// copied from.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "win/handle.h"

class CSkinImage {
public:
    CSkinImage() = default;
    ~CSkinImage() { Release(); }
    CSkinImage(const CSkinImage&) = delete;
    CSkinImage& operator=(const CSkinImage&) = delete;

    // Decodes the resource of type "IMAGE" with this numeric id, or else the bitmap resource
    // (RT_BITMAP) with it, replacing what the record held. False when neither exists (the
    // record is left as it was) or the bytes do not decode (the record is then empty).
    bool LoadSheetImage(HMODULE module, uint32_t resourceId);
    // Decodes a GIF or BMP file image. Both are read here (GIF) or by GDI (BMP), not by the
    // system's picture decoder, whose image codecs would cost the start-up more than all else.
    bool LoadImageBytes(const void* bytes, size_t size);

    // The off-screen device context holding the picture, made on first use; null when there is
    // no picture or it cannot be selected into a device context.
    HDC GetDrawingSurface();

    bool HasPicture() const { return m_bitmap.Valid(); }
    // Size in screen pixels, recorded at load time.
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

private:
    void Release();

    CGdiObject m_bitmap;  // a 32-bit top-down DIB section
    CMemoryDc m_surface;  // deleted before the bitmap it holds
    int32_t m_width = 0;
    int32_t m_height = 0;
};

// A bitmap resource holds a packed DIB (header, colour table, bits) without the file header of a
// BMP file; this puts one in front. Empty when the header is not sound.
std::vector<uint8_t> BitmapFileFromPackedDib(const void* dib, size_t size);
