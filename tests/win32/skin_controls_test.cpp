// Skinned controls inside a skinned window: faces and looks by state, text colours, the check
// box's own state, the static, the parent-first repaint and hover tracking.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "skin/skin_button_win32.h"
#include "skin/skin_check_box_win32.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"
#include "skin/skin_static_win32.h"
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
constexpr COLORREF kWhite = RGB(255, 255, 255);

class CRecordingButton final : public CSkinedButton {
public:
    std::vector<std::string>* events = nullptr;

protected:
    void DrawSkin(const DRAWITEMSTRUCT& item) override
    {
        if (events) {
            events->push_back("button");
        }
        CSkinedButton::DrawSkin(item);
    }
};

// Bounds of the pixels that differ from a colour; empty when none does.
RECT ChangedArea(const CCanvas& canvas, COLORREF background)
{
    RECT area{canvas.Width(), canvas.Height(), 0, 0};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.Pixel(x, y) != background) {
                area = {std::min<LONG>(area.left, x), std::min<LONG>(area.top, y), std::max<LONG>(area.right, x + 1),
                        std::max<LONG>(area.bottom, y + 1)};
            }
        }
    }
    return area;
}

std::set<COLORREF> ColoursOf(const CCanvas& canvas)
{
    std::set<COLORREF> colours;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            colours.insert(canvas.Pixel(x, y));
        }
    }
    return colours;
}

// A shown skinned window of the main window's size, with a crisp (not anti-aliased) font for
// the controls so that text pixels have exactly the colours drawn.
class SkinControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        skin_test::UseBuiltInSkin();
        m_font = ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"宋体");
        m_frame.SetInt(kMaximizeBox.name, 0);
        ASSERT_TRUE(m_frame.Attach(m_window.Handle()));
    }
    void TearDown() override
    {
        ::DestroyWindow(m_window.Handle());
        ::DeleteObject(m_font);
    }

    HWND AddButton(const wchar_t* text, DWORD style, int x, int y, int width, int height, int id = 100)
    {
        HWND button = m_window.AddButton(text, style, x, y, width, height, id);
        ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        return button;
    }
    void Show()
    {
        ::ShowWindow(m_window.Handle(), SW_SHOWNOACTIVATE);
        skin_test::PumpMessages();
    }
    // A draw request as the parent would hand it on, drawing into the canvas.
    static void Draw(CCanvas& canvas, HWND control, UINT state = 0)
    {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = control;
        item.hDC = canvas.Dc();
        ::GetClientRect(control, &item.rcItem);
        ASSERT_TRUE(CSkinedControl::ReflectDrawItem(item));
    }

    CTestWindow m_window{322, 392, L"Korvex"};
    CSkinedWindow m_frame;
    HFONT m_font = nullptr;
};

TEST_F(SkinControlsTest, PushButtonBecomesTransparentOwnerDrawnAndKnowsItsPlace)
{
    CSkinedButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"连接", BS_PUSHBUTTON | WS_TABSTOP, 57, 293, 74, 27)));
    EXPECT_EQ(::GetWindowLongW(button.Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(::GetWindowLongW(button.Handle(), GWL_STYLE) & WS_TABSTOP);
    EXPECT_TRUE(::GetWindowLongW(button.Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(button.IsTransparent());
    EXPECT_EQ(button.StyleName(), kStyleButton);
    EXPECT_TRUE(SameRect(button.RectInParent(), {57, 293, 131, 320})) << Describe(button.RectInParent());

    ::MoveWindow(button.Handle(), 190, 293, 74, 27, FALSE);
    EXPECT_TRUE(SameRect(button.RectInParent(), {190, 293, 264, 320})) << Describe(button.RectInParent());

    CSkinedButton again;
    EXPECT_FALSE(again.Bind(button.Handle()));

    CSkinedButton created;
    ASSERT_TRUE(created.CreateSkined(m_window.Handle(), kStyleButton));
    EXPECT_TRUE(SameRect(ChildRect(created.Handle()), {0, 0, 74, 27})) << Describe(ChildRect(created.Handle()));
}

TEST_F(SkinControlsTest, PushButtonFaceIsTheButtonPieceStretchedUnderCentredText)
{
    CCanvas face(74, 27);
    face.CopyFrom(SkinImages().GetDrawingSurface(1), 0, 0);
    CSkinedButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"连接", BS_PUSHBUTTON, 57, 293, 100, 40)));
    Show();

    CCanvas canvas(100, 40);
    canvas.Fill(kUntouched);
    Draw(canvas, button.Handle());
    EXPECT_EQ(canvas.Pixel(0, 0), face.Pixel(0, 0));
    EXPECT_EQ(canvas.Pixel(99, 39), face.Pixel(73, 26));
    EXPECT_EQ(canvas.Pixel(0, 39), face.Pixel(0, 26));
    EXPECT_EQ(canvas.Pixel(99, 0), face.Pixel(73, 0));
    EXPECT_EQ(ColoursOf(canvas).count(kUntouched), 0u);
    int text = 0;
    for (int y = 10; y < 30; ++y) {
        for (int x = 30; x < 70; ++x) {
            text += canvas.Pixel(x, y) == RGB(0, 0, 0);
        }
    }
    EXPECT_GT(text, 10);
}

