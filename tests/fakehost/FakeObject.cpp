#include "FakeObject.h"

#include "Com/ComError.h"

#include <olectl.h>

#include <atomic>

namespace Fake {

namespace {
std::atomic<long> g_liveObjects{0};
} // namespace

long liveObjects() noexcept
{
    return g_liveObjects.load();
}

long CallTally::count(const std::wstring& classRecord) const
{
    const auto found = m_byMember.find(classRecord);
    return found == m_byMember.end() ? 0 : found->second;
}

void CallTally::clear()
{
    m_byMember.clear();
    m_invokes = 0;
    m_lookups = 0;
}

void CallTally::addInvoke(const std::wstring& className, const std::wstring& record)
{
    ++m_byMember[className + L"." + record];
    ++m_invokes;
}

Ref Object::create(std::wstring className)
{
    return Ref::attach(new Object(std::move(className)));
}

Object::Object(std::wstring className) : m_className(std::move(className))
{
    ++g_liveObjects;
}

Object::~Object()
{
    m_eventSources.clear();
    --g_liveObjects;
}

Object& Object::property(const std::wstring& name, Getter get, Setter put)
{
    if (Member* existing = member(name)) {
        existing->get = std::move(get);
        existing->put = std::move(put);
        existing->isMethod = false;
        return *this;
    }
    m_members.push_back(Member{name, std::move(get), std::move(put), false, S_OK, {}});
    return *this;
}

Object& Object::value(const std::wstring& name, Com::Variant constant)
{
    return property(name, [constant](const Args&) { return constant; });
}

Object& Object::objectProperty(const std::wstring& name, Ref object)
{
    return property(name, [object](const Args&) { return Com::Variant::fromDispatch(object.get()); });
}

Object& Object::method(const std::wstring& name, Getter call)
{
    property(name, std::move(call));
    member(name)->isMethod = true;
    return *this;
}

Object& Object::answers(const IID& iid)
{
    m_iids.push_back(iid);
    return *this;
}

Object& Object::tallyInto(std::shared_ptr<CallTally> tally)
{
    m_tally = std::move(tally);
    return *this;
}

void Object::fail(const std::wstring& name, HRESULT hr)
{
    if (Member* m = member(name)) {
        m->failure = hr;
        m->description.clear();
    }
}

void Object::raise(const std::wstring& name, HRESULT hr, std::wstring description)
{
    if (Member* m = member(name)) {
        m->failure = hr;
        m->description = std::move(description);
    }
}

int Object::callCount(const std::wstring& record) const
{
    int count = 0;
    for (const std::wstring& call : m_calls)
        count += call == record;
    return count;
}

ConnectionPoint& Object::eventSource(const IID& events)
{
    for (auto& source : m_eventSources)
        if (source->events() == events)
            return *source.get();
    m_eventSources.push_back(Com::ComPtr<ConnectionPoint>::attach(new ConnectionPoint(*this, events)));
    return *m_eventSources.back().get();
}

Object::Member* Object::member(const std::wstring& name)
{
    for (Member& m : m_members)
        if (_wcsicmp(m.name.c_str(), name.c_str()) == 0)
            return &m;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE Object::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        if (m_eventSources.empty())
            return E_NOINTERFACE;
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        for (const IID& answered : m_iids)
            if (answered == iid)
                *object = static_cast<IDispatch*>(this);
        if (!*object)
            return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE Object::AddRef()
{
    return ++m_refs;
}

ULONG STDMETHODCALLTYPE Object::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT STDMETHODCALLTYPE Object::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Object::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Object::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (m_tally)
        m_tally->addLookup();
    if (!names || !ids || count != 1)
        return E_INVALIDARG;
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (_wcsicmp(m_members[i].name.c_str(), names[0]) == 0) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE Object::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                         EXCEPINFO* exception, UINT*)
{
    if (id < 1 || static_cast<std::size_t>(id) > m_members.size())
        return DISP_E_MEMBERNOTFOUND;
    Member& m = m_members[id - 1];
    const bool writing = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    m_calls.push_back(writing ? m.name + L"=" : m.name);
    if (m_tally)
        m_tally->addInvoke(m_className, m_calls.back());
    if (FAILED(m.failure)) {
        if (m.description.empty())
            return m.failure;
        if (exception) {
            *exception = EXCEPINFO();
            exception->scode = m.failure;
            exception->bstrDescription = SysAllocString(m.description.c_str());
        }
        return DISP_E_EXCEPTION;
    }

    // Arguments arrive last to first; positional ones only (a put's value is the named one).
    Args args;
    const UINT positional = params ? params->cArgs - (writing ? params->cNamedArgs : 0) : 0;
    for (UINT i = 0; i < positional; ++i) {
        Com::Variant copy;
        VariantCopyInd(copy.put(), &params->rgvarg[params->cArgs - 1 - i]);
        args.push_back(std::move(copy));
    }
    try {
        if (writing) {
            if (!m.put || !params || params->cArgs < 1)
                return DISP_E_MEMBERNOTFOUND;
            Com::Variant value;
            VariantCopyInd(value.put(), &params->rgvarg[0]);
            m.put(value);
            return S_OK;
        }
        if (!m.get)
            return DISP_E_MEMBERNOTFOUND;
        Com::Variant answer = m.get(args);
        if (result)
            VariantCopy(result, const_cast<VARIANT*>(&answer.get()));
        return S_OK;
    } catch (const Com::ComError& error) {
        return error.hr();
    }
}

HRESULT STDMETHODCALLTYPE Object::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points)
        *points = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Object::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    for (auto& source : m_eventSources) {
        if (source->events() == iid) {
            *point = Com::ComPtr<ConnectionPoint>(source).detach();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

// --- ConnectionPoint ------------------------------------------------------------------------

ConnectionPoint::ConnectionPoint(Object& container, const IID& events) : m_container(container), m_events(events)
{
    ++g_liveObjects;
}

ConnectionPoint::~ConnectionPoint()
{
    --g_liveObjects;
}

void ConnectionPoint::fire(DISPID id, const Args& args)
{
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(it->get());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    const auto sinks = m_sinks; // a sink may disconnect while it handles the event
    for (const auto& [cookie, sink] : sinks) {
        Com::Variant result;
        sink->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr);
    }
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ConnectionPoint::AddRef()
{
    return ++m_refs;
}

ULONG STDMETHODCALLTYPE ConnectionPoint::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_events;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = &m_container;
    m_container.AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    ++m_advises;
    if (!sink || !cookie)
        return E_POINTER;
    if (FAILED(m_adviseFailure))
        return m_adviseFailure;
    Com::ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(m_events, dispatch.putVoid())))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = m_nextCookie++;
    m_sinks[*cookie] = dispatch;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Unadvise(DWORD cookie)
{
    return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::EnumConnections(IEnumConnections** connections)
{
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

} // namespace Fake
