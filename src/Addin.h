#pragma once
// CAddin: the COM object Office creates for the add-in, one per host process. It connects to the
// host through _IDTExtensibility2, serves the ribbon through IRibbonExtensibility and the
// ribbon's callbacks through the dual interface ITalvoraMeeting, and listens to Outlook's
// inspector events.

#include "Account.h"
#include "Com/BStr.h"
#include "Com/ComPtr.h"
#include "Com/DispatchImpl.h"
#include "Com/EventSink.h"
#include "Com/Module.h"
#include "EventsHandler.h"
#include "Log.h"
#include "Office/Dispatch.h"
#include "Office/HostInterfaces.h"
#include "OnlineConfig.h"
#include "TalvoraMeeting_h.h"

#include <olectl.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <vector>

enum UiMode : int {
    UiModeCommandBars = 0,
    UiModeRibbon = 1,
    UiModeMixed = 2,
};

// The host's major version from its Version text: the number before the first '.', ',' or '-';
// 12 when there is no such separator or it comes first.
int parseHostMajorVersion(const std::wstring& text);

namespace AddinTypeInfo {
extern const Com::TypeInfoSource TalvoraMeeting;
extern const Com::TypeInfoSource Extensibility;
extern const Com::TypeInfoSource Ribbon;
} // namespace AddinTypeInfo

