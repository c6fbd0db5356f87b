#pragma once
// Stand-in Office objects for the tests: COM objects that answer QueryInterface for the IIDs of
// the real Office interfaces they stand for, dispatch their members by name through IDispatch,
// count references and live objects, record the calls made on them, can make any member fail
// with a chosen HRESULT, and can be connection-point sources of events.

#include "Com/ComPtr.h"
#include "Com/Variant.h"

#include <ocidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Fake {

class Object;
using Ref = Com::ComPtr<Object>;
// The arguments of a call, first to last.
using Args = std::vector<Com::Variant>;

// Objects of every fake class alive in this process.
long liveObjects() noexcept;

class ConnectionPoint;

// Calls counted across many objects (a Word document hands out a new Range for every request),
// for tests and benchmarks that report how many COM calls an operation made.
class CallTally {
public:
    // Invoke records by "Class.Member" or "Class.Member=", e.g. "Paragraphs.Item".
    long count(const std::wstring& classRecord) const;
    long invokes() const noexcept { return m_invokes; }
    long lookups() const noexcept { return m_lookups; } // GetIDsOfNames calls
    const std::map<std::wstring, long>& byMember() const noexcept { return m_byMember; }
    void clear();

    void addInvoke(const std::wstring& className, const std::wstring& record);
    void addLookup() noexcept { ++m_lookups; }

private:
    std::map<std::wstring, long> m_byMember;
    long m_invokes = 0;
    long m_lookups = 0;
};

class Object : public IDispatch, public IConnectionPointContainer {
public:
    // A new object whose name appears in call records; the caller owns the one reference.
    static Ref create(std::wstring className);

    using Getter = std::function<Com::Variant(const Args&)>;
    using Setter = std::function<void(const Com::Variant&)>;

    // Members. A member answers GetIDsOfNames; anything else answers DISP_E_UNKNOWNNAME.
    Object& property(const std::wstring& name, Getter get, Setter put = {});
    Object& value(const std::wstring& name, Com::Variant constant); // a read-only property
    Object& objectProperty(const std::wstring& name, Ref object);    // a property holding an object (may be null)
    Object& method(const std::wstring& name, Getter call);
    // The IIDs QueryInterface answers (IUnknown and IDispatch always).
    Object& answers(const IID& iid);
    // Also counts this object's calls in `tally` (shared by a family of objects).
    Object& tallyInto(std::shared_ptr<CallTally> tally);

    // Makes a member fail with hr from now on (S_OK: stop failing). A failing GetIDsOfNames is
    // not needed: an unknown member is simply not declared.
    void fail(const std::wstring& name, HRESULT hr);
    // The same, through DISP_E_EXCEPTION with an EXCEPINFO carrying hr and a description.
    void raise(const std::wstring& name, HRESULT hr, std::wstring description);

    // "Name" for a property read or a method call, "Name=" for a property write, in call order.
    const std::vector<std::wstring>& calls() const noexcept { return m_calls; }
    int callCount(const std::wstring& record) const;
    ULONG refs() const noexcept { return m_refs; }
    const std::wstring& className() const noexcept { return m_className; }

    // An event source for the dispinterface `events` (answered by FindConnectionPoint).
    ConnectionPoint& eventSource(const IID& events);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* badArgument) override;
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

protected:
    explicit Object(std::wstring className);
    virtual ~Object();

private:
    struct Member {
        std::wstring name;
        Getter get;
        Setter put;
        bool isMethod = false;
        HRESULT failure = S_OK;
        std::wstring description; // with failure: raised as DISP_E_EXCEPTION
    };
    Member* member(const std::wstring& name);

    std::wstring m_className;
    ULONG m_refs = 1;
    std::vector<IID> m_iids;
    std::vector<Member> m_members;
    std::vector<std::wstring> m_calls;
    std::shared_ptr<CallTally> m_tally;
    std::vector<Com::ComPtr<ConnectionPoint>> m_eventSources;
};

// A connection point that keeps its sinks by cookie and fires events to them.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(Object& container, const IID& events);
    ~ConnectionPoint();

    // Calls Invoke(id) with the arguments (first to last) on every connected sink.
    void fire(DISPID id, const Args& args);
    std::size_t sinkCount() const noexcept { return m_sinks.size(); }
    const IID& events() const noexcept { return m_events; }
    // Makes Advise fail with hr from now on.
    void failAdvise(HRESULT hr) noexcept { m_adviseFailure = hr; }
    int adviseCount() const noexcept { return m_advises; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

private:
    Object& m_container; // not counted: the container owns this object
    IID m_events;
    ULONG m_refs = 1;
    std::map<DWORD, Com::ComPtr<IDispatch>> m_sinks;
    DWORD m_nextCookie = 1;
    HRESULT m_adviseFailure = S_OK;
    int m_advises = 0;
};

} // namespace Fake
