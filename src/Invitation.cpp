#include "Invitation.h"

#include "Log.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t MarkerLength = 20;
constexpr wchar_t ParagraphMark = L'\r';

// The template with each CR LF pair reduced to its LF; a CR elsewhere is text, not a line break.
std::wstring withoutCarriageReturns(const std::wstring& source)
{
    std::wstring result;
    result.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        if (!(source[i] == L'\r' && i + 1 < source.size() && source[i + 1] == L'\n'))
            result += source[i];
    return result;
}

} // namespace

Invitation::Invitation(std::wstring templateText) : source(std::move(templateText))
{
    prepare(source);
}

void Invitation::prepare(const std::wstring& templateText)
{
    TVZ_LOG("Start prepare");
    std::wstring prepared = withoutCarriageReturns(templateText);

    const std::size_t firstBreak = prepared.find(L'\n');
    if (firstBreak == std::wstring::npos) {
        firstLine = prepared.substr(0, MarkerLength);
        lastLine = prepared.substr(prepared.size() - std::min(prepared.size(), MarkerLength));
    } else {
        firstLine = prepared.substr(0, firstBreak);
        lastLine = prepared.substr(prepared.rfind(L'\n') + 1);
    }

    // Outlook's editor shows a vertical tab as a line break inside the paragraph, which keeps the
    // whole invitation one paragraph that can be found and removed again as a unit.
    std::replace(prepared.begin(), prepared.end(), L'\n', L'\v');
    TVZ_LOG("Finished prepare");
    text = std::move(prepared);
}

std::size_t Invitation::paragraphBreaks() const noexcept
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), ParagraphMark));
}

std::optional<Invitation::Placement> Invitation::findInDocument(std::wstring_view document) const
{
    if (!usable())
        return std::nullopt;
    // From the end: the add appends the invitation last, and the same words further up are the
    // user's own.
    std::size_t start = document.rfind(firstLine);
    while (start != std::wstring_view::npos && start != 0 && document[start - 1] != ParagraphMark)
        start = document.rfind(firstLine, start - 1);
    if (start == std::wstring_view::npos)
        return std::nullopt;

    std::size_t end = start;
    for (std::size_t breaks = paragraphBreaks();; --breaks) {
        end = document.find(ParagraphMark, end);
        if (end == std::wstring_view::npos)
            return std::nullopt;
        if (breaks == 0)
            break;
        ++end;
    }
    if (!document.substr(start, end - start).ends_with(lastLine))
        return std::nullopt;
    return Placement{start, end};
}