TEST_F(SkinControlsTest, CaptionButtonShowsLavenderOnHoverAndDimWhilePressed)
{
    CCanvas image(60, 30);
    image.CopyFrom(SkinImages().GetDrawingSurface(0), 0, 0);
    HWND close = m_frame.CloseButton().Handle();
    Show();

    auto expectLook = [&](int column, const char* look) {
        SCOPED_TRACE(look);
        CCanvas canvas(15, 15);
        canvas.Fill(kUntouched);
        Draw(canvas, close);
        int wrong = 0;
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 15; ++x) {
                wrong += canvas.Pixel(x, y) != image.Pixel(column + x, 15 + y);
            }
        }
        EXPECT_EQ(wrong, 0);
    };
    expectLook(0, "normal");
    ::SendMessageW(close, WM_MOUSEHOVER, 0, MAKELPARAM(7, 7));
    skin_test::PumpMessages();
    EXPECT_TRUE(m_frame.CloseButton().IsHovered());
    expectLook(15, "hover");
    ::SendMessageW(close, BM_SETSTATE, TRUE, 0);
    skin_test::PumpMessages();
    expectLook(30, "pressed");
    ::SendMessageW(close, BM_SETSTATE, FALSE, 0);
    ::SendMessageW(close, WM_MOUSELEAVE, 0, 0);
    skin_test::PumpMessages();
    EXPECT_FALSE(m_frame.CloseButton().IsHovered());
    expectLook(0, "left");
}

TEST_F(SkinControlsTest, LinkDrawsOnlyItsWhiteTextWhichMovesWhenPressed)
{
    CSkinedButton link;
    ASSERT_TRUE(link.Bind(AddButton(L"注册帐号", BS_OWNERDRAW, 25, 198, 55, 15)));
    link.SetInt(kTextColor, 0xFFFFFF);
    link.SetStyleName(kStyleLink);
    Show();

    const COLORREF band = RGB(0, 0, 80);
    CCanvas normal(55, 15);
    normal.Fill(band);
    Draw(normal, link.Handle());
    EXPECT_EQ(ColoursOf(normal), (std::set<COLORREF>{band, kWhite}));
    const RECT resting = ChangedArea(normal, band);
    // Centred both ways.
    EXPECT_LE(std::abs((resting.left - 0) - (55 - resting.right)), 3) << Describe(resting);

    ::SendMessageW(link.Handle(), BM_SETSTATE, TRUE, 0);
    skin_test::PumpMessages();
    CCanvas pressed(55, 15);
    pressed.Fill(band);
    Draw(pressed, link.Handle());
    RECT moved = resting;
    ::OffsetRect(&moved, 1, 1);
    EXPECT_TRUE(SameRect(ChangedArea(pressed, band), moved)) << Describe(ChangedArea(pressed, band));
}

