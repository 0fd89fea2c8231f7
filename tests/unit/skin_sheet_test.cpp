#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "skin/skin_sheet.h"

namespace {

SkinPieceTable Parse(const std::wstring& text, int32_t imageIndex = 0)
{
    SkinPieceTable pieces;
    ParseSheet(text, imageIndex, pieces);
    return pieces;
}

SkinRect SourceOf(const SkinPieceTable& pieces, const std::wstring& name)
{
    const auto found = pieces.find(name);
    EXPECT_NE(found, pieces.end()) << "missing piece";
    return found == pieces.end() ? SkinRect{-1, -1, -1, -1} : found->second.source;
}

}  // namespace

TEST(SkinSheetTest, RowsGiveNameAndRectangleAcrossLineEndings)
{
    for (const std::wstring newline : {L"\n", L"\r\n"}) {
        const SkinPieceTable pieces =
            Parse(L"Button,0,0,74,27" + newline + L"WindowPictureTopRight,302,0,20,30" + newline, 7);
        ASSERT_EQ(pieces.size(), 2u);
        const SkinPiece& button = pieces.at(L"Button");
        EXPECT_EQ(button.name, L"Button");
        EXPECT_EQ(button.imageIndex, 7);
        EXPECT_EQ(button.source, (SkinRect{0, 0, 74, 27}));
        EXPECT_EQ(SourceOf(pieces, L"WindowPictureTopRight"), (SkinRect{302, 0, 322, 30}));
    }
}

TEST(SkinSheetTest, BlankLineEndsCrLfSheetButNotLineFeedSheet)
{
    const SkinPieceTable crlf = Parse(L"A,1,2,3,4\r\n\r\nB,5,6,7,8\r\n");
    EXPECT_EQ(crlf.count(L"A"), 1u);
    EXPECT_EQ(crlf.count(L"B"), 0u);

    const SkinPieceTable lf = Parse(L"\n\nA,1,2,3,4\n\n\nB,5,6,7,8");
    EXPECT_EQ(SourceOf(lf, L"A"), (SkinRect{1, 2, 4, 6}));
    EXPECT_EQ(SourceOf(lf, L"B"), (SkinRect{5, 6, 12, 14}));

    // A row of blanks is not empty: it defines nothing and the sheet goes on.
    const SkinPieceTable blanks = Parse(L"A,1,1,1,1\n  \t\nB,1,1,1,1\n , 1,2,3,4\n");
    EXPECT_EQ(blanks.size(), 2u);
    EXPECT_EQ(blanks.count(L"B"), 1u);

    EXPECT_TRUE(Parse(L"").empty());
    EXPECT_TRUE(Parse(L"\n\n\n").empty());
    EXPECT_TRUE(Parse(L"\r\nA,1,2,3,4\n").empty());
}

TEST(SkinSheetTest, FieldSeparatorsAndBlanks)
{
    EXPECT_EQ(SourceOf(Parse(L"A,,1,2,3,4"), L"A"), (SkinRect{1, 2, 4, 6}));
    EXPECT_EQ(SourceOf(Parse(L",,A,1,,2,,,3,4,"), L"A"), (SkinRect{1, 2, 4, 6}));
    EXPECT_EQ(SourceOf(Parse(L"A , 1 , 2 , 3 , 4"), L"A"), (SkinRect{1, 2, 4, 6}));
    EXPECT_EQ(SourceOf(Parse(L"\t A\v\f,\t1\r,2,3,4 "), L"A"), (SkinRect{1, 2, 4, 6}));
    EXPECT_EQ(SourceOf(Parse(L"A,1,2,3,4,5,6"), L"A"), (SkinRect{1, 2, 4, 6}));
    // The blank field ends the row: only left is set.
    EXPECT_EQ(SourceOf(Parse(L"A,1, ,3,4"), L"A"), (SkinRect{1, 0, 0, 0}));
    // Blanks inside a name are kept.
    EXPECT_EQ(Parse(L"My Piece,1,2,3,4").count(L"My Piece"), 1u);
}

TEST(SkinSheetTest, NumbersReadAsCIntegerLiterals)
{
    EXPECT_EQ(SourceOf(Parse(L"A,0x10,010,1,1"), L"A"), (SkinRect{16, 8, 17, 9}));
    EXPECT_EQ(SourceOf(Parse(L"A,12px,px,-3,0XfF"), L"A"), (SkinRect{12, 0, 9, 255}));

    const struct {
        const wchar_t* text;
        int32_t value;
    } cases[] = {
        {L"42", 42},           {L"+7", 7},          {L"-5", -5},         {L" \t42", 42},
        {L"- 5", 0},           {L"0", 0},           {L"017", 15},        {L"09", 0},
        {L"0x", 0},            {L"0xg", 0},         {L"-0x10", -16},     {L"1e3", 1},
        {L"\x0661", 0},        {L"2147483647", INT32_MAX},               {L"2147483648", INT32_MAX},
        {L"-2147483648", INT32_MIN},                {L"-2147483649", INT32_MIN},
        {L"0x7fffffffffffffffffff", INT32_MAX},     {L"99999999999999999999999999", INT32_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadSheetInteger(c.text), c.value) << "case " << (&c - cases);
    }
}

TEST(SkinSheetTest, WidthAndHeightUseTheCoordinateHeldAtThatMoment)
{
    SkinPieceTable pieces;
    ParseSheet(L"A,10,20,30,40\n", 0, pieces);
    ParseSheet(L"A,5\n", 1, pieces);  // short row: only left changes, right is not recomputed
    EXPECT_EQ(SourceOf(pieces, L"A"), (SkinRect{5, 20, 40, 60}));
    EXPECT_EQ(pieces.at(L"A").imageIndex, 1);

    ParseSheet(L"A\nB\n", 2, pieces);  // a name alone rebinds the image, keeps the rectangle
    EXPECT_EQ(SourceOf(pieces, L"A"), (SkinRect{5, 20, 40, 60}));
    EXPECT_EQ(pieces.at(L"A").imageIndex, 2);
    EXPECT_EQ(pieces.at(L"B").name, L"B");
    EXPECT_EQ(SourceOf(pieces, L"B"), (SkinRect{0, 0, 0, 0}));

    ParseSheet(L"A,1,2,3,4\nA,7,8,9,10\n", 3, pieces);  // the last definition wins
    EXPECT_EQ(SourceOf(pieces, L"A"), (SkinRect{7, 8, 16, 18}));
    EXPECT_EQ(pieces.size(), 2u);
}

TEST(SkinSheetTest, HugeValuesClampInsteadOfOverflowing)
{
    EXPECT_EQ(SourceOf(Parse(L"A,2147483000,-2147483000,5000,-5000"), L"A"),
              (SkinRect{2147483000, -2147483000, INT32_MAX, INT32_MIN}));
}
