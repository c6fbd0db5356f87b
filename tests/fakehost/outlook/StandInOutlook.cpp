// FakeOutlook.exe: the stand-in Outlook as a program of its own, which COM starts as the local
// server of Outlook's application class when the add-in, loaded into Word, Excel or PowerPoint,
// creates that class. One running instance serves every creation. Its Application is the
// in-process stand-in's (Fake::Office), so CreateItem(1) hands out the same fake appointments;
// what is done to them is appended to the record file, one JSON object per line, for the test
// in the other process (TestSupport::StandInOutlook reads it).
//
//   FakeOutlook.exe --record <file> -Embedding
//
// It exits once nothing outside holds any of its objects, or after 30 s when no client comes.

#include "DocumentedIds.h"
#include "FakeOffice.h"
#include "StandInApps.h"

#include "Com/ComError.h"
#include "Office/Ids.h"
#include "TextCodec.h"

#include <json/json.h>

#include <cwchar>
#include <fstream>
#include <string>

namespace {

constexpr UINT TickMs = 150;
constexpr DWORD FirstClientTimeoutMs = 30000;
// A client that dies without releasing its proxies is never noticed: do not outlive a test run.
constexpr DWORD LifetimeLimitMs = 10 * 60 * 1000;

std::string utf8(const std::wstring& text)
{
    return fromUtf16(text, CP_UTF8).str();
}

// The record file; every line is flushed at once, since the test reads it while we run.
class CEventRecord {
public:
    explicit CEventRecord(const std::wstring& path) : m_pid(GetCurrentProcessId())
    {
        if (!path.empty())
            m_out.open(path.c_str(), std::ios::binary | std::ios::app);
    }

    void write(const std::string& event, int item = 0, const Com::Variant* value = nullptr)
    {
        if (!m_out.is_open())
            return;
        Json::Value line(Json::objectValue);
        line["pid"] = static_cast<Json::UInt>(m_pid);
        line["event"] = event;
        if (item)
            line["item"] = item;
        if (value) {
            line["vt"] = value->type();
            line["value"] = utf8(textOf(*value));
        }
        Json::StreamWriterBuilder writer;
        writer["indentation"] = "";
        m_out << Json::writeString(writer, line) << '\n';
        m_out.flush();
    }

private:
    static std::wstring textOf(const Com::Variant& value)
    {
        if (value.type() == VT_ERROR)
            return std::wstring();
        try {
            return value.toString();
        } catch (const Com::ComError&) {
            return std::wstring();
        }
    }

    DWORD m_pid;
    std::ofstream m_out;
};

// The class object: every creation gets the one Application.
class CApplicationFactory final : public IClassFactory {
public:
    explicit CApplicationFactory(Fake::Ref application) : m_application(std::move(application)) {}

    bool served() const noexcept { return m_served; }
    long locks() const noexcept { return m_locks; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The object lives as long as the server's run, whatever COM's references say.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        m_served = true;
        return m_application->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        m_locks += lock ? 1 : -1;
        return S_OK;
    }

private:
    Fake::Ref m_application;
    ULONG m_refs = 1;
    long m_locks = 0;
    bool m_served = false;
};

class CStandInOutlook {
public:
    explicit CStandInOutlook(const std::wstring& recordPath)
        : m_office(Fake::Office::build(automationHost())), m_record(recordPath), m_factory(m_office.application)
    {
        m_office.items->observer = [this](const Fake::ItemEvent& event) {
            m_record.write(utf8(event.member), event.item, &event.value);
        };
        m_ownReferences = m_office.application->refs();
    }

    int run()
    {
        Com::check(CoRegisterClassObject(Documented::CLSID_OutlookApplication, &m_factory, CLSCTX_LOCAL_SERVER,
                                         REGCLS_MULTIPLEUSE, &m_cookie),
                   IID_IClassFactory);
        m_record.write("start");
        const UINT_PTR timer = SetTimer(nullptr, 0, TickMs, nullptr);
        MSG message;
        while (!m_finished && GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message == WM_TIMER && !message.hwnd && message.wParam == timer)
                onTick();
            else
                DispatchMessageW(&message);
        }
        KillTimer(nullptr, timer);
        revoke();
        m_record.write("exit");
        return 0;
    }

private:
    // Outlook started for automation shows no explorer.
    static Fake::HostSpec automationHost()
    {
        Fake::HostSpec setup;
        setup.app = Fake::App::Outlook;
        setup.hasActiveExplorer = false;
        return setup;
    }

    long externalReferences() const
    {
        long references = static_cast<long>(m_office.application->refs()) - static_cast<long>(m_ownReferences);
        for (const Fake::Appointment& appointment : m_office.items->created)
            references += static_cast<long>(appointment.object->refs()) - 1; // ours: the list's
        return references + m_factory.locks();
    }

    void onTick()
    {
        m_elapsed += TickMs;
        if (m_elapsed >= LifetimeLimitMs) {
            m_finished = true;
            return;
        }
        if (externalReferences() > 0)
            return;
        if (!m_factory.served() && m_elapsed < FirstClientTimeoutMs)
            return;
        // Revoke first and serve one more tick: a creation already on its way still gets its
        // object, and later ones start a new server instead of reaching one that is leaving.
        if (m_cookie) {
            revoke();
            return;
        }
        m_finished = true;
    }

    void revoke()
    {
        if (m_cookie)
            CoRevokeClassObject(m_cookie);
        m_cookie = 0;
    }

    Fake::Office m_office;
    CEventRecord m_record;
    CApplicationFactory m_factory;
    ULONG m_ownReferences = 0;
    DWORD m_cookie = 0;
    DWORD m_elapsed = 0;
    bool m_finished = false;
};

std::wstring recordPathFrom(int argc, wchar_t** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (wcscmp(argv[i], L"--record") == 0)
            return argv[i + 1];
    return std::wstring();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int result = 1;
    try {
        CStandInOutlook server(recordPathFrom(argc, argv));
        result = server.run();
    } catch (const Com::ComError&) {
        result = 2;
    }
    CoUninitialize();
    return result;
}
