#include "Addin.h"

#include "Localization.h"

#include <olectl.h>

// The ribbon XML and the ribbon's callbacks.

namespace {

struct RibbonTab {
    const wchar_t* ribbonId;
    const wchar_t* tab;
};

constexpr RibbonTab RibbonTabs[] = {
    {L"Microsoft.Outlook.Explorer", L"TabMail"},
    {L"Microsoft.Outlook.Appointment", L"TabAppointment"},
    {L"Microsoft.Outlook.Calendar", L"TabCalendar"},
    {L"Microsoft.Outlook.Mail.Compose", L"TabNewMailMessage"},
    {L"Microsoft.Outlook.Contact", L"TabContact"},
    {L"Microsoft.Outlook.Task", L"TabTask"},
    {L"Microsoft.Outlook.Journal", L"TabJournal"},
    {L"Microsoft.Excel.Workbook", L"TabHome"},
    {L"Microsoft.Word.Document", L"TabHome"},
    {L"Microsoft.PowerPoint.Presentation", L"TabHome"},
};

constexpr wchar_t CustomUiStart[] = L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" "
                                    L"loadImage=\"OnGetImageByStr\" onLoad=\"OnRibbonLoaded\"><ribbon><tabs>";

// A translated label may hold '&', '<' or '"': the labels go into attribute values.
std::wstring xmlEscaped(const std::wstring& text)
{
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            result += L"&amp;";
            break;
        case L'<':
            result += L"&lt;";
            break;
        case L'>':
            result += L"&gt;";
            break;
        case L'"':
            result += L"&quot;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

struct Labels {
    std::wstring meetNow, wall, schedule, settings;
};

Labels commandLabels()
{
    const Localization& strings = Localization::instance();
    return {xmlEscaped(strings.getString(500)), xmlEscaped(strings.getString(501)),
            xmlEscaped(strings.getString(502)), xmlEscaped(strings.getString(503))};
}

// Template A: the add/cancel toggle of appointment windows.
std::wstring toggleRibbon(const std::wstring& tab)
{
    return CustomUiStart + (L"<tab idMso=\"" + tab)
           + L"\"><group id=\"ParleonGroup\" label=\"Talvora\" insertAfterMso=\"GroupActions\"><button "
             L"id=\"AddParleon\" image=\"meetnow\" getLabel=\"AddParleonButton_GetLabel\" size=\"large\" "
             L"onAction=\"OnAddParleonButtonClicked\"/></group></tab></tabs></ribbon></customUI>";
}

// The four commands in a group on one tab; `suffix` tells the ids of two such groups apart.
std::wstring commandGroup(const std::wstring& tab, const std::wstring& suffix, const Labels& labels)
{
    return L"<tab idMso=\"" + tab + L"\"><group id=\"ParleonGroup" + suffix
           + L"\" label=\"Talvora\"><button id=\"MeetNow" + suffix + L"\" image=\"meetnow\" label=\""
           + labels.meetNow + L"\" size=\"large\" onAction=\"OnMeetNowMeetingButtonClicked\"/><menu id=\"ParleonMenu"
           + suffix + L"\" image=\"meeting\" label=\"Talvora\" size=\"large\"><button id=\"OpenYourWall" + suffix
           + L"\" image=\"wall\" label=\"" + labels.wall
           + L"\" onAction=\"OnOpenYourWallButtonClicked\" /><button id=\"ScheduleMeeting" + suffix
           + L"\" image=\"schedule\" label=\"" + labels.schedule
           + L"\" onAction=\"OnScheduleMeetingButtonClicked\"/><button id=\"Settings" + suffix
           + L"\" image=\"settings\" label=\"" + labels.settings
           + L"\" onAction=\"OnSettingsButtonClicked\"/></menu></group></tab>";
}

constexpr wchar_t CustomUiEnd[] = L"</tabs></ribbon></customUI>";

} // namespace

std::wstring CAddin::getMainTabName(const std::wstring& ribbonId)
{
    TVZ_LOG("GetMainTabName, RibbonID = " << ribbonId);
    for (const RibbonTab& entry : RibbonTabs)
        if (ribbonId == entry.ribbonId)
            return entry.tab;
    TVZ_LOG("Unknown RibbonID, returning empty string");
    return std::wstring();
}

HRESULT STDMETHODCALLTYPE CAddin::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml)
{
    if (!RibbonXml) {
        TVZ_LOG("Invalid pointer");
        return E_POINTER;
    }
    *RibbonXml = nullptr;
    if (!RibbonID) {
        TVZ_LOG("Ribbon ID  is NULL");
        return E_POINTER;
    }
    try {
        const std::wstring ribbonId(RibbonID, SysStringLen(RibbonID));
        TVZ_LOG("GetCustomUI for ribbon: " << ribbonId);
        const std::wstring tab = getMainTabName(ribbonId);
        if (tab.empty())
            return S_OK;

        std::wstring xml;
        if (ribbonId == L"Microsoft.Outlook.Appointment" || ribbonId == L"Microsoft.Outlook.Calendar") {
            xml = toggleRibbon(tab);
        } else {
            const Labels labels = commandLabels();
            if (ribbonId == L"Microsoft.Outlook.Explorer")
                xml = CustomUiStart + commandGroup(L"TabMail", L"_mail", labels)
                      + commandGroup(L"TabCalendar", L"_calendar", labels) + CustomUiEnd;
            else
                xml = CustomUiStart + commandGroup(tab, L"", labels) + CustomUiEnd;
        }
        *RibbonXml = Com::BStr(xml).detach();
        return S_OK;
    } catch (...) {
        MessageBoxW(nullptr, L"GetCustomUI FAILED", L"Talvora", MB_OK);
        return S_OK;
    }
}

