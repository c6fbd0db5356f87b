// Out of memory at every step of every host entry point: the 1st, 2nd, ... allocation made inside
// the call fails in turn, until the call makes no more. Each case must end in an HRESULT (no
// exception reaches the host), free everything it allocated, give the host's object back its
// references, and leave the add-in working: the same call without a failure gives the usual
// answer afterwards.

#include "Addin.h"
#include "Com/BStr.h"
#include "Com/TypeLibrary.h"
#include "FailingAllocator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer();
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer();

namespace {

// A host object that allocates nothing of ours: it answers every interface with itself and the
// few members the entry points read (an Excel 16 application, its command bars and language
// settings, a ribbon control without a window).
class StandInHost final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        for (DISPID id = 0; id < static_cast<DISPID>(std::size(Members)); ++id) {
            if (std::wcscmp(names[0], Members[id]) == 0) {
                ids[0] = id + 1;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (!result)
            return S_OK;
        VariantInit(result);
        switch (id) {
        case 1: // Name
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"Microsoft Excel");
            break;
        case 2: // Version
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"16.0.4266");
            break;
        case 3: // CommandBars
        case 4: // LanguageSettings
            result->vt = VT_DISPATCH;
            result->pdispVal = this;
            AddRef();
            break;
        case 5: // LanguageID
            result->vt = VT_I4;
            result->lVal = 1033;
            break;
        default: // Context: no window
            break;
        }
        return S_OK;
    }

    ULONG refs() const noexcept { return m_refs; }

private:
    static constexpr const wchar_t* Members[] = {L"Name", L"Version", L"CommandBars", L"LanguageSettings",
                                                L"LanguageID", L"Context"};
    ULONG m_refs = 1;
};

// Closes the message boxes a failed call shows (GetCustomUI's "GetCustomUI FAILED") without
// allocating, so that the closing cannot be the allocation that fails.
class BoxCloser {
public:
    BoxCloser() : m_hook(SetWindowsHookExW(WH_CBT, &BoxCloser::hook, nullptr, GetCurrentThreadId())) {}
    ~BoxCloser() { UnhookWindowsHookEx(m_hook); }
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam)
    {
        wchar_t className[16] = {};
        if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 16)
            && std::wcscmp(className, L"#32770") == 0)
            PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook;
};

struct SweepResult {
    int cases = 0;
    int escaped = 0;
};

class AllocationSweep : public testing::Test {
protected:
    void SetUp() override
    {
        Log::open(getLogFilePath()); // log lines allocate too
        ASSERT_EQ(CAddin::create(nullptr, IID_ITalvoraMeeting, reinterpret_cast<void**>(m_addin.put())), S_OK);
        ASSERT_EQ(connection()->OnConnection(&host, ext_cm_Startup, nullptr, nullptr), S_OK);
    }
    void TearDown() override
    {
        m_addin.reset();
        Log::close();
    }

    ITalvoraMeeting* addin() const { return m_addin.get(); }
    _IDTExtensibility2* connection() const { return static_cast<CAddin*>(m_addin.get()); }
    IRibbonExtensibility* ribbon() const { return static_cast<CAddin*>(m_addin.get()); }

