#include "Random.h"
#include "Version.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <ctime>

TEST(RandomNumber, IsTheFirstRandAfterSeedingWithTickCountXorTime)
{
    // Only a call that stays within one tick and one second can be predicted from outside.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const DWORD tick = GetTickCount();
        const std::time_t seconds = std::time(nullptr);
        const int value = randomNumber();
        if (GetTickCount() != tick || std::time(nullptr) != seconds)
            continue;
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
        std::srand(static_cast<unsigned>(tick ^ static_cast<DWORD>(seconds)));
        EXPECT_EQ(value, std::rand());
        return;
    }
    FAIL() << "the clock never stood still for one call";
}

TEST(FormatVersion, WritesFourSignedComponentsInOrder)
{
    struct Case {
        VersionNumbers numbers;
        std::wstring text;
    };
    const Case cases[] = {
        {{0, 9, 28, 0}, L"0.9.28.0"},
        {{1, 2, 3, 4}, L"1.2.3.4"},
        {{-1, -1, -1, -1}, L"-1.-1.-1.-1"},
        {{INT_MIN, INT_MAX, 0, 10}, L"-2147483648.2147483647.0.10"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatVersion(c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3]), c.text);
        EXPECT_EQ(formatVersion(c.numbers), c.text);
    }
}
