#include "skin/skin_image_win32.h"

#include <olectl.h>

#include <cstring>
#include <utility>

namespace {

constexpr int kHimetricPerInch = 2540;

uint32_t ReadU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void WriteU32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// The decoder reads from a stream; this one owns a private copy of the bytes.
IStream* StreamOverCopy(const void* bytes, size_t size)
{
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) {
        return nullptr;
    }
    void* target = ::GlobalLock(memory);
    if (!target) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        ::GlobalFree(memory);
        return nullptr;
    }
    return stream;
}

int32_t HimetricToPixels(OLE_XSIZE_HIMETRIC himetric, int pixelsPerInch)
{
    return ::MulDiv(himetric, pixelsPerInch, kHimetricPerInch);
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
    if (!bytes || size == 0 || size > static_cast<size_t>(INT32_MAX)) {
        return false;
    }
    IStream* stream = StreamOverCopy(bytes, size);
    if (!stream) {
        return false;
    }
    IPicture* picture = nullptr;
    const HRESULT decoded = ::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                             reinterpret_cast<void**>(&picture));
    stream->Release();
    if (FAILED(decoded) || !picture) {
        return false;
    }
    m_picture = picture;

    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_picture->get_Width(&width);
    m_picture->get_Height(&height);
    HDC screen = ::GetDC(nullptr);
    m_width = HimetricToPixels(width, ::GetDeviceCaps(screen, LOGPIXELSX));
    m_height = HimetricToPixels(height, ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);
    return true;
}

HDC CSkinImage::GetDrawingSurface()
{
    if (!m_surface && m_picture) {
        HDC screen = ::GetDC(nullptr);
        CMemoryDc surface(::CreateCompatibleDC(screen));
        ::ReleaseDC(nullptr, screen);
        if (surface && SUCCEEDED(m_picture->SelectPicture(surface.Get(), nullptr, nullptr))) {
            m_surface = std::move(surface);
        }
    }
    return m_surface.Get();
}

void CSkinImage::Release()
{
    // The picture's bitmap is selected into the surface: the surface goes first.
    m_surface.Reset();
    if (m_picture) {
        m_picture->Release();
        m_picture = nullptr;
    }
    m_width = 0;
    m_height = 0;
}

std::vector<uint8_t> BitmapFileFromPackedDib(const void* dib, size_t size)
{
    constexpr size_t kFileHeaderSize = 14;
    constexpr size_t kCoreHeaderSize = 12;
    constexpr size_t kInfoHeaderSize = 40;
    const auto* bytes = static_cast<const uint8_t*>(dib);
    if (!bytes || size < kCoreHeaderSize || size > static_cast<size_t>(INT32_MAX) - kFileHeaderSize) {
        return {};
    }
    const uint32_t headerSize = ReadU32(bytes);
    if (headerSize < kCoreHeaderSize || headerSize > size) {
        return {};
    }

    size_t tableSize = 0;
    if (headerSize == kCoreHeaderSize) {
        const uint16_t bitCount = ReadU16(bytes + 10);
        if (bitCount <= 8) {
            tableSize = (size_t{1} << bitCount) * 3;
        }
    } else {
        if (headerSize < kInfoHeaderSize) {
            return {};
        }
        const uint16_t bitCount = ReadU16(bytes + 14);
        const uint32_t compression = ReadU32(bytes + 16);
        const uint32_t colorsUsed = ReadU32(bytes + 32);
        if (colorsUsed > 256 && bitCount <= 8) {
            return {};
        }
        size_t colors = colorsUsed;
        if (colors == 0 && bitCount <= 8) {
            colors = size_t{1} << bitCount;
        }
        tableSize = colors * 4;
        // A plain info header keeps the three channel masks after it.
        if (headerSize == kInfoHeaderSize && compression == BI_BITFIELDS) {
            tableSize += 12;
        }
    }
    if (tableSize > size - headerSize) {
        return {};
    }

    std::vector<uint8_t> file(kFileHeaderSize + size);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(&file[2], static_cast<uint32_t>(file.size()));
    WriteU32(&file[10], static_cast<uint32_t>(kFileHeaderSize + headerSize + tableSize));
    std::memcpy(&file[kFileHeaderSize], bytes, size);
    return file;
}
