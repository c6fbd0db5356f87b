#include "ComposeFixture.h"

#include "DocumentedIds.h"
#include "Log.h"
#include "MessageBoxes.h"
#include "Office/Ids.h"
#include "TestSupport.h"
#include "TextCodec.h"
#include "Win/RegKey.h"

#include <algorithm>
#include <stdexcept>

namespace Compose {

const FixtureAccount Alice{L"alice+meet@example.com", L"48213", L"a1c3e5f7092b4d6f8a0c2e4f6b8d0f12", L"alice.walker"};
const FixtureAccount Bob{L"bob.stone@example.org", L"77019", L"b0b5ca1ab1e4d2f6e8a0c2e4f6b8d0aa", L"bob.stone"};

namespace {

constexpr wchar_t AddinKey[] = L"Software\\TalvoraAddIn";

void setValue(const Win::RegKey& key, const wchar_t* name, DWORD type, std::wstring data)
{
    data.push_back(L'\0');
    if (type == REG_MULTI_SZ)
        data.push_back(L'\0');
    if (RegSetValueExW(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the account");
}

DialogWatch* g_watch = nullptr; // the hook procedure has no context argument

bool isDialog(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring_view(name) == L"#32770";
}

} // namespace

void signIn(const FixtureAccount& account, const std::wstring& invitationTemplate)
{
    signOut();
    Win::RegKey key;
    if (key.create(HKEY_CURRENT_USER, CAccount::RegistryKey, KEY_WRITE) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the account key");
    setValue(key, L"Login", REG_SZ, account.login);
    setValue(key, L"SubscriptionId", REG_SZ, account.subscriptionId);
    setValue(key, L"AccessToken", REG_SZ, account.accessToken);
    setValue(key, L"MeetingUrl", REG_SZ, account.meetingUrl);
    // Past the one-time merge of the desktop application's account, which would replace this one.
    setValue(key, L"MigratedFromV2", REG_SZ, L"yes");
    if (!invitationTemplate.empty())
        setValue(key, L"invitation", REG_MULTI_SZ, invitationTemplate);
}

void signOut()
{
    TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, AddinKey);
}

std::wstring storedValue(const wchar_t* name)
{
    wchar_t value[4096] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, CAccount::RegistryKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

void removeDesktopProfile()
{
    DeleteFileW((TestSupport::desktopAppFolder() + L"\\TVZ.json").c_str());
}

std::wstring aliceInvitationText(const std::wstring& origin)
{
    return L"Alice Walker is inviting you to a Talvora meeting.\v"
           L"\v"
           L"Dial-In Number: +1 (555) 010-2345\v"
           L"Dial-In Number: +1 (800) 555-0199\v"
           L"Access Code: 4417209\v"
           L"\v"
           L"International Dial-In Numbers:\v"
           L"United States: +1 (555) 010-2345\v"
           L"United Kingdom: +44 20 7946 0321\v"
           L"Germany: +49 30 901820 77\v"
           L"France: +33 1 73 00 41 22\v"
           L"Israel: +972 3 376 0419\v"
           L"\v"
           L"Online Meeting: " + origin + L"/wall/alice.walker\v"
           L"\v"
           L"For 24/7 customer service please call +1 (555) 010-9999\v"
           L"\v"
           L"Talvora - meetings made simple";
}

// --- AddinUnderTest ----------------------------------------------------------------------------

AddinUnderTest::AddinUnderTest()
{
    if (FAILED(CAddin::create(nullptr, Documented::IID_ITalvoraMeeting, m_meeting.putVoid())))
        throw std::runtime_error("cannot create the add-in object");
}

HRESULT AddinUnderTest::connect(IDispatch* application) const
{
    const auto extensibility = m_meeting.query<_IDTExtensibility2>(Documented::IID_DTExtensibility2);
    return extensibility->OnConnection(application, ext_cm_Startup, nullptr, nullptr);
}

HRESULT AddinUnderTest::disconnect(ext_DisconnectMode mode) const
{
    const auto extensibility = m_meeting.query<_IDTExtensibility2>(Documented::IID_DTExtensibility2);
    return extensibility->OnDisconnection(mode, nullptr);
}

Com::ComPtr<IRibbonExtensibility> AddinUnderTest::ribbon() const
{
    return m_meeting.query<IRibbonExtensibility>(Documented::IID_RibbonExtensibility);
}

std::wstring AddinUnderTest::customUI(const wchar_t* ribbonId) const
{
    const Com::BStr id(ribbonId);
    Com::BStr xml;
    EXPECT_EQ(ribbon()->GetCustomUI(id.get(), xml.put()), S_OK) << fromUtf16(ribbonId, CP_UTF8).str();
    return xml.str();
}

std::wstring AddinUnderTest::label(IDispatch* control) const
{
    Com::BStr text;
    EXPECT_EQ(m_meeting->AddParleonButton_GetLabel(control, text.put()), S_OK);
    return text.str();
}

VARIANT_BOOL AddinUnderTest::pressed(IDispatch* control, VARIANT_BOOL given) const
{
    VARIANT_BOOL value = given;
    EXPECT_EQ(m_meeting->AddParleonButton_GetPressed(control, &value), S_OK);
    return value;
}

// --- AppointmentWindow -------------------------------------------------------------------------

AppointmentWindow::AppointmentWindow(std::wstring_view text)
    : appointment(Fake::Appointment::create()),
      document(Fake::WordDocument::create(text)),
      inspector(Fake::makeInspector({appointment.object, document.document, {}})),
      ribbonControl(Fake::makeRibbonControl(inspector))
{
}

// --- DialogWatch -------------------------------------------------------------------------------

DialogWatch::DialogWatch(bool dismissUnexpected) : m_dismiss(dismissUnexpected)
{
    g_watch = this;
    m_hook = SetWindowsHookExW(WH_CBT, &DialogWatch::cbtHook, nullptr, GetCurrentThreadId());
}

DialogWatch::~DialogWatch()
{
    UnhookWindowsHookEx(m_hook);
    g_watch = nullptr;
}

std::vector<DialogWatch::Seen> DialogWatch::shown() const
{
    std::vector<Seen> result;
    for (const Seen& dialog : m_seen)
        if (!dialog.caption.empty())
            result.push_back(dialog);
    return result;
}

LRESULT CALLBACK DialogWatch::cbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto window = reinterpret_cast<HWND>(wParam);
    // A dialog is activated again when one it opened closes: it is recorded once.
    if (code == HCBT_ACTIVATE && g_watch && isDialog(window) &&
        std::find(g_watch->m_windows.begin(), g_watch->m_windows.end(), window) == g_watch->m_windows.end()) {
        g_watch->m_windows.push_back(window);
        if (TestSupport::isMessageBox(window)) {
            const TestSupport::MessageBoxSeen box = TestSupport::readMessageBox(window);
            g_watch->m_seen.push_back({box.caption, box.text, box.warningIcon});
            if (g_watch->m_dismiss)
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        } else {
            wchar_t caption[256] = {};
            GetWindowTextW(window, caption, static_cast<int>(std::size(caption)));
            g_watch->m_seen.push_back({caption, {}, false});
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// --- ComposeTest -------------------------------------------------------------------------------

ComposeTest::ComposeTest()
{
    service.reset();
    signOut();
    removeDesktopProfile();
    Log::open(getLogFilePath());
}

ComposeTest::~ComposeTest()
{
    Log::close();
    signOut();
}

std::vector<std::string> ComposeTest::servicePaths() const
{
    std::vector<std::string> paths;
    for (const Json::Value& request : service.requests()) {
        std::string path = request["path"].asString();
        const std::string query = request["raw_query"].asString();
        const std::size_t locale = query.find("locale=");
        if (path.find("/invites/") != std::string::npos && locale != std::string::npos)
            path.append(1, '?').append(query, locale, std::string::npos);
        paths.push_back(path);
    }
    return paths;
}

std::vector<std::string> messagesAmong(const std::vector<std::string>& messages, const std::vector<std::string>& wanted)
{
    std::vector<std::string> result;
    for (const std::string& message : messages)
        for (const std::string& one : wanted)
            if (message == one)
                result.push_back(message);
    return result;
}

} // namespace Compose
