// Skin images and piece drawing: pictures decoded from memory and from the program's own
// resources, drawn into a DIB section and read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "res/resource.h"
#include "skin/skin.h"
#include "skin/skin_builtin_sheets.h"
#include "skin/skin_image_win32.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "skin_test_support.h"

using skin_test::CCanvas;
using skin_test::CoordinateColor;
using skin_test::PositionOf;

namespace {

constexpr COLORREF kUntouched = RGB(0xFE, 0x01, 0xFD);

// The built-in sheets over images whose every pixel names its position.
class SkinDrawPieceTest : public testing::Test {
protected:
    void SetUp() override
    {
        skin_test::CMemoryImages files(m_images);
        files.Provide(IDB_SKIN_CAPTION_BUTTONS, skin_test::MakeBmp(60, 30, CoordinateColor));
        files.Provide(IDB_SKIN_BUTTON, skin_test::MakeBmp(74, 27, CoordinateColor));
        files.Provide(IDB_SKIN_WINDOW, skin_test::MakeBmp(322, 392, CoordinateColor));
        RegisterBuiltInSheets(m_skin, files);
        ASSERT_EQ(m_skin.NextImageIndex(), 3);
        m_canvas.Fill(kUntouched);
    }

    int Draw(const wchar_t* prefix, const wchar_t* suffix, RECT destination)
    {
        return DrawPiece(m_canvas.Dc(), m_skin, m_images, prefix, suffix, destination);
    }

    // Every pixel outside the rectangle still has the fill colour.
    void ExpectUntouchedOutside(const RECT& drawn)
    {
        int changed = 0;
        for (int y = 0; y < m_canvas.Height(); ++y) {
            for (int x = 0; x < m_canvas.Width(); ++x) {
                const POINT point{x, y};
                if (!::PtInRect(&drawn, point) && m_canvas.Pixel(x, y) != kUntouched) {
                    ++changed;
                }
            }
        }
        EXPECT_EQ(changed, 0);
    }

