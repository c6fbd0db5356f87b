#include "Com/Registrar.h"

#include "TextCodec.h"
#include "Win/RegKey.h"

#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

namespace Com {

namespace {

enum class Removal { Plain, NoRemove, ForceRemove };

struct Value {
    bool isDword = false;
    std::wstring text;
    DWORD number = 0;
};

struct Key {
    std::wstring name;
    Removal removal = Removal::Plain;
    std::optional<Value> defaultValue;
    std::vector<std::pair<std::wstring, Value>> values;
    std::vector<Key> children;
};

struct Root {
    HKEY key;
    std::vector<Key> children;
};

class ScriptError {};

class Parser {
public:
    explicit Parser(const std::wstring& text) : m_text(text) {}

    std::vector<Root> roots()
    {
        std::vector<Root> result;
        while (!atEnd()) {
            Root root{rootKey(token()), {}};
            expect(L"{");
            root.children = keys();
            result.push_back(std::move(root));
        }
        return result;
    }

private:
    static HKEY rootKey(const std::wstring& name)
    {
        if (name == L"HKCU" || name == L"HKEY_CURRENT_USER")
            return HKEY_CURRENT_USER;
        if (name == L"HKLM" || name == L"HKEY_LOCAL_MACHINE")
            return HKEY_LOCAL_MACHINE;
        if (name == L"HKCR" || name == L"HKEY_CLASSES_ROOT")
            return HKEY_CLASSES_ROOT;
        if (name == L"HKU" || name == L"HKEY_USERS")
            return HKEY_USERS;
        throw ScriptError();
    }

    // Keys and values up to the closing brace of the enclosing block.
    std::vector<Key> keys(Key* owner = nullptr)
    {
        std::vector<Key> result;
        for (;;) {
            std::wstring word = token();
            if (word == L"}")
                return result;
            if (word == L"val") {
                if (!owner)
                    throw ScriptError();
                std::wstring name = token();
                expect(L"=");
                owner->values.emplace_back(std::move(name), value());
                continue;
            }
            Key key;
            if (word == L"NoRemove") {
                key.removal = Removal::NoRemove;
                word = token();
            } else if (word == L"ForceRemove") {
                key.removal = Removal::ForceRemove;
                word = token();
            }
            key.name = word;
            if (peek() == L'=') {
                expect(L"=");
                key.defaultValue = value();
            }
            if (peek() == L'{') {
                expect(L"{");
                key.children = keys(&key);
            }
            result.push_back(std::move(key));
        }
    }

    Value value()
    {
        const std::wstring type = token();
        const std::wstring data = token();
        Value result;
        if (type == L"s") {
            result.text = data;
        } else if (type == L"d") {
            result.isDword = true;
            result.number = static_cast<DWORD>(std::wcstoul(data.c_str(), nullptr, 0));
        } else {
            throw ScriptError();
        }
        return result;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size() && std::iswspace(m_text[m_pos]))
            ++m_pos;
    }
    bool atEnd()
    {
        skipSpace();
        return m_pos >= m_text.size();
    }
    // The next token's first character, for the optional "= value" and "{ children }" parts.
    wchar_t peek()
    {
        skipSpace();
        if (m_pos >= m_text.size())
            return L'\0';
        const std::size_t saved = m_pos;
        const std::wstring next = token();
        m_pos = saved;
        return next == L"{" || next == L"=" ? next[0] : L'\0';
    }
    void expect(const wchar_t* word)
    {
        if (token() != word)
            throw ScriptError();
    }

    // A brace, '=', a quoted string ('' stands for one quote) or a bare word.
    std::wstring token()
    {
        if (atEnd())
            throw ScriptError();
        const wchar_t c = m_text[m_pos];
        // A brace stands alone; "{C27B…}" is a key name.
        const bool alone = m_pos + 1 >= m_text.size() || std::iswspace(m_text[m_pos + 1])
                           || m_text[m_pos + 1] == L'{' || m_text[m_pos + 1] == L'}';
        if (c == L'=' || ((c == L'{' || c == L'}') && alone)) {
            ++m_pos;
            return std::wstring(1, c);
        }
        std::wstring word;
        if (c == L'\'') {
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size())
                    throw ScriptError();
                const wchar_t d = m_text[m_pos++];
                if (d == L'\'') {
                    if (m_pos < m_text.size() && m_text[m_pos] == L'\'') {
                        word += L'\'';
                        ++m_pos;
                        continue;
                    }
                    return word;
                }
                word += d;
            }
        }
        while (m_pos < m_text.size() && !std::iswspace(m_text[m_pos]) && m_text[m_pos] != L'=')
            word += m_text[m_pos++];
        return word;
    }

    const std::wstring& m_text;
    std::size_t m_pos = 0;
};

