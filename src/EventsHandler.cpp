#include "EventsHandler.h"

#include "Addin.h"
#include "Com/ComError.h"
#include "Localization.h"
#include "Office/Ids.h"
#include "Server.h"

using Com::ComError;
using Com::Variant;

CEventsHandler::CEventsHandler(CAddin& addin) noexcept
    : m_addin(addin), m_events(Office::DIID_CommandBarButtonEvents, this, &CEventsHandler::onEvent)
{
}

HRESULT CEventsHandler::connect(const Office::Object& button, const Office::Object& context)
{
    if (connected())
        return E_FAIL;
    const HRESULT hr = m_events.connect(button.dispatch());
    if (FAILED(hr))
        return hr;
    m_button = button;
    m_context = context;
    return hr;
}

void CEventsHandler::disconnect() noexcept
{
    m_events.disconnectAll();
    m_button = Office::Object();
    m_context = Office::Object();
}

void CEventsHandler::onEvent(void* self, DISPID id, DISPPARAMS* params) noexcept
{
    constexpr DISPID Click = 1;
    if (id != Click || !params || params->cArgs != 2)
        return;
    try {
        const VARIANT& control = params->rgvarg[1];
        const VARIANT& cancel = params->rgvarg[0];
        static_cast<CEventsHandler*>(self)->OnClickButton(control.vt == VT_DISPATCH ? control.pdispVal : nullptr,
                                                          cancel.vt == (VT_BOOL | VT_BYREF) ? cancel.pboolVal : nullptr);
    } catch (...) {
        TVZ_LOG("OnClickButton error happened !!!");
    }
}

void CEventsHandler::OnClickButton(IDispatch*, VARIANT_BOOL*)
{
    TVZ_LOG("begin");
    std::wstring tag;
    try {
        tag = m_button.get(L"Tag").toString();
    } catch (const ComError&) {
        // The button is gone (its window closed): nothing will click it again.
        disconnect();
        return;
    }
    try {
        runCommand(tag);
    } catch (const ComError& error) {
        TVZ_LOG("COM Error: 0x" << Log::hex(error.hr()));
        MessageBoxW(nullptr, L"Error in Talvora Office Addin", Server::Caption, MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"Error in Talvora Office Addin", Server::Caption, MB_ICONERROR);
    }
}

// Unlike the ribbon's, these buttons run their commands without the version gate; only
// Settings asks for it.
void CEventsHandler::runCommand(const std::wstring& tag)
{
    if (tag == L"tvzmeetNow") {
        m_addin.runParleon(false);
    } else if (tag == L"tvzopenYourWall") {
        m_addin.openProperWall();
    } else if (tag == L"tvzscheduleMeeting") {
        m_addin.createAppointment();
    } else if (tag == L"tvzsettings") {
        m_addin.checkVersion();
        m_addin.account().ensureLoggedIn(true);
    } else if (tag.find(L"tvzaddParleon_") != std::wstring::npos) {
        OnAddParleon();
    }
}

void CEventsHandler::OnAddParleon()
{
    const std::wstring parameter = m_button.get(L"Parameter").toString();
    TVZ_LOG("value=" << parameter);
    const bool adding = parameter != L"true";
    const bool done = adding ? m_addin.addInvitationToBody(m_context) : m_addin.removeInvitationFromBody(m_context);
    if (!done)
        return;
    const Localization& strings = Localization::instance();
    m_button.put(L"Caption", Variant::fromString(strings.getFormattedString(adding ? 505 : 504)));
    m_button.put(L"Parameter", Variant::fromString(adding ? L"true" : L"false"));
}
