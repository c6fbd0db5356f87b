// Host faults at connection, swept: for every route, each member of the stand-in host that the
// connection used (learnt from a clean connection, not listed by hand) fails in turn, in every
// way a host can fail a read: an error HRESULT, an exception with its description, Nothing, a
// null object, a text where an object belongs and an object where a text belongs. No exception
// may reach the host, the connection must log where it got to or that it failed, and every
// host object must get its references back once the add-in is gone.

#include "Addin.h"
#include "FakeOffice.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Route {
    const char* name;
    Fake::App app;
    const wchar_t* version;
};

const Route Routes[] = {
    {"Outlook 16", Fake::App::Outlook, L"16.0.4266"}, {"Outlook 12", Fake::App::Outlook, L"12.0.6423"},
    {"Outlook 11", Fake::App::Outlook, L"11.0.8303"}, {"Word 11", Fake::App::Word, L"11.0"},
    {"Word 16", Fake::App::Word, L"16.0"},            {"Excel 12", Fake::App::Excel, L"12.0"},
    {"PowerPoint 11", Fake::App::PowerPoint, L"11.0"},
};

// The objects of a stand-in host, by the name the tables use.
std::vector<std::pair<const char*, Fake::Object*>> objectsOf(const Fake::Office& office)
{
    std::vector<std::pair<const char*, Fake::Object*>> objects = {
        {"Application", office.application.get()}, {"LanguageSettings", office.languageSettings.get()},
        {"CommandBars", office.commandBars.get()},  {"Explorer", office.explorer.get()},
        {"Inspectors", office.inspectors.get()}};
    objects.erase(std::remove_if(objects.begin(), objects.end(), [](const auto& o) { return !o.second; }),
                  objects.end());
    return objects;
}

struct Fault {
    const char* name;
    std::function<void(Fake::Object& object, const std::wstring& member, Fake::Object& application)> inject;
};

const std::vector<Fault>& faults()
{
    static const std::vector<Fault> all = {
        {"error HRESULT", [](Fake::Object& o, const std::wstring& m, Fake::Object&) { o.fail(m, E_FAIL); }},
        {"exception info",
         [](Fake::Object& o, const std::wstring& m, Fake::Object&) {
             o.raise(m, 0x800A03EC, L"The host refused the call");
         }},
        {"Nothing", [](Fake::Object& o, const std::wstring& m,
                       Fake::Object&) { o.property(m, [](const Fake::Args&) { return Com::Variant(); }); }},
        {"null object",
         [](Fake::Object& o, const std::wstring& m, Fake::Object&) {
             o.property(m, [](const Fake::Args&) { return Com::Variant::fromDispatch(nullptr); });
         }},
        {"text for an object",
         [](Fake::Object& o, const std::wstring& m, Fake::Object&) {
             o.property(m, [](const Fake::Args&) { return Com::Variant::fromString(L"not an object"); });
         }},
        {"object for a text",
         [](Fake::Object& o, const std::wstring& m, Fake::Object& application) {
             o.property(m, [&application](const Fake::Args&) { return Com::Variant::fromDispatch(&application); });
         }},
    };
    return all;
}

// A connection that met a fault has either logged where it stands (the host and the route it
// found) or its failure.
bool reportedItself(const TestSupport::LogCapture& log)
{
    for (const std::string& message : log.messages())
        if (message.rfind("Connected. The app: ", 0) == 0 || message == "OnConnection error happened !!!")
            return true;
    return false;
}

struct Connection {
    HRESULT hr = E_UNEXPECTED;
    bool escaped = false;
};

Connection connect(Fake::Office& office)
{
    Connection result;
    Com::ComPtr<_IDTExtensibility2> addin;
    EXPECT_EQ(CAddin::create(nullptr, Office::IID_DTExtensibility2, addin.putVoid()), S_OK);
    try {
        result.hr = addin->OnConnection(office.application.get(), ext_cm_Startup, nullptr, nullptr);
        addin->OnDisconnection(ext_dm_HostShutdown, nullptr);
    } catch (...) {
        result.escaped = true;
    }
    return result;
}

Fake::Office build(const Route& route)
{
    Fake::HostSpec host;
    host.app = route.app;
    host.version = route.version;
    return Fake::Office::build(host);
}

} // namespace

TEST(HostFaults, EveryMemberTheConnectionReadsFailsInEveryWay)
{
    std::size_t total = 0;
    for (const Route& route : Routes) {
        // The members this route reads, from a clean connection.
        std::vector<std::pair<std::string, std::wstring>> members;
        {
            Fake::Office office = build(route);
            ASSERT_FALSE(connect(office).escaped);
            for (const auto& [name, object] : objectsOf(office))
                for (const std::wstring& call : object->calls())
                    if (call.back() != L'=' && std::find(members.begin(), members.end(), std::make_pair(std::string(name), call)) == members.end())
                        members.emplace_back(name, call);
        }
        ASSERT_FALSE(members.empty()) << route.name;

        std::size_t cases = 0;
        for (const auto& [objectName, member] : members) {
            for (const Fault& fault : faults()) {
                SCOPED_TRACE(std::string(route.name) + ": " + objectName + "." + std::string(member.begin(), member.end())
                             + ", " + fault.name);
                Fake::Office office = build(route);
                Fake::Object* target = nullptr;
                for (const auto& [name, object] : objectsOf(office))
                    if (objectName == name)
                        target = object;
                ASSERT_NE(target, nullptr);
                fault.inject(*target, member, *office.application);
                // Counted once the fault is in place: a replaced member lets go of what it held.
                std::vector<ULONG> refs;
                for (const auto& entry : objectsOf(office))
                    refs.push_back(entry.second->refs());

                const TestSupport::LogCapture log;
                Log::open(getLogFilePath());
                const Connection connection = connect(office);
                Log::close();
                ++cases;

                EXPECT_FALSE(connection.escaped) << "an exception reached the host";
                EXPECT_TRUE(reportedItself(log)) << log.text();
                std::size_t i = 0;
                for (const auto& [name, object] : objectsOf(office))
                    EXPECT_EQ(object->refs(), refs[i++]) << name << " keeps references of the add-in";
            }
        }
        std::cout << "[ faults   ] " << route.name << ": " << members.size() << " members read, " << cases
                  << " cases\n";
        total += cases;
    }
    std::cout << "[ faults   ] connection: " << total << " cases\n";
}
