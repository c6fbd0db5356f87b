// The owner-drawn controls on real windows: what they paint (read back through WM_PRINTCLIENT),
// how they answer mouse and keyboard, and what they give back.
#include "Com/Module.h"
#include "TestSupport.h"
#include "UI/BevelLine.h"
#include "UI/ColoredButton.h"
#include "UI/FacebookButton.h"
#include "UI/HyperLink.h"
#include "UI/StyledStatic.h"
#include "UiTestSupport.h"
#include "Win/RegKey.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>

using UiTest::Capture;
using UiTest::ControlHost;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF FacebookBlue = RGB(66, 103, 178);

bool bright(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
}

// The smallest rectangle holding every bright pixel in `area` of the capture.
RECT brightBounds(const Capture& capture, const RECT& area)
{
    RECT bounds{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (bright(capture.pixel(x, y))) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    return bounds;
}

bool containsIn(const Capture& capture, COLORREF color, const RECT& area)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (capture.pixel(x, y) == color)
                return true;
    return false;
}

LPARAM at(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class ControlTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(UiTest::GuiObjectCounts(), m_before) << "GDI objects left behind"; }

    const UiTest::GuiObjectCounts m_before;
};

// The Internet Explorer anchor colours, put back as they were.
class AnchorColors {
public:
    static constexpr const wchar_t* Key = L"Software\\Microsoft\\Internet Explorer\\Settings";

    AnchorColors(const wchar_t* link, const wchar_t* visited)
    {
        TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, Key);
        Win::RegKey key;
        key.create(HKEY_CURRENT_USER, Key, KEY_SET_VALUE);
        set(key.get(), L"Anchor Color", link);
        set(key.get(), L"Anchor Color Visited", visited);
    }
    ~AnchorColors() { TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, Key); }

private:
    static void set(HKEY key, const wchar_t* name, const wchar_t* value)
    {
        if (value)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
};

} // namespace

// --- CFacebookButtonCtl ----------------------------------------------------------------------

TEST_F(ControlTest, FacebookButtonOf23PixelsHas5PixelCornersAndA15PixelMarkAt8And4)
{
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 318, L"", SS_CENTER, 160, 23);
    CFacebookButtonCtl button;
    ASSERT_TRUE(button.attach(window));
    const Capture painted(window);

    // The face: a round rectangle with 5 x 5 corner ellipses over the parent's background.
    Capture expected(160, 23, ControlHost::Background);
    {
        const HBRUSH face = CreateSolidBrush(FacebookBlue);
        const HGDIOBJ oldBrush = SelectObject(expected.dc(), face);
        const HGDIOBJ oldPen = SelectObject(expected.dc(), GetStockObject(NULL_PEN));
        RoundRect(expected.dc(), 0, 0, 161, 24, 5, 5);
        SelectObject(expected.dc(), oldPen);
        SelectObject(expected.dc(), oldBrush);
        DeleteObject(face);
    }
    for (int y = 0; y < 23; ++y)
        for (int x : {0, 1, 2, 3, 4, 155, 156, 157, 158, 159})
            ASSERT_EQ(painted.pixel(x, y), expected.pixel(x, y)) << "corner pixel " << x << "," << y;
    EXPECT_EQ(painted.pixel(0, 0), ControlHost::Background) << "the parent's background shows at the corners";
    EXPECT_EQ(painted.pixel(80, 0), FacebookBlue);
    EXPECT_EQ(painted.pixel(80, 22), FacebookBlue) << "the face reaches the bottom edge";

    // The mark: the white "f" of the icon, scaled from 32 to 15 pixels and placed at 8, 4.
    Capture icon(32, 32, FacebookBlue);
    const HICON mark = static_cast<HICON>(LoadImageW(Com::Module::instance(), L"FACEBOOK_F", IMAGE_ICON, 32, 32, 0));
    ASSERT_TRUE(mark);
    DrawIconEx(icon.dc(), 0, 0, mark, 32, 32, 0, nullptr, DI_NORMAL);
    DestroyIcon(mark);
    const RECT f = brightBounds(icon, {0, 0, 32, 32});
    ASSERT_FALSE(IsRectEmpty(&f));
    const RECT drawn = brightBounds(painted, {0, 0, 160, 23});
    EXPECT_NEAR(drawn.left, 8 + f.left * 15.0 / 32, 1.0);
    EXPECT_NEAR(drawn.right, 8 + f.right * 15.0 / 32, 1.0);
    EXPECT_NEAR(drawn.top, 4 + f.top * 15.0 / 32, 1.0);
    EXPECT_NEAR(drawn.bottom, 4 + f.bottom * 15.0 / 32, 1.0);
    for (int y = 0; y < 23; ++y)
        EXPECT_FALSE(bright(painted.pixel(7, y)) || bright(painted.pixel(23, y))) << "the mark stays in its square, row " << y;
}

