// The stand-in Word document, driven through IDispatch the way the add-in drives Word.
#include "DocumentedIds.h"
#include "FakeWord.h"

#include "Com/ComError.h"
#include "Office/Dispatch.h"
#include "Office/Ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using Com::Variant;
using Office::Object;

namespace {

std::string show(const std::wstring& text)
{
    std::string shown;
    for (wchar_t c : text)
        shown += c == L'\r' ? std::string("\\r") : c == L'\v' ? std::string("\\v") : std::string(1, static_cast<char>(c));
    return shown;
}

Object documentOf(const Fake::WordDocument& doc)
{
    return Object::query(static_cast<IDispatch*>(doc.document.get()), Documented::IID_WordDocument);
}

Object contentParagraphs(const Fake::WordDocument& doc)
{
    return documentOf(doc).getObject(L"Content", Documented::IID_WordRange).getObject(L"Paragraphs", Documented::IID_WordParagraphs);
}

Object rangeOf(const Object& paragraph)
{
    return paragraph.getObject(L"Range", Documented::IID_WordRange);
}

Object paragraph(const Object& paragraphs, long index)
{
    return paragraphs.callObject(L"Item", Documented::IID_WordParagraph, {Variant::fromInt32(index)});
}

std::vector<std::wstring> paragraphTexts(const Fake::WordDocument& doc)
{
    const Object paragraphs = contentParagraphs(doc);
    std::vector<std::wstring> texts;
    const long count = paragraphs.get(L"Count").toInt32();
    for (long i = 1; i <= count; ++i)
        texts.push_back(rangeOf(paragraph(paragraphs, i)).get(L"Text").toString());
    return texts;
}

HRESULT failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Com::ComError& error) {
        return error.hr();
    }
    return S_OK;
}

} // namespace