    CSkin m_skin;
    CSkinImageStore m_images;
    CCanvas m_canvas{640, 400};
};

TEST_F(SkinDrawPieceTest, MainBodyAtNaturalSizeIsAnUnscaledCopy)
{
    EXPECT_NE(Draw(kWindowPicture, kPartMainBody, {10, 30, 10, 30}), 0);
    int wrong = 0;
    for (int y = 30; y < 368; ++y) {
        for (int x = 10; x < 312; ++x) {
            wrong += m_canvas.Pixel(x, y) != CoordinateColor(x, y);
        }
    }
    EXPECT_EQ(wrong, 0);
    ExpectUntouchedOutside({10, 30, 312, 368});
}

TEST_F(SkinDrawPieceTest, BackgroundIsStretchedOverTheBodyNotTiled)
{
    EXPECT_NE(Draw(kWindowPicture, kPartBackground, {10, 30, 587, 320}), 0);
    EXPECT_EQ(PositionOf(m_canvas.Pixel(10, 30)).x, 10);
    EXPECT_EQ(PositionOf(m_canvas.Pixel(10, 30)).y, 30);
    EXPECT_EQ(PositionOf(m_canvas.Pixel(586, 319)).x, 39);
    EXPECT_EQ(PositionOf(m_canvas.Pixel(586, 319)).y, 59);

    // Along a row the source column never goes back, and each of the 30 columns covers about
    // 577 / 30 pixels: one enlarged copy, not repeats.
    std::vector<int> widths(30, 0);
    int previous = 10;
    for (int x = 10; x < 587; ++x) {
        const int source = PositionOf(m_canvas.Pixel(x, 100)).x;
        ASSERT_GE(source, previous) << "at x " << x;
        ASSERT_LE(source, 39);
        previous = source;
        ++widths[source - 10];
    }
    EXPECT_GE(*std::min_element(widths.begin(), widths.end()), 18);
    EXPECT_LE(*std::max_element(widths.begin(), widths.end()), 21);
    ExpectUntouchedOutside({10, 30, 587, 320});
}

TEST_F(SkinDrawPieceTest, ZeroWidthOrHeightTakesThePiecesOwn)
{
    // Close glyph, 15 x 15 at (0, 15) of the caption button image.
    EXPECT_NE(Draw(L"SystemButtonClose", kPartNormal, {0, 0, 0, 0}), 0);
    EXPECT_EQ(m_canvas.Pixel(0, 0), CoordinateColor(0, 15));
    EXPECT_EQ(m_canvas.Pixel(14, 14), CoordinateColor(14, 29));
    ExpectUntouchedOutside({0, 0, 15, 15});

    // Natural width, stretched to 30 high; natural height, stretched to 30 wide.
    m_canvas.Fill(kUntouched);
    EXPECT_NE(Draw(L"SystemButtonClose", kPartNormal, {100, 100, 100, 130}), 0);
    EXPECT_EQ(m_canvas.Pixel(114, 129), CoordinateColor(14, 29));
    ExpectUntouchedOutside({100, 100, 115, 130});

    m_canvas.Fill(kUntouched);
    EXPECT_NE(Draw(L"SystemButtonClose", kPartNormal, {200, 100, 230, 100}), 0);
    EXPECT_EQ(m_canvas.Pixel(229, 114), CoordinateColor(14, 29));
    ExpectUntouchedOutside({200, 100, 230, 115});
}

TEST_F(SkinDrawPieceTest, UndefinedPiecesDrawNothing)
{
    EXPECT_EQ(Draw(L"SystemButtonMaximize", kPartNormal, {0, 0, 50, 50}), 0);
    EXPECT_EQ(Draw(L"button", kPartNormal, {0, 0, 0, 0}), 0);
    // Defined, but bound to an image that was never loaded.
    m_skin.ParseSheet(L"Orphan,0,0,5,5\n", 7);
    EXPECT_EQ(Draw(L"Orphan", kPartNormal, {0, 0, 0, 0}), 0);
    ExpectUntouchedOutside({0, 0, 0, 0});
}

TEST(SkinImageTest, BuiltInImagesComeFromTheProgramsResources)
{
    CSkin skin;
    CSkinImageStore images;
    RegisterBuiltInSheets(skin, images);

    EXPECT_EQ(skin.NextImageIndex(), 3);
    EXPECT_EQ(skin.GetPiece(L"SystemButtonClose", L"").imageIndex, 0);
    EXPECT_EQ(skin.GetPiece(L"Button", L"Pushed").imageIndex, 1);
    EXPECT_EQ(skin.GetPiece(kWindowPicture, kPartMainBody).imageIndex, 2);

    const struct {
        int32_t index;
        int32_t width;
        int32_t height;
    } expected[] = {{0, 60, 30}, {1, 74, 27}, {2, 322, 392}};
    for (const auto& image : expected) {
        SCOPED_TRACE(image.index);
        CSkinImage* record = images.Find(image.index);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->Width(), image.width);
        EXPECT_EQ(record->Height(), image.height);
        EXPECT_NE(record->GetDrawingSurface(), nullptr);
    }
}