TEST_F(ControlTest, FacebookButtonClicksOnPressAndReleaseOnItOnly)
{
    const struct {
        const char* what;
        bool press;
        LPARAM release;
        std::size_t clicks;
    } cases[] = {
        {"pressed and released on it", true, at(50, 10), 1},
        {"released beside it", true, at(250, 10), 0},
        {"released on it without a press", false, at(50, 10), 0},
    };
    for (const auto& c : cases) {
        ControlHost host;
        const HWND window = host.addChild(L"STATIC", 318, L"Continue with Facebook", SS_CENTER, 160, 23);
        CFacebookButtonCtl button;
        button.attach(window);
        if (c.press)
            SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(50, 10));
        SendMessageW(window, WM_LBUTTONUP, 0, c.release);
        ASSERT_EQ(host.commands().size(), c.clicks) << c.what;
        if (c.clicks) {
            EXPECT_EQ(host.commands()[0].id, 318);
            EXPECT_EQ(host.commands()[0].code, BN_CLICKED);
            EXPECT_EQ(host.commands()[0].source, window);
        }
        EXPECT_EQ(GetCapture(), nullptr) << c.what;
    }
}

TEST_F(ControlTest, FacebookButtonHasNoKeyboardActivation)
{
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 318, L"Continue with Facebook", SS_CENTER, 160, 23);
    CFacebookButtonCtl button;
    button.attach(window);
    for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_SPACE}}) {
        SendMessageW(window, WM_KEYDOWN, key, 1);
        SendMessageW(window, WM_CHAR, key, 1);
        SendMessageW(window, WM_KEYUP, key, 1);
    }
    EXPECT_TRUE(host.commands().empty());
}

// --- CColoredButtonCtrl ----------------------------------------------------------------------

TEST_F(ControlTest, ColoredButtonPressedShiftsItsTextAndSinksItsEdge)
{
    const COLORREF face = RGB(0, 120, 215);
    const struct {
        DWORD style;
        bool pressed;
        int topLeft; // system colour of the outermost top-left pixel
        int bottomRight;
    } cases[] = {
        {BS_FLAT, false, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW}, // BDR_RAISEDINNER
        {BS_FLAT, true, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},  // BDR_SUNKENOUTER
        {0, false, COLOR_3DLIGHT, COLOR_3DDKSHADOW},           // EDGE_RAISED
        {0, true, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},        // EDGE_SUNKEN
    };
    RECT normalText[2]{};
    for (const auto& c : cases) {
        ControlHost host;
        const HWND window = host.addChild(L"BUTTON", 1, L"Go", BS_PUSHBUTTON | c.style, 80, 24);
        CColoredButtonCtrl button;
        button.attach(window);
        button.setTextColor(White);
        button.setNormalColor(face);
        button.setPressedColor(face);
        EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        SendMessageW(window, BM_SETSTATE, c.pressed, 0);
        const Capture painted(window);

        const char* what = c.style ? (c.pressed ? "flat pressed" : "flat") : (c.pressed ? "pressed" : "normal");
        EXPECT_EQ(painted.pixel(0, 0), GetSysColor(c.topLeft)) << what;
        EXPECT_EQ(painted.pixel(79, 23), GetSysColor(c.bottomRight)) << what;
        EXPECT_EQ(painted.pixel(10, 12), face) << what;
        const RECT text = brightBounds(painted, {6, 6, 74, 18});
        ASSERT_FALSE(IsRectEmpty(&text)) << what;
        RECT& normal = normalText[c.style ? 0 : 1];
        if (!c.pressed) {
            normal = text;
        } else {
            EXPECT_EQ(text.left, normal.left + 1) << what;
            EXPECT_EQ(text.top, normal.top + 1) << what;
        }
    }
}

