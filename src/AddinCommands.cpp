// The commands: the ribbon's buttons, the appointment toggle, Schedule a Meeting, Meet Now and
// Open Your Wall.

#include "Addin.h"

#include "Com/ComError.h"
#include "Localization.h"
#include "NCProfile.h"
#include "Office/Ids.h"
#include "Server.h"
#include "ShellLaunch.h"

#include <shellapi.h>

using Com::ComError;
using Com::ComPtr;
using Com::Variant;

namespace {

// The appointment window a ribbon callback comes from: the control, its inspector, the item.
struct AppointmentWindow {
    Office::Object control;
    Office::Object inspector;
    Office::Object appointment;
};

AppointmentWindow appointmentWindow(IDispatch* ribbonControl)
{
    AppointmentWindow window;
    window.control = Office::Object::query(ribbonControl, Office::IID_RibbonControl);
    if (window.control)
        window.inspector = window.control.getObject(L"Context", Office::IID_Inspector);
    if (window.inspector)
        window.appointment = window.inspector.getObject(L"CurrentItem", Office::IID_AppointmentItem);
    return window;
}

// Outlook out of process: created through its class in any server kind (context 23), run, and
// asked for its application interface; null when any of the three fails.
Office::Object startOutlook()
{
    constexpr DWORD AnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER
                                | CLSCTX_REMOTE_SERVER; // 23
    ComPtr<IUnknown> started;
    HRESULT hr = CoCreateInstance(Office::CLSID_OutlookApplication, nullptr, AnyServer, IID_IUnknown, started.putVoid());
    if (SUCCEEDED(hr))
        hr = OleRun(started.get());
    return SUCCEEDED(hr) ? Office::Object::query(started.get(), Office::IID_OutlookApplication) : Office::Object();
}

Office::Object newAppointment(const Office::Object& outlook)
{
    Office::Object item =
        outlook.callObject(L"CreateItem", Office::IID_AppointmentItem, {Variant::fromInt32(Office::olAppointmentItem)});
    TVZ_LOG("Created appointment");
    return item;
}

// The failures of a call whose server process has gone.
bool serverGone(HRESULT hr)
{
    switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
        return true;
    default:
        return false;
    }
}

void openInShell(const std::wstring& file, const wchar_t* parameters = nullptr)
{
    ShellExecuteW(nullptr, L"open", file.c_str(), parameters, nullptr, SW_SHOWNORMAL);
}

} // namespace

