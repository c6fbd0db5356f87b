#include "Addin.h"

#include "Com/ComError.h"
#include "Localization.h"
#include "Office/Ids.h"
#include "Version.h"

#include <climits>
#include <cwctype>

namespace AddinTypeInfo {
const Com::TypeInfoSource TalvoraMeeting{nullptr, 1, 0, &IID_ITalvoraMeeting};
const Com::TypeInfoSource Extensibility{&Office::LIBID_AddInDesigner, 1, 0, &Office::IID_DTExtensibility2};
const Com::TypeInfoSource Ribbon{&Office::LIBID_Office, 2, 4, &Office::IID_RibbonExtensibility};
} // namespace AddinTypeInfo

using Com::ComError;
using Com::ComPtr;
using Com::Variant;

int parseHostMajorVersion(const std::wstring& text)
{
    const std::size_t separator = text.find_first_of(L".,-");
    if (text.empty() || separator == std::wstring::npos || separator == 0)
        return 12;
    // Digits only: a sign is no part of a version ("+16.0" is no version 16).
    std::size_t i = 0;
    while (i < separator && std::iswspace(text[i]))
        ++i;
    int major = 0;
    for (; i < separator && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        const int digit = text[i] - L'0';
        if (major > (INT_MAX - digit) / 10)
            return INT_MAX;
        major = major * 10 + digit;
    }
    return major;
}

// --- Object identity and lifetime ---------------------------------------------------------

HRESULT CAddin::create(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CAddin* addin = nullptr;
    try {
        addin = new CAddin(outer); // the members allocate too: any failure is out of memory
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    IUnknown* inner = &addin->m_innerUnknown;
    inner->AddRef();
    const HRESULT hr = inner->QueryInterface(iid, object);
    inner->Release();
    return hr;
}

CAddin::~CAddin()
{
    releaseHostObjects();
}

void CAddin::releaseHostObjects() noexcept
{
    for (const auto& sink : m_buttonSinks)
        sink->disconnect();
    m_buttonSinks.clear();
    m_inspectorsEvents.disconnectAll();
    m_pPopUpParleon = Office::Object();
    m_spOutlookApp = Office::Object();
    m_spNewCmdBar = Office::Object();
    m_spRibbonUI = nullptr;
}

HRESULT STDMETHODCALLTYPE CAddin::InnerUnknown::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    CAddin& self = m_owner;
    if (iid == IID_IUnknown)
        *object = static_cast<IUnknown*>(this);
    else if (iid == IID_ITalvoraMeeting || iid == IID_IDispatch)
        *object = static_cast<ITalvoraMeeting*>(&self);
    else if (iid == IID_ISupportErrorInfo)
        *object = static_cast<ISupportErrorInfo*>(&self);
    else if (iid == Office::IID_DTExtensibility2)
        *object = static_cast<_IDTExtensibility2*>(&self);
    else if (iid == Office::IID_RibbonExtensibility)
        *object = static_cast<IRibbonExtensibility*>(&self);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CAddin::InnerUnknown::AddRef()
{
    return ++m_refs;
}

ULONG STDMETHODCALLTYPE CAddin::InnerUnknown::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete &m_owner;
    return refs;
}

HRESULT STDMETHODCALLTYPE CAddin::InterfaceSupportsErrorInfo(REFIID iid)
{
    return iid == IID_ITalvoraMeeting ? S_OK : S_FALSE;
}

// --- Connection -----------------------------------------------------------------------------

namespace {

// The CommandBars property of a host object; the read's failure is the connection's result on
// the routes that build command bars.
HRESULT readCommandBars(const Office::Object& source, Office::Object& commandBars)
{
    try {
        commandBars = source.getObject(L"CommandBars", Office::IID_CommandBars);
        return S_OK;
    } catch (const ComError& error) {
        return error.hr();
    }
}

} // namespace