TEST_F(ControlTest, DisabledColoredButtonShowsTheSystemFaceAndGreyText)
{
    ControlHost host;
    const HWND window = host.addChild(L"BUTTON", 1, L"Go", BS_PUSHBUTTON | BS_FLAT, 80, 24);
    CColoredButtonCtrl button;
    button.setTextColor(White); // chosen before attaching: kept
    button.setNormalColor(RGB(0, 120, 215));
    button.setPressedColor(RGB(0, 120, 215));
    button.attach(window);
    EXPECT_EQ(Capture(window).pixel(10, 12), RGB(0, 120, 215));

    EnableWindow(window, FALSE);
    const Capture painted(window);
    EXPECT_EQ(painted.pixel(10, 12), GetSysColor(COLOR_BTNFACE));
    const RECT inside{6, 6, 74, 18};
    EXPECT_TRUE(containsIn(painted, GetSysColor(COLOR_GRAYTEXT), inside));
    EXPECT_FALSE(containsIn(painted, White, inside)) << "no white text";
}

TEST_F(ControlTest, DoubleClickOnColoredButtonIsASecondPress)
{
    ControlHost host;
    const HWND window = host.addChild(L"BUTTON", 1, L"Go", BS_PUSHBUTTON, 80, 24);
    CColoredButtonCtrl button;
    button.attach(window);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
    SendMessageW(window, WM_LBUTTONUP, 0, at(10, 10));
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at(10, 10));
    SendMessageW(window, WM_LBUTTONUP, 0, at(10, 10));

    std::size_t clicks = 0;
    for (const auto& command : host.commands())
        clicks += command.id == 1 && command.code == BN_CLICKED;
    EXPECT_EQ(clicks, 2u);
}

// --- CStyledStaticCtrl -----------------------------------------------------------------------

TEST_F(ControlTest, StyledStaticFillsItsWholeClientAndIndentsItsBoldText)
{
    const COLORREF background = RGB(240, 240, 240);
    LONG textLeft[2] = {};
    for (const int indent : {2, 12}) {
        ControlHost host;
        const HWND window = host.addChild(L"STATIC", 330, L"Talvora Settings", 0, 200, 20);
        CStyledStaticCtrl caption;
        caption.setTextColor(RGB(0, 0, 0));
        caption.setBackgroundColor(background);
        caption.setFontWeight(FW_BOLD);
        caption.setTextIndent(indent);
        caption.attach(window);
        const Capture painted(window);

        EXPECT_EQ(painted.pixel(0, 0), background);
        EXPECT_EQ(painted.pixel(199, 19), background) << "the last column and row are filled too";
        EXPECT_TRUE(painted.contains(RGB(0, 0, 0)));
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        textLeft[indent == 12] = painted.boundsOf(RGB(0, 0, 0)).left;
        EXPECT_GE(textLeft[indent == 12], indent);
    }
    EXPECT_EQ(textLeft[1] - textLeft[0], 10);
}

// --- CBevelLine ------------------------------------------------------------------------------

TEST_F(ControlTest, BevelLineLeavesAGap20PixelsWiderThanItsText)
{
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 327, L"OR", SS_CENTER, 300, 16);
    CBevelLine line;
    line.attach(window);
    line.setFont(Win::windowFont(window));
    const Capture painted(window);

    SIZE text{};
    {
        const HDC dc = GetDC(window);
        const HGDIOBJ old = SelectObject(dc, Win::windowFont(window));
        GetTextExtentPoint32W(dc, L"OR", 2, &text);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    // Sunken: a dark row over a light one, around the middle (16 / 2).
    EXPECT_EQ(painted.pixel(3, 7), dark);
    EXPECT_EQ(painted.pixel(3, 8), light);
    EXPECT_EQ(painted.pixel(296, 7), dark);
    int gapStart = 0;
    while (gapStart < 300 && painted.pixel(gapStart, 8) == light)
        ++gapStart;
    int gapEnd = 300;
    while (gapEnd > 0 && painted.pixel(gapEnd - 1, 8) == light)
        --gapEnd;
    EXPECT_EQ(gapEnd - gapStart, text.cx + 20);
    EXPECT_NEAR((gapStart + gapEnd) / 2.0, 150.0, 1.0) << "the gap is centred";
    EXPECT_EQ(painted.pixel(3, 2), Capture::Untouched) << "no background of its own";
}

// --- CHyperLink ------------------------------------------------------------------------------

