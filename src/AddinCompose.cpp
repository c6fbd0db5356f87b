// Meeting composition: the subscription refresh and template fetch that guard every
// composition, the invitation footer in an open appointment's Word editor, and the invitation
// in an appointment's Body (the command-bar route).

#include "Addin.h"

#include "Com/ComError.h"
#include "Localization.h"
#include "Office/Ids.h"
#include "Server.h"
#include "UI/SuspendedSubscriptionDialog.h"

#include <algorithm>
#include <optional>
#include <string_view>

using Com::ComError;
using Com::Variant;

namespace {

void showRefusal()
{
    const Localization& strings = Localization::instance();
    MessageBoxW(nullptr, strings.getString(508).c_str(), strings.getFormattedString(507).c_str(), MB_ICONWARNING);
}

void showComError(const ComError& error)
{
    MessageBoxW(nullptr, error.message().c_str(), Server::Caption, MB_ICONERROR);
}

// The appointment's body as the inspector's Word editor holds it; null when it has none.
Office::Object wordDocument(const Office::Object& inspector)
{
    return inspector.getObject(L"WordEditor", Office::IID_WordDocument);
}

Office::Object rangeOf(const Office::Object& paragraph)
{
    return paragraph.getObject(L"Range", Office::IID_WordRange);
}

Office::Object paragraphAt(const Office::Object& paragraphs, long index)
{
    return paragraphs.callObject(L"Item", Office::IID_WordParagraph, {Variant::fromInt32(index)});
}

constexpr wchar_t ParagraphMark = L'\r';
constexpr wchar_t LocationSeparator[] = L"; ";

// The invitation's paragraphs in an editor document.
struct InvitationParagraphs {
    Office::Object paragraphs;
    long first = 0; // 1-based
    long last = 0;
    long count = 0; // the document's paragraphs
    Office::Object firstRange;
    Office::Object lastRange;
    bool emptyBefore = false; // the paragraph before holds only its mark, as the add leaves it
};

// Found in the document's text (one read, whatever its length) and confirmed on the paragraphs
// themselves before anything is taken for the invitation. Paragraphs are counted from the end:
// the invitation was appended, and whatever the user's text above it holds cannot shift them.
std::optional<InvitationParagraphs> findInvitation(const Office::Object& content, const Invitation& invitation)
{
    const Variant text = content.get(L"Text");
    const std::wstring_view document = text.view();
    const auto placement = invitation.findInDocument(document);
    if (!placement)
        return std::nullopt;

    InvitationParagraphs found;
    found.paragraphs = content.getObject(L"Paragraphs", Office::IID_WordParagraphs);
    found.count = found.paragraphs.get(L"Count").toInt32();
    const auto marksAfter = std::count(document.begin() + static_cast<std::ptrdiff_t>(placement->end) + 1,
                                       document.end(), ParagraphMark);
    found.last = found.count - static_cast<long>(marksAfter);
    found.first = found.last - static_cast<long>(invitation.paragraphBreaks());
    if (found.first < 1)
        return std::nullopt;

    std::wstring held;
    for (long index = found.first; index <= found.last; ++index) {
        const Office::Object range = rangeOf(paragraphAt(found.paragraphs, index));
        held += range.get(L"Text").view();
        if (index == found.first)
            found.firstRange = range;
        found.lastRange = range;
    }
    if (held != document.substr(placement->start, placement->end + 1 - placement->start))
        return std::nullopt;
    const std::size_t start = placement->start;
    found.emptyBefore = start == 1 || (start > 1 && document[start - 2] == ParagraphMark);
    return found;
}

} // namespace

bool CAddin::getTFPhones(bool reload)
{
    TVZ_LOG("begin");
    if (reload) {
        m_account.load();
        const bool wasComplete = m_account.isComplete();
        if (!m_account.ensureLoggedIn(false))
            return false;
        if (!wasComplete)
            return true; // just signed in: the subscription is fresh
    }
    Server server(m_account);
    bool communicationFailed = false;
    if (server.getPhone(communicationFailed)) {
        m_account.save(true);
        if (m_account.subscription.status == "suspended") {
            CSuspendedSubscriptionDialog dialog(m_account);
            dialog.runModal(GetActiveWindow());
            return false;
        }
        return true;
    }
    if (communicationFailed)
        return false;
    showRefusal();
    return m_account.ensureLoggedIn(true);
}

bool CAddin::getInvitationBody(bool reload)
{
    TVZ_LOG("begin");
    if (reload) {
        if (!m_account.isComplete())
            m_account.load();
        if (!m_account.ensureLoggedIn(false))
            return false;
    }
    Server server(m_account);
    bool communicationFailed = false;
    if (!server.getInvitation(communicationFailed)) {
        if (communicationFailed)
            return false;
        showRefusal();
        if (!m_account.ensureLoggedIn(true))
            return false;
    }
    m_account.save(true);
    return true;
}

