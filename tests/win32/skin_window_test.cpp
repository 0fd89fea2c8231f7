// The skinned frame on a real window: caption buttons and their commands, the drag strip,
// layout on resize, the frame painting and what reaches the window's own procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "skin/skin_window_win32.h"
#include "skin_test_support.h"
#include "skin_test_window.h"

using skin_test::CCanvas;
using skin_test::ChildRect;
using skin_test::CTestWindow;
using skin_test::Describe;
using skin_test::SameRect;

namespace {

constexpr COLORREF kUntouched = RGB(0xFE, 0x01, 0xFD);

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

// The main window's arrangement: 322 x 392 with minimise and close.
class SkinWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        skin_test::UseBuiltInSkin();
        ASSERT_NE(m_window.Handle(), nullptr);
        m_frame.SetInt(kMaximizeBox.name, 0);
        ASSERT_TRUE(m_frame.Attach(m_window.Handle()));
        m_window.Log().clear();
    }

    CTestWindow m_window{322, 392, L"Korvex"};
    CSkinedWindow m_frame;
};

TEST_F(SkinWindowTest, AttachPlacesMinimiseAndCloseCutsTheCornersAndLeavesTheRestToDrag)
{
    EXPECT_TRUE(SameRect(ChildRect(m_frame.CloseButton().Handle()), {292, 3, 307, 18}))
        << Describe(ChildRect(m_frame.CloseButton().Handle()));
    EXPECT_TRUE(SameRect(ChildRect(m_frame.MinimizeButton().Handle()), {275, 3, 290, 18}))
        << Describe(ChildRect(m_frame.MinimizeButton().Handle()));
    EXPECT_TRUE(SameRect(m_frame.CaptionRect(), {0, 0, 273, 20})) << Describe(m_frame.CaptionRect());
    EXPECT_TRUE(::GetWindowLongW(m_frame.CloseButton().Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(::GetWindowLongW(m_frame.MinimizeButton().Handle(), GWL_STYLE) & WS_VISIBLE);

    // Switched off: never shown, so never created.
    EXPECT_EQ(m_frame.MaximizeButton().Handle(), nullptr);
    EXPECT_EQ(m_frame.RestoreButton().Handle(), nullptr);
    EXPECT_EQ(::GetDlgCtrlID(m_frame.CloseButton().Handle()), 0);
    EXPECT_EQ(m_frame.CloseButton().StyleName(), kStyleSystemButtonClose);

    // Cut to a rounded rectangle.
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(m_window.Handle(), region), COMPLEXREGION);
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_FALSE(::PtInRegion(region, 320, 390));
    EXPECT_TRUE(::PtInRegion(region, 6, 6));
    EXPECT_TRUE(::PtInRegion(region, 161, 0));
    EXPECT_TRUE(::PtInRegion(region, 0, 196));
    ::DeleteObject(region);
}

TEST_F(SkinWindowTest, ResizingMovesTheButtonsAndRecutsTheRegion)
{
    ::SetWindowPos(m_window.Handle(), nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_GE(m_window.Count(WM_SIZE), 1u);  // and it still reaches the window
    EXPECT_TRUE(SameRect(ChildRect(m_frame.CloseButton().Handle()), {370, 3, 385, 18}))
        << Describe(ChildRect(m_frame.CloseButton().Handle()));
    EXPECT_TRUE(SameRect(ChildRect(m_frame.MinimizeButton().Handle()), {353, 3, 368, 18}));
    EXPECT_TRUE(SameRect(m_frame.CaptionRect(), {0, 0, 351, 20})) << Describe(m_frame.CaptionRect());

    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(m_window.Handle(), region), COMPLEXREGION);
    EXPECT_TRUE(::PtInRegion(region, 395, 150));
    EXPECT_FALSE(::PtInRegion(region, 399, 299));
    EXPECT_FALSE(::PtInRegion(region, 200, 310));
    ::DeleteObject(region);
}

TEST_F(SkinWindowTest, CaptionButtonClickSendsOneSystemCommandAndPassesTheCommandOn)
{
    const struct {
        HWND button;
        WPARAM command;
    } cases[] = {{m_frame.CloseButton().Handle(), SC_CLOSE}, {m_frame.MinimizeButton().Handle(), SC_MINIMIZE}};
    for (const auto& click : cases) {
        SCOPED_TRACE(click.command);
        m_window.Log().clear();
        ::SendMessageW(click.button, BM_CLICK, 0, 0);
        ASSERT_EQ(m_window.Count(WM_SYSCOMMAND), 1u);
        ASSERT_EQ(m_window.Count(WM_COMMAND), 1u);
        for (const skin_test::Received& received : m_window.Log()) {
            if (received.message == WM_SYSCOMMAND) {
                EXPECT_EQ(received.wParam, click.command);
                EXPECT_EQ(received.lParam, 0);
            }
            if (received.message == WM_COMMAND) {
                EXPECT_EQ(received.wParam, MAKEWPARAM(0, BN_CLICKED));
                EXPECT_EQ(reinterpret_cast<HWND>(received.lParam), click.button);
            }
        }
    }
}

TEST_F(SkinWindowTest, OnlyClicksOfTheFramesOwnButtonsBecomeSystemCommands)
{
    // A double click reported by the owner-drawn close button, and a click of some other
    // button without an id: passed on, nothing closes.
    ::SendMessageW(m_window.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_DOUBLECLICKED),
                   reinterpret_cast<LPARAM>(m_frame.CloseButton().Handle()));
    HWND stranger = m_window.AddButton(L"x", BS_PUSHBUTTON, 50, 50, 20, 20, 0);
    ::SendMessageW(m_window.Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(stranger));
    EXPECT_EQ(m_window.Count(WM_SYSCOMMAND), 0u);
    EXPECT_EQ(m_window.Count(WM_COMMAND), 2u);
}

