// The built-in artwork (res/images, linked in through res/korvex.rc): each image decodes with
// the system's picture loader at the size the sheets assume, the window picture survives being
// cut into pieces and stretched, the caption glyphs sit on the title band's own colours, and
// the animation control plays the wait animation.
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "skin/skin_image_win32.h"
#include "skin_test_support.h"

namespace {

// Luminance 0..255 of a COLORREF, integer weights.
int Luminance(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

class CComScope {
public:
    CComScope() { ::CoInitialize(nullptr); }
    ~CComScope() { ::CoUninitialize(); }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;
};

struct ResourceBytes {
    const uint8_t* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindBytes(int id, const wchar_t* type)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!resource) return {};
    HGLOBAL loaded = ::LoadResource(module, resource);
    return {static_cast<const uint8_t*>(loaded ? ::LockResource(loaded) : nullptr),
            ::SizeofResource(module, resource)};
}

// An image resource decoded the way the skin decodes it, read back as pixels.
class CDecodedImage {
public:
    explicit CDecodedImage(int id)
    {
        const ResourceBytes bytes = FindBytes(id, L"IMAGE");
        if (!bytes.data || bytes.size == 0) return;
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size);
        std::memcpy(::GlobalLock(memory), bytes.data, bytes.size);
        ::GlobalUnlock(memory);
        IStream* stream = nullptr;
        if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
            ::GlobalFree(memory);
            return;
        }
        IPicture* picture = nullptr;
        const HRESULT decoded = ::OleLoadPicture(stream, static_cast<LONG>(bytes.size), FALSE,
                                                 IID_IPicture, reinterpret_cast<void**>(&picture));
        stream->Release();
        if (FAILED(decoded) || !picture) return;

        OLE_XSIZE_HIMETRIC himetricWidth = 0;
        OLE_YSIZE_HIMETRIC himetricHeight = 0;
        picture->get_Width(&himetricWidth);
        picture->get_Height(&himetricHeight);
        HDC screen = ::GetDC(nullptr);
        m_width = ::MulDiv(himetricWidth, ::GetDeviceCaps(screen, LOGPIXELSX), 2540);
        m_height = ::MulDiv(himetricHeight, ::GetDeviceCaps(screen, LOGPIXELSY), 2540);

        // Copy through the picture's own surface, as the skin's StretchBlt does.
        HDC surface = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        if (SUCCEEDED(picture->SelectPicture(surface, nullptr, nullptr)) && m_width > 0 && m_height > 0) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = m_width;
            info.bmiHeader.biHeight = -m_height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            void* bits = nullptr;
            HDC target = ::CreateCompatibleDC(nullptr);
            HBITMAP bitmap = ::CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            HGDIOBJ previous = ::SelectObject(target, bitmap);
            if (::BitBlt(target, 0, 0, m_width, m_height, surface, 0, 0, SRCCOPY)) {
                ::GdiFlush();
                const auto* pixels = static_cast<const uint32_t*>(bits);
                m_pixels.assign(pixels, pixels + m_width * m_height);
            }
            ::SelectObject(target, previous);
            ::DeleteObject(bitmap);
            ::DeleteDC(target);
        }
        ::DeleteDC(surface);
        picture->Release();
    }

    bool Loaded() const { return !m_pixels.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF Pixel(int x, int y) const
    {
        const uint32_t p = m_pixels[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

    // The first pixel of (x0, y0)-(x1, y1) that differs from its row's (across) or column's
    // (down) first pixel, as "x,y"; empty when the area is uniform that way.
    std::string NonUniform(int x0, int y0, int x1, int y1, bool across) const
    {
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (Pixel(x, y) != (across ? Pixel(x0, y) : Pixel(x, y0))) {
                    return std::to_string(x) + "," + std::to_string(y);
                }
            }
        }
        return {};
    }
    int MinLuminance(const RECT& r) const { return Extreme(r, false); }
    int MaxLuminance(const RECT& r) const { return Extreme(r, true); }

private:
    int Extreme(const RECT& r, bool highest) const
    {
        int result = highest ? 0 : 255;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                const int l = Luminance(Pixel(x, y));
                result = highest ? (l > result ? l : result) : (l < result ? l : result);
            }
        }
        return result;
    }

    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels;
};

