#include "Log.h"

#include "TextCodec.h"

#include <shlobj.h>

#include <cstdio>
#include <ios>

std::ofstream g_log;

namespace {

// The user's profile folder does not change while the process runs, and asking the shell for it
// is the slowest step of a connection: ask once. Asked in UTF-16: the ANSI call cannot name a
// folder outside the ANSI code page (a user name in another script), and the log would be off
// for good.
const std::wstring& profileFolder()
{
    static const std::wstring folder = [] {
        wchar_t profile[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_DEFAULT, profile)))
            profile[0] = L'\0';
        return std::wstring(profile);
    }();
    return folder;
}

} // namespace

std::wstring getLogFilePath()
{
    const std::wstring folder = profileFolder() + L"/" + L".tvz";
    CreateDirectoryW(folder.c_str(), nullptr); // an existing folder is fine; the open decides
    return folder + L"/" + L"OfficeAddinLog.txt";
}

namespace Log {

void open(const std::wstring& path)
{
    if (g_log.is_open())
        g_log.close();
    g_log.clear();
    // libstdc++ opens through _wfopen, which shares the file for reading and writing, so
    // several Office hosts of one user can append to the same log.
    g_log.open(path.c_str(), std::ios::out | std::ios::app | std::ios::binary);
    if (!g_log.good())
        g_log.close();
}

void close()
{
    if (g_log.is_open())
        g_log.close();
    g_log.clear();
}

std::string_view sourceFileName(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string_view::npos || path.size() - separator - 1 < 2)
        return path;
    return path.substr(separator + 1);
}

std::string linePrefix(const SYSTEMTIME& time, const char* sourcePath, const char* function, int line)
{
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "[%u-%u %u:%u:%u.%u]", time.wMonth, time.wDay, time.wHour, time.wMinute,
                  time.wSecond, time.wMilliseconds);
    std::string prefix(stamp);
    prefix += sourceFileName(sourcePath);
    prefix += '[';
    prefix += function;
    prefix += ':';
    prefix += std::to_string(line);
    prefix += "]: ";
    return prefix;
}

Line::Line(const char* sourcePath, const char* function, int line)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    g_log << std::dec << linePrefix(now, sourcePath, function, line);
}

Line::~Line()
{
    g_log << std::dec << '\n';
    g_log.flush();
}

Line& Line::operator<<(const char* text)
{
    if (text)
        g_log << text;
    return *this;
}

Line& Line::operator<<(std::string_view text)
{
    g_log.write(text.data(), static_cast<std::streamsize>(text.size()));
    return *this;
}

Line& Line::operator<<(const wchar_t* text)
{
    return text ? *this << std::wstring_view(text) : *this;
}

Line& Line::operator<<(std::wstring_view text)
{
    return *this << fromUtf16OrEmpty(std::wstring(text), CP_ACP).view();
}

Line& Line::operator<<(char c)
{
    g_log.put(c);
    return *this;
}

Line& Line::operator<<(Hex value)
{
    g_log << std::hex << std::nouppercase << value.value;
    return *this;
}

Line& Line::operator<<(const void* pointer)
{
    char text[24];
    std::snprintf(text, sizeof text, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
    g_log << text;
    return *this;
}

Line& Line::decimal(long long value)
{
    g_log << std::dec << value;
    return *this;
}

Line& Line::unsignedDecimal(unsigned long long value)
{
    g_log << std::dec << value;
    return *this;
}

} // namespace Log
