#include "FakeOffice.h"

#include "DocumentedIds.h"
#include "Office/Ids.h"

namespace Fake {

using Com::Variant;

const wchar_t* defaultName(App app)
{
    switch (app) {
    case App::Outlook:
        return L"Outlook";
    case App::Word:
        return L"Microsoft Word";
    case App::Excel:
        return L"Microsoft Excel";
    case App::PowerPoint:
        return L"Microsoft PowerPoint";
    case App::Visio:
        return L"Microsoft Visio";
    }
    return L"";
}

namespace {

const IID* applicationIid(App app)
{
    switch (app) {
    case App::Outlook:
        return &Documented::IID_OutlookApplication;
    case App::Word:
        return &Documented::IID_WordApplication;
    case App::Excel:
        return &Documented::IID_ExcelApplication;
    case App::PowerPoint:
        return &Documented::IID_PowerPointApplication;
    case App::Visio:
        return nullptr;
    }
    return nullptr;
}

} // namespace

Office Office::build(const HostSpec& setup)
{
    Office office;
    office.application = Object::create(L"Application");
    Object& app = *office.application;
    if (const IID* iid = applicationIid(setup.app))
        app.answers(*iid);
    if (setup.hasName)
        app.value(L"Name", Variant::fromString(setup.name.value_or(defaultName(setup.app))));
    if (setup.hasVersion)
        app.value(L"Version", Variant::fromString(setup.version));

    if (setup.hasLanguageSettings) {
        office.languageSettings = Object::create(L"LanguageSettings");
        office.languageSettings->answers(Documented::IID_LanguageSettings);
        const long id = setup.languageId;
        office.languageSettings->property(L"LanguageID", [id](const Args&) { return Variant::fromInt32(id); });
        app.objectProperty(L"LanguageSettings", office.languageSettings);
    }

    office.bars = std::make_shared<CommandBarSet>();
    office.commandBars = makeCommandBars(office.bars);

    if (setup.app == App::Outlook) {
        office.inspectors = Object::create(L"Inspectors");
        office.inspectors->answers(Documented::IID_Inspectors);
        office.inspectors->eventSource(Documented::DIID_InspectorsEvents);
        app.objectProperty(L"Inspectors", office.inspectors);
        if (setup.hasActiveExplorer) {
            office.explorer = Object::create(L"Explorer");
            office.explorer->answers(Documented::IID_Explorer);
            office.explorer->objectProperty(L"CommandBars", office.commandBars);
        }
        Ref explorer = office.explorer;
        app.method(L"ActiveExplorer", [explorer](const Args&) { return Variant::fromDispatch(explorer.get()); });
        office.items = std::make_shared<ItemFactory>();
        addCreateItem(app, office.items);
    } else {
        app.objectProperty(L"CommandBars", office.commandBars);
    }
    return office;
}

ConnectionPoint* Office::inspectorsEvents() const
{
    return inspectors ? &inspectors->eventSource(Documented::DIID_InspectorsEvents) : nullptr;
}

OpenedAppointment Office::appointmentWindow(const std::wstring& body)
{
    OpenedAppointment window{Appointment::create(), {}, std::make_shared<CommandBarSet>()};
    window.appointment.fields->body = body;
    window.inspector = makeInspector({window.appointment.object, {}, {}, window.bars});
    return window;
}

void Office::show(const OpenedAppointment& window) const
{
    constexpr DISPID NewInspector = 0xF001;
    if (ConnectionPoint* events = inspectorsEvents())
        events->fire(NewInspector, {Variant::fromDispatch(window.inspector.get())});
}

OpenedAppointment Office::openAppointment(const std::wstring& body) const
{
    OpenedAppointment window = appointmentWindow(body);
    show(window);
    return window;
}

} // namespace Fake