TEST(SkinImageTest, RealMainBodyLandsUnscaledInTheBody)
{
    CSkin skin;
    CSkinImageStore images;
    RegisterBuiltInSheets(skin, images);
    HDC picture = images.GetDrawingSurface(2);
    ASSERT_NE(picture, nullptr);
    CCanvas reference(322, 392);
    reference.CopyFrom(picture, 0, 0);

    CCanvas canvas(400, 400);
    canvas.Fill(kUntouched);
    EXPECT_NE(DrawPiece(canvas.Dc(), skin, images, kWindowPicture, kPartMainBody, {10, 30, 10, 30}), 0);
    int wrong = 0;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            const bool inside = x >= 10 && x < 312 && y >= 30 && y < 368;
            wrong += canvas.Pixel(x, y) != (inside ? reference.Pixel(x, y) : kUntouched);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(SkinImageTest, MissingImageLeavesItsIndexToTheNextSheet)
{
    CSkin skin;
    CSkinImageStore images;
    EXPECT_FALSE(skin.AddSheet(999, L"Ghost,0,0,1,1\n", images));
    EXPECT_EQ(skin.NextImageIndex(), 0);
    EXPECT_FALSE(skin.GetPiece(L"Ghost", L"").IsDrawable());

    EXPECT_TRUE(skin.AddSheet(IDB_SKIN_BUTTON, kPushButtonSheet, images));
    EXPECT_EQ(skin.GetPiece(L"Button", L"").imageIndex, 0);
    EXPECT_EQ(skin.NextImageIndex(), 1);
}

TEST(SkinImageTest, UndecodableBytesLeaveAnEmptyRecord)
{
    CSkinImageStore images;
    const std::vector<uint8_t> file = skin_test::MakeBmp(4, 4, CoordinateColor);
    ASSERT_TRUE(images.LoadImageBytes(0, file.data(), file.size()));
    const char garbage[] = "GIF89a but not really";
    EXPECT_FALSE(images.LoadImageBytes(0, garbage, sizeof(garbage)));
    ASSERT_NE(images.Find(0), nullptr);
    EXPECT_FALSE(images.Find(0)->HasPicture());
    EXPECT_EQ(images.GetDrawingSurface(0), nullptr);
}

// A bitmap resource is a BMP file without its 14-byte file header.
TEST(SkinImageTest, PackedBitmapsDecodeOnceTheFileHeaderIsBack)
{
    const std::vector<uint8_t> file = skin_test::MakeBmp(7, 5, CoordinateColor);
    const std::vector<uint8_t> packed(file.begin() + 14, file.end());
    EXPECT_EQ(BitmapFileFromPackedDib(packed.data(), packed.size()), file);

    // 8 bits per pixel with the colour count left at 0: a full 256-entry table before the bits.
    std::vector<uint8_t> palettised(40 + 256 * 4 + 4 * 2, 0);
    const uint32_t header[] = {40, 3, 2};
    std::memcpy(palettised.data(), header, sizeof(header));
    palettised[12] = 1;  // planes
    palettised[14] = 8;  // bits per pixel
    const uint8_t blue = 0x40, green = 0x80, red = 0xC0;
    palettised[40 + 5 * 4 + 0] = blue;
    palettised[40 + 5 * 4 + 1] = green;
    palettised[40 + 5 * 4 + 2] = red;
    palettised[40 + 256 * 4 + 1] = 5;  // bottom row, second pixel

    const std::vector<uint8_t> rebuilt = BitmapFileFromPackedDib(palettised.data(), palettised.size());
    ASSERT_EQ(rebuilt.size(), palettised.size() + 14);
    uint32_t offBits = 0;
    std::memcpy(&offBits, &rebuilt[10], 4);
    EXPECT_EQ(offBits, 14u + 40u + 1024u);

    CSkinImage image;
    ASSERT_TRUE(image.LoadImageBytes(rebuilt.data(), rebuilt.size()));
    CCanvas canvas(3, 2);
    canvas.CopyFrom(image.GetDrawingSurface(), 0, 0);
    EXPECT_EQ(canvas.Pixel(1, 1), RGB(red, green, blue));
    EXPECT_EQ(canvas.Pixel(0, 1), RGB(0, 0, 0));

    // Headers that claim more than the bytes hold are refused.
    const uint32_t hugeHeader = 4096;
    std::vector<uint8_t> lying = palettised;
    std::memcpy(lying.data(), &hugeHeader, 4);
    EXPECT_TRUE(BitmapFileFromPackedDib(lying.data(), lying.size()).empty());
    EXPECT_TRUE(BitmapFileFromPackedDib(palettised.data(), 40 + 100).empty());
    EXPECT_TRUE(BitmapFileFromPackedDib(palettised.data(), 8).empty());
}

TEST(SkinImageTest, GdiObjectsAreCountedAndAllReturned)
{
    // The counter itself must see objects come and go, or the check below proves nothing.
    const size_t empty = skin_test::GdiObjectCount();
    ASSERT_GT(empty, 0u);
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(skin_test::GdiObjectCount(), empty + 1);
    ::DeleteObject(brush);
    EXPECT_EQ(skin_test::GdiObjectCount(), empty);

    auto loadDrawAndReload = [] {
        CSkin skin;
        CSkinImageStore images;
        RegisterBuiltInSheets(skin, images);
        CCanvas canvas(400, 400);
        for (const auto& [name, piece] : skin.Pieces()) {
            EXPECT_NE(DrawPiece(canvas.Dc(), skin, images, name, L"", {0, 0, 0, 0}), 0) << name.c_str();
        }
        // Loading again into used records releases the pictures and surfaces they held.
        for (int round = 0; round < 3; ++round) {
            ASSERT_TRUE(images.LoadSheetImage(2, IDB_SKIN_WINDOW));
            ASSERT_NE(images.GetDrawingSurface(2), nullptr);
            ASSERT_TRUE(images.LoadSheetImage(0, IDB_SKIN_CAPTION_BUTTONS));
            ASSERT_NE(images.GetDrawingSurface(0), nullptr);
        }
    };
    loadDrawAndReload();  // the system's own first-use objects (decoders, screen caches)
    const size_t before = skin_test::GdiObjectCount();
    loadDrawAndReload();
    EXPECT_EQ(skin_test::GdiObjectCount(), before);
}

}  // namespace
