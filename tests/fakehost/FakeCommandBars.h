#pragma once
// Stand-in Office command bars: a CommandBars collection whose Add makes bars, bars whose
// Controls add buttons and pop-ups, buttons with a real connection point for their Click
// events. The state of every object is kept beside it, for the test to read.
//
//   auto bars = std::make_shared<Fake::CommandBarSet>();
//   Fake::Ref commandBars = Fake::makeCommandBars(bars);
//   ... the add-in builds its bar ...
//   const Fake::BarEntry* bar = bars->find(L"Talvora");
//   Fake::click(bar->state->controls->at(0));

#include "FakeObject.h"

#include <memory>
#include <string>
#include <vector>

namespace Fake {

struct ControlEntry;
using ControlList = std::vector<ControlEntry>;

// What was written into one control.
struct ControlState {
    long type = 0; // 1 button, 10 pop-up
    bool temporary = false;
    long style = 0;
    std::wstring caption;
    std::wstring tag;
    std::wstring parameter;
    bool beginGroup = false;
    long faceId = 0;
    bool enabled = false;
    bool visible = false;
    // The picture types (PICTYPE_*) of the Picture and Mask written; 0: none.
    short pictureType = 0;
    short maskType = 0;
    SIZE pictureSize{}; // in pixels
    // The mask's pixels: white (transparent) at the top left corner, how many are black.
    bool maskCornerWhite = false;
    int maskBlackPixels = 0;
    int pastes = 0;                 // PasteFace calls
    bool pastedBitmap = false;      // the clipboard held a bitmap at the last PasteFace
    std::shared_ptr<ControlList> controls = std::make_shared<ControlList>(); // a pop-up's
};

struct ControlEntry {
    Ref object;
    std::shared_ptr<ControlState> state;
};

struct BarState {
    std::wstring name;
    long position = 0;
    bool temporary = false;
    bool enabled = false;
    bool visible = false;
    std::shared_ptr<ControlList> controls = std::make_shared<ControlList>();
};

struct BarEntry {
    Ref object;
    std::shared_ptr<BarState> state;
};

// How the buttons made from now on behave.
struct ButtonOptions {
    bool withoutPicture = false; // no Picture and Mask (as in Office 2000): only PasteFace
    HRESULT pasteFaceFailure = S_OK;
};

// The bars of one CommandBars collection.
struct CommandBarSet {
    std::vector<BarEntry> bars;
    ButtonOptions buttons;

    const BarEntry* find(const std::wstring& name) const;
};

// A CommandBars collection (IID_CommandBars) over `set`. Add fails for a name already there.
Ref makeCommandBars(const std::shared_ptr<CommandBarSet>& set);

// The bars in one line, each as Name{control, ...}: a button as Caption|Tag or
// Caption|Tag|Parameter, a pop-up as Caption{...}; "(hidden)" after a bar that is not visible.
std::wstring describe(const CommandBarSet& set);

// Presses a button: Click(Ctrl, CancelDefault) on every sink of its button events.
void click(const ControlEntry& button);
// The sinks connected to a button's events.
std::size_t clickSinks(const ControlEntry& button);

} // namespace Fake
