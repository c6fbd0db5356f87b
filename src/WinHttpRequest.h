#pragma once
// The platform's scriptable HTTP request object ("WinHttp.WinHttpRequest.5.1"), declared from
// its published definition.

#include <windows.h>
#include <oaidl.h>

enum HTTPREQUEST_PROXY_SETTING : long {
    HTTPREQUEST_PROXYSETTING_DEFAULT = 0,
    HTTPREQUEST_PROXYSETTING_PRECONFIG = 0,
    HTTPREQUEST_PROXYSETTING_DIRECT = 1,
    HTTPREQUEST_PROXYSETTING_PROXY = 2,
};

struct IWinHttpRequest : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE SetProxy(HTTPREQUEST_PROXY_SETTING ProxySetting, VARIANT ProxyServer,
                                               VARIANT BypassList) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCredentials(BSTR UserName, BSTR Password, long Flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR Method, BSTR Url, VARIANT Async) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRequestHeader(BSTR Header, BSTR Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResponseHeader(BSTR Header, BSTR* Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllResponseHeaders(BSTR* Headers) = 0;
    virtual HRESULT STDMETHODCALLTYPE Send(VARIANT Body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Status(long* Status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* Status) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseText(BSTR* Body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseBody(VARIANT* Body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResponseStream(VARIANT* Body) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Option(long Option, VARIANT* Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Option(long Option, VARIANT Value) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForResponse(VARIANT Timeout, VARIANT_BOOL* Succeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTimeouts(long ResolveTimeout, long ConnectTimeout, long SendTimeout,
                                                  long ReceiveTimeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientCertificate(BSTR ClientCertificate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAutoLogonPolicy(long AutoLogonPolicy) = 0;
};

// {016FE2EC-B2C8-45F8-B23B-39E53A75396B}
__CRT_UUID_DECL(IWinHttpRequest, 0x016FE2EC, 0xB2C8, 0x45F8, 0xB2, 0x3B, 0x39, 0xE5, 0x3A, 0x75, 0x39, 0x6B)
inline constexpr IID IID_WinHttpRequest = {0x016FE2EC, 0xB2C8, 0x45F8, {0xB2, 0x3B, 0x39, 0xE5, 0x3A, 0x75, 0x39, 0x6B}};