HRESULT STDMETHODCALLTYPE CAddin::OnGetImageByStr(BSTR strValue, IPictureDisp** ppdispImage)
{
    if (ppdispImage)
        *ppdispImage = nullptr;
    try {
        TVZ_LOG("OnGetImageByStr image id " << (strValue ? strValue : L"NULL"));
        if (!strValue || !ppdispImage)
            return S_FALSE;
        // Resource names compare without regard to case.
        HICON icon = LoadIconW(Com::Module::instance(), strValue);
        if (!icon) {
            TVZ_LOG("Failed to load image for image id " << strValue);
            return S_FALSE;
        }
        PICTDESC picture{};
        picture.cbSizeofstruct = sizeof(PICTDESC);
        picture.picType = PICTYPE_ICON;
        picture.icon.hicon = icon;
        // The picture does not own the icon: LoadIconW's icons are shared and never destroyed.
        const HRESULT hr = OleCreatePictureIndirect(&picture, IID_IPictureDisp, FALSE,
                                                    reinterpret_cast<void**>(ppdispImage));
        if (FAILED(hr)) {
            TVZ_LOG("OleCreatePictureIndirect failed for image id " << strValue << ", error: 0x" << Log::hex(hr));
            return S_FALSE;
        }
        TVZ_LOG("OnGetImageByStr image id returns OK ");
        return S_OK;
    } catch (...) {
        return S_FALSE;
    }
}

HRESULT STDMETHODCALLTYPE CAddin::OnRibbonLoaded(IDispatch* strValue)
{
    try {
        TVZ_LOG("Ribbon Loaded. Ribbon: " << static_cast<const void*>(strValue));
        if (strValue) {
            Com::ComPtr<IDispatch> ribbon;
            strValue->QueryInterface(Office::IID_RibbonUI, ribbon.putVoid());
            m_spRibbonUI = ribbon;
        }
        TVZ_LOG("Ribbon Loaded complete");
    } catch (...) {
    }
    return S_OK;
}
