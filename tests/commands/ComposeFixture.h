#pragma once
// What the ribbon and command tests share: the add-in object made in this process and driven
// through its COM interfaces, fixture accounts of the stand-in service signed in through the
// registry, an appointment window of the stand-in Outlook, and a record of the dialogs that
// came up.

#include "Addin.h"
#include "FakeOutlook.h"
#include "FakeRibbon.h"
#include "FakeWord.h"
#include "ServiceControl.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace Compose {

// An account of the stand-in service's fixture (tests/service/README.md).
struct FixtureAccount {
    const wchar_t* login;
    const wchar_t* subscriptionId;
    const wchar_t* accessToken;
    const wchar_t* meetingUrl;
};
extern const FixtureAccount Alice;
extern const FixtureAccount Bob; // suspended

// The account key holds exactly this signed-in account (already past the one-time merge of the
// desktop application's account), with a stored invitation template when one is given;
// signOut removes the key.
void signIn(const FixtureAccount& account, const std::wstring& invitationTemplate = {});
void signOut();
// The account's value as the registry holds it; empty when absent.
std::wstring storedValue(const wchar_t* name);
// The desktop application's preferences file, which would sign the user in: never left over.
void removeDesktopProfile();

// The English template the stand-in service sends Alice, as its documentation shows it, with
// the line breaks the add-in writes into appointments (vertical tabs).
std::wstring aliceInvitationText(const std::wstring& origin);

// One CAddin made as Office makes it, reached through its interfaces.
class AddinUnderTest {
public:
    AddinUnderTest();

    ITalvoraMeeting* operator->() const noexcept { return m_meeting.get(); }
    // For the operations that are not on an interface (the body route).
    CAddin& object() const noexcept { return *static_cast<CAddin*>(m_meeting.get()); }

    HRESULT connect(IDispatch* application) const;
    HRESULT disconnect(ext_DisconnectMode mode = ext_dm_HostShutdown) const;
    Com::ComPtr<IRibbonExtensibility> ribbon() const;
    // GetCustomUI's answer (a null BSTR reads as empty).
    std::wstring customUI(const wchar_t* ribbonId) const;
    std::wstring label(IDispatch* control) const;
    VARIANT_BOOL pressed(IDispatch* control, VARIANT_BOOL given = VARIANT_FALSE) const;

private:
    Com::ComPtr<ITalvoraMeeting> m_meeting;
};

// An Outlook appointment window: the appointment, its body as a Word document, the inspector
// showing both and the ribbon control whose Context is the inspector.
struct AppointmentWindow {
    explicit AppointmentWindow(std::wstring_view text);

    IDispatch* control() const noexcept { return ribbonControl.get(); }
    std::wstring text() const { return document.story->text(); }

    Fake::Appointment appointment;
    Fake::WordDocument document;
    Fake::Ref inspector;
    Fake::Ref ribbonControl;
};

// Every dialog and message box activated on this thread while the watch lives, as a user saw
// it when it came up. With dismissUnexpected, message boxes are closed at once (and still
// recorded), so that a test which expects none fails instead of waiting for a user.
class DialogWatch {
public:
    struct Seen {
        std::wstring caption;
        std::wstring text; // a message box's message; empty for other dialogs
        bool warningIcon = false;
    };

    explicit DialogWatch(bool dismissUnexpected = false);
    ~DialogWatch();
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;

    // The dialogs other than the progress dialog, which has no caption.
    std::vector<Seen> shown() const;

private:
    static LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam);

    std::vector<Seen> m_seen;
    std::vector<HWND> m_windows;
    bool m_dismiss;
    HHOOK m_hook = nullptr;
};

// Each test starts signed out with the stand-in service reset and an empty log, which is open
// as it is after a connection.
class ComposeTest : public testing::Test {
protected:
    ComposeTest();
    ~ComposeTest() override;

    // The requests the service received, as "<path>" or "<path>?locale=<code>" for templates.
    std::vector<std::string> servicePaths() const;

    TestSupport::ServiceControl service;
    TestSupport::LogCapture log;
};

// The messages among the log lines that are one of `wanted`, in order of appearance.
std::vector<std::string> messagesAmong(const std::vector<std::string>& messages, const std::vector<std::string>& wanted);

} // namespace Compose
