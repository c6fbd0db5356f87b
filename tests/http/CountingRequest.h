#pragma once
// CCountingRequest: an IWinHttpRequest that forwards every call to a real platform request
// object and records what the request layer did with it: its own references, the SetProxy
// calls, and what the platform object's last Release answered when the wrapper let it go.

#include "Com/ComPtr.h"
#include "WinHttpRequest.h"

#include <memory>
#include <string>
#include <vector>

struct ProxyCall {
    long setting;
    VARTYPE serverType;
    std::wstring server;
    VARTYPE bypassType;
};

// Outlives the wrapper, so a test can look at it after the last Release.
struct RequestRecord {
    long references = 0;       // the wrapper's current reference count
    bool destroyed = false;    // the wrapper's count reached zero
    ULONG innerReleased = ~0u; // what the platform object's Release returned then
    std::vector<ProxyCall> proxyCalls;
    std::vector<std::wstring> headers; // "name: value" of every SetRequestHeader
};

class CCountingRequest final : public IWinHttpRequest {
public:
    // A new platform object ("WinHttp.WinHttpRequest.5.1") inside a new wrapper; the caller
    // gets the only reference.
    static Com::ComPtr<IWinHttpRequest> create(const std::shared_ptr<RequestRecord>& record);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argumentError) override;

    // IWinHttpRequest
    HRESULT STDMETHODCALLTYPE SetProxy(HTTPREQUEST_PROXY_SETTING setting, VARIANT server, VARIANT bypass) override;
    HRESULT STDMETHODCALLTYPE SetCredentials(BSTR user, BSTR password, long flags) override;
    HRESULT STDMETHODCALLTYPE Open(BSTR method, BSTR url, VARIANT async) override;
    HRESULT STDMETHODCALLTYPE SetRequestHeader(BSTR header, BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetResponseHeader(BSTR header, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(BSTR* headers) override;
    HRESULT STDMETHODCALLTYPE Send(VARIANT body) override;
    HRESULT STDMETHODCALLTYPE get_Status(long* status) override;
    HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* status) override;
    HRESULT STDMETHODCALLTYPE get_ResponseText(BSTR* body) override;
    HRESULT STDMETHODCALLTYPE get_ResponseBody(VARIANT* body) override;
    HRESULT STDMETHODCALLTYPE get_ResponseStream(VARIANT* body) override;
    HRESULT STDMETHODCALLTYPE get_Option(long option, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE put_Option(long option, VARIANT value) override;
    HRESULT STDMETHODCALLTYPE WaitForResponse(VARIANT timeout, VARIANT_BOOL* succeeded) override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE SetTimeouts(long resolve, long connect, long send, long receive) override;
    HRESULT STDMETHODCALLTYPE SetClientCertificate(BSTR certificate) override;
    HRESULT STDMETHODCALLTYPE SetAutoLogonPolicy(long policy) override;

private:
    CCountingRequest(Com::ComPtr<IWinHttpRequest> inner, std::shared_ptr<RequestRecord> record)
        : m_inner(std::move(inner)), m_record(std::move(record))
    {
    }
    ~CCountingRequest() = default;

    Com::ComPtr<IWinHttpRequest> m_inner;
    std::shared_ptr<RequestRecord> m_record;
};
