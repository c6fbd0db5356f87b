// The ribbon XML Office gets for each ribbon id, in English and in other languages: compared
// with the text written out below, which is not built the way the add-in builds it, and
// parsed by MSXML for every language we ship.
#include "ComposeFixture.h"
#include "LanguageChild.h"
#include "LocalizationTestSupport.h"
#include "TextCodec.h"
#include "XmlWrapper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Compose::AddinUnderTest;

namespace {

// The three forms of the XML. {TAB} stands for the tab of the ribbon id and {L500} to {L503}
// for the labels of Meet Now, Open Your Wall, Schedule a Meeting and Settings.
constexpr wchar_t ToggleForm[] =
    LR"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" loadImage="OnGetImageByStr" onLoad="OnRibbonLoaded"><ribbon><tabs><tab idMso="{TAB}"><group id="ParleonGroup" label="Talvora" insertAfterMso="GroupActions"><button id="AddParleon" image="meetnow" getLabel="AddParleonButton_GetLabel" size="large" onAction="OnAddParleonButtonClicked"/></group></tab></tabs></ribbon></customUI>)";

constexpr wchar_t ExplorerForm[] =
    LR"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" loadImage="OnGetImageByStr" onLoad="OnRibbonLoaded"><ribbon><tabs>)"
    LR"(<tab idMso="TabMail"><group id="ParleonGroup_mail" label="Talvora"><button id="MeetNow_mail" image="meetnow" label="{L500}" size="large" onAction="OnMeetNowMeetingButtonClicked"/>)"
    LR"(<menu id="ParleonMenu_mail" image="meeting" label="Talvora" size="large"><button id="OpenYourWall_mail" image="wall" label="{L501}" onAction="OnOpenYourWallButtonClicked" />)"
    LR"(<button id="ScheduleMeeting_mail" image="schedule" label="{L502}" onAction="OnScheduleMeetingButtonClicked"/><button id="Settings_mail" image="settings" label="{L503}" onAction="OnSettingsButtonClicked"/></menu></group></tab>)"
    LR"(<tab idMso="TabCalendar"><group id="ParleonGroup_calendar" label="Talvora"><button id="MeetNow_calendar" image="meetnow" label="{L500}" size="large" onAction="OnMeetNowMeetingButtonClicked"/>)"
    LR"(<menu id="ParleonMenu_calendar" image="meeting" label="Talvora" size="large"><button id="OpenYourWall_calendar" image="wall" label="{L501}" onAction="OnOpenYourWallButtonClicked" />)"
    LR"(<button id="ScheduleMeeting_calendar" image="schedule" label="{L502}" onAction="OnScheduleMeetingButtonClicked"/><button id="Settings_calendar" image="settings" label="{L503}" onAction="OnSettingsButtonClicked"/></menu></group></tab>)"
    LR"(</tabs></ribbon></customUI>)";

constexpr wchar_t CommandsForm[] =
    LR"(<customUI xmlns="http://schemas.microsoft.com/office/2006/01/customui" loadImage="OnGetImageByStr" onLoad="OnRibbonLoaded"><ribbon><tabs>)"
    LR"(<tab idMso="{TAB}"><group id="ParleonGroup" label="Talvora"><button id="MeetNow" image="meetnow" label="{L500}" size="large" onAction="OnMeetNowMeetingButtonClicked"/>)"
    LR"(<menu id="ParleonMenu" image="meeting" label="Talvora" size="large"><button id="OpenYourWall" image="wall" label="{L501}" onAction="OnOpenYourWallButtonClicked" />)"
    LR"(<button id="ScheduleMeeting" image="schedule" label="{L502}" onAction="OnScheduleMeetingButtonClicked"/><button id="Settings" image="settings" label="{L503}" onAction="OnSettingsButtonClicked"/></menu></group></tab>)"
    LR"(</tabs></ribbon></customUI>)";

struct RibbonCase {
    const wchar_t* id;
    const wchar_t* form; // null: the add-in has nothing for this ribbon
    const wchar_t* tab;
};

