// Per-user registration through regsvr32, as an installer or a user would run it.

#include "SpineFixture.h"
#include "TestSupport.h"
#include "Win/RegKey.h"

#include <gtest/gtest.h>

using Spine::keyExists;

namespace {

const wchar_t* const ClassKey = L"Software\\Classes\\CLSID\\{C27B97DA-258D-4C14-935A-03548FFEC265}";
const wchar_t* const Hosts[] = {L"Outlook", L"Word", L"Excel", L"PowerPoint"};

std::wstring addinKey(const wchar_t* host)
{
    return std::wstring(L"Software\\Microsoft\\Office\\") + host + L"\\Addins\\TalvoraMeeting.Addin";
}

std::wstring readString(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

DWORD readDword(HKEY root, const std::wstring& path, const wchar_t* name)
{
    DWORD value = 0xFFFFFFFF;
    DWORD size = sizeof value;
    RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

int valueCount(HKEY root, const std::wstring& path)
{
    Win::RegKey key;
    DWORD values = 0;
    if (key.open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS
        || RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr)
               != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(values);
}

class RegistrationTest : public testing::Test {
protected:
    void TearDown() override { Spine::regsvr32(TestSupport::addinDllPath(), false); }
};

} // namespace

TEST_F(RegistrationTest, WritesTheClassProgIdsAndAddinKeysUnderTheCurrentUserOnly)
{
    const std::wstring dll = TestSupport::addinDllPath();
    ASSERT_EQ(Spine::regsvr32(dll, true), 0u);
    ASSERT_EQ(Spine::regsvr32(dll, false), 0u);

    const HKEY user = HKEY_CURRENT_USER;
    EXPECT_EQ(readString(user, L"Software\\Classes\\TalvoraMeeting.Addin.1", nullptr), L"TalvoraMeeting Addin Class");
    EXPECT_EQ(readString(user, L"Software\\Classes\\TalvoraMeeting.Addin.1\\CLSID", nullptr),
              L"{C27B97DA-258D-4C14-935A-03548FFEC265}");
    EXPECT_EQ(readString(user, L"Software\\Classes\\TalvoraMeeting.Addin", nullptr), L"TalvoraMeeting Addin Class");
    EXPECT_EQ(readString(user, L"Software\\Classes\\TalvoraMeeting.Addin\\CLSID", nullptr),
              L"{C27B97DA-258D-4C14-935A-03548FFEC265}");
    EXPECT_EQ(readString(user, L"Software\\Classes\\TalvoraMeeting.Addin\\CurVer", nullptr), L"TalvoraMeeting.Addin.1");

    const std::wstring classKey = ClassKey;
    EXPECT_EQ(readString(user, classKey, nullptr), L"TalvoraMeeting Addin Class");
    EXPECT_EQ(readString(user, classKey + L"\\ProgID", nullptr), L"TalvoraMeeting.Addin.1");
    EXPECT_EQ(readString(user, classKey + L"\\VersionIndependentProgID", nullptr), L"TalvoraMeeting.Addin");
    EXPECT_TRUE(keyExists(user, classKey + L"\\Programmable"));
    EXPECT_EQ(_wcsicmp(readString(user, classKey + L"\\InprocServer32", nullptr).c_str(), dll.c_str()), 0);
    EXPECT_EQ(readString(user, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(readString(user, classKey + L"\\TypeLib", nullptr), L"{01D9E8AB-6466-4694-BE99-B97F030721DE}");

    for (const wchar_t* host : Hosts) {
        const std::wstring key = addinKey(host);
        EXPECT_EQ(readString(user, key, L"FriendlyName"), L"TalvoraMeeting Addin") << host;
        EXPECT_EQ(readString(user, key, L"Description"), L"TalvoraMeeting Addin") << host;
        EXPECT_EQ(readDword(user, key, L"LoadBehavior"), 3u) << host;
        EXPECT_EQ(readDword(user, key, L"CommandLineSafe"), 0u) << host;
        // Wine files the per-user type library under HKLM; nothing of ours may go there.
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, key)) << host;
    }
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, classKey));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TalvoraMeeting.Addin"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TalvoraMeeting.Addin.1"));
}

TEST_F(RegistrationTest, RegisteringAgainReplacesTheClassKey)
{
    const std::wstring dll = TestSupport::addinDllPath();
    ASSERT_EQ(Spine::regsvr32(dll, false), 0u);
    // Leftovers of an older registration inside the class key.
    const std::wstring classKey = ClassKey;
    Win::RegKey stale;
    ASSERT_EQ(stale.create(HKEY_CURRENT_USER, (classKey + L"\\LocalServer32").c_str(), KEY_WRITE), ERROR_SUCCESS);
    stale.close();
    RegSetKeyValueW(HKEY_CURRENT_USER, classKey.c_str(), L"Stale", REG_SZ, L"x", 4);

    ASSERT_EQ(Spine::regsvr32(dll, false), 0u);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, classKey + L"\\LocalServer32"));
    EXPECT_EQ(readString(HKEY_CURRENT_USER, classKey, L"Stale"), L"<missing>");
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, classKey + L"\\InprocServer32"), 2);
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, addinKey(L"Outlook")), 4);
}

TEST_F(RegistrationTest, UnregisteringRemovesOurKeysAndKeepsTheSharedOnes)
{
    const std::wstring dll = TestSupport::addinDllPath();
    ASSERT_EQ(Spine::regsvr32(dll, false), 0u);
    ASSERT_EQ(Spine::regsvr32(dll, true), 0u);

    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\TalvoraMeeting.Addin"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\TalvoraMeeting.Addin.1"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, ClassKey));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID"));
    for (const wchar_t* host : Hosts) {
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, addinKey(host))) << host;
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, std::wstring(L"Software\\Microsoft\\Office\\") + host + L"\\Addins"));
    }
}
