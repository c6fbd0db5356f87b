// Meeting composition: the subscription refresh and template fetch that guard every
// composition, the invitation footer in an open appointment's Word editor, and the invitation
// in an appointment's Body (the command-bar route).

#include "Addin.h"

#include "Com/ComError.h"
#include "Localization.h"
#include "Office/Ids.h"
#include "Server.h"
#include "UI/SuspendedSubscriptionDialog.h"

#include <vector>

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
        const Variant text = document.getObject(L"Content", Office::IID_WordRange).get(L"Text");
        // Searched in place: the body of a long appointment is not copied.
        return text.view().find(m_account.invitation.firstLine) != std::wstring_view::npos;
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
        const Office::Object paragraphs =
            document.getObject(L"Content", Office::IID_WordRange).getObject(L"Paragraphs", Office::IID_WordParagraphs);
        const Office::Object range = rangeOf(paragraphs.callObject(L"Add", Office::IID_WordParagraph));
        range.put(L"Text", Variant::fromString(text));
        range.call(L"Collapse");
        range.call(L"InsertParagraphAfter");
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
        const Office::Object paragraphs =
            document.getObject(L"Content", Office::IID_WordRange).getObject(L"Paragraphs", Office::IID_WordParagraphs);
        const std::wstring& firstLine = m_account.invitation.firstLine;
        const std::wstring& lastLine = m_account.invitation.lastLine;

        const auto paragraphAt = [&](long index) {
            return paragraphs.callObject(L"Item", Office::IID_WordParagraph, {Variant::fromInt32(index)});
        };
        const auto textOf = [&](const Office::Object& paragraph) { return rangeOf(paragraph).get(L"Text"); };

        bool found = false;
        std::vector<Office::Object> collected;
        for (long i = 1;; ++i) {
            if (i > paragraphs.get(L"Count").toInt32()) {
                // The last line never came: only the last collected paragraph goes.
                if (!collected.empty())
                    rangeOf(collected.back()).call(L"Delete");
                return;
            }
            const Office::Object paragraph = paragraphAt(i);
            const Variant text = textOf(paragraph);
            if (!found && text.view().find(firstLine) != std::wstring_view::npos) {
                found = true;
                if (i > 1) {
                    const Office::Object previous = paragraphAt(i - 1);
                    if (textOf(previous).view().size() < 2) // an empty paragraph: only its mark
                        collected.push_back(previous);
                }
            }
            if (found) {
                collected.push_back(paragraph);
                if (text.view().find(lastLine) != std::wstring_view::npos) {
                    for (const Office::Object& listed : collected)
                        rangeOf(listed).call(L"Delete");
                    return;
                }
            }
        }
    } catch (const ComError& error) {
        TVZ_LOG("Error removing PN footer: ");
        showComError(error);
    }
}

void CAddin::clearWallLocation(const Office::Object& appointment)
{
    const Variant location = appointment.get(L"Location");
    if (location.view() == Server::wallUrl(m_account)) // empty unless a text: the wall URL never is
        appointment.put(L"Location", Variant::fromString(L""));
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
    const std::wstring body = appointment.get(L"Body").toString();
    const std::wstring& lastLine = m_account.invitation.lastLine;
    const std::size_t start = body.find(m_account.invitation.firstLine);
    if (start == std::wstring::npos)
        return true;
    const std::size_t anchor = body.find(Localization::instance().getString(519));
    if (anchor == std::wstring::npos)
        return true;
    const std::size_t end = body.find(lastLine, anchor);
    if (end == std::wstring::npos)
        return true;

    std::wstring kept = body.substr(0, start);
    if (kept.size() >= 2 && kept.compare(kept.size() - 2, 2, L"\r\n") == 0)
        kept.resize(kept.size() - 2);
    if (!kept.empty() && kept.back() == L'\n')
        kept.pop_back();
    kept += body.substr(end + lastLine.size());
    appointment.put(L"Body", Variant::fromString(kept));
    return true;
}
