#include "skin/skin_image_win32.h"

#include <cstring>
#include <utility>

#include "skin/gif_image.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int64_t kMaxPixels = 16 * 1024 * 1024;

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void WriteU32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// What a packed DIB's header says about it; false when the header or colour table does not fit
// the bytes or makes no sense.
struct SDibLayout {
    uint32_t headerSize = 0;
    size_t tableSize = 0;  // colour table, or the channel masks after a plain info header
    int32_t width = 0;
    int32_t height = 0;    // negative: top-down
    uint16_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t sizeImage = 0;
};

bool ReadDibLayout(const uint8_t* bytes, size_t size, SDibLayout& layout)
{
    if (!bytes || size < kCoreHeaderSize || size > static_cast<size_t>(INT32_MAX) - kFileHeaderSize)
        return false;
    layout.headerSize = ReadU32(bytes);
    if (layout.headerSize < kCoreHeaderSize || layout.headerSize > size)
        return false;
    if (layout.headerSize == kCoreHeaderSize) {
        layout.width = ReadU16(bytes + 4);
        layout.height = ReadU16(bytes + 6);
        layout.bitCount = ReadU16(bytes + 10);
        if (layout.bitCount <= 8)
            layout.tableSize = (size_t{1} << layout.bitCount) * 3;
    } else {
        if (layout.headerSize < kInfoHeaderSize)
            return false;
        layout.width = static_cast<int32_t>(ReadU32(bytes + 4));
        layout.height = static_cast<int32_t>(ReadU32(bytes + 8));
        layout.bitCount = ReadU16(bytes + 14);
        layout.compression = ReadU32(bytes + 16);
        layout.sizeImage = ReadU32(bytes + 20);
        const uint32_t colorsUsed = ReadU32(bytes + 32);
        if (colorsUsed > 256 && layout.bitCount <= 8)
            return false;
        size_t colors = colorsUsed;
        if (colors == 0 && layout.bitCount <= 8)
            colors = size_t{1} << layout.bitCount;
        layout.tableSize = colors * 4;
        if (layout.headerSize == kInfoHeaderSize && layout.compression == BI_BITFIELDS)
            layout.tableSize += 12;
    }
    return layout.tableSize <= size - layout.headerSize;
}

// A 32-bit top-down DIB section; bits receives its pixels.
HBITMAP CreateTrueColorBitmap(int32_t width, int32_t height, void** bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// GDI paints the BMP file's bits into a 32-bit bitmap, once the header is known to describe no
// more than the file holds.
HBITMAP DecodeBmp(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height)
{
    SDibLayout layout;
    if (size < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M' ||
        !ReadDibLayout(bytes + kFileHeaderSize, size - kFileHeaderSize, layout))
        return nullptr;
    const int64_t rows = layout.height < 0 ? -int64_t{layout.height} : layout.height;
    if (layout.width <= 0 || rows == 0 || int64_t{layout.width} * rows > kMaxPixels)
        return nullptr;
    const size_t bitsOffset = ReadU32(bytes + 10);
    if (bitsOffset < kFileHeaderSize + layout.headerSize + layout.tableSize || bitsOffset >= size)
        return nullptr;
    const size_t available = size - bitsOffset;
    const uint16_t depth = layout.bitCount;
    if (layout.compression == BI_RGB || layout.compression == BI_BITFIELDS) {
        if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
            return nullptr;
        const size_t stride = ((static_cast<size_t>(layout.width) * depth + 31) / 32) * 4;
        if (stride * static_cast<size_t>(rows) > available)
            return nullptr;
    } else if ((layout.compression == BI_RLE8 && depth == 8) || (layout.compression == BI_RLE4 && depth == 4)) {
        if (layout.sizeImage == 0 || layout.sizeImage > available || layout.height < 0)
            return nullptr;
    } else {
        return nullptr;
    }
    width = layout.width;
    height = static_cast<int32_t>(rows);
    void* pixels = nullptr;
    CGdiObject bitmap(CreateTrueColorBitmap(width, height, &pixels));
    HDC screen = ::GetDC(nullptr);
    CMemoryDc dc(::CreateCompatibleDC(screen));
    ::ReleaseDC(nullptr, screen);
    if (!bitmap || !dc)
        return nullptr;
    const HGDIOBJ previous = ::SelectObject(dc.Get(), bitmap.Get());
    const int painted = ::StretchDIBits(dc.Get(), 0, 0, width, height, 0, 0, width, height, bytes + bitsOffset,
                                        reinterpret_cast<const BITMAPINFO*>(bytes + kFileHeaderSize),
                                        DIB_RGB_COLORS, SRCCOPY);
    ::SelectObject(dc.Get(), previous);
    return painted > 0 ? static_cast<HBITMAP>(bitmap.Release()) : nullptr;
}

HBITMAP DecodeGifBitmap(const uint8_t* bytes, size_t size, int32_t& width, int32_t& height)
{
    const std::optional<SGifImage> image = DecodeGif(bytes, size);
    if (!image)
        return nullptr;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateTrueColorBitmap(image->width, image->height, &pixels);
    if (!bitmap || !pixels)
        return bitmap;
    std::memcpy(pixels, image->pixels.data(), image->pixels.size() * sizeof(uint32_t));
    width = image->width;
    height = image->height;
    return bitmap;
}

}  // namespace

