// The DLL as a COM server: class object, identity, aggregation, dispatch and unloading.

#include "DocumentedIds.h"
#include "AddinHost.h"
#include "Com/ComPtr.h"
#include "Office/HostInterfaces.h"
#include "SpineFixture.h"
#include "TalvoraMeeting_h.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using Com::ComPtr;

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

class ServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryW(TestSupport::addinDllPath().c_str());
        ASSERT_TRUE(m_module);
        m_getClassObject = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
        m_canUnloadNow =
            reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
        ASSERT_TRUE(m_getClassObject && m_canUnloadNow);
    }
    void TearDown() override { FreeLibrary(m_module); }

    ComPtr<IClassFactory> classObject()
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(m_getClassObject(Spine::CLSID_TalvoraMeeting, IID_IClassFactory, factory.putVoid()), S_OK);
        return factory;
    }

    HMODULE m_module = nullptr;
    GetClassObject m_getClassObject = nullptr;
    CanUnloadNow m_canUnloadNow = nullptr;
};

// An outer object that aggregates the add-in and counts the references it receives.
class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    ULONG refs = 1;
    ComPtr<IUnknown> inner;
};

ULONG refCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace

TEST_F(ServerTest, UnknownClassesAreNotAvailable)
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(m_getClassObject(IID_IDispatch, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(factory);
}

TEST_F(ServerTest, OneObjectWithOneIdentityAndTheInterfacesOfAnAddin)
{
    ComPtr<IUnknown> addin;
    ASSERT_EQ(classObject()->CreateInstance(nullptr, IID_IUnknown, addin.putVoid()), S_OK);
    EXPECT_EQ(refCount(addin.get()), 1u);

    const ComPtr<ITalvoraMeeting> meeting = addin.query<ITalvoraMeeting>(Documented::IID_ITalvoraMeeting);
    const ComPtr<IDispatch> dispatch = addin.query<IDispatch>(IID_IDispatch);
    const ComPtr<_IDTExtensibility2> extensibility = addin.query<_IDTExtensibility2>(Documented::IID_DTExtensibility2);
    const ComPtr<IRibbonExtensibility> ribbon = addin.query<IRibbonExtensibility>(Documented::IID_RibbonExtensibility);
    const ComPtr<ISupportErrorInfo> errorInfo = addin.query<ISupportErrorInfo>(IID_ISupportErrorInfo);
    ASSERT_TRUE(meeting && dispatch && extensibility && ribbon && errorInfo);
    EXPECT_EQ(static_cast<IDispatch*>(meeting.get()), dispatch.get()) << "IDispatch is ITalvoraMeeting";
    EXPECT_EQ(errorInfo.query<IUnknown>(IID_IUnknown).get(), addin.get());
    EXPECT_EQ(refCount(addin.get()), 6u);

    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(Documented::IID_ITalvoraMeeting), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(Documented::IID_DTExtensibility2), S_FALSE);
    EXPECT_FALSE(addin.query<IClassFactory>(IID_IClassFactory));
}

TEST_F(ServerTest, TheRibbonCallbacksAreDispatchedByName)
{
    ComPtr<IDispatch> addin;
    ASSERT_EQ(classObject()->CreateInstance(nullptr, IID_IUnknown, addin.putVoid()), S_OK);
    ComPtr<IDispatch> dispatch = addin.query<IDispatch>(IID_IDispatch);

    const wchar_t* const names[] = {L"OnAddParleonButtonClicked",      L"AddParleonButton_GetLabel",
                                    L"AddParleonButton_GetPressed",    L"OnMeetNowMeetingButtonClicked",
                                    L"OnOpenYourWallButtonClicked",    L"OnScheduleMeetingButtonClicked",
                                    L"OnSettingsButtonClicked",        L"OnGetImageByStr",
                                    L"OnRibbonLoaded"};
    for (DISPID expected = 1; expected <= 9; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK) << names[expected - 1];
        EXPECT_EQ(id, expected) << names[expected - 1];
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"NoSuchCallback");
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_SYSTEM_DEFAULT, &id), DISP_E_UNKNOWNNAME);

    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->guid, Documented::IID_ITalvoraMeeting);
    info->ReleaseTypeAttr(attributes);
}

TEST_F(ServerTest, AggregatedCreationDelegatesToTheOuterObject)
{
    Outer outer;
    ComPtr<IClassFactory> factory = classObject();
    ComPtr<IUnknown> refused;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, refused.putVoid()), CLASS_E_NOAGGREGATION);

    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.putVoid()), S_OK);
    ASSERT_TRUE(outer.inner);
    const ULONG before = outer.refs;
    {
        ComPtr<_IDTExtensibility2> extensibility;
        ASSERT_EQ(outer.inner->QueryInterface(Documented::IID_DTExtensibility2, extensibility.putVoid()), S_OK);
        EXPECT_EQ(outer.refs, before + 1) << "references on an interface count on the outer object";
        ComPtr<IUnknown> identity;
        ASSERT_EQ(extensibility->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
    }
    EXPECT_EQ(outer.refs, before);
    factory.reset();
    EXPECT_EQ(m_canUnloadNow(), S_FALSE);
    outer.inner.reset();
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}

TEST_F(ServerTest, TheDllStaysLoadedWhileAnObjectOrALockLives)
{
    EXPECT_EQ(m_canUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory = classObject();
    EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "a held class object keeps the DLL";
    ComPtr<IUnknown> addin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, addin.putVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(m_canUnloadNow(), S_FALSE);
    addin.reset();
    EXPECT_EQ(m_canUnloadNow(), S_FALSE) << "the server lock is still held";
    classObject()->LockServer(FALSE);
    EXPECT_EQ(m_canUnloadNow(), S_OK);
}
