// Unregistration by the registration script: what stays, what goes, and what is reported.

#include "Com/Registrar.h"
#include "TestSupport.h"
#include "Win/RegKey.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

const wchar_t* const TestRoot = L"Software\\TalvoraRegistrarTest";

constexpr wchar_t Script[] =
    L"HKCU { NoRemove Software { NoRemove TalvoraRegistrarTest { Ours = s 'ours' { val Count = d '3' } } } }";

bool keyExists(const std::wstring& path)
{
    Win::RegKey key;
    return key.open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

// Applies a security descriptor in SDDL to a key.
void setSecurity(const std::wstring& path, const wchar_t* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    Win::RegKey key;
    ASSERT_EQ(key.open(HKEY_CURRENT_USER, path.c_str(), READ_CONTROL | WRITE_DAC), ERROR_SUCCESS);
    const LONG set = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    ASSERT_EQ(set, ERROR_SUCCESS);
}

class RegistrarTest : public testing::Test {
protected:
    void SetUp() override { TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, TestRoot); }
    void TearDown() override
    {
        if (keyExists(std::wstring(TestRoot) + L"\\Ours"))
            setSecurity(std::wstring(TestRoot) + L"\\Ours", L"D:(A;;KA;;;WD)");
        TestSupport::deleteRegistryTree(HKEY_CURRENT_USER, TestRoot);
    }

    Com::Registrar registrar;
    const std::wstring ours = std::wstring(TestRoot) + L"\\Ours";
};

} // namespace

TEST_F(RegistrarTest, UnregistrationRemovesOurKeyAndKeepsOneThatHoldsSomeoneElsesSubkey)
{
    ASSERT_EQ(registrar.registerScript(Script), S_OK);
    ASSERT_TRUE(keyExists(ours));
    EXPECT_EQ(registrar.unregisterScript(Script), S_OK);
    EXPECT_FALSE(keyExists(ours));
    EXPECT_TRUE(keyExists(TestRoot)) << "NoRemove";

    ASSERT_EQ(registrar.registerScript(Script), S_OK);
    Win::RegKey foreign;
    ASSERT_EQ(foreign.create(HKEY_CURRENT_USER, (ours + L"\\Foreign").c_str(), KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    foreign.close();
    EXPECT_EQ(registrar.unregisterScript(Script), S_OK);
    EXPECT_TRUE(keyExists(ours + L"\\Foreign"));
}

// Access denied is not "someone else's subkeys are below": the key is still there, and the
// unregistration must say so.
TEST_F(RegistrarTest, AKeyThatMayNotBeDeletedIsAReportedFailure)
{
    ASSERT_EQ(registrar.registerScript(Script), S_OK);
    setSecurity(ours, L"D:(D;;SD;;;WD)(A;;KA;;;WD)");
    if (RegDeleteKeyW(HKEY_CURRENT_USER, ours.c_str()) == ERROR_SUCCESS)
        GTEST_SKIP() << "Wine 8 does not enforce a key's DELETE denial (docs/wine-notes.md)";

    EXPECT_EQ(registrar.unregisterScript(Script), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(keyExists(ours));
}