bool CSkinImage::LoadSheetImage(HMODULE module, uint32_t resourceId)
{
    const LPCWSTR name = MAKEINTRESOURCEW(resourceId & 0xFFFF);
    bool packedDib = false;
    HRSRC resource = ::FindResourceW(module, name, L"IMAGE");
    if (!resource) {
        resource = ::FindResourceW(module, name, RT_BITMAP);
        packedDib = true;
    }
    if (!resource) {
        return false;
    }
    const DWORD size = ::SizeofResource(module, resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) {
        return false;
    }
    if (packedDib) {
        const std::vector<uint8_t> file = BitmapFileFromPackedDib(bytes, size);
        if (file.empty()) {
            Release();
            return false;
        }
        return LoadImageBytes(file.data(), file.size());
    }
    return LoadImageBytes(bytes, size);
}

bool CSkinImage::LoadImageBytes(const void* bytes, size_t size)
{
    Release();
    if (!bytes || size == 0 || size > static_cast<size_t>(INT32_MAX))
        return false;
    const auto* data = static_cast<const uint8_t*>(bytes);
    int32_t width = 0;
    int32_t height = 0;
    m_bitmap.Reset(size >= 3 && std::memcmp(data, "GIF", 3) == 0 ? DecodeGifBitmap(data, size, width, height)
                                                                 : DecodeBmp(data, size, width, height));
    if (!m_bitmap)
        return false;
    m_width = width;
    m_height = height;
    return true;
}

HDC CSkinImage::GetDrawingSurface()
{
    if (!m_surface && m_bitmap) {
        HDC screen = ::GetDC(nullptr);
        CMemoryDc surface(::CreateCompatibleDC(screen));
        ::ReleaseDC(nullptr, screen);
        if (surface && ::SelectObject(surface.Get(), m_bitmap.Get())) {
            m_surface = std::move(surface);
        }
    }
    return m_surface.Get();
}

void CSkinImage::Release()
{
    // The bitmap is selected into the surface: the surface goes first.
    m_surface.Reset();
    m_bitmap.Reset();
    m_width = 0;
    m_height = 0;
}

std::vector<uint8_t> BitmapFileFromPackedDib(const void* dib, size_t size)
{
    SDibLayout layout;
    if (!ReadDibLayout(static_cast<const uint8_t*>(dib), size, layout))
        return {};
    std::vector<uint8_t> file(kFileHeaderSize + size);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(&file[2], static_cast<uint32_t>(file.size()));
    WriteU32(&file[10], static_cast<uint32_t>(kFileHeaderSize + layout.headerSize + layout.tableSize));
    std::memcpy(&file[kFileHeaderSize], dib, size);
    return file;
}