    // Runs `call` once to warm the caches, then once per allocation it makes with that one
    // failing; `check` runs after each case and after a clean call that follows it. `prepare`
    // (without failures) comes before every call. Slow calls may leave the clean call after each
    // case out: the last round of the sweep is a clean call all the same.
    SweepResult sweep(const char* name, const std::function<HRESULT()>& call,
                      const std::function<void(HRESULT hr, bool failedAllocation)>& check,
                      const std::function<void()>& prepare = [] {}, bool recheckEveryCase = true)
    {
        SweepResult result;
        prepare();
        check(call(), false);
        for (std::size_t n = 1;; ++n) {
            prepare();
            SCOPED_TRACE(std::string(name) + ", allocation " + std::to_string(n));
            const ULONG refs = host.refs();
            const long locks = Com::Module::lockCount();
            const long long live = FailingAllocator::live();
            HRESULT hr = E_UNEXPECTED;
            bool failed = false;
            FailingAllocator::failAt(n);
            try {
                hr = call();
                failed = FailingAllocator::disarm();
            } catch (...) {
                failed = FailingAllocator::disarm();
                ++result.escaped;
                ADD_FAILURE() << "an exception escaped";
            }
            if (!failed)
                break; // the call made fewer allocations than n: every one has failed once
            ++result.cases;
            EXPECT_LE(FailingAllocator::live(), live) << "leaked"; // fewer: it let go of something older
            EXPECT_EQ(host.refs(), refs) << "the host object's references";
            EXPECT_EQ(Com::Module::lockCount(), locks);
            check(hr, true);
            if (recheckEveryCase) {
                prepare();
                check(call(), false); // and it still works
            }
            if (HasFatalFailure() || result.cases > 20000)
                break;
        }
        std::cout << "[ sweep    ] " << name << ": " << result.cases << " failed allocations, " << result.escaped
                  << " escaped\n";
        return result;
    }

    static std::wstring take(BSTR& text)
    {
        std::wstring copy = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
        SysFreeString(text);
        text = nullptr;
        return copy;
    }

    StandInHost host;
    BoxCloser boxes;

private:
    Com::ComPtr<ITalvoraMeeting> m_addin;
};

} // namespace

TEST_F(AllocationSweep, ObjectCreation)
{
    sweep(
        "CAddin::create",
        [] {
            IUnknown* object = nullptr;
            const HRESULT hr = CAddin::create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
            if (object)
                object->Release();
            return hr;
        },
        [](HRESULT hr, bool failed) {
            if (failed) {
                EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << std::hex << hr;
            } else {
                EXPECT_EQ(hr, S_OK);
            }
        });
}

TEST_F(AllocationSweep, ConnectionLifecycle)
{
    const auto alwaysOk = [](HRESULT hr, bool) { EXPECT_EQ(hr, S_OK); };
    sweep("OnConnection", [&] { return connection()->OnConnection(&host, ext_cm_Startup, nullptr, nullptr); },
          [&](HRESULT hr, bool failed) {
              EXPECT_EQ(hr, S_OK);
              if (!failed) {
                  EXPECT_EQ(static_cast<CAddin*>(addin())->uiMode(), UiModeRibbon);
              }
          });
    sweep("OnStartupComplete", [&] { return connection()->OnStartupComplete(nullptr); }, alwaysOk);
    sweep("OnBeginShutdown", [&] { return connection()->OnBeginShutdown(nullptr); }, alwaysOk);
    sweep("OnAddInsUpdate", [&] { return connection()->OnAddInsUpdate(nullptr); }, alwaysOk);
    sweep("OnDisconnection", [&] { return connection()->OnDisconnection(ext_dm_HostShutdown, nullptr); }, alwaysOk,
          [] { Log::open(getLogFilePath()); });
}