TEST_F(SkinWindowTest, PressInTheStripDragsAndElsewhereGoesNowhere)
{
    ::SendMessageW(m_window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    ASSERT_EQ(m_window.Count(WM_NCLBUTTONDOWN), 1u);
    EXPECT_EQ(m_window.Log().back().wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(m_window.Log().back().lParam, Point(5, 5));
    EXPECT_EQ(m_window.Count(WM_LBUTTONDOWN), 0u);

    m_window.Log().clear();
    ::SendMessageW(m_window.Handle(), WM_LBUTTONUP, 0, Point(272, 19));
    EXPECT_EQ(m_window.Count(WM_NCLBUTTONDOWN), 1u);
    EXPECT_EQ(m_window.Count(WM_LBUTTONUP), 0u);

    // Below the 20-pixel strip, and beside the caption buttons: swallowed.
    m_window.Log().clear();
    for (const LPARAM point : {Point(5, 25), Point(5, 20), Point(273, 5), Point(160, 200)}) {
        ::SendMessageW(m_window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::SendMessageW(m_window.Handle(), WM_LBUTTONUP, 0, point);
    }
    EXPECT_TRUE(m_window.Log().empty()) << m_window.Log().size() << " messages got through";
}

TEST_F(SkinWindowTest, EraseDrawsTheEdgePiecesAndTheTitleButNotTheCentre)
{
    HDC picture = SkinImages().GetDrawingSurface(2);
    ASSERT_NE(picture, nullptr);
    CCanvas image(322, 392);
    image.CopyFrom(picture, 0, 0);

    CCanvas canvas(322, 392);
    canvas.Fill(kUntouched);
    ::SetTextColor(canvas.Dc(), RGB(1, 2, 3));
    EXPECT_EQ(::SendMessageW(m_window.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0), 1);
    EXPECT_EQ(m_window.Count(WM_ERASEBKGND), 0u);

    // At the main window's size the corners come out where the picture has them; the borders
    // between them are stretched, so their first and last pixels are the pieces' own.
    const struct {
        POINT drawn;
        POINT source;
    } samples[] = {
        {{0, 0}, {0, 0}},         {{29, 29}, {29, 29}},     {{5, 12}, {5, 12}},       // top left
        {{302, 0}, {302, 0}},     {{321, 29}, {321, 29}},                             // top right
        {{0, 365}, {0, 365}},     {{14, 391}, {14, 391}},                             // bottom left
        {{206, 367}, {206, 367}}, {{321, 391}, {321, 391}}, {{250, 380}, {250, 380}}, // bottom right
        {{30, 0}, {30, 0}},       {{301, 29}, {229, 29}},                             // top
        {{15, 367}, {14, 367}},   {{205, 391}, {193, 391}},                           // bottom
        {{0, 30}, {0, 30}},       {{9, 364}, {9, 59}},                                // left
        {{312, 30}, {312, 30}},   {{321, 366}, {321, 59}},                            // right
    };
    for (const auto& sample : samples) {
        EXPECT_EQ(canvas.Pixel(sample.drawn.x, sample.drawn.y), image.Pixel(sample.source.x, sample.source.y))
            << sample.drawn.x << ", " << sample.drawn.y;
    }
    EXPECT_EQ(canvas.Pixel(160, 200), kUntouched);
    EXPECT_EQ(canvas.Pixel(11, 31), kUntouched);
    // The device context goes on to the window's own painting as it came.
    EXPECT_EQ(::GetTextColor(canvas.Dc()), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(canvas.Dc()), OPAQUE);

    // The title is the only difference a text makes, in white, from (32, 5) on.
    CCanvas titled(322, 392);
    titled.Fill(kUntouched);
    ::SetWindowTextW(m_window.Handle(), L"Qivra网络加速器");
    ::SendMessageW(m_window.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(titled.Dc()), 0);
    RECT changed{322, 392, 0, 0};
    int wrongColour = 0;
    for (int y = 0; y < 392; ++y) {
        for (int x = 0; x < 322; ++x) {
            if (titled.Pixel(x, y) != canvas.Pixel(x, y)) {
                changed = {std::min<LONG>(changed.left, x), std::min<LONG>(changed.top, y),
                           std::max<LONG>(changed.right, x + 1), std::max<LONG>(changed.bottom, y + 1)};
                wrongColour += titled.Pixel(x, y) != RGB(255, 255, 255);
            }
        }
    }
    EXPECT_GE(changed.left, 32) << Describe(changed);
    EXPECT_GE(changed.top, 5) << Describe(changed);
    EXPECT_LT(changed.bottom, 30) << Describe(changed);
    EXPECT_GT(changed.right, 100) << Describe(changed);
    // Anti-aliased edges blend into the band; the strokes themselves are white.
    EXPECT_LT(wrongColour, (changed.right - changed.left) * (changed.bottom - changed.top) / 2);
}

TEST_F(SkinWindowTest, PaintingTheWindowHasEveryChildRepaintedAfterIt)
{
    HWND button = m_window.AddButton(L"plain", BS_PUSHBUTTON, 40, 100, 60, 20);
    ::ShowWindow(m_window.Handle(), SW_SHOWNOACTIVATE);
    skin_test::PumpMessages();
    ::InvalidateRect(m_window.Handle(), nullptr, TRUE);
    for (HWND child = ::GetWindow(m_window.Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::ValidateRect(child, nullptr);
    }
    RECT update{};
    ASSERT_FALSE(::GetUpdateRect(button, &update, FALSE));

    m_window.Log().clear();
    ::SendMessageW(m_window.Handle(), WM_PAINT, 0, 0);
    EXPECT_EQ(m_window.Count(WM_PAINT), 1u);
    for (HWND child : {button, m_frame.CloseButton().Handle(), m_frame.MinimizeButton().Handle()}) {
        EXPECT_TRUE(::GetUpdateRect(child, &update, FALSE));
    }
    ::ShowWindow(m_window.Handle(), SW_HIDE);
}

TEST(SkinWindowLifetimeTest, AFrameGoingFirstGivesTheWindowBackItsProcedure)
{
    skin_test::UseBuiltInSkin();
    CTestWindow window(200, 100);
    const LONG_PTR own = ::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC);
    {
        CSkinedWindow frame;
        ASSERT_TRUE(frame.Attach(window.Handle()));
        EXPECT_NE(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), own);
        CSkinedWindow second;
        EXPECT_FALSE(second.Attach(window.Handle()));
    }
    EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), own);
    EXPECT_EQ(::GetWindow(window.Handle(), GW_CHILD), nullptr);
    window.Log().clear();
    ::SendMessageW(window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(window.Count(WM_LBUTTONDOWN), 1u);

    // And a frame can take the next window once its own is gone.
    CSkinedWindow reused;
    {
        CTestWindow first(200, 100);
        ASSERT_TRUE(reused.Attach(first.Handle()));
    }
    EXPECT_EQ(reused.Handle(), nullptr);
    CTestWindow next(300, 100);
    EXPECT_TRUE(reused.Attach(next.Handle()));
    EXPECT_TRUE(SameRect(ChildRect(reused.CloseButton().Handle()), {270, 3, 285, 18}));
}

}  // namespace
