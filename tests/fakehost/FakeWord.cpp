#include "FakeWord.h"

#include "DocumentedIds.h"
#include "Com/ComError.h"
#include "Office/Ids.h"

#include <algorithm>

namespace Fake {

using Com::Variant;

namespace {

constexpr wchar_t ParagraphMark = L'\r';

// Whether the caller passed argument `index` (Automation marks an omitted one as VT_ERROR).
bool given(const Args& args, std::size_t index)
{
    if (index >= args.size())
        return false;
    const VARIANT& arg = args[index].get();
    return !(arg.vt == VT_ERROR && arg.scode == DISP_E_PARAMNOTFOUND);
}

Variant dispatch(const Ref& object)
{
    return Variant::fromDispatch(object.get());
}

Ref makeParagraphs(const std::shared_ptr<WordStory>& story, std::shared_ptr<WordStory::Span> within);

Ref makeRange(const std::shared_ptr<WordStory>& story, WordStory::Span span)
{
    auto range = story->track(span);
    Ref object = Object::create(L"Range");
    object->answers(Documented::IID_WordRange);
    object->property(
        L"Text", [story, range](const Args&) { return Variant::fromString(story->textOf(*range)); },
        [story, range](const Variant& text) { story->setText(*range, text.toString()); });
    object->property(L"Paragraphs", [story, range](const Args&) { return dispatch(makeParagraphs(story, range)); });
    object->property(
        L"Start", [story, range](const Args&) { return Variant::fromInt32(range->whole ? 0 : range->start); },
        [story, range](const Variant& position) { story->setStart(*range, position.toInt32()); });
    object->property(
        L"End", [story, range](const Args&) { return Variant::fromInt32(range->whole ? story->length() : range->end); },
        [story, range](const Variant& position) { story->setEnd(*range, position.toInt32()); });
    object->method(L"InsertAfter", [story, range](const Args& args) {
        story->insertAfter(*range, args.empty() ? std::wstring() : args[0].toString());
        return Variant();
    });
    object->method(L"Collapse", [story, range](const Args& args) {
        story->collapse(*range, given(args, 0) ? args[0].toInt32() : Word::wdCollapseStart);
        return Variant();
    });
    object->method(L"InsertParagraphAfter", [story, range](const Args&) {
        story->insertParagraphAfter(*range);
        return Variant();
    });
    object->method(L"Delete", [story, range](const Args& args) {
        // Units other than one character are not modelled: fail loudly rather than guess.
        if (given(args, 0) || given(args, 1))
            throw Com::ComError(E_NOTIMPL, Documented::IID_WordRange);
        return Variant::fromInt32(story->remove(*range) ? 1 : 0);
    });
    story->prepare(*object);
    return object;
}

Ref makeParagraph(const std::shared_ptr<WordStory>& story, WordStory::Span span)
{
    auto paragraph = story->track(span);
    Ref object = Object::create(L"Paragraph");
    object->answers(Documented::IID_WordParagraph);
    object->property(L"Range", [story, paragraph](const Args&) { return dispatch(makeRange(story, *paragraph)); });
    story->prepare(*object);
    return object;
}

// The paragraphs a range touches, worked out afresh on every call as the text changes.
Ref makeParagraphs(const std::shared_ptr<WordStory>& story, std::shared_ptr<WordStory::Span> within)
{
    auto bounds = [story, within]() {
        if (within->whole)
            return std::pair<long, long>(1, story->paragraphCount());
        const long first = story->paragraphAt(within->start);
        const long last = story->paragraphAt(std::max(within->start, within->end - 1));
        return std::pair<long, long>(first, last);
    };
    Ref object = Object::create(L"Paragraphs");
    object->answers(Documented::IID_WordParagraphs);
    object->property(L"Count", [bounds](const Args&) {
        const auto [first, last] = bounds();
        return Variant::fromInt32(last - first + 1);
    });
    object->method(L"Item", [story, bounds](const Args& args) {
        const auto [first, last] = bounds();
        const long index = given(args, 0) ? args[0].toInt32() : 0;
        if (index < 1 || index > last - first + 1)
            throw Com::ComError(Word::E_NoSuchMember, Documented::IID_WordParagraphs);
        return dispatch(makeParagraph(story, story->paragraphSpan(first + index - 1)));
    });
    object->method(L"Add", [story, bounds](const Args& args) {
        if (given(args, 0))
            throw Com::ComError(E_NOTIMPL, Documented::IID_WordParagraphs);
        return dispatch(makeParagraph(story, story->addParagraph(bounds().second)));
    });
    story->prepare(*object);
    return object;
}

Ref makeWordApplication()
{
    Ref application = Object::create(L"Application");
    application->answers(Documented::IID_WordApplication).value(L"Name", Variant::fromString(L"Microsoft Word"));
    return application;
}

} // namespace

// --- WordStory -------------------------------------------------------------------------------

WordStory::WordStory(std::wstring_view text) : m_text(text)
{
    if (m_text.empty() || m_text.back() != ParagraphMark)
        m_text.push_back(ParagraphMark);
    for (std::size_t i = 0; i < m_text.size(); ++i)
        if (m_text[i] == ParagraphMark)
            m_marks.push_back(static_cast<long>(i));
}

std::wstring WordStory::paragraph(long index) const
{
    return textOf(paragraphSpan(index));
}

std::vector<std::wstring> WordStory::paragraphs() const
{
    std::vector<std::wstring> result;
    result.reserve(m_marks.size());
    for (long index = 1; index <= paragraphCount(); ++index)
        result.push_back(paragraph(index));
    return result;
}

std::shared_ptr<WordStory::Span> WordStory::track(Span span)
{
    // Reading a long document leaves many dead ranges behind; drop them before the list grows.
    if (m_spans.size() >= m_compactAt) {
        forgetDeadSpans();
        m_compactAt = std::max<std::size_t>(64, 2 * m_spans.size());
    }
    auto shared = std::make_shared<Span>(span);
    m_spans.push_back(shared);
    return shared;
}

WordStory::Span WordStory::paragraphSpan(long index) const
{
    if (index < 1 || index > paragraphCount())
        throw Com::ComError(Word::E_NoSuchMember, Documented::IID_WordParagraphs);
    const long start = index == 1 ? 0 : m_marks[index - 2] + 1;
    return Span{start, m_marks[index - 1] + 1};
}

long WordStory::paragraphAt(long position) const
{
    const auto mark = std::lower_bound(m_marks.begin(), m_marks.end(), position);
    if (mark == m_marks.end())
        return paragraphCount();
    return static_cast<long>(mark - m_marks.begin()) + 1;
}

std::wstring WordStory::textOf(const Span& span) const
{
    if (span.whole)
        return m_text;
    const long start = std::clamp(span.start, 0L, length());
    const long end = std::clamp(span.end, start, length());
    return m_text.substr(start, end - start);
}

void WordStory::setText(Span& range, std::wstring_view text)
{
    // Text written over the final mark goes before it: the mark itself stays.
    const long end = std::min(range.whole ? length() : range.end, length() - 1);
    const long start = std::min(range.whole ? 0 : range.start, end);
    replace(start, end, text);
    range = Span{start, start + static_cast<long>(text.size())};
}

void WordStory::insertAfter(Span& range, std::wstring_view text)
{
    const long start = range.whole ? 0 : range.start;
    const bool holdsFinalMark = range.whole || range.end >= length();
    // After the final mark is no place for text: it goes before it, as the document's last words.
    const long at = holdsFinalMark ? length() - 1 : range.end;
    replace(at, at, text);
    // The range grows to take in what was inserted.
    range = Span{start, holdsFinalMark ? length() : at + static_cast<long>(text.size())};
}

void WordStory::setStart(Span& range, long position)
{
    const long end = range.whole ? length() : range.end;
    const long start = std::clamp(position, 0L, length());
    range = Span{start, std::max(start, end)};
}

void WordStory::setEnd(Span& range, long position)
{
    const long start = range.whole ? 0 : range.start;
    const long end = std::clamp(position, 0L, length());
    range = Span{std::min(start, end), end};
}

void WordStory::collapse(Span& range, long direction)
{
    const long start = range.whole ? 0 : range.start;
    const long end = range.whole ? length() : range.end;
    // Word never puts an insertion point after the final mark.
    const long at = direction == Word::wdCollapseEnd ? std::min(end, length() - 1) : start;
    range = Span{at, at};
}

void WordStory::insertParagraphAfter(Span& range)
{
    const long start = range.whole ? 0 : range.start;
    const bool holdsFinalMark = range.whole || range.end >= length();
    // After the final mark is no place for text: the new mark goes just before it.
    const long at = holdsFinalMark ? length() - 1 : range.end;
    replace(at, at, L"\r");
    range = Span{start, holdsFinalMark ? length() : at + 1};
}

bool WordStory::remove(Span& range)
{
    const long start = range.whole ? 0 : range.start;
    const long rangeEnd = range.whole ? length() : range.end;
    // A collapsed range deletes the character after it, as the Delete key does; the final
    // mark is never deleted, so the last paragraph's range leaves an empty last paragraph.
    const long end = std::min(start == rangeEnd ? rangeEnd + 1 : rangeEnd, length() - 1);
    if (start >= end)
        return false;
    replace(start, end, {});
    range = Span{start, start};
    return true;
}

WordStory::Span WordStory::addParagraph(long last)
{
    if (last < paragraphCount()) {
        // Within the document: a new empty paragraph after the last one of the collection.
        const long at = paragraphSpan(last).end;
        replace(at, at, L"\r");
        return Span{at, at + 1};
    }
    // At the very end Word inserts before the last paragraph, so the new, empty paragraph is the
    // second-to-last, and answers the paragraph it was called on: the document's last one.
    const long at = paragraphSpan(paragraphCount()).start;
    replace(at, at, L"\r");
    return paragraphSpan(paragraphCount());
}

void WordStory::replace(long start, long end, std::wstring_view text)
{
    const long delta = static_cast<long>(text.size()) - (end - start);
    m_text.replace(start, end - start, text);

    const auto first = std::lower_bound(m_marks.begin(), m_marks.end(), start);
    const auto tail = m_marks.erase(first, std::lower_bound(first, m_marks.end(), end));
    for (auto mark = tail; mark != m_marks.end(); ++mark)
        *mark += delta;
    std::vector<long> added;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == ParagraphMark)
            added.push_back(start + static_cast<long>(i));
    m_marks.insert(tail, added.begin(), added.end());

