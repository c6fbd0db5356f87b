// The command bars of the hosts without a ribbon in the main window: the buttons of the
// Talvora bar, their pictures and click sinks, and the appointment toolbar of Outlook's
// inspectors.

#include "Addin.h"

#include "ButtonFace.h"
#include "Com/ComError.h"
#include "Office/Ids.h"
#include "Win/Clipboard.h"

using Com::ComError;
using Com::Variant;

namespace {

constexpr long ControlButton = 1;
constexpr long ControlPopup = 10;
constexpr long StyleIcon = 1;
constexpr long StyleIconAndCaption = 3;

Office::Object addControl(const Office::Object& controls, long type, const IID& iid)
{
    return controls.callObject(L"Add", iid,
                               {Variant::fromInt32(type), Variant::missing(), Variant::missing(), Variant::missing(),
                                Variant::fromBool(true)});
}

// Restores the user's clipboard content when it goes, whatever happened while it was lent out.
class ClipboardLoan {
public:
    explicit ClipboardLoan(Win::ClipboardContent saved) noexcept : m_saved(std::move(saved)) {}
    ClipboardLoan(const ClipboardLoan&) = delete;
    ClipboardLoan& operator=(const ClipboardLoan&) = delete;
    ~ClipboardLoan()
    {
        const Win::Clipboard clipboard;
        if (clipboard.isOpen())
            clipboard.restore(m_saved);
        else
            TVZ_LOG("Cannot open the clipboard to restore its content");
    }

private:
    Win::ClipboardContent m_saved;
};

// Hosts whose buttons have no Picture property (Office 2000) take a face only from the
// clipboard: it holds the bitmap just for the PasteFace call.
void pasteFace(const Office::Object& button, UINT bitmapId)
{
    Win::Bitmap face = ButtonFace::load(bitmapId, true);
    if (!face)
        return;
    Win::ClipboardContent saved;
    {
        const Win::Clipboard clipboard;
        if (!clipboard.isOpen()) {
            TVZ_LOG("Cannot open the clipboard: the button stays without picture");
            return;
        }
        saved = clipboard.copy();
        if (!saved.complete()) {
            // Lending the clipboard would lose what cannot be put back: the user's copy counts
            // for more than the button's picture.
            TVZ_LOG("The clipboard holds data that cannot be put back: the button stays without picture");
            return;
        }
        if (!clipboard.replaceWith(CF_BITMAP, face.get())) {
            clipboard.restore(saved);
            return;
        }
        face.release(); // the clipboard's now
    }
    const ClipboardLoan loan(std::move(saved));
    button.call(L"PasteFace");
}

// Outlook 2003 edits appointments in its own editor, not in Word: an inspector without a Word
// editor shows the invitation only in the item's Body.
bool bodyCarries(const Office::Object& appointment, const Invitation& invitation)
{
    if (!invitation.usable())
        return false;
    try {
        return appointment.get(L"Body").view().find(invitation.firstLine) != std::wstring_view::npos;
    } catch (const ComError&) {
        TVZ_LOG("Exception finding inviattion");
        return false;
    }
}

} // namespace

Office::Object CAddin::addButton(const Office::Object& controls, const std::wstring& caption, UINT bitmapId,
                                 const std::wstring& tag, const std::wstring& parameter, bool beginGroup, long faceId,
                                 const Office::Object& context)
{
    const Office::Object button = addControl(controls, ControlButton, Office::IID_CommandBarButton);
    if (!button)
        throw ComError(E_NOINTERFACE, Office::IID_CommandBarButton);
    button.put(L"Style", Variant::fromInt32(caption.empty() ? StyleIcon : StyleIconAndCaption));
    if (bitmapId != 0)
        setButtonPicture(button, bitmapId);
    if (!caption.empty())
        button.put(L"Caption", Variant::fromString(caption));
    if (beginGroup)
        button.put(L"BeginGroup", Variant::fromBool(true));
    if (!tag.empty())
        button.put(L"Tag", Variant::fromString(tag));
    if (!parameter.empty())
        button.put(L"Parameter", Variant::fromString(parameter));
    if (faceId != -1)
        button.put(L"FaceId", Variant::fromInt32(faceId));
    button.put(L"Enabled", Variant::fromBool(true));
    button.put(L"Visible", Variant::fromBool(true));
    if (!tag.empty()) {
        auto sink = std::make_unique<CEventsHandler>(*this);
        Com::check(sink->connect(button, context), Office::DIID_CommandBarButtonEvents);
        m_buttonSinks.push_back(std::move(sink));
    }
    return button;
}

