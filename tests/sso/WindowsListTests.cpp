// The window list on real top-level windows that the test makes: long and missing titles, and
// the limit of the bounded walk.
#include "Log.h"
#include "SSO/Utils/WindowsList.h"
#include "TestSupport.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr char LimitLine[] = "EnumWindows_W10 - ENUM windows limit reached";

// Hidden top-level windows of a class of the test's own, destroyed with the object.
class TestWindows {
public:
    TestWindows()
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = ClassName;
        RegisterClassW(&windowClass);
    }
    ~TestWindows()
    {
        for (HWND window : m_windows)
            DestroyWindow(window);
    }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    HWND add(const std::wstring& title = {})
    {
        const HWND window = CreateWindowExW(0, ClassName, title.empty() ? nullptr : title.c_str(), WS_OVERLAPPED, 0,
                                            0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window)
            m_windows.push_back(window);
        return window;
    }

private:
    static constexpr wchar_t ClassName[] = L"TalvoraWindowsListTest";
    std::vector<HWND> m_windows;
};

// Every top-level window of the desktop, counted the way the bounded walk finds them.
int topLevelWindows()
{
    int count = 0;
    for (HWND window = FindWindowExW(GetDesktopWindow(), nullptr, nullptr, nullptr); window;
         window = FindWindowExW(GetDesktopWindow(), window, nullptr, nullptr))
        ++count;
    return count;
}

const std::string* titleOf(const WindowsList& list, HWND window)
{
    const auto& entries = list.entries();
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == window; });
    return found == entries.end() ? nullptr : &found->second;
}

class WindowsListTest : public testing::Test {
protected:
    void SetUp() override { Log::open(getLogFilePath()); }
    void TearDown() override { Log::close(); }

    std::size_t limitLines() const
    {
        const auto messages = log.messages();
        return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), LimitLine));
    }

    TestSupport::LogCapture log;
    TestWindows windows;
};

} // namespace

TEST_F(WindowsListTest, TitlesAreCutAt510UnitsAndWindowsWithoutOneAreListedWithAnEmptyTitle)
{
    std::wstring longTitle = L"\u00c9";
    for (int i = 1; i < 600; ++i)
        longTitle += static_cast<wchar_t>(L'a' + i % 26);
    const HWND titled = windows.add(longTitle);
    const HWND untitled = windows.add();
    const HWND shortTitle = windows.add(L"Talvora - wall/a?code=\u00fc");
    ASSERT_TRUE(titled && untitled && shortTitle);

    for (WindowsList::Routine routine : {WindowsList::Routine{EnumWindows_W10}, WindowsList::Routine{EnumWindows}}) {
        WindowsList list(routine);
        list.refresh();
        ASSERT_NE(titleOf(list, titled), nullptr);
        EXPECT_EQ(*titleOf(list, titled), fromUtf16OrEmpty(longTitle.substr(0, 510), CP_UTF8).str());
        ASSERT_NE(titleOf(list, untitled), nullptr);
        EXPECT_EQ(*titleOf(list, untitled), "");
        ASSERT_NE(titleOf(list, shortTitle), nullptr);
        EXPECT_EQ(*titleOf(list, shortTitle), "Talvora - wall/a?code=\xc3\xbc");
        list.refresh();
        EXPECT_EQ(list.entries().size(), static_cast<std::size_t>(topLevelWindows())) << "rebuilt, not appended";
    }
    EXPECT_EQ(limitLines(), 0u);
}

// On this system (Windows 8.1 or later as far as the version test goes) the list takes the
// bounded walk: 1000 windows at most, and the limit line whenever it listed 1000.
TEST_F(WindowsListTest, TheBoundedWalkStopsAtAThousandWindowsAndSaysSoEachTime)
{
    ASSERT_TRUE(isWindows81OrLater());
    // The thread's first window brings the thread's IME window along: make it before counting.
    ASSERT_TRUE(windows.add(L"window 0"));
    const int present = topLevelWindows();
    ASSERT_LT(present, WindowsLimit);
    for (int i = present; i < WindowsLimit; ++i)
        ASSERT_TRUE(windows.add(L"window " + std::to_wstring(i)));
    ASSERT_EQ(topLevelWindows(), WindowsLimit);

    WindowsList list;
    list.refresh();
    EXPECT_EQ(list.entries().size(), 1000u);
    EXPECT_EQ(limitLines(), 1u) << "exactly 1000 windows";

    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(windows.add());
    list.refresh();
    EXPECT_EQ(list.entries().size(), 1000u);
    list.refresh();
    EXPECT_EQ(list.entries().size(), 1000u);
    EXPECT_EQ(limitLines(), 3u) << "once per refresh";

    WindowsList classic(EnumWindows);
    classic.refresh();
    EXPECT_EQ(classic.entries().size(), 1005u) << "EnumWindows has no limit";
    EXPECT_EQ(limitLines(), 3u);
}
