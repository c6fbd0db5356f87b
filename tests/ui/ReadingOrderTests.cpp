// Reading order of the owner-drawn controls: in a mirrored (right-to-left) dialog the text is
// read from right to left, so the dots ending "abc..." stand at its left end, where a Hebrew or
// Arabic reader finds the end of the sentence; in a left-to-right dialog at its right end.
// Read back from the pixels each control paints.
#include "UI/ColoredButton.h"
#include "UI/HyperLink.h"
#include "UI/StyledStatic.h"
#include "UiTestSupport.h"
#include "Win/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using UiTest::Capture;
using UiTest::ControlHost;

namespace {

constexpr wchar_t Sentence[] = L"abc...";

// One run of columns holding ink, between columns holding none.
struct InkRun {
    int left;
    int right;
    int height; // rows from its highest to its lowest ink pixel
};

// The rows of a link's underline join every letter into one run: a row inked along nine
// tenths of the inked width or more is a line, not text, and is left out.
std::vector<bool> lineRows(const Capture& capture, const RECT& area, COLORREF background)
{
    std::vector<int> inked(area.bottom - area.top, 0);
    int inkedColumns = 0;
    for (int x = area.left; x < area.right; ++x) {
        bool any = false;
        for (int y = area.top; y < area.bottom; ++y)
            if (capture.pixel(x, y) != background) {
                ++inked[y - area.top];
                any = true;
            }
        inkedColumns += any;
    }
    std::vector<bool> lines(inked.size());
    for (size_t row = 0; row < inked.size(); ++row)
        lines[row] = inked[row] * 10 >= inkedColumns * 9;
    return lines;
}

std::vector<InkRun> inkRuns(const Capture& capture, const RECT& area, COLORREF background)
{
    const std::vector<bool> lines = lineRows(capture, area, background);
    std::vector<InkRun> runs;
    bool inRun = false;
    for (int x = area.left; x < area.right; ++x) {
        int top = area.bottom, bottom = area.top - 1;
        for (int y = area.top; y < area.bottom; ++y)
            if (!lines[y - area.top] && capture.pixel(x, y) != background) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        if (bottom < top) {
            inRun = false;
            continue;
        }
        if (!inRun)
            runs.push_back({x, x, 0});
        inRun = true;
        InkRun& run = runs.back();
        run.right = x;
        run.height = std::max(run.height, bottom - top + 1); // the tallest of its columns
    }
    return runs;
}

enum class DotsAt { Left, Right, Unclear };

const char* name(DotsAt side)
{
    return side == DotsAt::Left ? "left" : side == DotsAt::Right ? "right" : "unclear";
}

// Where the low, short runs of the three dots are against the letters.
DotsAt dotsSide(const std::vector<InkRun>& runs)
{
    if (runs.size() < 2)
        return DotsAt::Unclear;
    const int tallest = std::max_element(runs.begin(), runs.end(), [](auto& a, auto& b) { return a.height < b.height; })->height;
    const bool firstIsDot = runs.front().height * 2 <= tallest;
    const bool lastIsDot = runs.back().height * 2 <= tallest;
    if (firstIsDot == lastIsDot)
        return DotsAt::Unclear;
    return firstIsDot ? DotsAt::Left : DotsAt::Right;
}

struct PaintedText {
    std::vector<InkRun> runs;
    std::string control;
};

using Painter = std::function<PaintedText(ControlHost&)>;

PaintedText styledStatic(ControlHost& host)
{
    const COLORREF background = RGB(240, 240, 240);
    const HWND window = host.addChild(L"STATIC", 330, Sentence, 0, 200, 20);
    CStyledStaticCtrl caption;
    caption.setTextColor(RGB(0, 0, 0));
    caption.setBackgroundColor(background);
    caption.attach(window);
    const Capture painted(window);
    return {inkRuns(painted, {0, 0, 200, 20}, background), "styled static"};
}

PaintedText coloredButton(ControlHost& host)
{
    const COLORREF face = RGB(0, 120, 215);
    const HWND window = host.addChild(L"BUTTON", 1, Sentence, BS_PUSHBUTTON, 120, 24);
    CColoredButtonCtrl button;
    button.attach(window);
    button.setTextColor(RGB(255, 255, 255));
    button.setNormalColor(face);
    const Capture painted(window);
    return {inkRuns(painted, {6, 4, 114, 20}, face), "coloured button"};
}

PaintedText hyperLink(ControlHost& host)
{
    const HWND window = host.addChild(L"STATIC", 211, Sentence, 0, 200, 20);
    CHyperLink link;
    link.attach(window, Win::windowFont(window));
    const Capture painted(window);
    return {inkRuns(painted, {0, 0, 200, 20}, ControlHost::Background), "hyperlink"};
}

} // namespace

TEST(ReadingOrder, OwnerDrawnTextReadsRightToLeftInAMirroredDialogOnly)
{
    const Painter painters[] = {styledStatic, coloredButton, hyperLink};
    for (const bool mirrored : {false, true}) {
        for (const Painter& paint : painters) {
            ControlHost host(mirrored ? WS_EX_LAYOUTRTL : 0);
            const PaintedText text = paint(host);
            const DotsAt expected = mirrored ? DotsAt::Left : DotsAt::Right;
            EXPECT_STREQ(name(dotsSide(text.runs)), name(expected))
                << text.control << (mirrored ? " in a mirrored dialog" : " in a left-to-right dialog") << ", "
                << text.runs.size() << " runs of ink";
        }
    }
}
