#include "TestSupport.h"

#include "Log.h"

#include <fstream>
#include <sstream>

namespace TestSupport {

void deleteRegistryTree(HKEY root, const wchar_t* path)
{
    RegDeleteTreeW(root, path);
    RegDeleteKeyW(root, path);
}

std::string readFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::wstring folderOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring addinDllPath()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return folderOf(folderOf(folderOf(exe))) + L"\\bin\\TalvoraMeeting.dll";
}

LogCapture::LogCapture() : m_path(getLogFilePath())
{
    std::ofstream truncate(m_path.c_str(), std::ios::binary | std::ios::trunc);
}

std::string LogCapture::text() const
{
    return readFile(m_path);
}

std::vector<std::string> LogCapture::lines() const
{
    std::vector<std::string> result;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::string> LogCapture::messages() const
{
    std::vector<std::string> result;
    for (const std::string& line : lines()) {
        const std::size_t start = line.find("]: ");
        result.push_back(start == std::string::npos ? line : line.substr(start + 3));
    }
    return result;
}

bool LogCapture::contains(const std::string& message) const
{
    for (const std::string& m : messages())
        if (m == message)
            return true;
    return false;
}

} // namespace TestSupport
