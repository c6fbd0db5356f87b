#pragma once
// CEventsHandler: the click sink of one tagged command-bar button. It listens to the button's
// _CommandBarButtonEvents and runs the command the button's tag names.

#include "Com/EventSink.h"
#include "Office/Dispatch.h"

class CAddin;

class CEventsHandler {
public:
    explicit CEventsHandler(CAddin& addin) noexcept;
    CEventsHandler(const CEventsHandler&) = delete;
    CEventsHandler& operator=(const CEventsHandler&) = delete;

    // Listens to the button's clicks; `context` (the appointment of an appointment toolbar, or
    // null) is held while connected. E_FAIL when connected already, else the advise's result.
    HRESULT connect(const Office::Object& button, const Office::Object& context);
    // Stops listening and releases the button and the context.
    void disconnect() noexcept;
    bool connected() const noexcept { return m_events.connectionCount() != 0; }

    // The button's Click event. The control argument is not used: the sink knows its button.
    void OnClickButton(IDispatch* Ctrl, VARIANT_BOOL* CancelDefault);
    // The appointment toolbar's button: adds the invitation to the appointment's Body or takes
    // it out, by the button's parameter, and switches the button's caption and parameter.
    void OnAddParleon();

private:
    static void onEvent(void* self, DISPID id, DISPPARAMS* params) noexcept;
    void runCommand(const std::wstring& tag);

    CAddin& m_addin; // not counted: the add-in owns its sinks and disconnects them
    Office::Object m_button;
    Office::Object m_context;
    Com::EventSink m_events;
};
