#include <gtest/gtest.h>

#include <string>

#include "skin/skin.h"
#include "skin/skin_builtin_sheets.h"
#include "skin/skin_control_look.h"
#include "skin/skin_frame_layout.h"
#include "skin/skin_names.h"

namespace {

// Close and minimise are sized to their 15 x 15 pieces; maximise and restore have none.
constexpr CaptionButtonSizes kBuiltInButtonSizes{{15, 15}, {10, 10}, {15, 15}, {10, 10}};

CSkin& BuiltInSkin()
{
    static CSkin skin;
    if (skin.Pieces().empty()) {
        for (int32_t index = 0; index < static_cast<int32_t>(kBuiltInSheets.size()); ++index) {
            skin.ParseSheet(kBuiltInSheets[index].text, index);
        }
    }
    return skin;
}

uint32_t MouseLParam(int16_t x, int16_t y)
{
    return static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

}  // namespace

TEST(SkinCaptionLayoutTest, MainWindowShowsMinimiseAndClose)
{
    CSkinAttributes switches;
    switches.SetInt(kMaximizeBox.name, 0);
    const CaptionLayout layout = ComputeCaptionLayout(322, false, switches, CSkinAttributes{}, kBuiltInButtonSizes);

    EXPECT_TRUE(layout.close.shown);
    EXPECT_EQ(layout.close.rect, (SkinRect{292, 3, 307, 18}));
    EXPECT_TRUE(layout.minimize.shown);
    EXPECT_EQ(layout.minimize.rect, (SkinRect{275, 3, 290, 18}));
    EXPECT_FALSE(layout.maximize.shown);
    EXPECT_FALSE(layout.restore.shown);
    EXPECT_EQ(layout.caption, (SkinRect{0, 0, 273, 20}));
}

TEST(SkinCaptionLayoutTest, SwitchesOffLeaveTheWholeTitleToDrag)
{
    CSkinAttributes switches;
    for (const SkinIntAttribute& box : {kMinimizeBox, kMaximizeBox, kCloseBox}) {
        switches.SetInt(box.name, 0);
    }
    const CaptionLayout layout = ComputeCaptionLayout(391, true, switches, CSkinAttributes{}, kBuiltInButtonSizes);
    EXPECT_FALSE(layout.close.shown || layout.maximize.shown || layout.minimize.shown || layout.restore.shown);
    EXPECT_EQ(layout.caption, (SkinRect{0, 0, 376, 20}));
}

TEST(SkinCaptionLayoutTest, DefaultSwitchesOrderCloseMaximiseMinimiseFromTheRight)
{
    const CaptionLayout normal = ComputeCaptionLayout(322, false, CSkinAttributes{}, CSkinAttributes{}, kBuiltInButtonSizes);
    EXPECT_EQ(normal.close.rect, (SkinRect{292, 3, 307, 18}));
    EXPECT_TRUE(normal.maximize.shown);
    EXPECT_FALSE(normal.restore.shown);
    EXPECT_EQ(normal.maximize.rect, (SkinRect{280, 3, 290, 13}));
    EXPECT_EQ(normal.minimize.rect, (SkinRect{263, 3, 278, 18}));
    EXPECT_EQ(normal.caption, (SkinRect{0, 0, 261, 20}));

    CaptionButtonSizes sizes = kBuiltInButtonSizes;
    sizes.restore = {12, 12};
    const CaptionLayout maximized = ComputeCaptionLayout(322, true, CSkinAttributes{}, CSkinAttributes{}, sizes);
    EXPECT_FALSE(maximized.maximize.shown);
    EXPECT_TRUE(maximized.restore.shown);
    EXPECT_EQ(maximized.restore.rect, (SkinRect{278, 3, 290, 15}));
    EXPECT_EQ(maximized.minimize.rect, (SkinRect{261, 3, 276, 18}));
}

TEST(SkinCaptionLayoutTest, RegistryMetricsMoveTheButtonsAndStrip)
{
    CSkinAttributes metrics;
    metrics.SetInt(kSystemButtonMarginTop.name, 6);
    metrics.SetInt(kSystemButtonMarginRight.name, 0);
    metrics.SetInt(kSystemButtonSpace.name, 5);
    metrics.SetInt(kWindowTitleHeight.name, 30);
    CSkinAttributes switches;
    switches.SetInt(kMaximizeBox.name, 0);
    const CaptionLayout layout = ComputeCaptionLayout(100, false, switches, metrics, kBuiltInButtonSizes);
    EXPECT_EQ(layout.close.rect, (SkinRect{85, 6, 100, 21}));
    EXPECT_EQ(layout.minimize.rect, (SkinRect{65, 6, 80, 21}));
    EXPECT_EQ(layout.caption, (SkinRect{0, 0, 60, 30}));
}

TEST(SkinCaptionLayoutTest, DragStartsOnlyInsideTheStrip)
{
    const SkinRect caption{0, 0, 273, 20};
    EXPECT_TRUE(IsCaptionDragPoint(caption, MouseLParam(5, 5)));
    EXPECT_TRUE(IsCaptionDragPoint(caption, MouseLParam(0, 19)));
    EXPECT_FALSE(IsCaptionDragPoint(caption, MouseLParam(5, 25)));
    EXPECT_FALSE(IsCaptionDragPoint(caption, MouseLParam(273, 5)));
    EXPECT_FALSE(IsCaptionDragPoint(caption, MouseLParam(5, 20)));
    // Coordinates are signed: 0xFFFF is -1, left of the window, not far right.
    EXPECT_FALSE(IsCaptionDragPoint(caption, MouseLParam(-1, 5)));
    EXPECT_EQ(PointFromMouseLParam(0xFFFEFFFFu), (SkinPoint{-1, -2}));
}

TEST(SkinFrameTest, MainWindowEdgePiecesLandAtTheirPlaces)
{
    const CSkin& skin = BuiltInSkin();
    struct Expected {
        const wchar_t* part;
        SkinRect drawn;
    };
    const Expected expected[] = {
        {kPartTopLeft, {0, 0, 30, 30}},         {kPartTopRight, {302, 0, 322, 30}},
        {kPartBottomLeft, {0, 365, 15, 392}},   {kPartBottomRight, {206, 367, 322, 392}},
        {kPartTop, {30, 0, 302, 30}},           {kPartBottom, {15, 367, 206, 392}},
        {kPartLeft, {0, 30, 10, 365}},          {kPartRight, {312, 30, 322, 367}},
    };
    const auto draws = ComputeFrameDraws(322, 392, skin);
    ASSERT_EQ(draws.size(), std::size(expected));
    for (size_t i = 0; i < draws.size(); ++i) {
        EXPECT_EQ(std::wstring(draws[i].part), expected[i].part) << i;
        const SkinPiece piece = skin.GetPiece(kWindowPicture, draws[i].part);
        EXPECT_EQ(ResolvePieceDestination(piece, draws[i].destination), expected[i].drawn) << i;
    }
    EXPECT_EQ(draws[0].destination, (SkinRect{0, 0, 0, 0}));  // natural size, not stretched
}

TEST(SkinFrameTest, UndefinedPiecesCountAsEmpty)
{
    const CSkin empty;
    const auto draws = ComputeFrameDraws(200, 100, empty);
    EXPECT_EQ(draws[1].destination, (SkinRect{200, 0, 200, 0}));
    EXPECT_EQ(draws[6].destination, (SkinRect{0, 0, 0, 100}));
    EXPECT_EQ(draws[7].destination, (SkinRect{200, 0, 200, 100}));
}

TEST(SkinPieceDestinationTest, ZeroExtentMeansNaturalSize)
{
    const CSkin& skin = BuiltInSkin();
    const SkinPiece body = skin.GetPiece(kWindowPicture, kPartMainBody);
    EXPECT_EQ(ResolvePieceDestination(body, {10, 30, 10, 30}), (SkinRect{10, 30, 312, 368}));
    const SkinPiece background = skin.GetPiece(kWindowPicture, kPartBackground);
    EXPECT_EQ(ResolvePieceDestination(background, {10, 30, 587, 320}), (SkinRect{10, 30, 587, 320}));
    const SkinPiece close = skin.GetPiece(kStyleSystemButtonClose, L"");
    EXPECT_EQ(ResolvePieceDestination(close, {0, 0, 0, 0}), (SkinRect{0, 0, 15, 15}));
    EXPECT_EQ(ResolvePieceDestination(close, {5, 5, 40, 5}), (SkinRect{5, 5, 40, 20}));
    EXPECT_EQ(ResolvePieceDestination(close, {5, 5, 5, 40}), (SkinRect{5, 5, 20, 40}));
    // Inverted destinations are the caller's choice and stay as given.
    EXPECT_EQ(ResolvePieceDestination(close, {40, 40, 5, 5}), (SkinRect{40, 40, 5, 5}));
}

TEST(SkinControlLookTest, PushButtonPieceAndTextByState)
{
    const SkinRect item{0, 0, 74, 27};
    const PushButtonLook pressed = ChoosePushButtonLook(item, true, true);
    EXPECT_EQ(std::wstring(pressed.part), L"Hovered");
    EXPECT_EQ(pressed.textRect, (SkinRect{1, 1, 75, 28}));
    const PushButtonLook hovered = ChoosePushButtonLook(item, false, true);
    EXPECT_EQ(std::wstring(hovered.part), L"Pushed");
    EXPECT_EQ(hovered.textRect, item);
    const PushButtonLook normal = ChoosePushButtonLook(item, false, false);
    EXPECT_EQ(std::wstring(normal.part), L"");
    EXPECT_EQ(normal.textRect, item);
}

TEST(SkinControlLookTest, DisabledTextIsLightenedPerChannel)
{
    const DisabledTextColors black = ComputeDisabledTextColors(0x000000);
    EXPECT_EQ(black.shadow, 0xBFBFBFu);  // 191 grey
    EXPECT_EQ(black.text, 0x7F7F7Fu);    // 127 grey
    const DisabledTextColors white = ComputeDisabledTextColors(0xFFFFFF);
    EXPECT_EQ(white.shadow, 0xFFFFFFu);
    EXPECT_EQ(white.text, 0xFFFFFFu);
    // Red 0, green 0x80, blue 0xFF: each channel on its own; the top byte is not a channel.
    const DisabledTextColors mixed = ComputeDisabledTextColors(0x01FF8000);
    EXPECT_EQ(mixed.shadow, 0x00FFDFBFu);
    EXPECT_EQ(mixed.text, 0x00FFBF7Fu);
}

TEST(SkinControlLookTest, CheckBoxBoxIsAtMostFourteenWide)
{
    const CheckBoxLayout tall = ComputeCheckBoxLayout({3, 4, 103, 19});
    EXPECT_EQ(tall.box, (SkinRect{3, 4, 17, 19}));
    EXPECT_EQ(tall.text, (SkinRect{22, 4, 103, 19}));
    const CheckBoxLayout small = ComputeCheckBoxLayout({0, 0, 80, 10});
    EXPECT_EQ(small.box, (SkinRect{0, 0, 10, 10}));
    EXPECT_EQ(small.text, (SkinRect{15, 0, 80, 10}));
}
