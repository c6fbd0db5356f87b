#pragma once
// Stand-in Outlook items: appointments made by Application.CreateItem, and inspectors (the
// windows that show an item, with its Word editor).
//
//   Fake::Office office = Fake::Office::build({});      // Outlook: CreateItem is there
//   ... run the code under test ...
//   ASSERT_EQ(office.items->created.size(), 1u);
//   EXPECT_EQ(office.items->created[0].fields->subject, L"...");

#include "FakeCommandBars.h"
#include "FakeObject.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Fake {

// What was written into an appointment, and how it was displayed.
struct AppointmentFields {
    std::wstring subject;
    std::wstring body;
    std::wstring location;
    // The Modal argument of each Display call, in order (VT_ERROR/DISP_E_PARAMNOTFOUND: omitted).
    std::vector<Com::Variant> displays;
};

// One event on an item, for observers outside the test's process (the stand-in Outlook server).
struct ItemEvent {
    int item = 0;        // 1-based number of the appointment in ItemFactory::created; 0: none
    std::wstring member; // "CreateItem", "Subject=", "Body=", "Location=", "Display"
    Com::Variant value;  // the type asked for, the value written, or Display's Modal argument
};

struct Appointment {
    Ref object; // answers IID_AppointmentItem
    std::shared_ptr<AppointmentFields> fields;

    // withUserProperties false: UserProperties answers a null object.
    static Appointment create(bool withUserProperties = true);
};

// What Application.CreateItem hands out.
enum class NewItem {
    Appointment, // for olAppointmentItem (1); other types get an item that is no appointment
    Nothing,     // a null object
    NotAnAppointment,
};

struct ItemFactory {
    NewItem next = NewItem::Appointment;
    bool userProperties = true;
    // Called on every new appointment before CreateItem returns it (e.g. to make Display fail).
    std::function<void(Appointment&)> prepare;
    std::function<void(const ItemEvent&)> observer;

    std::vector<long> requestedTypes; // the argument of every CreateItem call
    std::vector<Appointment> created; // every appointment handed out, in order
};

// Gives an Outlook Application object its CreateItem method, served by `factory`.
void addCreateItem(Object& application, std::shared_ptr<ItemFactory> factory);

struct InspectorParts {
    Ref currentItem; // an appointment or any other item; may be null
    Ref wordEditor;  // the item's body as a Word document (Fake::WordDocument); may be null
    Ref commandBars; // default: a CommandBars collection over `bars`
    std::shared_ptr<CommandBarSet> bars; // default: a new, empty set
};

// An Outlook inspector (IID_Inspector) with CurrentItem, WordEditor and CommandBars.
Ref makeInspector(InspectorParts parts);

} // namespace Fake