TEST_F(SkinControlsTest, TextColourDefaultsToTheDeviceContextsAndDisabledTextIsEngraved)
{
    CSkinedButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"断开", BS_OWNERDRAW, 190, 293, 74, 27)));
    button.SetStyleName(kStyleLink);  // no face: only the text shows
    Show();

    CCanvas blue(74, 27);
    blue.Fill(kWhite);
    ::SetTextColor(blue.Dc(), RGB(0, 0, 255));
    Draw(blue, button.Handle());
    EXPECT_EQ(ColoursOf(blue), (std::set<COLORREF>{kWhite, RGB(0, 0, 255)}));

    ::EnableWindow(button.Handle(), FALSE);
    skin_test::PumpMessages();
    CCanvas disabled(74, 27);
    disabled.Fill(kWhite);
    ::SetTextColor(disabled.Dc(), RGB(0, 0, 0));
    Draw(disabled, button.Handle(), ODS_DISABLED);
    EXPECT_EQ(ColoursOf(disabled), (std::set<COLORREF>{kWhite, RGB(191, 191, 191), RGB(127, 127, 127)}));
    EXPECT_EQ(::GetTextColor(disabled.Dc()), RGB(0, 0, 0));
    // The shadow lies one pixel down and right of the text.
    int shadowed = 0;
    for (int y = 0; y + 1 < 27; ++y) {
        for (int x = 0; x + 1 < 74; ++x) {
            if (disabled.Pixel(x, y) == RGB(127, 127, 127)) {
                const COLORREF below = disabled.Pixel(x + 1, y + 1);
                shadowed += below == RGB(191, 191, 191) || below == RGB(127, 127, 127);
            }
        }
    }
    const RECT text = ChangedArea(disabled, kWhite);
    EXPECT_GT(shadowed, 0) << Describe(text);
}