    // A position before the edit stays, one after it moves with the text, one inside the
    // replaced text goes to its start.
    auto moved = [start, end, delta](long position) {
        return position <= start ? position : position >= end ? position + delta : start;
    };
    forgetDeadSpans();
    for (const auto& weak : m_spans) {
        const auto span = weak.lock();
        span->start = moved(span->start);
        span->end = moved(span->end);
    }
}

void WordStory::forgetDeadSpans()
{
    std::erase_if(m_spans, [](const std::weak_ptr<Span>& span) { return span.expired(); });
}

void WordStory::prepare(Object& object) const
{
    object.tallyInto(m_calls);
    for (const Failure& failure : m_failures) {
        if (failure.className != object.className())
            continue;
        if (failure.description.empty())
            object.fail(failure.member, failure.hr);
        else
            object.raise(failure.member, failure.hr, failure.description);
    }
}

void WordStory::addFailure(const std::wstring& className, const std::wstring& member, HRESULT hr,
                           std::wstring description)
{
    m_failures.push_back(Failure{className, member, hr, std::move(description)});
}

// --- WordDocument ----------------------------------------------------------------------------

WordDocument WordDocument::create(std::wstring_view text, Ref application)
{
    WordDocument doc;
    doc.story = std::make_shared<WordStory>(text);
    doc.application = application ? std::move(application) : makeWordApplication();
    doc.document = Object::create(L"Document");
    doc.document->answers(Documented::IID_WordDocument).objectProperty(L"Application", doc.application);
    auto story = doc.story;
    doc.document->property(L"Content", [story](const Args&) {
        return dispatch(makeRange(story, WordStory::Span{0, story->length(), true}));
    });
    story->prepare(*doc.document);
    return doc;
}

void WordDocument::fail(const std::wstring& className, const std::wstring& member, HRESULT hr, std::wstring description)
{
    if (className == document->className()) {
        if (description.empty())
            document->fail(member, hr);
        else
            document->raise(member, hr, description);
    }
    story->addFailure(className, member, hr, std::move(description));
}

} // namespace Fake
