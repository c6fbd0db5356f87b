// The English interface of this process (no profile language, no Office language) and the
// formatting of its strings.
#include "Localization.h"
#include "LocalizationTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    const wchar_t* pattern;
    const wchar_t* expected;
};

class FormatWithServiceName : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatWithServiceName, ReplacesTheOnePlaceholderAndNothingElse)
{
    EXPECT_EQ(formatWithServiceName(GetParam().pattern), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Patterns, FormatWithServiceName, testing::Values(
    FormatCase{L"Add %s", L"Add Talvora"},
    FormatCase{L"%s", L"Talvora"},
    FormatCase{L"", L""},
    FormatCase{L"OK", L"OK"},
    FormatCase{L"50%% of %s", L"50% of Talvora"},
    FormatCase{L"%%s", L"%s"},
    // A translation with a stray % asks for arguments that are not there: kept as written.
    FormatCase{L"100 %", L"100 %"},
    FormatCase{L"%d %n %x %ls %S %s", L"%d %n %x %ls %S Talvora"},
    FormatCase{L"Your %s plugin version %s has expired", L"Your Talvora plugin version %s has expired"}));

// This process never records an Office language and has no desktop profile, so it speaks
// English; the first use below decides that for the whole program.
class EnglishInterface : public testing::Test {
protected:
    static void SetUpTestSuite() { LocalizationTest::DesktopProfile::remove(); }
    static Localization& localization() { return Localization::instance(); }
};

TEST_F(EnglishInterface, IsEnglishWithoutAnyLanguageSetting)
{
    EXPECT_EQ(localization().localeCode(), "en");
    EXPECT_EQ(localization().localeCodeW(), L"en");
    EXPECT_FALSE(localization().isRightToLeft());
    EXPECT_EQ(&localization(), &Localization::instance());
}

TEST_F(EnglishInterface, StringsComeFromTheAddinModule)
{
    EXPECT_EQ(localization().getString(500), L"Meet Now");
    EXPECT_EQ(localization().getString(515), L"For 24/7 customer service please call ");
    EXPECT_EQ(localization().getString(999), L"0.9.28.0-6e7aff1");
    EXPECT_EQ(localization().getString(541), L"");
    EXPECT_EQ(localization().getString(0), L"");

    EXPECT_EQ(localization().getFormattedString(504), L"Add Talvora");
    EXPECT_EQ(localization().getFormattedString(528), L"Talvora.com - New Meeting");
    EXPECT_EQ(localization().getFormattedString(500), L"Meet Now");
    EXPECT_EQ(localization().getFormattedString(541), L"");
}

TEST_F(EnglishInterface, ReleasingWithoutALibraryKeepsTheEnglishStrings)
{
    localization().releaseResourceModule();
    EXPECT_EQ(localization().getString(503), L"Settings");
}

struct CountryCase {
    const wchar_t* code;
    const wchar_t* name;
};

class CountryName : public testing::TestWithParam<CountryCase> {};

TEST_P(CountryName, LooksUpTheTwoLetterCode)
{
    EXPECT_EQ(Localization::instance().getCountryName(GetParam().code), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Codes, CountryName, testing::Values(
    CountryCase{L"us", L"United States"},
    CountryCase{L"US", L"United States"},
    CountryCase{L"uS", L"United States"},
    CountryCase{L"usa", L"United States"},
    CountryCase{L"AE", L"United Arab Emirates"},
    CountryCase{L"za", L"South Africa"},
    CountryCase{L"XK", L"Kosovo"},
    CountryCase{L"XX", L""},
    CountryCase{L"u", L""},
    CountryCase{L"", L""},
    // Not letters: these would otherwise name string 500 ("Meet Now") and alias other ids.
    CountryCase{L"\x01\xF4", L""},
    CountryCase{L"\x4E2D\x56FD", L""}));

} // namespace
