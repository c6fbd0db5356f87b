#include "ReferenceVectors.h"

#include "TestSupport.h"

#include <windows.h>

#include <map>
#include <sstream>
#include <stdexcept>

namespace ReferenceVectors {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    throw std::runtime_error(std::string("bad hex digit in the vector file: ") + c);
}

std::string fromHexField(const std::string& field)
{
    if (field == "-")
        return {};
    if (field.size() % 2)
        throw std::runtime_error("odd hex field in the vector file");
    std::string bytes(field.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(hexDigit(field[2 * i]) * 16 + hexDigit(field[2 * i + 1]));
    return bytes;
}

std::wstring vectorFilePath()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return TestSupport::folderOf(exe) + L"\\encoding_vectors.txt";
}

std::map<std::string, std::vector<Record>> load()
{
    std::map<std::string, std::vector<Record>> byKind;
    std::istringstream in(TestSupport::readFile(vectorFilePath()));
    std::string kind, given, expected;
    while (in >> kind >> given >> expected)
        byKind[kind].push_back({fromHexField(given), fromHexField(expected)});
    return byKind;
}

} // namespace

const std::vector<Record>& of(const std::string& kind)
{
    static const std::map<std::string, std::vector<Record>> byKind = load();
    static const std::vector<Record> none;
    const auto found = byKind.find(kind);
    return found == byKind.end() ? none : found->second;
}

std::wstring wideFromLittleEndian(const std::string& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i])
                                       | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return text;
}

} // namespace ReferenceVectors