TEST(Artwork, ImagesDecodeAtTheSizesTheSheetsCut)
{
    CComScope com;
    const struct {
        int id;
        int width;
        int height;
    } images[] = {{IDB_SKIN_WINDOW, 322, 392}, {IDB_SKIN_BUTTON, 74, 27}, {IDB_SKIN_CAPTION_BUTTONS, 60, 30}};
    for (const auto& image : images) {
        SCOPED_TRACE(image.id);
        CDecodedImage decoded(image.id);
        ASSERT_TRUE(decoded.Loaded());
        EXPECT_EQ(decoded.Width(), image.width);
        EXPECT_EQ(decoded.Height(), image.height);

        // The skin decodes the pictures itself; what it draws from must be what the system's
        // picture decoder makes of the same bytes, pixel for pixel.
        CSkinImage skinImage;
        ASSERT_TRUE(skinImage.LoadSheetImage(::GetModuleHandleW(nullptr), static_cast<uint32_t>(image.id)));
        ASSERT_EQ(skinImage.Width(), image.width);
        ASSERT_EQ(skinImage.Height(), image.height);
        skin_test::CCanvas drawn(image.width, image.height);
        drawn.CopyFrom(skinImage.GetDrawingSurface(), 0, 0);
        int differing = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x)
                differing += drawn.Pixel(x, y) != decoded.Pixel(x, y);
        }
        EXPECT_EQ(differing, 0);
    }
}

TEST(Artwork, WindowPictureSurvivesCuttingAndStretching)
{
    CComScope com;
    CDecodedImage picture(IDB_SKIN_WINDOW);
    ASSERT_TRUE(picture.Loaded());
    ASSERT_EQ(picture.Width(), 322);
    ASSERT_EQ(picture.Height(), 392);

    // Stretched pieces must not carry detail along the stretch.
    EXPECT_EQ(picture.NonUniform(30, 0, 230, 30, true), "") << "top";
    EXPECT_EQ(picture.NonUniform(14, 367, 194, 392, true), "") << "bottom";
    EXPECT_EQ(picture.NonUniform(0, 30, 10, 365, false), "") << "left, down to the corner piece";
    EXPECT_EQ(picture.NonUniform(312, 30, 322, 367, false), "") << "right";
    // The other windows' whole body is the 30 x 30 piece at (10, 30): plain white, as the
    // white brush their statics and radio buttons paint.
    for (int y = 30; y < 60; ++y) {
        for (int x = 10; x < 40; ++x) {
            ASSERT_EQ(picture.Pixel(x, y), RGB(255, 255, 255)) << x << "," << y;
        }
    }
    // The frame is dark and the body light where the two meet.
    EXPECT_LT(picture.MaxLuminance({0, 30, 9, 365}), 110);
    EXPECT_LT(picture.MaxLuminance({15, 368, 300, 392}), 110);
}

TEST(Artwork, MainBodyLeavesRoomForTheControls)
{
    CComScope com;
    CDecodedImage picture(IDB_SKIN_WINDOW);
    ASSERT_TRUE(picture.Loaded());
    ASSERT_EQ(picture.Width(), 322);

    // The borderless edit boxes sit on white, inside a darker outline.
    for (const RECT edit : {RECT{72, 231, 152, 243}, RECT{208, 231, 288, 243}}) {
        SCOPED_TRACE(edit.left);
        EXPECT_EQ(picture.MinLuminance({edit.left - 2, edit.top - 1, edit.right + 2, edit.bottom + 2}), 255);
        const int middle = (edit.top + edit.bottom) / 2;
        EXPECT_LT(Luminance(picture.Pixel(edit.left - 4, middle)), 200);
        EXPECT_LT(Luminance(picture.Pixel(edit.right + 3, middle)), 200);
        EXPECT_LT(Luminance(picture.Pixel(edit.left + 40, edit.top - 4)), 200);
        EXPECT_LT(Luminance(picture.Pixel(edit.left + 40, edit.bottom + 3)), 200);
        // A label before the field: dark text somewhere in the 50 pixels to its left.
        EXPECT_LT(picture.MinLuminance({edit.left - 50, edit.top, edit.left - 6, edit.bottom}), 120);
    }
    // White link text needs a dark band; black check box and status text a light one.
    EXPECT_LT(picture.MaxLuminance({25, 198, 300, 213}), 140);
    EXPECT_GT(picture.MinLuminance({42, 259, 312, 274}), 200);
    EXPECT_GT(picture.MinLuminance({27, 334, 299, 349}), 220);
    EXPECT_GT(picture.MinLuminance({57, 293, 264, 320}), 220);
    // Nothing but the title band behind the title text and the caption buttons.
    EXPECT_EQ(picture.NonUniform(32, 3, 312, 20, true), "");
}

