#pragma once
// A stand-in Word document, as the add-in reaches it through an Outlook inspector's WordEditor:
// _Document, Range, Paragraphs and Paragraph over one text that behaves like Word's.
//
// The text is a sequence of paragraphs, each ended by a paragraph mark "\r"; the document always
// ends with a final mark, so an empty document is "\r" (one paragraph). A vertical tab U+000B is
// a manual line break inside a paragraph. Ranges are character positions [start, end) that
// follow the edits made through any other range, as Word's do. Word's own rules hold as its
// object-model documentation gives them: no edit removes the final mark (text written at or
// after it goes before it), and Paragraphs.Add at the very end of the document inserts the new
// paragraph as the second-to-last and answers the last paragraph, the one it was called on.
//
//   Fake::WordDocument doc = Fake::WordDocument::create(L"Hello\r\rInvitation\r");
//   Fake::Ref inspector = Fake::makeInspector({appointment.object, doc.document, {}});
//   ... run the code under test ...
//   EXPECT_EQ(doc.story->text(), L"Hello\r\r");
//   doc.story->calls().count(L"Paragraphs.Item");   // COM calls on all the document's objects

#include "FakeObject.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Fake {

namespace Word {
// WdCollapseDirection
inline constexpr long wdCollapseEnd = 0;
inline constexpr long wdCollapseStart = 1;
// What Word raises for Paragraphs.Item out of range: "The requested member of the collection
// does not exist." (Word error 5941).
inline constexpr HRESULT E_NoSuchMember = static_cast<HRESULT>(0x800A1735);
} // namespace Word

// The text of one document and the ranges that point into it.
class WordStory {
public:
    // A range's character positions; kept up to date by every edit while the range is alive.
    struct Span {
        long start = 0;
        long end = 0;
        bool whole = false; // Document.Content: the whole text, whatever is added to it
    };

    // `text` as it stands; a final paragraph mark is appended when it does not end with one.
    explicit WordStory(std::wstring_view text);

    const std::wstring& text() const noexcept { return m_text; }
    long length() const noexcept { return static_cast<long>(m_text.size()); }
    long paragraphCount() const noexcept { return static_cast<long>(m_marks.size()); }
    // Paragraph `index` (1-based) with its mark.
    std::wstring paragraph(long index) const;
    std::vector<std::wstring> paragraphs() const;

    std::shared_ptr<Span> track(Span span);
    Span paragraphSpan(long index) const;
    // The paragraph (1-based) that holds the character at `position`.
    long paragraphAt(long position) const;
    std::wstring textOf(const Span& span) const;

    // The edits of Range and Paragraphs, with Word's results for the range they act on.
    void setText(Span& range, std::wstring_view text);
    void insertAfter(Span& range, std::wstring_view text);
    void collapse(Span& range, long direction);
    void insertParagraphAfter(Span& range);
    bool remove(Span& range); // false: nothing could be deleted
    // Range.Start and Range.End written: clamped to the text, the other end following when
    // they would cross.
    void setStart(Span& range, long position);
    void setEnd(Span& range, long position);
    // Paragraphs.Add (range omitted) on a collection whose last paragraph is `last`: the
    // paragraph it answers.
    Span addParagraph(long last);

    // The COM calls made on every object of the document.
    CallTally& calls() const noexcept { return *m_calls; }
    // Gives a new object of the document its call tally and the failures asked for its class.
    void prepare(Object& object) const;
    void addFailure(const std::wstring& className, const std::wstring& member, HRESULT hr, std::wstring description);

private:
    struct Failure {
        std::wstring className;
        std::wstring member;
        HRESULT hr;
        std::wstring description;
    };

    // Replaces [start, end) by `text` and moves every live range accordingly.
    void replace(long start, long end, std::wstring_view text);
    void forgetDeadSpans();

    std::wstring m_text;
    std::vector<long> m_marks; // positions of the paragraph marks, ascending
    std::vector<std::weak_ptr<Span>> m_spans;
    std::size_t m_compactAt = 64;
    std::shared_ptr<CallTally> m_calls = std::make_shared<CallTally>();
    std::vector<Failure> m_failures;
};

struct WordDocument {
    Ref document;    // _Document
    Ref application; // Word's _Application, what Document.Application answers
    std::shared_ptr<WordStory> story;

    // A document holding `text`; `application` defaults to a new Word application object.
    static WordDocument create(std::wstring_view text = {}, Ref application = {});

    // Makes `member` of every object of `className` ("Document", "Range", "Paragraphs",
    // "Paragraph") created from now on fail with hr; with a description, as an Automation
    // exception. The document object itself is changed at once.
    void fail(const std::wstring& className, const std::wstring& member, HRESULT hr, std::wstring description = {});
};

} // namespace Fake