TEST(AnchorColor, ThreeNumbersSeparatedByCommas)
{
    const struct {
        const wchar_t* text;
        bool parses;
        COLORREF color;
    } cases[] = {
        {L"0,128,0", true, RGB(0, 128, 0)},
        {L"255, 0 ,64", true, RGB(255, 0, 64)},
        {L"0,128", false, 0},
        {L"0,128,", false, 0},
        {L"", false, 0},
        {L"1,2,x", false, 0},
        {L"1,2,256", false, 0},
        {L",,", false, 0},
    };
    for (const auto& c : cases) {
        COLORREF color = RGB(9, 9, 9);
        EXPECT_EQ(parseAnchorColor(c.text, color), c.parses) << c.text;
        EXPECT_EQ(color, c.parses ? c.color : RGB(9, 9, 9)) << c.text;
    }
}

TEST_F(ControlTest, HyperLinkTakesItsColoursFromTheAnchorColourSettings)
{
    const struct {
        const wchar_t* link;
        const wchar_t* visited;
        COLORREF expectedLink;
        COLORREF expectedVisited;
    } cases[] = {
        {L"0,128,0", L"128,0,0", RGB(0, 128, 0), RGB(128, 0, 0)},
        {L"0,128", L"0,128,", RGB(0, 0, 255), RGB(128, 0, 128)}, // malformed: the defaults stay
        {nullptr, nullptr, RGB(0, 0, 255), RGB(128, 0, 128)},
    };
    for (const auto& c : cases) {
        const AnchorColors settings(c.link, c.visited);
        ControlHost host;
        const HWND window = host.addChild(L"STATIC", 211, L"update available", 0, 200, 20);
        CHyperLink link;
        link.attach(window, Win::windowFont(window));
        EXPECT_EQ(link.linkColor(), c.expectedLink) << (c.link ? c.link : L"none");
        EXPECT_EQ(link.visitedColor(), c.expectedVisited);
        const Capture painted(window);
        EXPECT_TRUE(painted.contains(c.expectedLink)) << "the label is painted in the link colour";
    }
}

TEST_F(ControlTest, EnterSpaceOrAClickOnAHyperLinkOpensItsUrl)
{
    UiTest::UrlRecorder browser;
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 306, L"Click here for more information", SS_CENTER, 300, 20);
    CHyperLink link;
    ASSERT_TRUE(link.attach(window, Win::windowFont(window)));
    link.setUrl(L"talvora-test:account?id=4711&x=1");
    EXPECT_FALSE(link.visited());

    SendMessageW(window, WM_CHAR, VK_RETURN, 1);
    SendMessageW(window, WM_CHAR, VK_SPACE, 1);
    SendMessageW(window, WM_CHAR, L'a', 1);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(150, 10));
    SendMessageW(window, WM_LBUTTONUP, 0, at(150, 10));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(2, 10)); // beside the centred label
    SendMessageW(window, WM_LBUTTONUP, 0, at(2, 10));

    const auto opened = browser.opened(3);
    EXPECT_EQ(opened, std::vector<std::string>(3, "talvora-test:account?id=4711&x=1"));
    EXPECT_TRUE(link.visited());
    const Capture painted(window);
    EXPECT_TRUE(painted.contains(link.visitedColor()));
    EXPECT_FALSE(painted.contains(link.linkColor()));
}

TEST_F(ControlTest, HyperLinkThatCannotOpenStaysUnvisited)
{
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 306, L"nowhere", 0, 200, 20);
    CHyperLink link;
    link.attach(window, nullptr);
    link.setUrl(L"talvora-unregistered-scheme:nothing");
    EXPECT_FALSE(link.navigate());
    EXPECT_FALSE(link.visited());
}

TEST_F(ControlTest, HyperLinkGivesBackItsTooltipAndFontsWhenDestroyed)
{
    ControlHost host;
    const HWND window = host.addChild(L"STATIC", 306, L"label", 0, 200, 20);
    const UiTest::GuiObjectCounts beforeAttach;
    HWND tooltip = nullptr;
    {
        CHyperLink link;
        link.attach(window, nullptr); // no font given: it makes one from the icon-title font
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND candidate, LPARAM found) {
                wchar_t name[32] = {};
                GetClassNameW(candidate, name, 32);
                if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0)
                    *reinterpret_cast<HWND*>(found) = candidate;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&tooltip));
        ASSERT_TRUE(tooltip);
        EXPECT_EQ(link.url(), L"label") << "without a URL the label is the URL";
        EXPECT_EQ(Win::liveGuiObjects(Win::GuiKind::Font), beforeAttach.live[static_cast<int>(Win::GuiKind::Font)] + 2);
        DestroyWindow(window);
        EXPECT_FALSE(IsWindow(tooltip));
        EXPECT_EQ(UiTest::GuiObjectCounts(), beforeAttach);
    }
}
