#include "FakeOutlook.h"

#include "DocumentedIds.h"
#include "Office/Ids.h"

namespace Fake {

using Com::Variant;

namespace {

using Notify = std::function<void(const std::wstring& member, const Variant& value)>;

void textProperty(Object& item, const wchar_t* name, std::wstring AppointmentFields::*member,
                  const std::shared_ptr<AppointmentFields>& fields, const Notify& notify)
{
    item.property(
        name, [fields, member](const Args&) { return Variant::fromString((*fields).*member); },
        [fields, member, notify, record = std::wstring(name) + L"="](const Variant& value) {
            (*fields).*member = value.toString();
            if (notify)
                notify(record, value);
        });
}

Appointment makeAppointment(bool withUserProperties, const Notify& notify)
{
    Appointment appointment{Object::create(L"AppointmentItem"), std::make_shared<AppointmentFields>()};
    Object& item = *appointment.object;
    const auto& fields = appointment.fields;
    item.answers(Documented::IID_AppointmentItem);
    textProperty(item, L"Subject", &AppointmentFields::subject, fields, notify);
    textProperty(item, L"Body", &AppointmentFields::body, fields, notify);
    textProperty(item, L"Location", &AppointmentFields::location, fields, notify);
    Ref userProperties;
    if (withUserProperties) {
        userProperties = Object::create(L"UserProperties");
        userProperties->value(L"Count", Variant::fromInt32(0));
    }
    item.objectProperty(L"UserProperties", userProperties);
    item.method(L"Display", [fields, notify](const Args& args) {
        fields->displays.push_back(args.empty() ? Variant::missing() : args[0]);
        if (notify)
            notify(L"Display", fields->displays.back());
        return Variant();
    });
    return appointment;
}

Ref makeOtherItem()
{
    return Object::create(L"MailItem");
}

} // namespace

Appointment Appointment::create(bool withUserProperties)
{
    return makeAppointment(withUserProperties, {});
}

void addCreateItem(Object& application, std::shared_ptr<ItemFactory> factory)
{
    application.method(L"CreateItem", [factory](const Args& args) {
        const long type = args.empty() ? -1 : args[0].toInt32();
        factory->requestedTypes.push_back(type);
        Ref result;
        int number = 0;
        if (factory->next == NewItem::Appointment && type == ::Office::olAppointmentItem) {
            number = static_cast<int>(factory->created.size()) + 1;
            // Weak: the factory owns the appointment, whose members must not own the factory.
            const std::weak_ptr<ItemFactory> weakFactory = factory;
            Appointment appointment = makeAppointment(
                factory->userProperties, [weakFactory, number](const std::wstring& member, const Variant& value) {
                    const auto owner = weakFactory.lock();
                    if (owner && owner->observer)
                        owner->observer(ItemEvent{number, member, value});
                });
            if (factory->prepare)
                factory->prepare(appointment);
            factory->created.push_back(appointment);
            result = appointment.object;
        } else if (factory->next != NewItem::Nothing) {
            result = makeOtherItem();
        }
        if (factory->observer)
            factory->observer(ItemEvent{number, L"CreateItem", Variant::fromInt32(type)});
        return Variant::fromDispatch(result.get());
    });
}

Ref makeInspector(InspectorParts parts)
{
    Ref inspector = Object::create(L"Inspector");
    inspector->answers(Documented::IID_Inspector);
    if (!parts.commandBars) {
        if (!parts.bars)
            parts.bars = std::make_shared<CommandBarSet>();
        parts.commandBars = makeCommandBars(parts.bars);
    }
    inspector->objectProperty(L"CurrentItem", parts.currentItem)
        .objectProperty(L"WordEditor", parts.wordEditor)
        .objectProperty(L"CommandBars", parts.commandBars);
    return inspector;
}

} // namespace Fake
