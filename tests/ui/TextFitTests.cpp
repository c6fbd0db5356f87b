// No clipped text in any language: every dialog of the add-in, in each of its modes, opened in
// each of the 27 interface languages by bin/dialog_gallery.exe (beside the language libraries,
// as the add-in is), which measures each control's text with the control's own font against
// the room the control gives it. The language comes from the desktop application's profile,
// the one way every supported language can be chosen (Russian has no Office language id here).
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const Languages[] = {"en", "ar", "bg", "cs", "da", "de", "el", "es", "fi", "fr", "he", "hr", "hu", "id",
                                 "it", "ja", "ka", "ko", "nl", "no", "pt", "ru", "sl", "sv", "tr", "uk", "zh"};

// The desktop application "installed" with its profile naming the language, for as long as
// the object lives.
class ProfileLanguage {
public:
    explicit ProfileLanguage(const std::string& code) : m_folder(TestSupport::desktopAppFolder())
    {
        CreateDirectoryW(m_folder.c_str(), nullptr);
        std::ofstream((m_folder + L"\\TVZ EN.exe").c_str(), std::ios::binary);
        std::ofstream((m_folder + L"\\TVZ.json").c_str(), std::ios::binary) << R"({"general": {"plugin_lang": ")" << code << R"("}})";
    }
    ~ProfileLanguage()
    {
        DeleteFileW((m_folder + L"\\TVZ EN.exe").c_str());
        DeleteFileW((m_folder + L"\\TVZ.json").c_str());
        RemoveDirectoryW(m_folder.c_str());
    }
    ProfileLanguage(const ProfileLanguage&) = delete;
    ProfileLanguage& operator=(const ProfileLanguage&) = delete;

private:
    std::wstring m_folder;
};

std::wstring tempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

} // namespace

TEST(TextFit, EveryControlTextFitsInEveryDialogModeAndLanguage)
{
    const std::wstring gallery = TestSupport::folderOf(TestSupport::addinDllPath()) + L"\\dialog_gallery.exe";
    for (const char* code : Languages) {
        // Files of their own for each language: a Wine service process that a gallery started
        // inherits the gallery's handles and may still hold the files of the language before.
        const std::wstring name = L"talvora-text-fit-" + std::wstring(code, code + std::strlen(code));
        const std::wstring report = tempFile((name + L".txt").c_str());
        const std::wstring log = tempFile((name + L".log").c_str());
        int exitCode = -1;
        {
            const ProfileLanguage language(code);
            exitCode = TestSupport::runToEnd(gallery, L"\"" + gallery + L"\" measure 0 \"" + report + L"\"", {}, log);
        }
        EXPECT_EQ(exitCode, 0) << code << ": the gallery did not open and close every dialog:\n" << TestSupport::readFile(log);
        std::istringstream lines(TestSupport::readFile(report));
        int linesOfLanguage = 0;
        std::string dialog;
        int controlId = 0, needed = 0, available = 0;
        char axis = 0;
        while (lines >> dialog >> controlId >> axis >> needed >> available) {
            ++linesOfLanguage;
            EXPECT_LE(needed, available) << code << ", " << dialog << ", control " << controlId << ": the text needs "
                                         << needed << " pixels of " << (axis == 'w' ? "width" : "height") << ", the control has "
                                         << available;
        }
        EXPECT_GT(linesOfLanguage, 0) << code << ": nothing measured";
        DeleteFileW(report.c_str());
        DeleteFileW(log.c_str());
    }
}