TEST_F(AllocationSweep, RibbonCallbacks)
{
    for (const wchar_t* id : {L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Appointment", L"Microsoft.Word.Document",
                              L"Microsoft.Outlook.Read"}) {
        const Com::BStr ribbonId(id);
        BSTR xml = nullptr;
        ASSERT_EQ(ribbon()->GetCustomUI(ribbonId.get(), &xml), S_OK);
        const std::wstring expected = take(xml);
        sweep(("GetCustomUI " + std::string(ribbonId.view().begin(), ribbonId.view().end())).c_str(),
              [&] {
                  const HRESULT hr = ribbon()->GetCustomUI(ribbonId.get(), &xml);
                  return hr;
              },
              [&](HRESULT hr, bool failed) {
                  EXPECT_EQ(hr, S_OK);
                  const std::wstring answered = take(xml);
                  if (!failed) {
                      EXPECT_EQ(answered, expected);
                  } else {
                      EXPECT_TRUE(answered.empty() || answered == expected);
                  }
              });
    }

    const Com::BStr image(L"meetnow");
    IPictureDisp* picture = nullptr;
    sweep("OnGetImageByStr", [&] { return addin()->OnGetImageByStr(image.get(), &picture); },
          [&](HRESULT hr, bool failed) {
              EXPECT_TRUE(hr == S_OK || (failed && hr == S_FALSE)) << std::hex << hr;
              if (picture)
                  picture->Release();
              picture = nullptr;
          });
    sweep("OnRibbonLoaded", [&] { return addin()->OnRibbonLoaded(&host); },
          [](HRESULT hr, bool) { EXPECT_EQ(hr, S_OK); });

    BSTR label = nullptr;
    sweep("AddParleonButton_GetLabel", [&] { return addin()->AddParleonButton_GetLabel(&host, &label); },
          [&](HRESULT hr, bool) {
              EXPECT_EQ(hr, S_OK);
              EXPECT_EQ(take(label), L"Talvora");
          });
    VARIANT_BOOL pressed = VARIANT_FALSE;
    sweep("AddParleonButton_GetPressed", [&] { return addin()->AddParleonButton_GetPressed(&host, &pressed); },
          [](HRESULT hr, bool) { EXPECT_EQ(hr, S_OK); });
}

// Through the type information, which is loaded afresh for each case: the first call after
// the module let its cache go allocates it again.
TEST_F(AllocationSweep, DispatchThroughTheTypeInformation)
{
    const auto fresh = [](const std::function<HRESULT()>& call) {
        return [call] {
            Com::releaseTypeInfos();
            const HRESULT hr = call();
            Com::releaseTypeInfos();
            return hr;
        };
    };
    ITypeInfo* info = nullptr;
    sweep("GetTypeInfo", fresh([&] { return addin()->GetTypeInfo(0, LOCALE_SYSTEM_DEFAULT, &info); }),
          [&](HRESULT hr, bool failed) {
              EXPECT_TRUE(hr == S_OK || (failed && hr == E_OUTOFMEMORY)) << std::hex << hr;
              if (info)
                  info->Release();
              info = nullptr;
          });
    wchar_t name[] = L"AddParleonButton_GetLabel";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    sweep("GetIDsOfNames", fresh([&] { return addin()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id); }),
          [&](HRESULT hr, bool failed) {
              EXPECT_TRUE(hr == S_OK || (failed && hr == E_OUTOFMEMORY)) << std::hex << hr;
              if (hr == S_OK) {
                  EXPECT_EQ(id, 2);
              }
          });
    VARIANT result;
    VariantInit(&result);
    sweep("Invoke",
          fresh([&] {
              VARIANT control;
              VariantInit(&control);
              control.vt = VT_DISPATCH;
              control.pdispVal = &host;
              DISPPARAMS params{&control, nullptr, 1, 0};
              return addin()->Invoke(2, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                     nullptr);
          }),
          [&](HRESULT hr, bool failed) {
              EXPECT_TRUE(hr == S_OK || (failed && hr == E_OUTOFMEMORY)) << std::hex << hr;
              if (hr == S_OK) {
                  EXPECT_EQ(result.vt, VT_BSTR);
              }
              VariantClear(&result);
          });
}

// The registration exports, linked into this program: they write the registration of this
// program's module, which the last round of the unregistration removes again.
TEST_F(AllocationSweep, Registration)
{
    const auto succeedsOrRunsOutOfMemory = [](HRESULT hr, bool failed) {
        if (failed) {
            EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << std::hex << hr;
        } else {
            EXPECT_EQ(hr, S_OK);
        }
    };
    sweep("DllRegisterServer", [] { return DllRegisterServer(); }, succeedsOrRunsOutOfMemory, [] {}, false);
    sweep("DllUnregisterServer", [] { return DllUnregisterServer(); }, succeedsOrRunsOutOfMemory,
          [] { ASSERT_EQ(DllRegisterServer(), S_OK); }, false);
}
