#pragma once
// A sink for one dispinterface of events (connection points), able to listen to several sources.
// It keeps an ordered map from each source to its connection cookie and holds a reference on
// every source while connected. Its own references are not counted: it lives and dies with the
// object that owns it, which disconnects it before it goes.

#include "Com/ComPtr.h"

#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>

#include <map>

namespace Com {

class EventSink : public IDispatch {
public:
    // Called for every event; exceptions must not leave it.
    using Handler = void (*)(void* owner, DISPID id, DISPPARAMS* params) noexcept;

    EventSink(const IID& events, void* owner, Handler handler) noexcept
        : m_events(events), m_owner(owner), m_handler(handler) {}
    virtual ~EventSink() { disconnectAll(); }
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    // E_INVALIDARG for a null source; 0x40001 (and no second connection) for a source that is
    // connected already; E_FAIL when the map cannot take the entry (the connection is undone).
    HRESULT connect(IUnknown* source) noexcept;
    HRESULT disconnect(IUnknown* source) noexcept;
    void disconnectAll() noexcept;
    std::size_t connectionCount() const noexcept { return m_connections.size(); }

    static constexpr HRESULT AlreadyConnected = 0x40001;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    struct Connection {
        ComPtr<IUnknown> source;
        DWORD cookie;
    };
    static ComPtr<IUnknown> identity(IUnknown* object) noexcept;
    HRESULT connectionPoint(IUnknown* source, ComPtr<IConnectionPoint>& point) const noexcept;
    HRESULT unadvise(const Connection& connection) const noexcept;

    IID m_events;
    void* m_owner;
    Handler m_handler;
    std::map<IUnknown*, Connection> m_connections;
};

} // namespace Com