TEST(WordDocument, ParagraphsAreTheTextBetweenMarksAndTheTextEndsWithOne)
{
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> paragraphs;
    } cases[] = {
        {L"", {L"\r"}},
        {L"Hello", {L"Hello\r"}},
        {L"A\rB\r", {L"A\r", L"B\r"}},
        {L"\r\r", {L"\r", L"\r"}},
        {L"line 1\vline 2\r\rnext\r", {L"line 1\vline 2\r", L"\r", L"next\r"}},
        {L"no mark at the end\rlast", {L"no mark at the end\r", L"last\r"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(show(c.text));
        Fake::WordDocument doc = Fake::WordDocument::create(c.text);
        EXPECT_EQ(paragraphTexts(doc), c.paragraphs);

        std::wstring whole;
        for (const std::wstring& p : c.paragraphs)
            whole += p;
        EXPECT_EQ(documentOf(doc).getObject(L"Content", Documented::IID_WordRange).get(L"Text").toString(), whole);

        const Object paragraphs = contentParagraphs(doc);
        const long count = static_cast<long>(c.paragraphs.size());
        EXPECT_EQ(failureOf([&] { paragraph(paragraphs, 0); }), Fake::Word::E_NoSuchMember);
        EXPECT_EQ(failureOf([&] { paragraph(paragraphs, count + 1); }), Fake::Word::E_NoSuchMember);
    }
    EXPECT_EQ(Fake::liveObjects(), 0);
}

TEST(WordDocument, DeletingAParagraphRangeRemovesItButNeverTheFinalMark)
{
    const struct {
        const wchar_t* text;
        long index;
        const wchar_t* after;
        long deleted; // Delete's result
    } cases[] = {
        {L"A\rB\rC\r", 2, L"A\rC\r", 1},
        {L"A\rB\rC\r", 1, L"B\rC\r", 1},
        {L"A\vB\rC\r", 1, L"C\r", 1},
        {L"A\rB\r", 2, L"A\r\r", 1}, // the last paragraph: its text goes, its mark stays
        {L"Only\r", 1, L"\r", 1},
        {L"A\r\r", 2, L"A\r\r", 0}, // an empty last paragraph is only the final mark
        {L"\r", 1, L"\r", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(show(c.text) + " paragraph " + std::to_string(c.index));
        Fake::WordDocument doc = Fake::WordDocument::create(c.text);
        const Object range = rangeOf(paragraph(contentParagraphs(doc), c.index));
        EXPECT_EQ(range.call(L"Delete").toInt32(), c.deleted);
        EXPECT_EQ(doc.story->text(), c.after);
    }
}

TEST(WordDocument, RangesFollowEditsMadeThroughOtherRanges)
{
    // The add-in collects paragraphs first and deletes their ranges one after the other: the
    // second must still be the paragraph it was when collected.
    Fake::WordDocument doc = Fake::WordDocument::create(L"Keep\r\rInvitation\vline\rKeep too\r");
    const Object paragraphs = contentParagraphs(doc);
    const Object empty = paragraph(paragraphs, 2);
    const Object invitation = paragraph(paragraphs, 3);
    rangeOf(empty).call(L"Delete");
    EXPECT_EQ(rangeOf(invitation).get(L"Text").toString(), L"Invitation\vline\r");
    rangeOf(invitation).call(L"Delete");
    EXPECT_EQ(doc.story->text(), L"Keep\rKeep too\r");
    EXPECT_EQ(paragraphs.get(L"Count").toInt32(), 2); // counted afresh
}

// Word's documentation of Paragraphs.Add: at the very end of a document the new paragraph is
// inserted as the second-to-last, and the paragraph answered is the last one, the user's.
TEST(WordDocument, AddingAParagraphAtTheEndAnswersTheLastParagraph)
{
    Fake::WordDocument doc = Fake::WordDocument::create(L"Agenda\r");
    const Object paragraphs = contentParagraphs(doc);
    const Object added = paragraphs.callObject(L"Add", Documented::IID_WordParagraph);
    EXPECT_EQ(paragraphTexts(doc), (std::vector<std::wstring>{L"\r", L"Agenda\r"}));
    EXPECT_EQ(rangeOf(added).get(L"Text").toString(), L"Agenda\r");
}

// The whole content's InsertParagraphAfter and InsertAfter write before the final mark, and the
// range grows over what they wrote.
TEST(WordDocument, TextAfterTheContentGoesBeforeTheFinalMark)
{
    Fake::WordDocument doc = Fake::WordDocument::create(L"Agenda\r");
    const Object content = Object(Com::ComPtr<IDispatch>(doc.document.get()), Documented::IID_WordDocument)
                               .getObject(L"Content", Documented::IID_WordRange);
    content.call(L"InsertParagraphAfter");
    content.call(L"InsertAfter", {Variant::fromString(L"Join\vDial")});
    EXPECT_EQ(paragraphTexts(doc), (std::vector<std::wstring>{L"Agenda\r", L"Join\vDial\r"}));
    EXPECT_EQ(content.get(L"Text").toString(), L"Agenda\rJoin\vDial\r");

    const Object last = rangeOf(paragraph(contentParagraphs(doc), 2));
    EXPECT_EQ(last.get(L"Start").toInt32(), 7);
    last.put(L"Start", Variant::fromInt32(6));
    last.call(L"Delete");
    EXPECT_EQ(doc.story->text(), L"Agenda\r");
}

TEST(WordDocument, TextWithMarksMakesParagraphsAndCollapseFollowsItsDirection)
{
    Fake::WordDocument doc = Fake::WordDocument::create(L"A\rB\r");
    const Object paragraphs = contentParagraphs(doc);
    rangeOf(paragraph(paragraphs, 1)).put(L"Text", Variant::fromString(L"X\rY\r"));
    EXPECT_EQ(paragraphTexts(doc), (std::vector<std::wstring>{L"X\r", L"Y\r", L"B\r"}));

    const Object first = rangeOf(paragraph(paragraphs, 1));
    first.call(L"Collapse", {Variant::fromInt32(Fake::Word::wdCollapseEnd)});
    first.call(L"InsertParagraphAfter"); // at the start of the next paragraph
    EXPECT_EQ(doc.story->text(), L"X\r\rY\rB\r");

    const Object last = rangeOf(paragraph(paragraphs, 4));
    last.call(L"Collapse", {Variant::fromInt32(Fake::Word::wdCollapseEnd)}); // before the final mark
    last.put(L"Text", Variant::fromString(L"!"));
    EXPECT_EQ(doc.story->text(), L"X\r\rY\rB!\r");

    const Object within = rangeOf(paragraph(paragraphs, 3)).getObject(L"Paragraphs", Documented::IID_WordParagraphs);
    EXPECT_EQ(within.get(L"Count").toInt32(), 1);
    EXPECT_EQ(rangeOf(paragraph(within, 1)).get(L"Text").toString(), L"Y\r");
}

TEST(WordDocument, DocumentAnswersItsApplicationAndTheWordInterfaces)
{
    Fake::WordDocument doc = Fake::WordDocument::create(L"Text\r");
    const Object document = documentOf(doc);
    ASSERT_TRUE(document);
    const Object application = document.getObject(L"Application", Documented::IID_WordApplication);
    ASSERT_TRUE(application);
    EXPECT_EQ(application.dispatch(), static_cast<IDispatch*>(doc.application.get()));
    EXPECT_FALSE(Object::query(static_cast<IDispatch*>(doc.document.get()), Documented::IID_WordRange));
}

TEST(WordDocument, InjectedFailuresReachEveryNewObjectOfTheClass)
{
    Fake::WordDocument doc = Fake::WordDocument::create(L"A\rB\r");
    doc.fail(L"Range", L"Delete", E_ACCESSDENIED);
    doc.fail(L"Paragraphs", L"Add", E_UNEXPECTED, L"The document is locked.");
    const Object paragraphs = contentParagraphs(doc);

    EXPECT_EQ(failureOf([&] { rangeOf(paragraph(paragraphs, 1)).call(L"Delete"); }), E_ACCESSDENIED);
    try {
        paragraphs.call(L"Add");
        ADD_FAILURE() << "Add did not fail";
    } catch (const Com::ComError& error) {
        EXPECT_EQ(error.hr(), E_UNEXPECTED);
        EXPECT_EQ(error.message(), L"The document is locked.");
    }
    EXPECT_EQ(doc.story->text(), L"A\rB\r");

    doc.fail(L"Document", L"Content", E_FAIL);
    EXPECT_EQ(failureOf([&] { documentOf(doc).get(L"Content"); }), E_FAIL);
}

TEST(WordDocument, CallsOfTheWholeDocumentAreCountedForALongDocument)
{
    std::wstring text;
    for (int i = 1; i <= 5000; ++i)
        text += L"Paragraph " + std::to_wstring(i) + L"\r";
    Fake::WordDocument doc = Fake::WordDocument::create(text);
    const Object paragraphs = contentParagraphs(doc);
    doc.story->calls().clear();

    long i = 1;
    for (; i <= paragraphs.get(L"Count").toInt32(); ++i)
        ASSERT_EQ(rangeOf(paragraph(paragraphs, i)).get(L"Text").toString(), L"Paragraph " + std::to_wstring(i) + L"\r");
    rangeOf(paragraph(paragraphs, 5000)).call(L"Delete");

    const Fake::CallTally& calls = doc.story->calls();
    EXPECT_EQ(calls.count(L"Paragraphs.Count"), 5001);
    EXPECT_EQ(calls.count(L"Paragraphs.Item"), 5001);
    EXPECT_EQ(calls.count(L"Paragraph.Range"), 5001);
    EXPECT_EQ(calls.count(L"Range.Text"), 5000);
    EXPECT_EQ(calls.count(L"Range.Delete"), 1);
    EXPECT_EQ(calls.invokes(), 5001 * 3 + 5000 + 1);
    EXPECT_EQ(calls.lookups(), 5); // one GetIDsOfNames per member and interface
    EXPECT_EQ(doc.story->paragraphCount(), 5000);
    EXPECT_EQ(doc.story->paragraph(5000), L"\r");
}