bool CAddin::HasInvitation(const Office::Object& inspector)
{
    if (!m_account.invitation.usable())
        return false;
    try {
        const Office::Object document = wordDocument(inspector);
        if (!document)
            return false;
        // The removal's own search: the toggle offers to cancel only what it can remove.
        return findInvitation(document.getObject(L"Content", Office::IID_WordRange), m_account.invitation).has_value();
    } catch (const ComError&) {
        TVZ_LOG("Exception finding inviattion");
        return false;
    }
}

void CAddin::addPNFooter(const Office::Object& inspector, const std::wstring& text)
{
    try {
        const Office::Object document = wordDocument(inspector);
        if (!document)
            return;
        const Office::Object application = document.getObject(L"Application", Office::IID_WordApplication);
        // Paragraphs.Add at the end of a document answers its last paragraph, the user's own
        // text: the invitation is written after the content instead, behind an empty paragraph,
        // and takes the place of nothing.
        const Office::Object content = document.getObject(L"Content", Office::IID_WordRange);
        content.call(L"InsertParagraphAfter");
        content.call(L"InsertParagraphAfter");
        content.call(L"InsertAfter", {Variant::fromString(text)});
    } catch (const ComError& error) {
        TVZ_LOG("Error adding PN footer: ");
        showComError(error);
    }
}

void CAddin::removePNFooter(const Office::Object& inspector)
{
    try {
        const Office::Object document = wordDocument(inspector);
        if (!document)
            return;
        const Office::Object application = document.getObject(L"Application", Office::IID_WordApplication);
        const auto found = findInvitation(document.getObject(L"Content", Office::IID_WordRange), m_account.invitation);
        if (!found)
            return;
        Office::Object from = found->firstRange;
        if (found->emptyBefore) {
            const Office::Object before = rangeOf(paragraphAt(found->paragraphs, found->first - 1));
            if (before.get(L"Text").view().size() < 2) // only its paragraph mark
                from = before;
        }
        long start = from.get(L"Start").toInt32();
        // Word keeps a document's final paragraph mark: when the invitation ends the document,
        // the mark before it goes instead, and the document is again what it was before the add.
        if (found->last == found->count && start > 0)
            --start;
        found->lastRange.put(L"Start", Variant::fromInt32(start));
        found->lastRange.call(L"Delete");
    } catch (const ComError& error) {
        TVZ_LOG("Error removing PN footer: ");
        showComError(error);
    }
}

void CAddin::addWallLocation(const Office::Object& appointment)
{
    const std::wstring wall = Server::wallUrl(m_account);
    const std::wstring location = appointment.get(L"Location").toString();
    // A place the user typed stays; the wall comes after it.
    if (location.empty())
        appointment.put(L"Location", Variant::fromString(wall));
    else if (location != wall && !location.ends_with(LocationSeparator + wall))
        appointment.put(L"Location", Variant::fromString(location + LocationSeparator + wall));
}

void CAddin::clearWallLocation(const Office::Object& appointment)
{
    const std::wstring wall = Server::wallUrl(m_account);
    const std::wstring suffix = LocationSeparator + wall;
    const Variant location = appointment.get(L"Location");
    const std::wstring_view text = location.view(); // empty unless a text: the wall URL never is
    if (text == wall)
        appointment.put(L"Location", Variant::fromString(L""));
    else if (text.ends_with(suffix))
        appointment.put(L"Location", Variant::fromString(text.substr(0, text.size() - suffix.size())));
}

bool CAddin::addInvitationToBody(const Office::Object& appointment)
{
    if (!getTFPhones(true) || !getInvitationBody(true))
        return false;
    const std::wstring body = appointment.get(L"Body").toString();
    appointment.put(L"Body", Variant::fromString(body + m_account.invitation.text));
    return true;
}

bool CAddin::removeInvitationFromBody(const Office::Object& appointment)
{
    if (m_account.accessCode.empty() && !getInvitationBody(true))
        return false;
    const Invitation& invitation = m_account.invitation;
    if (!invitation.usable())
        return true; // nothing to tell the invitation from the user's text by
    const std::wstring body = appointment.get(L"Body").toString();
    // The invitation was appended: the last copy of its first line is where it starts, and
    // its anchor and last line come after that, never from the user's text before it.
    const std::size_t start = body.rfind(invitation.firstLine);
    if (start == std::wstring::npos)
        return true;
    const std::size_t anchor = body.find(Localization::instance().getString(519), start);
    if (anchor == std::wstring::npos)
        return true;
    const std::size_t end = body.find(invitation.lastLine, anchor);
    if (end == std::wstring::npos)
        return true;

    std::wstring kept = body.substr(0, start);
    if (kept.ends_with(L"\r\n"))
        kept.resize(kept.size() - 2);
    if (kept.ends_with(L'\n'))
        kept.pop_back();
    kept += body.substr(end + invitation.lastLine.size());
    appointment.put(L"Body", Variant::fromString(kept));
    return true;
}
