#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "skin/skin.h"
#include "skin/skin_builtin_sheets.h"
#include "skin/skin_names.h"

namespace {

class CFakeImageStore : public ISkinImageStore {
public:
    bool LoadSheetImage(int32_t imageIndex, uint32_t imageResourceId) override
    {
        loads.emplace_back(imageIndex, imageResourceId);
        return imageResourceId != missingResourceId;
    }

    std::vector<std::pair<int32_t, uint32_t>> loads;
    uint32_t missingResourceId = 0;
};

}  // namespace

TEST(SkinAttributesTest, KeysMatchExactlyAndMissingKeysYieldTheDefault)
{
    CSkinAttributes attributes;
    EXPECT_EQ(attributes.GetInt(L"MaximizeBox", 1), 1);
    attributes.SetInt(L"MaximizeBox", 0);
    EXPECT_EQ(attributes.GetInt(kMaximizeBox), 0);
    EXPECT_EQ(attributes.GetInt(L"maximizebox", 5), 5);
    EXPECT_EQ(attributes.GetInt(L"MaximizeBox ", 5), 5);
    EXPECT_EQ(attributes.GetInt(L"Maximize", 5), 5);
    attributes.SetInt(L"MaximizeBox", -3);
    EXPECT_EQ(attributes.GetInt(L"MaximizeBox", 1), -3);
}

TEST(SkinRegistryTest, GetPieceJoinsPrefixAndSuffix)
{
    CSkin skin;
    skin.ParseSheet(L"Button,0,0,74,27\nButtonHovered,1,1,74,27\n", 4);

    const SkinPiece whole = skin.GetPiece(L"Button", L"");
    EXPECT_TRUE(whole.IsDrawable());
    EXPECT_EQ(whole.source, (SkinRect{0, 0, 74, 27}));
    EXPECT_EQ(whole.imageIndex, 4);
    const SkinPiece split = skin.GetPiece(L"But", L"ton");
    EXPECT_EQ(split.name, whole.name);
    EXPECT_EQ(split.source, whole.source);
    EXPECT_EQ(skin.GetPiece(L"Button", L"Hovered").source, (SkinRect{1, 1, 75, 28}));

    for (const SkinPiece& missing : {skin.GetPiece(L"button", L""), skin.GetPiece(L"Button", L"Pushed"),
                                     skin.GetPiece(L"SystemButtonMaximize", L"")}) {
        EXPECT_FALSE(missing.IsDrawable());
        EXPECT_TRUE(missing.name.empty());
        EXPECT_EQ(missing.source, (SkinRect{0, 0, 0, 0}));
        EXPECT_EQ(missing.imageIndex, -1);
    }
    EXPECT_EQ(skin.Pieces().size(), 2u);  // lookups never insert
}

TEST(SkinRegistryTest, BuiltInSheetsGetConsecutiveImageIndexes)
{
    CSkin skin;
    CFakeImageStore images;
    RegisterBuiltInSheets(skin, images);

    const std::vector<std::pair<int32_t, uint32_t>> expectedLoads{{0, 162}, {1, 161}, {2, 160}};
    EXPECT_EQ(images.loads, expectedLoads);
    EXPECT_EQ(skin.NextImageIndex(), 3);

    struct Expected {
        const wchar_t* name;
        int32_t imageIndex;
        SkinRect source;
    };
    const Expected expected[] = {
        {L"SystemButtonMinimize", 0, {0, 0, 15, 15}},       {L"SystemButtonMinimizePushed", 0, {15, 0, 30, 15}},
        {L"SystemButtonMinimizeHovered", 0, {30, 0, 45, 15}}, {L"SystemButtonClose", 0, {0, 15, 15, 30}},
        {L"SystemButtonClosePushed", 0, {15, 15, 30, 30}},  {L"SystemButtonCloseHovered", 0, {30, 15, 45, 30}},
        {L"Button", 1, {0, 0, 74, 27}},                      {L"ButtonHovered", 1, {0, 0, 74, 27}},
        {L"ButtonPushed", 1, {0, 0, 74, 27}},                {L"WindowPictureTopLeft", 2, {0, 0, 30, 30}},
        {L"WindowPictureTop", 2, {30, 0, 230, 30}},          {L"WindowPictureTopRight", 2, {302, 0, 322, 30}},
        {L"WindowPictureLeft", 2, {0, 30, 10, 60}},          {L"WindowPictureRight", 2, {312, 30, 322, 60}},
        {L"WindowPictureBottomLeft", 2, {0, 365, 15, 392}},  {L"WindowPictureBottom", 2, {14, 367, 194, 392}},
        {L"WindowPictureBottomRight", 2, {206, 367, 322, 392}}, {L"WindowPictureBackground", 2, {10, 30, 40, 60}},
        {L"WindowPictureMainBody", 2, {10, 30, 312, 368}},
    };
    EXPECT_EQ(skin.Pieces().size(), std::size(expected));
    for (const Expected& e : expected) {
        const SkinPiece piece = skin.GetPiece(e.name, L"");
        EXPECT_EQ(piece.name, e.name);
        EXPECT_EQ(piece.imageIndex, e.imageIndex);
        EXPECT_EQ(piece.source, e.source);
    }

    for (const BuiltInSheet& sheet : kBuiltInSheets) {
        const std::wstring text = sheet.text;
        EXPECT_EQ(text.find(L'\r'), std::wstring::npos);
        EXPECT_EQ(text.find(L' '), std::wstring::npos);
        EXPECT_EQ(text.back(), L'\n');
    }
}

TEST(SkinRegistryTest, FailedImageLeavesSheetUnparsedAndIndexFree)
{
    CSkin skin;
    CFakeImageStore images;
    images.missingResourceId = 161;
    EXPECT_FALSE(skin.AddSheet(161, kPushButtonSheet, images));
    EXPECT_EQ(skin.NextImageIndex(), 0);
    EXPECT_FALSE(skin.GetPiece(kStyleButton, L"").IsDrawable());

    EXPECT_TRUE(skin.AddSheet(160, kWindowPictureSheet, images));
    EXPECT_EQ(skin.GetPiece(kWindowPicture, kPartMainBody).imageIndex, 0);
    EXPECT_EQ(skin.NextImageIndex(), 1);
    const std::vector<std::pair<int32_t, uint32_t>> expectedLoads{{0, 161}, {0, 160}};
    EXPECT_EQ(images.loads, expectedLoads);
}

TEST(SkinRegistryTest, ProcessRegistryIsOneObjectAndItsMetricsKeepDefaults)
{
    EXPECT_EQ(&CSkin::GetInstance(), &CSkin::GetInstance());
    EXPECT_EQ(CSkin::GetInstance().GetInt(L"SystemButtonSpace", 2), 2);
    EXPECT_EQ(CSkin::GetInstance().GetInt(kWindowTitleHeight), 20);
}