TEST(Artwork, CaptionGlyphsSitOnTheTitleBand)
{
    CComScope com;
    CDecodedImage picture(IDB_SKIN_WINDOW);
    CDecodedImage buttons(IDB_SKIN_CAPTION_BUTTONS);
    ASSERT_TRUE(picture.Loaded());
    ASSERT_TRUE(buttons.Loaded());
    ASSERT_EQ(buttons.Width(), 60);
    ASSERT_EQ(buttons.Height(), 30);

    // The frame puts the buttons at y = 3; each cell's background is the band row under it.
    for (int y = 0; y < 30; ++y) {
        const COLORREF band = picture.Pixel(250, 3 + y % 15);
        for (int x : {0, 14, 15, 29, 30, 44, 45, 59}) {
            ASSERT_EQ(buttons.Pixel(x, y), band) << x << "," << y;
        }
    }
    // Columns: normal (white), hover (the "Pushed" pieces, lavender), pressed (the "Hovered"
    // pieces, dim): the glyph centres fade in that order, and the glyphs differ from the band.
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const int y = row * 15 + (row == 0 ? 9 : 7);
        const COLORREF normal = buttons.Pixel(7, y);
        const COLORREF hover = buttons.Pixel(22, y);
        const COLORREF pressed = buttons.Pixel(37, y);
        EXPECT_EQ(normal, RGB(255, 255, 255));
        EXPECT_GT(GetBValue(hover), GetRValue(hover));
        EXPECT_GT(Luminance(normal), Luminance(hover));
        EXPECT_GT(Luminance(hover), Luminance(pressed));
        EXPECT_GT(Luminance(pressed), Luminance(buttons.Pixel(52, y)) + 20);
    }
}

TEST(Artwork, ButtonFaceIsLightWithADarkerRim)
{
    CComScope com;
    CDecodedImage face(IDB_SKIN_BUTTON);
    ASSERT_TRUE(face.Loaded());
    ASSERT_EQ(face.Width(), 74);
    ASSERT_EQ(face.Height(), 27);
    EXPECT_GT(face.MinLuminance({3, 3, 71, 24}), 200);
    for (const POINT rim : {POINT{0, 13}, POINT{73, 13}, POINT{37, 0}, POINT{37, 26}}) {
        EXPECT_LT(Luminance(face.Pixel(rim.x, rim.y)), 170) << rim.x << "," << rim.y;
    }
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(Artwork, WaitAnimationPlaysInTheFetchWindow)
{
    // The control plays only uncompressed or RLE8 8-bit clips without sound.
    const ResourceBytes avi = FindBytes(IDR_WAIT_ANIMATION, L"AVI");
    ASSERT_NE(avi.data, nullptr);
    ASSERT_GT(avi.size, 200u);
    ASSERT_EQ(std::memcmp(avi.data, "RIFF", 4), 0);
    ASSERT_EQ(std::memcmp(avi.data + 8, "AVI ", 4), 0);
    const uint8_t* avih = avi.data + 24;  // RIFF header, LIST hdrl header, then avih
    ASSERT_EQ(std::memcmp(avih, "avih", 4), 0);
    auto u32 = [](const uint8_t* p) { DWORD v; std::memcpy(&v, p, 4); return v; };
    const DWORD frames = u32(avih + 8 + 16);
    const DWORD streams = u32(avih + 8 + 24);
    const LONG width = static_cast<LONG>(u32(avih + 8 + 32));
    const LONG height = static_cast<LONG>(u32(avih + 8 + 36));
    EXPECT_GE(frames, 8u);
    EXPECT_EQ(streams, 1u);

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_ANIMATE_CLASS};
    ASSERT_TRUE(::InitCommonControlsEx(&controls));
    HWND dialog = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DOWNLOAD),
                                       nullptr, InertDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND animation = ::GetDlgItem(dialog, IDC_DOWNLOAD_ANIMATION);
    ASSERT_NE(animation, nullptr);
    RECT area{};
    ::GetClientRect(animation, &area);
    // Centred in the control, the clip must fit it whole.
    EXPECT_LE(width, area.right);
    EXPECT_LE(height, area.bottom);

    EXPECT_TRUE(::SendMessageW(animation, ACM_OPENW, reinterpret_cast<WPARAM>(::GetModuleHandleW(nullptr)),
                               reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(IDR_WAIT_ANIMATION))));
    EXPECT_TRUE(::SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)));
    EXPECT_TRUE(::SendMessageW(animation, ACM_STOP, 0, 0));
    // Every frame the header counts is there: showing the last one alone (a seek) works, and
    // one past it is refused.
    EXPECT_TRUE(::SendMessageW(animation, ACM_PLAY, 1, MAKELPARAM(frames - 1, frames - 1)));
    EXPECT_FALSE(::SendMessageW(animation, ACM_PLAY, 1, MAKELPARAM(frames, frames)));
    ::DestroyWindow(dialog);
}

}  // namespace
