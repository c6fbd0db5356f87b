#include "FakeRibbon.h"

#include "DocumentedIds.h"
#include "Office/Ids.h"

namespace Fake {

using Com::Variant;

RibbonUI RibbonUI::create()
{
    RibbonUI ribbon{Object::create(L"RibbonUI"), std::make_shared<std::vector<std::wstring>>()};
    ribbon.object->answers(Documented::IID_RibbonUI);
    ribbon.object->method(L"Invalidate", [](const Args&) { return Variant(); });
    ribbon.object->method(L"InvalidateControl", [ids = ribbon.invalidatedControls](const Args& args) {
        ids->push_back(args.empty() ? std::wstring() : args[0].toString());
        return Variant();
    });
    return ribbon;
}

Ref makeRibbonControl(Ref context, std::wstring id, std::wstring tag)
{
    Ref control = Object::create(L"RibbonControl");
    control->answers(Documented::IID_RibbonControl)
        .objectProperty(L"Context", std::move(context))
        .value(L"Id", Variant::fromString(id))
        .value(L"Tag", Variant::fromString(tag));
    return control;
}

} // namespace Fake
