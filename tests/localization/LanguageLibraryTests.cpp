// What the build made of the string tables: the English table inside the add-in module and one
// resource-only library per language, each holding exactly the UTF-16 texts of its table.
#include "Com/Module.h"
#include "LocalizationTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace LocalizationTest;

namespace {

bool isModuleOnly(UINT id)
{
    return id == 100 || id == 999;
}

TEST(EnglishTable, TheAddinModuleHoldsEveryStringOfTheTable)
{
    const StringTable english = readStringTable("en");
    EXPECT_EQ(english.size(), 43u + 76u);
    for (const auto& [id, text] : english)
        EXPECT_EQ(loadString(Com::Module::instance(), id), text) << "string " << id;
}

class LanguageLibrary : public testing::TestWithParam<std::string> {};

TEST_P(LanguageLibrary, HoldsEveryStringOfItsTableButTheModuleOnlyOnes)
{
    const DataModule library(languageLibraryPath(GetParam()));
    ASSERT_TRUE(library) << "error " << library.error();
    const StringTable table = readStringTable(GetParam());
    for (const auto& [id, english] : readStringTable("en")) {
        if (isModuleOnly(id)) {
            EXPECT_EQ(loadString(library.get(), id), L"") << "string " << id;
            continue;
        }
        ASSERT_EQ(table.count(id), 1u) << "string " << id << " is not translated";
        EXPECT_EQ(loadString(library.get(), id), table.at(id)) << "string " << id;
    }
}

// Read from the file, not from a loaded image: what is checked is what any loader would map.
TEST_P(LanguageLibrary, HasNoEntryPointAndNoImports)
{
    const std::string image = TestSupport::readFile(languageLibraryPath(GetParam()));
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof dos);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(static_cast<std::size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), image.size());
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt.OptionalHeader.AddressOfEntryPoint, 0u);

    const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.Size == 0)
        return;
    // The linker may leave an import directory that holds only its terminating descriptor.
    const auto* section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        image.data() + dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader);
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i, ++section) {
        IMAGE_SECTION_HEADER header;
        std::memcpy(&header, section, sizeof header);
        if (imports.VirtualAddress < header.VirtualAddress || imports.VirtualAddress >= header.VirtualAddress + header.SizeOfRawData)
            continue;
        const std::size_t offset = header.PointerToRawData + (imports.VirtualAddress - header.VirtualAddress);
        ASSERT_LE(offset + sizeof(IMAGE_IMPORT_DESCRIPTOR), image.size());
        IMAGE_IMPORT_DESCRIPTOR first;
        std::memcpy(&first, image.data() + offset, sizeof first);
        EXPECT_EQ(first.Name, 0u) << "the library imports a DLL";
        return;
    }
    ADD_FAILURE() << "import directory outside every section";
}

INSTANTIATE_TEST_SUITE_P(All, LanguageLibrary, testing::ValuesIn(languageCodes()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// Independent of how the tables are read above: texts written out as UTF-16 code units.
struct KnownText {
    const char* language;
    UINT id;
    const wchar_t* text;
};

class KnownTranslation : public testing::TestWithParam<KnownText> {};

TEST_P(KnownTranslation, ReadsBackAsTheExactUtf16Units)
{
    const DataModule library(languageLibraryPath(GetParam().language));
    ASSERT_TRUE(library);
    EXPECT_EQ(loadString(library.get(), GetParam().id), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Samples, KnownTranslation, testing::Values(
    KnownText{"fr", 500, L"R\x00E9union instantan\x00E9" L"e"},
    KnownText{"fr", 515, L"Pour joindre le service client 24 h/24, 7 j/7, appelez le "},
    KnownText{"he", 500, L"\x05E4\x05D2\x05D9\x05E9\x05D4 \x05DE\x05D9\x05D9\x05D3\x05D9\x05EA"},
    KnownText{"ar", 503, L"\x0627\x0644\x0625\x0639\x062F\x0627\x062F\x0627\x062A"},
    KnownText{"ja", 503, L"\x8A2D\x5B9A"},
    KnownText{"ko", 502, L"\xBAA8\xC784 \xC608\xC57D"},
    KnownText{"zh", 500, L"\x7ACB\x5373\x5F00\x4F1A"},
    KnownText{"ka", 500, L"\x10E8\x10D4\x10EE\x10D5\x10D4\x10D3\x10E0\x10D0 \x10D0\x10EE\x10DA\x10D0\x10D5\x10D4"},
    KnownText{"el", 534, L"\x03A3\x03C5\x03BD\x03AD\x03C7\x03B5\x03B9\x03B1 \x03BC\x03B5 Facebook"}));

} // namespace