HRESULT fromWin32(LONG error)
{
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT setValue(HKEY key, const wchar_t* name, const Value& value)
{
    if (value.isDword)
        return fromWin32(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                                        sizeof(DWORD)));
    return fromWin32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                                    static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t))));
}

bool missing(LONG error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

HRESULT deleteTree(HKEY parent, const std::wstring& name)
{
    const LONG error = RegDeleteTreeW(parent, name.c_str());
    if (error != ERROR_SUCCESS && !missing(error))
        return fromWin32(error);
    const LONG keyError = RegDeleteKeyW(parent, name.c_str());
    return keyError == ERROR_SUCCESS || missing(keyError) ? S_OK : fromWin32(keyError);
}

HRESULT install(HKEY parent, const Key& key)
{
    if (key.removal == Removal::ForceRemove) {
        if (const HRESULT hr = deleteTree(parent, key.name); FAILED(hr))
            return hr;
    }
    Win::RegKey opened;
    if (const LONG error = opened.create(parent, key.name.c_str(), KEY_READ | KEY_WRITE); error != ERROR_SUCCESS)
        return fromWin32(error);
    if (key.defaultValue) {
        if (const HRESULT hr = setValue(opened.get(), nullptr, *key.defaultValue); FAILED(hr))
            return hr;
    }
    for (const auto& [name, value] : key.values) {
        if (const HRESULT hr = setValue(opened.get(), name.c_str(), value); FAILED(hr))
            return hr;
    }
    for (const Key& child : key.children) {
        if (const HRESULT hr = install(opened.get(), child); FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT uninstall(HKEY parent, const Key& key)
{
    if (key.removal == Removal::ForceRemove)
        return deleteTree(parent, key.name);

    Win::RegKey opened;
    const LONG error = opened.open(parent, key.name.c_str(), KEY_READ | KEY_WRITE);
    if (missing(error))
        return S_OK;
    if (error != ERROR_SUCCESS)
        return fromWin32(error);
    for (const Key& child : key.children) {
        if (const HRESULT hr = uninstall(opened.get(), child); FAILED(hr))
            return hr;
    }
    if (key.removal == Removal::NoRemove) {
        for (const auto& value : key.values)
            RegDeleteValueW(opened.get(), value.first.c_str());
        return S_OK;
    }
    // A key that still holds subkeys written by someone else stays. Asked for, not inferred from
    // the deletion's error: access denied is also what a key we may not delete answers.
    DWORD subkeys = 0;
    if (const LONG queried = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, nullptr);
        queried != ERROR_SUCCESS)
        return fromWin32(queried);
    opened.close();
    if (subkeys > 0)
        return S_OK;
    const LONG deleted = RegDeleteKeyW(parent, key.name.c_str());
    return deleted == ERROR_SUCCESS || missing(deleted) ? S_OK : fromWin32(deleted);
}

} // namespace

std::wstring Registrar::substitute(const std::wstring& script) const
{
    std::wstring result;
    result.reserve(script.size());
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] != L'%') {
            result += script[i];
            continue;
        }
        const std::size_t end = script.find(L'%', i + 1);
        if (end == std::wstring::npos) {
            result += script.substr(i);
            break;
        }
        const std::wstring name = script.substr(i + 1, end - i - 1);
        if (name.empty()) {
            result += L'%';
        } else if (const auto found = m_replacements.find(name); found != m_replacements.end()) {
            // Quotes in a value would end the script's string early.
            for (wchar_t c : found->second) {
                result += c;
                if (c == L'\'')
                    result += L'\'';
            }
        } else {
            result += script.substr(i, end - i + 1);
        }
        i = end;
    }
    return result;
}

HRESULT Registrar::run(const std::wstring& script, bool installing) const
{
    std::vector<Root> roots;
    try {
        const std::wstring text = substitute(script);
        roots = Parser(text).roots();
    } catch (const ScriptError&) {
        return E_UNEXPECTED;
    }
    for (const Root& root : roots) {
        for (const Key& key : root.children) {
            const HRESULT hr = installing ? install(root.key, key) : uninstall(root.key, key);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT Registrar::loadScript(HMODULE module, int resourceId, std::wstring& script)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"REGISTRY");
    if (!found)
        return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(GetLastError());
    const std::string text(bytes, SizeofResource(module, found));
    try {
        script = toUtf16(text, CP_UTF8).str();
    } catch (const ConversionError& error) {
        return error.hr();
    }
    return S_OK;
}

} // namespace Com