// Every line logged while connecting names CAddin::OnConnection: the steps that depend on the
// host are lambdas of this function rather than functions of their own.
HRESULT STDMETHODCALLTYPE CAddin::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**)
{
    try {
        // Before the log opens: nothing the account logs here reaches the file.
        m_account.load();
        Log::open(getLogFilePath());

        if (!Application) {
            TVZ_LOG("Application obj is missing - this is Outlook 2010+ ");
            m_uiMode = UiModeRibbon;
            return S_OK;
        }

        const Office::Object host(ComPtr<IDispatch>(Application), IID_IDispatch);
        m_hostName = Com::BStr(host.getIfKnown(L"Name").toString());
        const std::wstring hostName = m_hostName.empty() ? std::wstring(L"Outlook-guess") : m_hostName.str();
        std::wstring versionText = host.getIfKnown(L"Version").toString();
        if (versionText.empty())
            versionText = L"12.0";
        const int majorVersion = parseHostMajorVersion(versionText);
        const bool outlookName = hostName.find(L"Outlook") != std::wstring::npos;
        // The ribbon never uses the command bars: failing to read them must not fail its hosts.
        const bool needsCommandBars = majorVersion < 12 || (majorVersion == 12 && outlookName);

        TVZ_LOG("Connected. The app: " << m_hostName.view() << ", version: " << majorVersion
                                       << ", plugin version: " << formatVersion(getPluginVersion()));

        SetupLocale(Application);

        // The host's command bars, for the hosts that get the Talvora command bar. Each step
        // answers S_FALSE when the route is still to be chosen; any other result ends here.
        Office::Object commandBars;
        const auto connectOffice = [&](const IID& iid, const char* missingMessage) -> HRESULT {
            const Office::Object app = Office::Object::query(Application, iid);
            if (!app) {
                TVZ_LOG(missingMessage);
                return S_OK;
            }
            const HRESULT hr = readCommandBars(app, commandBars);
            return FAILED(hr) && needsCommandBars ? hr : S_FALSE;
        };
        const auto connectOutlook = [&]() -> HRESULT {
            TVZ_LOG("This is outlook app.");
            const Office::Object outlook = Office::Object::query(Application, Office::IID_OutlookApplication);
            if (!outlook) {
                TVZ_LOG("Cannot get Outlook App");
                m_uiMode = UiModeRibbon;
                return S_OK;
            }
            m_spOutlookApp = outlook;
            const Office::Object explorer = outlook.callObject(L"ActiveExplorer", Office::IID_Explorer);
            if (!explorer) {
                TVZ_LOG("Cannot get Outlook App Active Excplorer");
                m_uiMode = UiModeRibbon;
                return S_OK;
            }
            TVZ_LOG("Obtained explorer: " << "Yes");
            const HRESULT hr = readCommandBars(explorer, commandBars);
            TVZ_LOG("Obtained command bars: " << "0x" << Log::hex(hr));
            return FAILED(hr) && needsCommandBars ? hr : S_FALSE;
        };
        const auto buildMainBar = [&] {
            const Localization& strings = Localization::instance();
            m_spNewCmdBar = commandBars.callObject(L"Add", Office::IID_CommandBar,
                                                   {Variant::fromString(L"Talvora"), Variant::fromInt32(1),
                                                    Variant::missing(), Variant::fromBool(true)});
            TVZ_LOG("Get Controls spNewCmdBar");
            const Office::Object controls = m_spNewCmdBar.getObject(L"Controls", Office::IID_CommandBarControls);
            TVZ_LOG("Add button Meet Now");
            addButton(controls, strings.getString(500), 255, L"tvzmeetNow", {}, false, -1, {});
            TVZ_LOG("Add popUP");
            m_pPopUpParleon = addPopup(controls, L"Talvora", false, {}, false);
            TVZ_LOG("pPopUpParleon->GetControls()");
            const Office::Object popupControls =
                m_pPopUpParleon.getObject(L"Controls", Office::IID_CommandBarControls);
            TVZ_LOG("Add Button Open Your Wall");
            addButton(popupControls, strings.getString(501), 264, L"tvzopenYourWall", {}, false, -1, {});
            TVZ_LOG("Add Button Schedule a Meeting");
            addButton(popupControls, strings.getString(502), 251, L"tvzscheduleMeeting", {}, false, -1, {});
            TVZ_LOG("Add Button Settings");
            addButton(popupControls, strings.getString(503), 263, L"tvzsettings", {}, false, -1, {});
            m_spNewCmdBar.put(L"Enabled", Variant::fromBool(true));
            m_spNewCmdBar.put(L"Visible", Variant::fromBool(true));
        };

        HRESULT hr = S_OK;
        if (hostName.find(L"Word") != std::wstring::npos)
            hr = connectOffice(Office::IID_WordApplication, "Cannot get Word App");
        else if (hostName.find(L"Excel") != std::wstring::npos)
            hr = connectOffice(Office::IID_ExcelApplication, "Cannot get Excel App");
        else if (hostName.find(L"PowerPoint") != std::wstring::npos)
            hr = connectOffice(Office::IID_PowerPointApplication, "Cannot get PowerPoint App");
        else if (hostName.find(L"Outlook") != std::wstring::npos)
            hr = connectOutlook();
        else
            return S_OK;
        if (hr != S_FALSE)
            return hr;

        if (!needsCommandBars) {
            m_uiMode = UiModeRibbon;
            TVZ_LOG("return from OnConnection. Connected");
            return S_OK;
        }
        if (majorVersion == 12)
            m_uiMode = UiModeMixed;

        if (m_uiMode == UiModeCommandBars && m_spOutlookApp) {
            TVZ_LOG("NewInspectorsEvents::DispEventAdvise");
            const Office::Object inspectors = m_spOutlookApp.getObject(L"Inspectors", Office::IID_Inspectors);
            m_inspectorsEvents.connect(inspectors.dispatch());
        }

        if (commandBars)
            buildMainBar();
        return S_OK;
    } catch (...) {
        TVZ_LOG("OnConnection error happened !!!");
        return S_OK;
    }
}

