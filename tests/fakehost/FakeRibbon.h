#pragma once
// Stand-in ribbon objects: the IRibbonUI a host hands to onLoad, and the IRibbonControl it
// passes to every callback.

#include "FakeObject.h"

#include <memory>
#include <string>
#include <vector>

namespace Fake {

struct RibbonUI {
    Ref object; // answers IID_RibbonUI; Invalidate and InvalidateControl
    std::shared_ptr<std::vector<std::wstring>> invalidatedControls; // InvalidateControl's ids, in order

    static RibbonUI create();
    int invalidations() const { return object->callCount(L"Invalidate"); }
};

// A ribbon control (IID_RibbonControl): Context is the window of the callback (an inspector,
// an explorer, anything, or null), Id the control's id, Tag its tag.
Ref makeRibbonControl(Ref context, std::wstring id = L"AddParleon", std::wstring tag = {});

} // namespace Fake
