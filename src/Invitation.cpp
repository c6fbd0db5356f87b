#include "Invitation.h"

#include "Log.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t MarkerLength = 20;

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