const RibbonCase RibbonCases[] = {
    {L"Microsoft.Outlook.Explorer", ExplorerForm, L""},
    {L"Microsoft.Outlook.Appointment", ToggleForm, L"TabAppointment"},
    {L"Microsoft.Outlook.Calendar", ToggleForm, L"TabCalendar"},
    {L"Microsoft.Outlook.Mail.Compose", CommandsForm, L"TabNewMailMessage"},
    {L"Microsoft.Outlook.Contact", CommandsForm, L"TabContact"},
    {L"Microsoft.Outlook.Task", CommandsForm, L"TabTask"},
    {L"Microsoft.Outlook.Journal", CommandsForm, L"TabJournal"},
    {L"Microsoft.Excel.Workbook", CommandsForm, L"TabHome"},
    {L"Microsoft.Word.Document", CommandsForm, L"TabHome"},
    {L"Microsoft.PowerPoint.Presentation", CommandsForm, L"TabHome"},
    {L"Microsoft.Outlook.Mail.Read", nullptr, nullptr},
    {L"microsoft.outlook.explorer", nullptr, nullptr}, // ids compare with letter case
    {L"", nullptr, nullptr},
};

struct Labels {
    std::wstring meetNow, wall, schedule, settings;
};

const Labels English{L"Meet Now", L"Open Your Wall", L"Schedule a Meeting", L"Settings"};
const Labels German{L"Jetzt besprechen", L"Eigene Pinnwand \u00F6ffnen", L"Besprechung planen", L"Einstellungen"};

void replaceAll(std::wstring& text, std::wstring_view what, const std::wstring& with)
{
    for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

std::wstring expectedXml(const RibbonCase& ribbon, const Labels& labels)
{
    if (!ribbon.form)
        return {};
    std::wstring xml = ribbon.form;
    replaceAll(xml, L"{TAB}", ribbon.tab);
    replaceAll(xml, L"{L500}", labels.meetNow);
    replaceAll(xml, L"{L501}", labels.wall);
    replaceAll(xml, L"{L502}", labels.schedule);
    replaceAll(xml, L"{L503}", labels.settings);
    return xml;
}

std::string reportKey(const RibbonCase& ribbon)
{
    return "xml " + fromUtf16(ribbon.id, CP_UTF8).str();
}

// In a child: the XML of every ribbon id in the child's language.
const bool g_xmlChild = LanguageChild::registerChild("Xml", [](LanguageChild::Report& report) {
    const AddinUnderTest addin;
    for (const RibbonCase& ribbon : RibbonCases)
        report[reportKey(ribbon)] = addin.customUI(ribbon.id);
});

// In a child: the Word ribbon after the add-in was turned off and on again, as Office does it:
// disconnected, and a new add-in object of the same loaded DLL connected.
const bool g_reconnectedChild = LanguageChild::registerChild("Reconnected", [](LanguageChild::Report& report) {
    {
        const AddinUnderTest first;
        first.connect(nullptr);
        first.disconnect();
    }
    const AddinUnderTest second;
    second.connect(nullptr);
    report["xml"] = second.customUI(L"Microsoft.Word.Document");
    second.disconnect();
});

class RibbonXml : public Compose::ComposeTest {
protected:
    AddinUnderTest addin;
};

} // namespace

TEST_F(RibbonXml, EveryRibbonIdGetsItsTemplateInEnglish)
{
    for (const RibbonCase& ribbon : RibbonCases)
        EXPECT_EQ(addin.customUI(ribbon.id), expectedXml(ribbon, English)) << ribbon.id;
}

TEST_F(RibbonXml, AnIdOutsideTheTableGetsNothingAndSaysSo)
{
    const TestSupport::LogCapture captured;
    EXPECT_EQ(addin.customUI(L"Microsoft.Outlook.Mail.Read"), L"");
    EXPECT_EQ(captured.messages(), (std::vector<std::string>{"GetCustomUI for ribbon: Microsoft.Outlook.Mail.Read",
                                                        "GetMainTabName, RibbonID = Microsoft.Outlook.Mail.Read",
                                                        "Unknown RibbonID, returning empty string"}));
}