class CAddin final : public Com::DispatchImpl<ITalvoraMeeting, AddinTypeInfo::TalvoraMeeting>,
                     public ISupportErrorInfo,
                     public Com::DispatchImpl<_IDTExtensibility2, AddinTypeInfo::Extensibility>,
                     public Com::DispatchImpl<IRibbonExtensibility, AddinTypeInfo::Ribbon> {
public:
    // The class factory's creation function: plain, or aggregated by `outer`.
    static HRESULT create(IUnknown* outer, REFIID iid, void** object);

    // IUnknown: delegates to the controlling unknown (the outer object when aggregated).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return m_controllingUnknown->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_controllingUnknown->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_controllingUnknown->Release(); }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // _IDTExtensibility2
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override
    {
        TVZ_LOG("OnStartupComplete");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override
    {
        TVZ_LOG("OnBeginShutdown");
        return S_OK;
    }

    // IRibbonExtensibility
    HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

    // ITalvoraMeeting: the ribbon callbacks.
    HRESULT STDMETHODCALLTYPE OnAddParleonButtonClicked(IDispatch* pControl) override;
    HRESULT STDMETHODCALLTYPE AddParleonButton_GetLabel(IDispatch* pControl, BSTR* pbstrLabel) override;
    HRESULT STDMETHODCALLTYPE AddParleonButton_GetPressed(IDispatch* pControl, VARIANT_BOOL* pvarfPressed) override;
    HRESULT STDMETHODCALLTYPE OnMeetNowMeetingButtonClicked(IDispatch* ribbonControl) override;
    HRESULT STDMETHODCALLTYPE OnOpenYourWallButtonClicked(IDispatch* ribbonControl) override;
    HRESULT STDMETHODCALLTYPE OnScheduleMeetingButtonClicked(IDispatch* ribbonControl) override;
    HRESULT STDMETHODCALLTYPE OnSettingsButtonClicked(IDispatch* ribbonControl) override;
    HRESULT STDMETHODCALLTYPE OnGetImageByStr(BSTR strValue, IPictureDisp** ppdispImage) override;
    HRESULT STDMETHODCALLTYPE OnRibbonLoaded(IDispatch* strValue) override;

    // Outlook's InspectorsEvents::NewInspector: the appointment toolbar of the command-bar route.
    void OnNewInspector(IDispatch* inspector);

    // Records the Office interface language (LanguageSettings.LanguageID(msoLanguageIDUI)).
    void SetupLocale(IDispatch* application);

    UiMode uiMode() const noexcept { return m_uiMode; }

    // The idMso of the tab that carries the Talvora group for a ribbon id; empty for others.
    static std::wstring getMainTabName(const std::wstring& ribbonId);

    // The commands.
    void createAppointment();
    void runParleon(bool unused);
    void openProperWall();

    // Composition: the guards every composition starts with (true: go on), the invitation as the
    // footer of the Word editor of an open appointment, and in an appointment's Body.
    bool getTFPhones(bool reload);
    bool getInvitationBody(bool reload);
    bool HasInvitation(const Office::Object& inspector);
    void addPNFooter(const Office::Object& inspector, const std::wstring& text);
    void removePNFooter(const Office::Object& inspector);
    // Location: the wall URL, after a place the user typed ("; " between them); and away again.
    void addWallLocation(const Office::Object& appointment);
    void clearWallLocation(const Office::Object& appointment);
    // The command-bar route; false when a service request stopped it (nothing changed).
    bool addInvitationToBody(const Office::Object& appointment);
    bool removeInvitationFromBody(const Office::Object& appointment);

    // The version gate of the ribbon commands: at most every m_checkIntervalMinutes an online
    // check; false when the user chose to update instead of running the command.
    bool checkVersion();
    bool checkVersionOnline();
    OnlineConfig loadConfig();

    CAccount& account() noexcept { return m_account; }
    const OnlineConfig& config() const noexcept { return m_config; }
    // The clock of the version gate, in seconds since 1970 (tests move it).
    using Clock = std::time_t (*)();
    void setClock(Clock clock) noexcept { m_clock = clock; }

private:
    // The non-delegating unknown: the object's own identity and reference count.
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(CAddin& owner) noexcept : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        CAddin& m_owner;
        std::atomic<ULONG> m_refs{0};
    };

    explicit CAddin(IUnknown* outer)
        : m_controllingUnknown(outer ? outer : &m_innerUnknown),
          m_inspectorsEvents(Office::DIID_InspectorsEvents, this, &CAddin::onInspectorsEvent)
    {
        TVZ_LOG("Constructor");
    }
    CAddin(const CAddin&) = delete;
    CAddin& operator=(const CAddin&) = delete;
    ~CAddin();

    static void onInspectorsEvent(void* self, DISPID id, DISPPARAMS* params) noexcept;

    // The command bars: the Talvora bar of the main window and the appointment toolbar.
    Office::Object addButton(const Office::Object& controls, const std::wstring& caption, UINT bitmapId,
                             const std::wstring& tag, const std::wstring& parameter, bool beginGroup, long faceId,
                             const Office::Object& context);
    Office::Object addPopup(const Office::Object& controls, const std::wstring& caption, bool tagWanted,
                            const std::wstring& parameter, bool beginGroup);
    void setButtonPicture(const Office::Object& button, UINT bitmapId);
    // Nothing stays advised on a host that keeps running after the add-in is turned off.
    void releaseHostObjects() noexcept;
    // The user turned the add-in off while the host runs on: its bar would stay with dead
    // buttons, and block the bar of the next connection, which has the same name.
    void removeMainCommandBar();

    // Declaration order is the reverse of the release order at destruction.
    Com::ModuleLock m_moduleLock;
    InnerUnknown m_innerUnknown{*this};
    IUnknown* m_controllingUnknown;
    Com::EventSink m_inspectorsEvents;
    Com::ComPtr<IDispatch> m_spRibbonUI;
    Office::Object m_spNewCmdBar;
    Office::Object m_spOutlookApp;
    Office::Object m_pPopUpParleon;
    UiMode m_uiMode = UiModeCommandBars;
    CAccount m_account;
    std::vector<std::unique_ptr<CEventsHandler>> m_buttonSinks;
    unsigned m_inspectorButtonCount = 0;
    Com::BStr m_hostName;
    int m_checkIntervalMinutes = 120;
    bool m_updateAvailable = false;
    std::wstring m_onlineVersionText;
    VersionNumbers m_onlineVersion = {-1, -1, -1, -1};
    std::time_t m_lastCheckTime = 0;
    OnlineConfig m_config;
    Clock m_clock = [] { return std::time(nullptr); };
};
