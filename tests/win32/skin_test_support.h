// Helpers shared by the skin tests: a canvas to draw into and read back, images built in
// memory, GDI object counting and message pumping.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "skin/skin.h"
#include "skin/skin_images_win32.h"

namespace skin_test {

// A 32-bit top-down DIB section selected into a memory device context.
class CCanvas {
public:
    CCanvas(int width, int height) : m_width(width), m_height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_previous = ::SelectObject(m_dc, m_bitmap);
    }
    ~CCanvas()
    {
        ::SelectObject(m_dc, m_previous);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Fill(COLORREF color)
    {
        ::GdiFlush();
        for (int i = 0; i < m_width * m_height; ++i) {
            m_bits[i] = ToPixel(color);
        }
    }
    COLORREF Pixel(int x, int y) const
    {
        ::GdiFlush();
        const uint32_t pixel = m_bits[y * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // Copies a device context's pixels (a window's, an image surface's) onto the canvas.
    void CopyFrom(HDC source, int x, int y) { ::BitBlt(m_dc, 0, 0, m_width, m_height, source, x, y, SRCCOPY); }

private:
    static uint32_t ToPixel(COLORREF color)
    {
        return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    }

    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    uint32_t* m_bits = nullptr;
};

// Every pixel of the test images names its own position, so a misplaced copy shows.
inline COLORREF CoordinateColor(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, ((x >> 8) & 0x0F) | (((y >> 8) & 0x0F) << 4));
}
inline POINT PositionOf(COLORREF color)
{
    const int high = GetBValue(color);
    return {GetRValue(color) | ((high & 0x0F) << 8), GetGValue(color) | ((high >> 4) << 8)};
}

// A 24-bit bottom-up BMP file.
inline std::vector<uint8_t> MakeBmp(int width, int height, const std::function<COLORREF(int, int)>& color)
{
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t offBits = 14 + 40;
    std::vector<uint8_t> file(offBits + static_cast<size_t>(stride) * height);
    auto put32 = [&file](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
    auto put16 = [&file](size_t at, uint16_t value) { std::memcpy(&file[at], &value, 2); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, offBits);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &file[offBits + static_cast<size_t>(stride) * (height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            const COLORREF c = color(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
    return file;
}

// Serves registrations from files held in memory instead of the program's resources.
class CMemoryImages final : public ISkinImageStore {
public:
    explicit CMemoryImages(CSkinImageStore& images) : m_images(images) {}
    void Provide(uint32_t resourceId, std::vector<uint8_t> file) { m_files[resourceId] = std::move(file); }
    bool LoadSheetImage(int32_t imageIndex, uint32_t resourceId) override
    {
        const auto found = m_files.find(resourceId);
        return found != m_files.end() && m_images.LoadImageBytes(imageIndex, found->second.data(), found->second.size());
    }

private:
    CSkinImageStore& m_images;
    std::map<uint32_t, std::vector<uint8_t>> m_files;
};

// GDI objects of this process. Wine does not implement GetGuiResources; there the objects are
// counted in its handle table, which the process environment block points to as on Windows.
inline size_t GdiObjectCount()
{
    if (const DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) {
        return count;
    }
#ifdef _WIN64
    constexpr size_t kTableOffset = 0xF8;
#else
    constexpr size_t kTableOffset = 0x94;
#endif
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;  // 0 marks a free entry
        uint8_t flags;
        uint64_t userPointer;
    };
    static_assert(sizeof(Entry) == 24, "GDI handle table entry");
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION process{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &process, sizeof(process), nullptr) != 0) {
        return 0;
    }
    const auto* peb = reinterpret_cast<const uint8_t*>(process.PebBaseAddress);
    const Entry* table = nullptr;
    std::memcpy(&table, peb + kTableOffset, sizeof(table));
    if (!table) {
        return 0;
    }
    size_t count = 0;
    for (size_t i = 0; i < 0x10000; ++i) {
        count += table[i].type != 0;
    }
    return count;
}

// Delivers everything waiting for this thread, paints included, until nothing is left.
inline void PumpMessages()
{
    MSG message;
    for (int round = 0; round < 50; ++round) {
        bool any = false;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (!any) {
            return;
        }
    }
}

// Keeps delivering messages for a while (timers, hover tracking).
inline void PumpMessagesFor(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    MSG message;
    while (::GetTickCount() - start < milliseconds) {
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::Sleep(5);
    }
}

}  // namespace skin_test
