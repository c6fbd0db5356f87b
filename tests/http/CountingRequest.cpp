#include "CountingRequest.h"

#include "Com/ComError.h"

Com::ComPtr<IWinHttpRequest> CCountingRequest::create(const std::shared_ptr<RequestRecord>& record)
{
    CLSID platformClass{};
    Com::check(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &platformClass), IID_WinHttpRequest);
    Com::ComPtr<IWinHttpRequest> inner;
    Com::check(CoCreateInstance(platformClass, nullptr, CLSCTX_INPROC_SERVER, IID_WinHttpRequest, inner.putVoid()),
               IID_WinHttpRequest);
    auto* wrapper = new CCountingRequest(std::move(inner), record);
    wrapper->AddRef();
    return Com::ComPtr<IWinHttpRequest>::attach(wrapper);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_WinHttpRequest) {
        *object = static_cast<IWinHttpRequest*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CCountingRequest::AddRef()
{
    return static_cast<ULONG>(++m_record->references);
}

ULONG STDMETHODCALLTYPE CCountingRequest::Release()
{
    const long left = --m_record->references;
    if (left == 0) {
        m_record->destroyed = true;
        m_record->innerReleased = m_inner.detach()->Release();
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::GetTypeInfoCount(UINT* count)
{
    return m_inner->GetTypeInfoCount(count);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info)
{
    return m_inner->GetTypeInfo(index, lcid, info);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                                          DISPID* ids)
{
    return m_inner->GetIDsOfNames(iid, names, count, lcid, ids);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    return m_inner->Invoke(id, iid, lcid, flags, params, result, exception, argumentError);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetProxy(HTTPREQUEST_PROXY_SETTING setting, VARIANT server, VARIANT bypass)
{
    ProxyCall call{setting, server.vt, {}, bypass.vt};
    if (server.vt == VT_BSTR && server.bstrVal)
        call.server.assign(server.bstrVal, SysStringLen(server.bstrVal));
    m_record->proxyCalls.push_back(call);
    return m_inner->SetProxy(setting, server, bypass);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetCredentials(BSTR user, BSTR password, long flags)
{
    return m_inner->SetCredentials(user, password, flags);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::Open(BSTR method, BSTR url, VARIANT async)
{
    return m_inner->Open(method, url, async);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetRequestHeader(BSTR header, BSTR value)
{
    m_record->headers.push_back(std::wstring(header, SysStringLen(header)) + L": "
                                + std::wstring(value, SysStringLen(value)));
    return m_inner->SetRequestHeader(header, value);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::GetResponseHeader(BSTR header, BSTR* value)
{
    return m_inner->GetResponseHeader(header, value);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::GetAllResponseHeaders(BSTR* headers)
{
    return m_inner->GetAllResponseHeaders(headers);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::Send(VARIANT body)
{
    return m_inner->Send(body);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_Status(long* status)
{
    return m_inner->get_Status(status);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_StatusText(BSTR* status)
{
    return m_inner->get_StatusText(status);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_ResponseText(BSTR* body)
{
    return m_inner->get_ResponseText(body);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_ResponseBody(VARIANT* body)
{
    return m_inner->get_ResponseBody(body);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_ResponseStream(VARIANT* body)
{
    return m_inner->get_ResponseStream(body);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::get_Option(long option, VARIANT* value)
{
    return m_inner->get_Option(option, value);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::put_Option(long option, VARIANT value)
{
    return m_inner->put_Option(option, value);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::WaitForResponse(VARIANT timeout, VARIANT_BOOL* succeeded)
{
    return m_inner->WaitForResponse(timeout, succeeded);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::Abort()
{
    return m_inner->Abort();
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetTimeouts(long resolve, long connect, long send, long receive)
{
    return m_inner->SetTimeouts(resolve, connect, send, receive);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetClientCertificate(BSTR certificate)
{
    return m_inner->SetClientCertificate(certificate);
}

HRESULT STDMETHODCALLTYPE CCountingRequest::SetAutoLogonPolicy(long policy)
{
    return m_inner->SetAutoLogonPolicy(policy);
}
