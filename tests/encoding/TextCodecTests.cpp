#include "TextCodec.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

std::wstring repeated(std::wstring_view piece, std::size_t times)
{
    std::wstring text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(TextCodec, NullInputGivesAnEmptyResult)
{
    EXPECT_TRUE(toUtf16(static_cast<const char*>(nullptr), CP_UTF8).empty());
    EXPECT_TRUE(fromUtf16(static_cast<const wchar_t*>(nullptr), CP_UTF8).empty());
    EXPECT_TRUE(toUtf16OrEmpty(static_cast<const char*>(nullptr), CP_THREAD_ACP).empty());
    EXPECT_TRUE(fromUtf16OrEmpty(static_cast<const wchar_t*>(nullptr), CP_THREAD_ACP).empty());
    EXPECT_STREQ(toUtf16(static_cast<const char*>(nullptr), CP_UTF8).c_str(), L"");
}

TEST(TextCodec, ResultsOfUpTo128UnitsStayInline)
{
    // Lengths are counted in units of the result: 'é' is one UTF-16 unit and two UTF-8 bytes.
    struct Case {
        std::size_t resultUnits;
        bool onHeap;
    };
    const Case cases[] = {{0, false}, {1, false}, {127, false}, {128, false}, {129, true}, {5000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resultUnits);
        const std::string ascii(c.resultUnits, 'x');
        const auto wide = toUtf16(ascii, CP_UTF8);
        EXPECT_EQ(wide.view(), std::wstring(c.resultUnits, L'x'));
        EXPECT_EQ(wide.c_str()[c.resultUnits], L'\0');
        EXPECT_EQ(wide.onHeap(), c.onHeap);

        const std::string utf8 = repeated("\xC3\xA9", c.resultUnits);
        const auto accented = toUtf16OrEmpty(utf8, CP_UTF8);
        EXPECT_EQ(accented.view(), repeated(L"\u00E9", c.resultUnits));
        EXPECT_EQ(accented.onHeap(), c.onHeap);

        const auto narrow = fromUtf16(std::wstring(c.resultUnits, L'y'), CP_UTF8);
        EXPECT_EQ(narrow.view(), std::string(c.resultUnits, 'y'));
        EXPECT_EQ(narrow.c_str()[c.resultUnits], '\0');
        EXPECT_EQ(narrow.onHeap(), c.onHeap);
    }
    // 64 and 65 two-byte characters: 128 and 130 bytes.
    EXPECT_FALSE(fromUtf16(repeated(L"\u00E9", 64), CP_UTF8).onHeap());
    EXPECT_TRUE(fromUtf16OrEmpty(repeated(L"\u00E9", 65), CP_UTF8).onHeap());
}

TEST(TextCodec, MovedTextsKeepTheirContent)
{
    for (const std::size_t length : {std::size_t{5}, std::size_t{128}, std::size_t{300}}) {
        SCOPED_TRACE(length);
        const std::wstring expected(length, L'q');
        auto source = toUtf16(std::string(length, 'q'), CP_UTF8);
        ConvertedText<wchar_t> moved(std::move(source));
        EXPECT_EQ(moved.view(), expected);
        EXPECT_TRUE(source.empty());
        EXPECT_STREQ(source.c_str(), L"");

        auto target = toUtf16(std::string(200, 'r'), CP_UTF8);
        target = std::move(moved);
        EXPECT_EQ(target.view(), expected);
        EXPECT_EQ(target.onHeap(), length > 128);
        EXPECT_STREQ(target.c_str(), expected.c_str());
    }
}

TEST(TextCodec, Cp1252RoundTripsAndUnrepresentableCharacters)
{
    const std::pair<std::string, std::wstring> cases[] = {
        {"plain", L"plain"},
        {"\x80", L"\u20AC"},
        {"\xE9t\xE9", L"\u00E9t\u00E9"},
        {"\x9F\xFF", L"\u0178\u00FF"},
    };
    for (const auto& [ansi, wide] : cases) {
        EXPECT_EQ(toUtf16(ansi, 1252).view(), wide);
        EXPECT_EQ(fromUtf16(wide, 1252).view(), ansi);
    }
    // What the code page cannot hold becomes its default character, not a failure.
    EXPECT_EQ(fromUtf16(L"a\u4E2Db", 1252).view(), "a?b");
}

TEST(TextCodec, FitsCodePageRefusesBestFitAndDefaultCharacters)
{
    const struct {
        const wchar_t* text;
        UINT codePage;
        bool fits;
    } cases[] = {
        {L"", 1252, true},
        {L"Tea & Cake+100%\u00e9?", 1252, true},
        {L"\u20ac", 1252, true},     // the euro sign is in 1252
        {L"Pass\u0101", 1252, false}, // best fit would send "Passa"
        {L"\u03a9mega", 1252, false}, // the default character would send "?mega"
        {L"\u03a9mega", 1253, true},  // Greek holds it
        {L"\u03a9\u0101\U0001F600", CP_UTF8, true},
        {L"\xD800x", CP_UTF8, false}, // a lone surrogate is no text
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitsCodePage(c.text, c.codePage), c.fits) << c.codePage;
}

TEST(TextCodec, MalformedInputIsReplacedNotRaised)
{
    const std::pair<std::string, std::wstring> cases[] = {
        {"a\xFF" "b", L"a\uFFFDb"},
        {"a\x80" "b", L"a\uFFFDb"},
        {"ok\xC3", L"ok\uFFFD"},
    };
    for (const auto& [utf8, wide] : cases) {
        SCOPED_TRACE(testing::PrintToString(utf8));
        EXPECT_EQ(toUtf16(utf8, CP_UTF8).view(), wide);
        EXPECT_EQ(toUtf16OrEmpty(utf8, CP_UTF8).view(), wide);
    }
    // Truncated and overlong sequences: replaced, and the text around them kept.
    for (const std::string& utf8 : {"<\xE2\x82>"s, "<\xC0\xAF>"s, "<\xED\xA0\x80>"s}) {
        SCOPED_TRACE(testing::PrintToString(utf8));
        const std::wstring wide = toUtf16(utf8, CP_UTF8).str();
        ASSERT_GE(wide.size(), 3u);
        EXPECT_EQ(wide.front(), L'<');
        EXPECT_EQ(wide.back(), L'>');
        EXPECT_EQ(wide.find_first_not_of(L'\uFFFD', 1), wide.size() - 1) << testing::PrintToString(wide);
    }
    EXPECT_EQ(fromUtf16(L"a\xD800" L"b", CP_UTF8).view(), "a\xEF\xBF\xBD" "b");
}

TEST(TextCodec, PlatformFailureRaisesWithTheLastError)
{
    // No such code page: the platform refuses the call itself.
    constexpr UINT unknownCodePage = 54321;
    const HRESULT invalidParameter = HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    try {
        toUtf16("abc", unknownCodePage);
        ADD_FAILURE() << "toUtf16 did not raise";
    } catch (const ConversionError& error) {
        EXPECT_EQ(error.hr(), invalidParameter);
    }
    try {
        fromUtf16(L"abc", unknownCodePage);
        ADD_FAILURE() << "fromUtf16 did not raise";
    } catch (const ConversionError& error) {
        EXPECT_EQ(error.hr(), invalidParameter);
    }
    EXPECT_TRUE(toUtf16OrEmpty("abc", unknownCodePage).empty());
    EXPECT_TRUE(fromUtf16OrEmpty(L"abc", unknownCodePage).empty());
}
