#include "UrlRecorder.h"

#include "TestSupport.h"
#include "Win/RegKey.h"

#include <sstream>

namespace TestSupport {

namespace {

constexpr wchar_t SchemeKey[] = L"Software\\Classes\\talvora-test";
constexpr wchar_t HttpCommandKey[] = L"Software\\Classes\\http\\shell\\open\\command";

std::wstring recorderCommand()
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring tools = folderOf(folderOf(exe)) + L"\\tools";
    return L"\"" + tools + L"\\url_recorder.exe\" \"%1\"";
}

void setDefaultValue(HKEY root, const std::wstring& path, const std::wstring& value)
{
    Win::RegKey key;
    key.create(root, path.c_str(), KEY_SET_VALUE);
    RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring defaultValue(HKEY root, const std::wstring& path)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

} // namespace

// Wine's shell reads the handlers from HKLM\Software\Classes.
UrlRecorder::UrlRecorder(bool takeHttp) : m_tookHttp(takeHttp)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    // A file of its own: a stand-in browser that a test before started late may still write
    // into the file of that test.
    wchar_t file[MAX_PATH] = {};
    GetTempFileNameW(folder, L"url", 0, file);
    m_file = file;
    SetEnvironmentVariableW(L"TALVORA_URL_RECORD", m_file.c_str());

    const std::wstring command = recorderCommand();
    setDefaultValue(HKEY_LOCAL_MACHINE, SchemeKey, L"URL:Talvora test");
    {
        Win::RegKey scheme;
        scheme.create(HKEY_LOCAL_MACHINE, SchemeKey, KEY_SET_VALUE);
        RegSetValueExW(scheme.get(), L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    }
    setDefaultValue(HKEY_LOCAL_MACHINE, std::wstring(SchemeKey) + L"\\shell\\open\\command", command);
    if (m_tookHttp) {
        m_previousHttpCommand = defaultValue(HKEY_LOCAL_MACHINE, HttpCommandKey);
        setDefaultValue(HKEY_LOCAL_MACHINE, HttpCommandKey, command);
    }
}

UrlRecorder::~UrlRecorder()
{
    if (m_tookHttp)
        setDefaultValue(HKEY_LOCAL_MACHINE, HttpCommandKey, m_previousHttpCommand);
    deleteRegistryTree(HKEY_LOCAL_MACHINE, SchemeKey);
    SetEnvironmentVariableW(L"TALVORA_URL_RECORD", nullptr);
    DeleteFileW(m_file.c_str());
}

std::vector<std::string> UrlRecorder::opened(std::size_t count, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<std::string> urls;
        std::istringstream lines(readFile(m_file));
        for (std::string line; std::getline(lines, line);)
            urls.push_back(line);
        if (urls.size() >= count || GetTickCount() - start > timeoutMs)
            return urls;
        Sleep(50); // another process writes the file
    }
}

} // namespace TestSupport
