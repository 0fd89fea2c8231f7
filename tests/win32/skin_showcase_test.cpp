// The main window's template skinned the way the main window does it, shown on the screen and
// read back from it. With KORVEX_SKIN_SHOWCASE_SECONDS set, the window stays up that long, for
// the reference screenshot (tests/win32/reference/skinned_window.png):
//
//   eval "$(scripts/wine-env shell BUILD/wine)"
//   KORVEX_SKIN_SHOWCASE_SECONDS=20 wine64 BUILD/tests/win32_tests.exe --gtest_filter='SkinShowcase*' &
//   sleep 8; import -window root -crop 402x472+0+0 tests/win32/reference/skinned_window.png
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>

#include "res/resource.h"
#include "skin/skin_button_win32.h"
#include "skin/skin_check_box_win32.h"
#include "skin/skin_dialog_win32.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "skin/skin_static_win32.h"
#include "skin/skin_window_win32.h"
#include "skin_test_support.h"
#include "skin_test_window.h"
#include "win/dialog.h"

using skin_test::CCanvas;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct Placement {
    int id;
    RECT rect;  // x, y, width, height
};

// The main window's controls, in pixels.
constexpr Placement kPlacements[] = {
    {IDC_USERNAME, {72, 231, 80, 12}},       {IDC_PASSWORD, {208, 231, 80, 12}},
    {IDC_SAVE_PASSWORD, {42, 259, 270, 15}}, {IDC_CONNECT, {57, 293, 74, 27}},
    {IDC_DISCONNECT, {190, 293, 74, 27}},    {IDC_STATUS, {27, 334, 272, 15}},
    {IDC_LINK_REGISTER, {25, 198, 55, 15}},  {IDC_LINK_RECHARGE, {80, 198, 55, 15}},
    {IDC_LINK_FREE_TEST, {135, 198, 55, 15}}, {IDC_LINK_HELP, {190, 198, 55, 15}},
    {IDC_LINK_AFFILIATE, {245, 198, 55, 15}},
};
constexpr int kLinkIds[] = {IDC_LINK_REGISTER, IDC_LINK_RECHARGE, IDC_LINK_FREE_TEST, IDC_LINK_HELP,
                            IDC_LINK_AFFILIATE};

// What the main window does with the skin, without the rest of the main window.
class CSkinnedMainTemplate final : public CSkinedDialog {
public:
    CSkinnedMainTemplate() : CSkinedDialog(IDD_MAIN, kPartMainBody)
    {
        m_saveBox.SetStyleName(kStyleCheckBox);
        m_status.SetStyleName(kStyleStatic);
    }

protected:
    BOOL OnInitDialog() override
    {
        SetCaptionButtons(true, false, true);
        AttachFrame();
        ::SetWindowTextW(Handle(), L"Qivra网络加速器");
        ::SetWindowPos(Handle(), nullptr, 40, 40, 322, 392, SWP_NOZORDER | SWP_NOACTIVATE);
        for (const Placement& placement : kPlacements) {
            const RECT& r = placement.rect;
            ::MoveWindow(Item(placement.id), r.left, r.top, r.right, r.bottom, FALSE);
        }
        m_connect.BindDlgItem(Handle(), IDC_CONNECT);
        m_disconnect.BindDlgItem(Handle(), IDC_DISCONNECT);
        m_saveBox.BindDlgItem(Handle(), IDC_SAVE_PASSWORD);
        m_status.BindDlgItem(Handle(), IDC_STATUS);
        for (size_t i = 0; i < std::size(kLinkIds); ++i) {
            m_links[i].BindDlgItem(Handle(), kLinkIds[i]);
            m_links[i].SetInt(kTextColor, 0xFFFFFF);
            m_links[i].SetStyleName(kStyleLink);
        }
        ::EnableWindow(m_disconnect.Handle(), FALSE);
        ::SetWindowTextW(m_status.Handle(), L"就绪");
        ::CheckDlgButton(Handle(), IDC_SAVE_PASSWORD, BST_CHECKED);
        SetItemText(IDC_USERNAME, L"demo");
        SetItemText(IDC_PASSWORD, L"secret");
        return TRUE;
    }

    RECT BodyRect(const RECT&) const override { return {10, 30, 10, 30}; }

private:
    CSkinedButton m_connect;
    CSkinedButton m_disconnect;
    CSkinedCheckBox m_saveBox;
    CSkinedStatic m_status;
    CSkinedButton m_links[std::size(kLinkIds)];
};

int CountColour(const CCanvas& canvas, const RECT& area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += canvas.Pixel(x, y) == colour;
        }
    }
    return count;
}

TEST(SkinShowcaseTest, MainTemplateSkinnedOnScreen)
{
    skin_test::UseBuiltInSkin();
    CSkinnedMainTemplate window;
    ASSERT_NE(window.Create(), nullptr);
    ::ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
    skin_test::PumpMessages();
    skin_test::PumpMessagesFor(300);

    // What the screen shows, against the pieces it was drawn from.
    CCanvas screen(322, 392);
    HDC windowDc = ::GetDC(window.Handle());
    screen.CopyFrom(windowDc, 0, 0);
    ::ReleaseDC(window.Handle(), windowDc);
    CCanvas picture(322, 392);
    picture.CopyFrom(SkinImages().GetDrawingSurface(2), 0, 0);
    CCanvas captionButtons(60, 30);
    captionButtons.CopyFrom(SkinImages().GetDrawingSurface(0), 0, 0);
    CCanvas buttonFace(74, 27);
    buttonFace.CopyFrom(SkinImages().GetDrawingSurface(1), 0, 0);

    EXPECT_EQ(screen.Pixel(20, 100), picture.Pixel(20, 100));    // body
    EXPECT_EQ(screen.Pixel(316, 200), picture.Pixel(316, 200));  // right border
    EXPECT_EQ(screen.Pixel(292 + 7, 3 + 7), captionButtons.Pixel(7, 15 + 7));  // close glyph
    EXPECT_EQ(screen.Pixel(275 + 7, 3 + 7), captionButtons.Pixel(7, 7));       // minimise glyph
    EXPECT_EQ(screen.Pixel(57 + 2, 293 + 2), buttonFace.Pixel(2, 2));         // Connect face
    EXPECT_EQ(screen.Pixel(190 + 72, 293 + 25), buttonFace.Pixel(72, 25));    // Disconnect face
    EXPECT_GT(CountColour(screen, {32, 5, 200, 25}, kWhite), CountColour(picture, {32, 5, 200, 25}, kWhite));
    EXPECT_GT(CountColour(screen, {25, 198, 300, 213}, kWhite), CountColour(picture, {25, 198, 300, 213}, kWhite));
    int boxChanges = 0;
    for (int y = 259; y < 274; ++y) {
        for (int x = 42; x < 56; ++x) {
            boxChanges += screen.Pixel(x, y) != picture.Pixel(x, y);
        }
    }
    EXPECT_GT(boxChanges, 20);

    if (const char* seconds = std::getenv("KORVEX_SKIN_SHOWCASE_SECONDS")) {
        skin_test::PumpMessagesFor(static_cast<DWORD>(std::atoi(seconds)) * 1000);
    }
    ::DestroyWindow(window.Handle());
}

}  // namespace