TEST_F(RibbonXml, NullArgumentsAreRefused)
{
    const auto ribbon = addin.ribbon();
    const TestSupport::LogCapture captured;
    const Com::BStr id(L"Microsoft.Word.Document");
    Com::BStr xml(L"left by the host");
    EXPECT_EQ(ribbon->GetCustomUI(id.get(), nullptr), E_POINTER);
    EXPECT_EQ(ribbon->GetCustomUI(nullptr, xml.put()), E_POINTER);
    EXPECT_EQ(xml.get(), nullptr);
    EXPECT_EQ(captured.messages(), (std::vector<std::string>{"Invalid pointer", "Ribbon ID  is NULL"}));
}

TEST(RibbonXmlInLanguage, EveryRibbonIdGetsItsTemplateInGerman)
{
    const LanguageChild::Result child = LanguageChild::run("Xml", "de");
    ASSERT_EQ(child.value("locale"), L"de");
    for (const RibbonCase& ribbon : RibbonCases) {
        EXPECT_EQ(child.value(reportKey(ribbon)), expectedXml(ribbon, German)) << ribbon.id;
    }
}

TEST(RibbonXmlInLanguage, TheLanguageSurvivesAReconnection)
{
    const LanguageChild::Result child = LanguageChild::run("Reconnected", "de");
    EXPECT_EQ(child.value("xml"), expectedXml({L"Microsoft.Word.Document", CommandsForm, L"TabHome"}, German));
}

// MSXML reads the XML of every language, and the labels it reads are the language's strings.
TEST(RibbonXmlInLanguage, EveryLanguageGivesWellFormedXmlCarryingItsLabels)
{
    std::vector<std::string> codes = LocalizationTest::languageCodes();
    codes.push_back("en");
    const LocalizationTest::StringTable english = LocalizationTest::readStringTable("en");
    for (const std::string& code : codes) {
        const LocalizationTest::StringTable table = LocalizationTest::readStringTable(code);
        const auto label = [&](UINT id) { return table.count(id) ? table.at(id) : english.at(id); };
        const LanguageChild::Result child = LanguageChild::run("Xml", code);
        ASSERT_EQ(child.value("locale"), toUtf16(code, CP_UTF8).str());
        for (const RibbonCase& ribbon : RibbonCases) {
            if (!ribbon.form)
                continue;
            CXmlDocumentWrapper document;
            ASSERT_TRUE(document.loadXml(child.value(reportKey(ribbon)))) << code << " " << ribbon.id;
            const CXmlNodeWrapper root = document.rootNode();
            EXPECT_EQ(root.name(), L"customUI") << code;
            CXmlNodeListWrapper buttons = root.selectNodes(L"//*[@onAction]");
            for (CXmlNodeWrapper button = buttons.nextNode(); button.isValid(); button = buttons.nextNode()) {
                const std::wstring action = button.attributeValue(L"onAction");
                const std::wstring shown = button.attributeValue(L"label");
                if (action == L"OnMeetNowMeetingButtonClicked")
                    EXPECT_EQ(shown, label(500)) << code;
                else if (action == L"OnOpenYourWallButtonClicked")
                    EXPECT_EQ(shown, label(501)) << code;
                else if (action == L"OnScheduleMeetingButtonClicked")
                    EXPECT_EQ(shown, label(502)) << code;
                else if (action == L"OnSettingsButtonClicked")
                    EXPECT_EQ(shown, label(503)) << code;
                else
                    EXPECT_EQ(action, L"OnAddParleonButtonClicked") << code;
            }
            EXPECT_EQ(buttons.count(), ribbon.form == ToggleForm ? 1 : ribbon.form == ExplorerForm ? 8 : 4) << code;
        }
    }
}