Office::Object CAddin::addPopup(const Office::Object& controls, const std::wstring& caption, bool tagWanted,
                                const std::wstring& parameter, bool beginGroup)
{
    const Office::Object popup = addControl(controls, ControlPopup, Office::IID_CommandBarPopup);
    if (!popup)
        throw ComError(E_NOINTERFACE, Office::IID_CommandBarPopup);
    popup.put(L"Visible", Variant::fromBool(true));
    popup.put(L"Caption", Variant::fromString(caption));
    popup.put(L"Enabled", Variant::fromBool(true));
    if (tagWanted)
        popup.put(L"Tag", Variant::fromString(caption));
    if (!parameter.empty())
        popup.put(L"Parameter", Variant::fromString(parameter));
    if (beginGroup)
        popup.put(L"BeginGroup", Variant::fromBool(true));
    return popup;
}

// The face goes in through the button's Picture and Mask: the user's clipboard is not touched.
void CAddin::setButtonPicture(const Office::Object& button, UINT bitmapId)
{
    try {
        Win::Bitmap face = ButtonFace::load(bitmapId, false);
        if (!face) {
            TVZ_LOG("Cannot load bitmap " << bitmapId);
            return;
        }
        Win::Bitmap mask = ButtonFace::maskOf(face.get());
        const Variant picture = Variant::fromDispatch(ButtonFace::picture(std::move(face)).get());
        const Variant maskPicture = Variant::fromDispatch(ButtonFace::picture(std::move(mask)).get());
        button.put(L"Picture", picture);
        button.put(L"Mask", maskPicture); // after the picture, which it applies to
        return;
    } catch (const ComError& error) {
        TVZ_LOG("Button picture through PasteFace, Picture and Mask failed: 0x" << Log::hex(error.hr()));
    }
    pasteFace(button, bitmapId);
}

void CAddin::OnNewInspector(IDispatch* Inspector)
{
    TVZ_LOG("OnNewInspector");
    if (m_uiMode != UiModeCommandBars)
        return;
    TVZ_LOG("begin");
    const Office::Object inspector = Office::Object::query(Inspector, Office::IID_Inspector);
    const Office::Object appointment =
        inspector ? inspector.getObject(L"CurrentItem", Office::IID_AppointmentItem) : Office::Object();
    if (!appointment)
        return;
    const Office::Object bar =
        inspector.getObject(L"CommandBars", Office::IID_CommandBars)
            .callObject(L"Add", Office::IID_CommandBar,
                        {Variant::fromString(L"Talvora Appointment"), Variant::fromInt32(1), Variant::missing(),
                         Variant::fromBool(true)});
    const Office::Object controls = bar.getObject(L"Controls", Office::IID_CommandBarControls);
    const bool carries = HasInvitation(inspector) || bodyCarries(appointment, m_account.invitation);
    const unsigned number = m_inspectorButtonCount++;
    addButton(controls, carries ? L"Cancel Talvora" : L"Add Talvora", 255,
              L"tvz" + std::wstring(L"addParleon_") + std::to_wstring(number), carries ? L"true" : L"false", false,
              -1, appointment);
    bar.put(L"Visible", Variant::fromBool(true));
}
