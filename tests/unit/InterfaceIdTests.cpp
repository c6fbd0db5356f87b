// The add-in's interface, class and library ids against the values Office's documentation and
// the add-in's own type library give, written out as text.
#include "DocumentedIds.h"
#include "Office/Ids.h"
#include "TalvoraMeeting_h.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

namespace {

std::wstring text(const GUID& id)
{
    wchar_t buffer[40] = {};
    StringFromGUID2(id, buffer, 40);
    return buffer;
}

} // namespace

TEST(InterfaceIds, EveryConstantIsTheDocumentedId)
{
    namespace T = Documented::Text;
    const struct {
        const char* name;
        const GUID& constant;
        const wchar_t* documented;
    } ids[] = {
        {"Word _Application", Office::IID_WordApplication, T::WordApplication},
        {"Excel _Application", Office::IID_ExcelApplication, T::ExcelApplication},
        {"PowerPoint _Application", Office::IID_PowerPointApplication, T::PowerPointApplication},
        {"Outlook _Application", Office::IID_OutlookApplication, T::OutlookApplication},
        {"Outlook Application class", Office::CLSID_OutlookApplication, T::OutlookApplicationClass},
        {"_Explorer", Office::IID_Explorer, T::Explorer},
        {"_Inspector", Office::IID_Inspector, T::Inspector},
        {"_Inspectors", Office::IID_Inspectors, T::Inspectors},
        {"InspectorsEvents", Office::DIID_InspectorsEvents, T::InspectorsEvents},
        {"_AppointmentItem", Office::IID_AppointmentItem, T::AppointmentItem},
        {"Word _Document", Office::IID_WordDocument, T::WordDocument},
        {"Word Range", Office::IID_WordRange, T::WordRange},
        {"Word Paragraphs", Office::IID_WordParagraphs, T::WordParagraphs},
        {"Word Paragraph", Office::IID_WordParagraph, T::WordParagraph},
        {"LanguageSettings", Office::IID_LanguageSettings, T::LanguageSettings},
        {"_CommandBars", Office::IID_CommandBars, T::CommandBars},
        {"CommandBar", Office::IID_CommandBar, T::CommandBar},
        {"CommandBarControls", Office::IID_CommandBarControls, T::CommandBarControls},
        {"CommandBarControl", Office::IID_CommandBarControl, T::CommandBarControl},
        {"_CommandBarButton", Office::IID_CommandBarButton, T::CommandBarButton},
        {"CommandBarPopup", Office::IID_CommandBarPopup, T::CommandBarPopup},
        {"_CommandBarButtonEvents", Office::DIID_CommandBarButtonEvents, T::CommandBarButtonEvents},
        {"IRibbonControl", Office::IID_RibbonControl, T::RibbonControl},
        {"IRibbonUI", Office::IID_RibbonUI, T::RibbonUI},
        {"IRibbonExtensibility", Office::IID_RibbonExtensibility, T::RibbonExtensibility},
        {"_IDTExtensibility2", Office::IID_DTExtensibility2, T::DTExtensibility2},
        {"Add-in Designer library", Office::LIBID_AddInDesigner, T::AddInDesignerLibrary},
        {"Office library", Office::LIBID_Office, T::OfficeLibrary},
        {"ITalvoraMeeting", IID_ITalvoraMeeting, T::TalvoraMeeting},
        {"TalvoraMeeting class", CLSID_TalvoraMeeting, T::TalvoraMeetingClass},
        {"TalvoraMeeting library", LIBID_TalvoraMeetingLib, T::TalvoraMeetingLibrary},
    };
    for (const auto& id : ids)
        EXPECT_EQ(text(id.constant), id.documented) << id.name;
}
