// The pictures and clips of the add-in module, found the way the ribbon, the command bars and
// the dialogs look them up.
#include "Com/Module.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <type_traits>

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

struct IconCase {
    const wchar_t* name;
    std::set<int> sizes;
};

// Sizes (pixels, square) of the images in the icon group; empty when there is no such group.
std::set<int> iconSizes(const wchar_t* name, WORD bitCount)
{
    const HMODULE module = Com::Module::instance();
    const HRSRC resource = FindResourceW(module, name, RT_GROUP_ICON);
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || SizeofResource(module, resource) < sizeof(GroupIconHeader))
        return {};
    const auto* header = reinterpret_cast<const GroupIconHeader*>(bytes);
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(bytes + sizeof(GroupIconHeader));
    std::set<int> sizes;
    for (WORD i = 0; i < header->count; ++i) {
        const GroupIconEntry& entry = entries[i];
        EXPECT_EQ(entry.width, entry.height) << "icon " << i;
        EXPECT_EQ(entry.bitCount, bitCount) << "icon " << i;
        sizes.insert(entry.width == 0 ? 256 : entry.width);
    }
    return sizes;
}

class AddinIcon : public testing::TestWithParam<IconCase> {};

TEST_P(AddinIcon, HoldsTheSizesItsUsersAskFor)
{
    EXPECT_EQ(iconSizes(GetParam().name, 32), GetParam().sizes);
    const HICON icon = LoadIconW(Com::Module::instance(), GetParam().name);
    EXPECT_NE(icon, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Icons, AddinIcon, testing::Values(
    IconCase{L"meetnow", {32, 48, 64, 96, 128}},
    IconCase{L"meeting", {32, 48, 64, 96, 128}},
    IconCase{L"wall", {16, 32, 48, 64}},
    IconCase{L"schedule", {16, 32, 48, 64}},
    IconCase{L"settings", {16, 32, 48, 64}},
    IconCase{L"FACEBOOK_F", {32}},
    // Resource names compare without regard to case: the ribbon's image ids rely on it.
    IconCase{L"MeetNow", {32, 48, 64, 96, 128}},
    IconCase{L"facebook_f", {32}}));

TEST(AddinIcon, AnUnknownNameHasNoIcon)
{
    EXPECT_EQ(iconSizes(L"no_such_icon", 32), std::set<int>{});
    EXPECT_EQ(LoadIconW(Com::Module::instance(), L"no_such_icon"), nullptr);
}

struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const noexcept { DeleteObject(bitmap); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

class CommandBarFace : public testing::TestWithParam<int> {};

TEST_P(CommandBarFace, Is16By16With256Colours)
{
    const Bitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(Com::Module::instance(), MAKEINTRESOURCEW(GetParam()), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(bitmap.get(), sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, 16);
    EXPECT_EQ(std::abs(section.dsBmih.biHeight), 16);
    EXPECT_EQ(section.dsBmih.biBitCount, 8);
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, CommandBarFace, testing::Values(251, 255, 263, 264));

// An animation control, which is what opens the clips in the dialogs.
class AnimationControl : public testing::Test {
protected:
    void SetUp() override
    {
        const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_ANIMATE_CLASS};
        ASSERT_TRUE(InitCommonControlsEx(&classes));
        m_window = CreateWindowExW(0, ANIMATE_CLASSW, nullptr, WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override
    {
        if (m_window)
            DestroyWindow(m_window);
    }

    bool open(const wchar_t* clip) const
    {
        return SendMessageW(m_window, ACM_OPENW, reinterpret_cast<WPARAM>(Com::Module::instance()), reinterpret_cast<LPARAM>(clip)) != 0;
    }

    HWND m_window = nullptr;
};

TEST_F(AnimationControl, OpensBothClipsOfTheModule)
{
    EXPECT_TRUE(open(L"WAITING_ANIMATION"));
    EXPECT_TRUE(open(L"PROGRESS_ANIMATION"));
    EXPECT_FALSE(open(L"NO_SUCH_ANIMATION"));
}

} // namespace