void CAddin::onInspectorsEvent(void* self, DISPID id, DISPPARAMS* params) noexcept
{
    constexpr DISPID NewInspector = 0xF001;
    if (id != NewInspector || !params || params->cArgs != 1)
        return;
    try {
        const VARIANT& argument = params->rgvarg[0];
        IDispatch* inspector = argument.vt == VT_DISPATCH ? argument.pdispVal : nullptr;
        static_cast<CAddin*>(self)->OnNewInspector(inspector);
    } catch (...) {
        TVZ_LOG("OnNewInspector error happened !!!");
    }
}

HRESULT STDMETHODCALLTYPE CAddin::OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY**)
{
    try {
        if (RemoveMode == ext_dm_UserClosed)
            removeMainCommandBar();
    } catch (...) {
    }
    releaseHostObjects();
    // The language library stays loaded until the DLL unloads: Office connects the same
    // loaded add-in again when the user turns it off and on, and the language, chosen once per
    // process, is not chosen again.
    try {
        TVZ_LOG("OnDisconnection");
    } catch (...) {
    }
    Log::close();
    return S_OK;
}

void CAddin::removeMainCommandBar()
{
    if (!m_spNewCmdBar)
        return;
    try {
        m_spNewCmdBar.call(L"Delete");
    } catch (const ComError& error) {
        TVZ_LOG("COM Error: 0x" << Log::hex(error.hr()));
    }
}

void CAddin::SetupLocale(IDispatch* application)
{
    if (!application)
        return;
    try {
        const Office::Object host(ComPtr<IDispatch>(application), IID_IDispatch);
        const Office::Object settings = host.getObject(L"LanguageSettings", Office::IID_LanguageSettings);
        if (!settings)
            throw ComError(E_NOINTERFACE, Office::IID_LanguageSettings);
        const LONG id = settings.get(L"LanguageID", {Variant::fromInt32(Office::msoLanguageIDUI)}).toInt32();
        Localization::set_plugin_language_id(id);
    } catch (...) {
        TVZ_LOG("Error obtaining lcoale info");
    }
    TVZ_LOG("SetupLocale OK");
}
