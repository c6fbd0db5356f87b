// The stand-in Outlook items, inspector and ribbon objects, driven through IDispatch.
#include "DocumentedIds.h"
#include "FakeOffice.h"
#include "FakeRibbon.h"
#include "FakeWord.h"

#include "Office/Dispatch.h"
#include "Office/Ids.h"

#include <gtest/gtest.h>

using Com::Variant;
using Office::Object;

namespace {

Object as(const Fake::Ref& object, const IID& iid)
{
    return Object::query(static_cast<IDispatch*>(object.get()), iid);
}

} // namespace

TEST(OutlookFakes, CreateItemHandsOutAppointmentsThatKeepWhatIsWrittenAndDisplayed)
{
    {
        Fake::Office office = Fake::Office::build(Fake::HostSpec{});
        const Object outlook = as(office.application, Documented::IID_OutlookApplication);
        const Object item = outlook.callObject(L"CreateItem", Documented::IID_AppointmentItem,
                                               {Variant::fromInt32(Office::olAppointmentItem)});
        ASSERT_TRUE(item);
        EXPECT_TRUE(item.getObject(L"UserProperties", IID_IDispatch));
        item.put(L"Subject", Variant::fromString(L"Talvora.com - New Meeting"));
        item.put(L"Body", Variant::fromString(L"Join\vDial"));
        item.put(L"Location", Variant::fromString(L"https://web/wall/room"));
        EXPECT_EQ(item.get(L"Location").toString(), L"https://web/wall/room");
        item.call(L"Display", {Variant::fromInt16(0)});
        item.call(L"Display");

        ASSERT_EQ(office.items->created.size(), 1u);
        const Fake::AppointmentFields& fields = *office.items->created[0].fields;
        EXPECT_EQ(fields.subject, L"Talvora.com - New Meeting");
        EXPECT_EQ(fields.body, L"Join\vDial");
        EXPECT_EQ(fields.location, L"https://web/wall/room");
        ASSERT_EQ(fields.displays.size(), 2u);
        EXPECT_EQ(fields.displays[0].type(), VT_I2);
        EXPECT_EQ(fields.displays[0].get().iVal, 0);
        EXPECT_EQ(fields.displays[1].type(), VT_ERROR); // omitted
        EXPECT_EQ(office.items->requestedTypes, std::vector<long>{Office::olAppointmentItem});
    }
    EXPECT_EQ(Fake::liveObjects(), 0);
}

TEST(OutlookFakes, CreateItemCanAnswerNothingUsable)
{
    const struct {
        const char* name;
        Fake::NewItem next;
        long type;
        bool userProperties;
        bool appointment; // answers IID_AppointmentItem
        bool anyItem;
    } cases[] = {
        {"null item", Fake::NewItem::Nothing, 1, true, false, false},
        {"not an appointment", Fake::NewItem::NotAnAppointment, 1, true, false, true},
        {"a mail item asked for", Fake::NewItem::Appointment, 0, true, false, true},
        {"no user properties", Fake::NewItem::Appointment, 1, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fake::Office office = Fake::Office::build(Fake::HostSpec{});
        office.items->next = c.next;
        office.items->userProperties = c.userProperties;
        const Object outlook = as(office.application, Documented::IID_OutlookApplication);
        const Variant result = outlook.call(L"CreateItem", {Variant::fromInt32(c.type)});
        EXPECT_EQ(static_cast<bool>(result.toDispatch()), c.anyItem);
        const Object item = Object::fromVariant(result, Documented::IID_AppointmentItem);
        EXPECT_EQ(static_cast<bool>(item), c.appointment);
        if (item) {
            EXPECT_EQ(static_cast<bool>(item.getObject(L"UserProperties", IID_IDispatch)), c.userProperties);
        }
        EXPECT_EQ(office.items->created.size(), c.appointment ? 1u : 0u);
    }
}

TEST(OutlookFakes, InspectorShowsItsItemAndWordEditor)
{
    {
        Fake::Appointment appointment = Fake::Appointment::create();
        Fake::WordDocument doc = Fake::WordDocument::create(L"Body\r");
        const Object inspector = as(Fake::makeInspector({appointment.object, doc.document, {}}), Documented::IID_Inspector);
        ASSERT_TRUE(inspector);
        EXPECT_EQ(inspector.getObject(L"CurrentItem", Documented::IID_AppointmentItem).dispatch(),
                  static_cast<IDispatch*>(appointment.object.get()));
        EXPECT_EQ(inspector.getObject(L"WordEditor", Documented::IID_WordDocument).dispatch(),
                  static_cast<IDispatch*>(doc.document.get()));
        EXPECT_TRUE(inspector.getObject(L"CommandBars", Documented::IID_CommandBars));

        const Object plain = as(Fake::makeInspector({}), Documented::IID_Inspector);
        EXPECT_FALSE(plain.getObject(L"CurrentItem", IID_IDispatch));
        EXPECT_FALSE(plain.getObject(L"WordEditor", IID_IDispatch));
    }
    EXPECT_EQ(Fake::liveObjects(), 0);
}

TEST(OutlookFakes, RibbonCountsInvalidationsAndControlsCarryTheirContext)
{
    {
        Fake::RibbonUI ribbon = Fake::RibbonUI::create();
        const Object ui = as(ribbon.object, Documented::IID_RibbonUI);
        ui.call(L"Invalidate");
        ui.call(L"InvalidateControl", {Variant::fromString(L"AddParleon")});
        ui.call(L"Invalidate");
        EXPECT_EQ(ribbon.invalidations(), 2);
        EXPECT_EQ(*ribbon.invalidatedControls, std::vector<std::wstring>{L"AddParleon"});

        Fake::Ref inspector = Fake::makeInspector({});
        const Object control = as(Fake::makeRibbonControl(inspector, L"AddParleon", L"tag"), Documented::IID_RibbonControl);
        EXPECT_EQ(control.getObject(L"Context", Documented::IID_Inspector).dispatch(), static_cast<IDispatch*>(inspector.get()));
        EXPECT_EQ(control.get(L"Id").toString(), L"AddParleon");
        EXPECT_EQ(control.get(L"Tag").toString(), L"tag");
        EXPECT_FALSE(as(Fake::makeRibbonControl({}), Documented::IID_RibbonControl).getObject(L"Context", IID_IDispatch));
    }
    EXPECT_EQ(Fake::liveObjects(), 0);
}