HRESULT STDMETHODCALLTYPE CAddin::OnMeetNowMeetingButtonClicked(IDispatch*)
{
    try {
        if (checkVersion())
            runParleon(false);
    } catch (...) {
        TVZ_LOG("OnMeetNowMeetingButtonClicked error happened !!!");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnOpenYourWallButtonClicked(IDispatch*)
{
    try {
        if (checkVersion())
            openProperWall();
    } catch (...) {
        TVZ_LOG("OnOpenYourWallButtonClicked error happened !!!");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnScheduleMeetingButtonClicked(IDispatch*)
{
    try {
        if (checkVersion())
            createAppointment();
    } catch (...) {
        TVZ_LOG("OnScheduleMeetingButtonClicked error happened !!!");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnSettingsButtonClicked(IDispatch*)
{
    try {
        TVZ_LOG("OnSettingsButtonClicked");
        if (checkVersion())
            m_account.ensureLoggedIn(true);
    } catch (...) {
        TVZ_LOG("OnSettingsButtonClicked error happened !!!");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnAddParleonButtonClicked(IDispatch* pControl)
{
    try {
        TVZ_LOG("OnAddParleonButtonClicked");
        TVZ_LOG("begin");
        m_account.load();
        const bool wasComplete = m_account.isComplete();
        if (!m_account.ensureLoggedIn(false))
            return S_OK;
        try {
            const AppointmentWindow window = appointmentWindow(pControl);
            if (!window.control) {
                TVZ_LOG("pRibbonCtl is NULL !");
                return S_OK;
            }
            if (!window.inspector) {
                TVZ_LOG("inspectorPtr is NULL !");
                return S_OK;
            }
            if (!window.appointment) {
                TVZ_LOG("CurrentItem is NULL - no Appointment obtained !");
                return S_OK;
            }
            if (!window.appointment.get(L"UserProperties").toDispatch()) {
                TVZ_LOG("userPropertiesPtr is NULL - cannot check properties");
                return S_OK;
            }
            if (HasInvitation(window.inspector)) {
                if (!m_account.invitation.usable() && !getInvitationBody(true))
                    return S_OK;
                removePNFooter(window.inspector);
                clearWallLocation(window.appointment);
            } else {
                if (wasComplete && !getTFPhones(false))
                    return S_OK;
                if (!getInvitationBody(true))
                    return S_OK;
                addPNFooter(window.inspector, m_account.invitation.text);
                addWallLocation(window.appointment);
            }
            // The host asks for the toggle's label again; it follows HasInvitation.
            if (m_spRibbonUI)
                Office::Object(m_spRibbonUI, Office::IID_RibbonUI).call(L"Invalidate");
        } catch (const ComError&) {
            TVZ_LOG("Error adding/removing invitation");
        }
    } catch (...) {
        TVZ_LOG("OnAddParleonButtonClicked error happened !!!");
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::AddParleonButton_GetLabel(IDispatch* pControl, BSTR* pbstrLabel)
{
    if (!pbstrLabel)
        return E_POINTER;
    *pbstrLabel = nullptr;
    std::wstring label = L"Talvora";
    try {
        const AppointmentWindow window = appointmentWindow(pControl);
        if (!window.control)
            throw ComError(E_NOINTERFACE, Office::IID_RibbonControl);
        if (window.appointment)
            label = Localization::instance().getFormattedString(HasInvitation(window.inspector) ? 505 : 504);
        else
            TVZ_LOG("CurrentItem is NULL - no Appointment obtained !");
    } catch (const ComError&) {
        TVZ_LOG("COM error checking invitation");
        label = L"Talvora";
    } catch (...) {
        label = L"Talvora";
    }
    *pbstrLabel = SysAllocStringLen(label.data(), static_cast<UINT>(label.size()));
    return *pbstrLabel ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CAddin::AddParleonButton_GetPressed(IDispatch* pControl, VARIANT_BOOL* pvarfPressed)
{
    if (!pvarfPressed)
        return E_POINTER;
    try {
        const AppointmentWindow window = appointmentWindow(pControl);
        if (!window.control)
            throw ComError(E_NOINTERFACE, Office::IID_RibbonControl);
        if (window.appointment)
            *pvarfPressed = HasInvitation(window.inspector) ? VARIANT_TRUE : VARIANT_FALSE;
        else
            TVZ_LOG("CurrentItem is NULL - no Appointment obtained !");
    } catch (...) {
        TVZ_LOG("Error checking invitation");
        *pvarfPressed = VARIANT_FALSE;
    }
    return S_OK;
}

void CAddin::createAppointment()
{
    TVZ_LOG("begin");
    if (!getTFPhones(true))
        return;
    try {
        TVZ_LOG("Start create Appointment. m_spOutlookApp=" << (m_spOutlookApp ? 1 : 0));
        Office::Object item;
        if (m_spOutlookApp) {
            TVZ_LOG("Has outlook app");
            try {
                item = newAppointment(m_spOutlookApp);
            } catch (const ComError& error) {
                // Outlook started for us ends when the user closes it, our reference
                // notwithstanding: start it again rather than fail every later meeting.
                if (!serverGone(error.hr()))
                    throw;
                TVZ_LOG("Outlook is gone (COM Error: 0x" << Log::hex(error.hr()) << "), starting it again");
                m_spOutlookApp = Office::Object();
            }
        }
        if (!m_spOutlookApp) {
            TVZ_LOG("Create External Outlook app.");
            const Office::Object outlook = startOutlook();
            if (!outlook) {
                TVZ_LOG("Failed to create external outlook app");
                return;
            }
            TVZ_LOG("Created Outlook app instance");
            m_spOutlookApp = outlook;
            item = newAppointment(m_spOutlookApp);
        }
        if (!item) {
            TVZ_LOG("Appointment IS NULL");
            throw ComError(E_NOINTERFACE, Office::IID_AppointmentItem);
        }
        const Office::Object& appointment = item;
        TVZ_LOG("Configuring appointment: " << static_cast<const void*>(appointment.dispatch()));
        if (!appointment.get(L"UserProperties").toDispatch()) {
            TVZ_LOG("userPropertiesPtr IS NULL");
            throw ComError(E_POINTER, Office::IID_AppointmentItem);
        }
        appointment.put(L"Subject", Variant::fromString(Localization::instance().getFormattedString(528)));
        TVZ_LOG("getInvitationBody");
        getInvitationBody(true); // a failed fetch leaves the invitation held before
        TVZ_LOG("PutBody");
        appointment.put(L"Body", Variant::fromString(m_account.invitation.text));
        appointment.put(L"Location", Variant::fromString(Server::wallUrl(m_account)));
        appointment.call(L"Display", {Variant::fromInt16(0)});
        TVZ_LOG("Finished create Appointment.");
    } catch (...) {
        MessageBoxW(nullptr, Localization::instance().getString(509).c_str(), Server::Caption, MB_ICONERROR);
    }
}

void CAddin::runParleon(bool)
{
    TVZ_LOG("begin");
    const std::wstring desktopApp = findDesktopApp();
    if (!desktopApp.empty()) {
        if (!m_account.ensureLoggedIn(false))
            return;
        // The two values go unquoted onto the application's command line.
        if (!ShellLaunch::isPlainArgument(m_account.subscriptionId) || !ShellLaunch::isPlainArgument(m_account.accessToken)) {
            TVZ_LOG("Error: the subscription id or the access token holds a blank, quote or control character; the "
                    "application is not started");
            return;
        }
        openInShell(desktopApp, Server::desktopAppArguments(m_account).c_str());
        return;
    }
    const std::wstring question = Localization::instance().getFormattedString(506);
    if (MessageBoxW(nullptr, question.c_str(), Server::Caption, MB_ICONERROR | MB_YESNO) != IDYES)
        return;
    // Not a version check: the time of the last check stays.
    if (!m_config.loaded)
        m_config = loadConfig();
    if (m_config.packageUrl.empty())
        TVZ_LOG("Error: missing EXE download URL");
    else if (!ShellLaunch::isWebAddress(m_config.packageUrl))
        TVZ_LOG("Error: the EXE download URL is not an http or https address; it is not opened");
    else
        openInShell(m_config.packageUrl);
}

void CAddin::openProperWall()
{
    TVZ_LOG("begin");
    if (!m_account.ensureLoggedIn(false))
        return;
    openInShell(Server::webSignInUrl(m_account));
}