TEST_F(SkinControlsTest, CheckBoxKeepsItsOwnStateAndTurnsOverOnAClick)
{
    CSkinedCheckBox box;
    const int id = 1008;
    ASSERT_TRUE(box.Bind(AddButton(L"保存密码和设置(公用电脑建议不要勾选)", BS_OWNERDRAW, 42, 259, 270, 15, id)));
    box.SetStyleName(kStyleCheckBox);
    EXPECT_EQ(::IsDlgButtonChecked(m_window.Handle(), id), BST_UNCHECKED);
    ::CheckDlgButton(m_window.Handle(), id, BST_CHECKED);
    EXPECT_EQ(::IsDlgButtonChecked(m_window.Handle(), id), BST_CHECKED);
    EXPECT_TRUE(::SendMessageW(box.Handle(), BM_GETSTATE, 0, 0) & BST_CHECKED);

    // A click: the parent hears of it with the new state already in place.
    m_window.Log().clear();
    ::SendMessageW(box.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box.IsChecked());
    ASSERT_EQ(m_window.Count(WM_COMMAND), 1u);
    for (const skin_test::Received& received : m_window.Log()) {
        if (received.message == WM_COMMAND) {
            EXPECT_EQ(received.wParam, MAKEWPARAM(id, BN_CLICKED));
            EXPECT_EQ(received.checkState, BST_UNCHECKED);
        }
    }

    // The space bar does the same.
    ::SendMessageW(box.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(box.Handle(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(box.IsChecked());

    // Pressed, dragged off and released outside: no click, no change.
    m_window.Log().clear();
    ::SendMessageW(box.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(box.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 5));
    ::SendMessageW(box.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(400, 5));
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(m_window.Count(WM_COMMAND), 0u);

    // A double click is two clicks, as for a standard check box.
    const LPARAM inside = MAKELPARAM(5, 5);
    for (const UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::SendMessageW(box.Handle(), message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, inside);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(m_window.Count(WM_COMMAND), 2u);

    // Any non-zero check value counts as checked.
    ::SendMessageW(box.Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(box.Handle(), BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(::SendMessageW(box.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(SkinControlsTest, CheckBoxTakesOverARealCheckBoxsState)
{
    HWND real = AddButton(L"x", BS_AUTOCHECKBOX, 42, 259, 100, 15);
    ::SendMessageW(real, BM_SETCHECK, BST_CHECKED, 0);
    CSkinedCheckBox box;
    ASSERT_TRUE(box.Bind(real));
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(::GetWindowLongW(real, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    ::SendMessageW(real, BM_CLICK, 0, 0);
    EXPECT_FALSE(box.IsChecked());
}

TEST_F(SkinControlsTest, CheckBoxDrawsItsBoxAndTextBesideIt)
{
    struct Case {
        int height;
        int box;
        int textFrom;
    };
    for (const Case& shape : {Case{15, 14, 19}, Case{10, 10, 15}}) {
        SCOPED_TRACE(shape.height);
        CSkinedCheckBox box;
        ASSERT_TRUE(box.Bind(AddButton(L"保存密码", BS_OWNERDRAW, 42, 259, 200, shape.height)));
        Show();
        CCanvas clear(200, shape.height);
        clear.Fill(kUntouched);
        Draw(clear, box.Handle());
        ::SendMessageW(box.Handle(), BM_SETCHECK, BST_CHECKED, 0);
        skin_test::PumpMessages();
        CCanvas checked(200, shape.height);
        checked.Fill(kUntouched);
        Draw(checked, box.Handle());

        int markDifferences = 0;
        int textPixels = 0;
        for (int y = 0; y < shape.height; ++y) {
            for (int x = 0; x < 200; ++x) {
                const bool differs = clear.Pixel(x, y) != checked.Pixel(x, y);
                if (x < shape.box) {
                    markDifferences += differs;
                } else {
                    EXPECT_FALSE(differs) << x << ", " << y;
                }
                if (x >= shape.box && x < shape.textFrom) {
                    EXPECT_EQ(clear.Pixel(x, y), kUntouched) << x << ", " << y;
                }
                textPixels += x >= shape.textFrom && clear.Pixel(x, y) != kUntouched;
            }
        }
        EXPECT_GT(markDifferences, 0);
        EXPECT_GT(textPixels, 0);
        ::DestroyWindow(box.Handle());
    }
}

TEST_F(SkinControlsTest, StaticBecomesOwnerDrawnAndCentresItsText)
{
    HWND window = ::CreateWindowExW(0, L"STATIC", L"就绪", WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_NOTIFY, 27, 334,
                                    272, 15, m_window.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    CSkinedStatic status;
    ASSERT_TRUE(status.Bind(window));
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_OWNERDRAW);
    EXPECT_TRUE(style & SS_NOTIFY);
    Show();

    CCanvas canvas(272, 15);
    canvas.Fill(kWhite);
    Draw(canvas, window);
    const RECT text = ChangedArea(canvas, kWhite);
    ASSERT_LT(text.left, text.right);
    EXPECT_LE(std::abs(text.left - (272 - text.right)), 3) << Describe(text);
    EXPECT_EQ(ColoursOf(canvas), (std::set<COLORREF>{kWhite, RGB(0, 0, 0)}));
}

TEST_F(SkinControlsTest, SettingATextRepaintsTheParentsAreaBeforeTheButton)
{
    std::vector<std::string> events;
    CRecordingButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"连接", BS_OWNERDRAW, 57, 293, 74, 27)));
    button.events = &events;
    m_window.events = &events;
    Show();
    ASSERT_NE(std::find(events.begin(), events.end(), "button"), events.end());

    events.clear();
    ::SetWindowTextW(button.Handle(), L"断开");
    skin_test::PumpMessages();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "parent");
    EXPECT_EQ(std::count(events.begin(), events.end(), "button"), 1);
    EXPECT_EQ(events.back(), "button");
    m_window.events = nullptr;
}

TEST_F(SkinControlsTest, ALookChangeDefersTheDrawUntilTheParentHasPainted)
{
    CSkinedButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"连接", BS_OWNERDRAW, 57, 293, 74, 27)));
    Show();
    ::SendMessageW(button.Handle(), WM_KEYDOWN, 'A', 0);
    ::ValidateRect(m_window.Handle(), nullptr);

    CCanvas canvas(74, 27);
    canvas.Fill(kUntouched);
    Draw(canvas, button.Handle());
    EXPECT_EQ(ColoursOf(canvas), std::set<COLORREF>{kUntouched});
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(m_window.Handle(), &update, FALSE));
    EXPECT_TRUE(SameRect(update, {57, 293, 131, 320})) << Describe(update);

    Draw(canvas, button.Handle());
    EXPECT_EQ(ColoursOf(canvas).count(kUntouched), 0u);

    // The control itself never erases: the body under it shows through.
    CCanvas erased(8, 8);
    erased.Fill(kUntouched);
    EXPECT_EQ(::SendMessageW(button.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(erased.Dc()), 0), 1);
    EXPECT_EQ(ColoursOf(erased), std::set<COLORREF>{kUntouched});
}

TEST_F(SkinControlsTest, HoverFollowsTheMouse)
{
    CSkinedButton button;
    ASSERT_TRUE(button.Bind(AddButton(L"连接", BS_OWNERDRAW, 57, 293, 74, 27)));
    Show();
    POINT centre{57 + 37, 293 + 13};
    ::ClientToScreen(m_window.Handle(), &centre);
    ::SetCursorPos(centre.x, centre.y);
    ::PostMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(37, 13));
    skin_test::PumpMessagesFor(400);
    EXPECT_TRUE(button.IsHovered());

    ::SetCursorPos(centre.x + 400, centre.y + 400);
    skin_test::PumpMessagesFor(400);
    EXPECT_FALSE(button.IsHovered());
}

TEST(SkinControlLifetimeTest, AControlGoingFirstGivesTheWindowBackItsProcedure)
{
    skin_test::UseBuiltInSkin();
    CTestWindow window(200, 100);
    HWND plain = window.AddButton(L"plain", BS_PUSHBUTTON, 10, 40, 60, 20);
    const LONG_PTR own = ::GetWindowLongPtrW(plain, GWLP_WNDPROC);
    {
        CSkinedButton button;
        ASSERT_TRUE(button.Bind(plain));
        EXPECT_NE(::GetWindowLongPtrW(plain, GWLP_WNDPROC), own);
    }
    EXPECT_EQ(::GetWindowLongPtrW(plain, GWLP_WNDPROC), own);
    DRAWITEMSTRUCT item{};
    item.hwndItem = plain;
    EXPECT_FALSE(CSkinedControl::ReflectDrawItem(item));

    // And an object can take the next control once its own is gone.
    CSkinedButton reused;
    ASSERT_TRUE(reused.Bind(window.AddButton(L"a", BS_PUSHBUTTON, 10, 10, 20, 20)));
    ::DestroyWindow(reused.Handle());
    EXPECT_EQ(reused.Handle(), nullptr);
    EXPECT_TRUE(reused.Bind(plain));
}

// Everything a skinned window makes is given back when it goes, whatever happened meanwhile.
TEST(SkinGdiTest, ASkinnedWindowsLifeLeavesNoGdiObjectBehind)
{
    skin_test::UseBuiltInSkin();
    auto lifeOfAWindow = [] {
        CTestWindow window(322, 392, L"Qivra网络加速器");
        CSkinedWindow frame;
        frame.SetInt(kMaximizeBox.name, 0);
        ASSERT_TRUE(frame.Attach(window.Handle()));
        CSkinedButton button;
        CSkinedButton link;
        CSkinedCheckBox box;
        CSkinedStatic status;
        ASSERT_TRUE(button.Bind(window.AddButton(L"连接", BS_OWNERDRAW, 57, 293, 74, 27)));
        ASSERT_TRUE(link.Bind(window.AddButton(L"注册帐号", BS_OWNERDRAW, 25, 198, 55, 15)));
        link.SetStyleName(kStyleLink);
        link.SetInt(kTextColor, 0xFFFFFF);
        ASSERT_TRUE(box.Bind(window.AddButton(L"保存密码", BS_OWNERDRAW, 42, 259, 270, 15)));
        ASSERT_TRUE(status.Bind(::CreateWindowExW(0, L"STATIC", L"就绪", WS_CHILD | WS_VISIBLE, 27, 334, 272, 15,
                                                  window.Handle(), nullptr, ::GetModuleHandleW(nullptr), nullptr)));
        ::ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
        skin_test::PumpMessages();
        ::SendMessageW(button.Handle(), WM_MOUSEHOVER, 0, 0);
        ::SendMessageW(box.Handle(), BM_SETCHECK, BST_CHECKED, 0);
        ::SetWindowTextW(status.Handle(), L"正在连接");
        ::EnableWindow(button.Handle(), FALSE);
        ::SetWindowPos(window.Handle(), nullptr, 0, 0, 400, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        skin_test::PumpMessages();
        ::DestroyWindow(window.Handle());
    };
    lifeOfAWindow();  // the system's own first-use objects (window surfaces, caches)
    const size_t before = skin_test::GdiObjectCount();
    for (int round = 0; round < 3; ++round) {
        lifeOfAWindow();
    }
    EXPECT_EQ(skin_test::GdiObjectCount(), before);
}

}  // namespace
