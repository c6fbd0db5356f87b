#include "Addin.h"

// The ribbon XML and the ribbon's callbacks. Until the ribbon is built the add-in offers no
// ribbon controls, so the host has nothing to call back.

HRESULT STDMETHODCALLTYPE CAddin::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml)
{
    if (!RibbonXml) {
        TVZ_LOG("Invalid pointer");
        return E_POINTER;
    }
    *RibbonXml = nullptr;
    if (!RibbonID) {
        TVZ_LOG("Ribbon ID  is NULL");
        return E_POINTER;
    }
    TVZ_LOG("GetCustomUI for ribbon: " << RibbonID);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnAddParleonButtonClicked(IDispatch*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::AddParleonButton_GetLabel(IDispatch*, BSTR* pbstrLabel)
{
    if (!pbstrLabel)
        return E_POINTER;
    *pbstrLabel = SysAllocString(L"Talvora");
    return *pbstrLabel ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CAddin::AddParleonButton_GetPressed(IDispatch*, VARIANT_BOOL*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnMeetNowMeetingButtonClicked(IDispatch*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnOpenYourWallButtonClicked(IDispatch*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnScheduleMeetingButtonClicked(IDispatch*)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnSettingsButtonClicked(IDispatch*)
{
    TVZ_LOG("OnSettingsButtonClicked");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAddin::OnGetImageByStr(BSTR, IPictureDisp** ppdispImage)
{
    if (ppdispImage)
        *ppdispImage = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CAddin::OnRibbonLoaded(IDispatch*)
{
    return S_OK;
}
