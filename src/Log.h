#pragma once
// The diagnostic log: one line per event in %USERPROFILE%/.tvz/OfficeAddinLog.txt.
//
//   TVZ_LOG("Connected. The app: " << hostName << ", version: " << major);
//
// writes "[month-day hour:minute:second.ms]file[function:line]: message" when the log is open
// and healthy, and evaluates nothing of the message otherwise. The function part is the
// qualified name of the enclosing function (class-template members with their arguments),
// cut out of the compiler's signature text at compile time.

#include <windows.h>

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>

// The process-wide log stream: closed when the DLL loads, opened at connection.
extern std::ofstream g_log;

std::wstring getLogFilePath();

namespace Log {

void open(const std::wstring& path);
void close();
inline bool enabled() { return g_log.is_open() && g_log.good(); }

// A number written in lower-case hexadecimal; the pieces after it are decimal again.
struct Hex {
    unsigned long long value;
};
template <class T>
Hex hex(T value)
{
    return Hex{static_cast<unsigned long long>(static_cast<std::make_unsigned_t<T>>(value))};
}

// "[12-8 21:5:3.70]file[function:line]: " for the given time.
std::string linePrefix(const SYSTEMTIME& time, const char* sourcePath, const char* function, int line);
// The file part of a line: the text after the last separator, unless fewer than two
// characters follow it.
std::string_view sourceFileName(std::string_view path);

// One line under construction; written and flushed when it goes out of scope.
class Line {
public:
    Line(const char* sourcePath, const char* function, int line);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    Line& operator<<(const char* text);
    Line& operator<<(const std::string& text) { return *this << std::string_view(text); }
    Line& operator<<(std::string_view text);
    Line& operator<<(const wchar_t* text);
    Line& operator<<(const std::wstring& text) { return *this << std::wstring_view(text); }
    Line& operator<<(std::wstring_view text);
    Line& operator<<(char c);
    Line& operator<<(bool value) = delete; // say what a flag means: write 1/0 or a word
    Line& operator<<(int value) { return decimal(static_cast<long long>(value)); }
    Line& operator<<(long value) { return decimal(static_cast<long long>(value)); }
    Line& operator<<(long long value) { return decimal(value); }
    Line& operator<<(unsigned value) { return unsignedDecimal(value); }
    Line& operator<<(unsigned long value) { return unsignedDecimal(value); }
    Line& operator<<(unsigned long long value) { return unsignedDecimal(value); }
    Line& operator<<(Hex value);
    Line& operator<<(const void* pointer);

private:
    Line& decimal(long long value);
    Line& unsignedDecimal(unsigned long long value);
};

// The qualified function name inside a compiler signature such as
// "virtual HRESULT CAddin::OnConnection(IDispatch*, ...)" or
// "void Impl<T>::DoPaint(HDC) [with T = Ctl; HDC = HDC__*]" ("Impl<Ctl>::DoPaint").
template <std::size_t N>
class FunctionName {
public:
    constexpr explicit FunctionName(const char (&signature)[N]) { build(std::string_view(signature, N - 1)); }
    constexpr const char* c_str() const { return m_text; }

private:
    static constexpr bool opens(char c) { return c == '<' || c == '(' || c == '['; }
    static constexpr bool closes(char c) { return c == '>' || c == ')' || c == ']'; }

    constexpr void append(std::string_view text)
    {
        for (char c : text)
            if (m_length + 1 < N)
                m_text[m_length++] = c;
        m_text[m_length] = '\0';
    }

    // Position of the '(' that opens the parameter list: the first one outside angle brackets,
    // skipping "(anonymous namespace)" style groups and "operator()".
    static constexpr std::size_t parameterListStart(std::string_view s)
    {
        int angle = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '<')
                ++angle;
            else if (c == '>' && angle > 0)
                --angle;
            else if (c == '(' && angle == 0) {
                if (s.substr(i).starts_with("(anonymous namespace)")) {
                    i += 20;
                    continue;
                }
                if (i >= 8 && s.substr(i - 8, 8) == "operator" && s.substr(i).starts_with("()")) {
                    ++i;
                    continue;
                }
                return i;
            }
        }
        return s.size();
    }

    // The value bound to a template parameter in the "[with A = x; B = y]" tail.
    static constexpr std::string_view boundValue(std::string_view with, std::string_view parameter)
    {
        std::size_t pos = 0;
        while (pos < with.size()) {
            std::size_t end = pos;
            int depth = 0;
            while (end < with.size() && !(depth == 0 && with[end] == ';')) {
                if (opens(with[end]))
                    ++depth;
                else if (closes(with[end]))
                    --depth;
                ++end;
            }
            const std::string_view binding = with.substr(pos, end - pos);
            const std::size_t eq = binding.find(" = ");
            if (eq != std::string_view::npos) {
                // A non-type parameter is bound with its type: "int N = 3".
                std::string_view name = binding.substr(0, eq);
                if (const std::size_t space = name.rfind(' '); space != std::string_view::npos)
                    name = name.substr(space + 1);
                if (name == parameter)
                    return binding.substr(eq + 3);
            }
            pos = end + 1;
            while (pos < with.size() && with[pos] == ' ')
                ++pos;
        }
        return parameter;
    }

    static constexpr bool isIdentifierChar(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    }

    constexpr void build(std::string_view s)
    {
        std::string_view with;
        if (const std::size_t w = s.rfind(" [with "); w != std::string_view::npos && s.ends_with("]"))
            with = s.substr(w + 7, s.size() - w - 8);

        const std::size_t open = parameterListStart(s);
        std::size_t start = open;
        int angle = 0;
        while (start > 0) {
            const char c = s[start - 1];
            if (c == '>')
                ++angle;
            else if (c == '<')
                --angle;
            else if (c == ' ' && angle == 0)
                break;
            --start;
        }
        const std::string_view name = s.substr(start, open - start);

        // Copy the name, replacing template parameters by their bound values.
        std::size_t i = 0;
        int depth = 0;
        while (i < name.size()) {
            const char c = name[i];
            if (depth > 0 && isIdentifierChar(c) && !with.empty()) {
                std::size_t j = i;
                while (j < name.size() && isIdentifierChar(name[j]))
                    ++j;
                append(boundValue(with, name.substr(i, j - i)));
                i = j;
                continue;
            }
            if (c == '<')
                ++depth;
            else if (c == '>')
                --depth;
            m_text[m_length < N - 1 ? m_length++ : m_length] = c;
            m_text[m_length] = '\0';
            ++i;
        }
    }

    char m_text[N] = {};
    std::size_t m_length = 0;
};

} // namespace Log

// A line that cannot be built (out of memory while converting its pieces) is cut short; it never
// fails the operation it describes, so a log line needs no handler of its own.
#define TVZ_LOG(pieces)                                                                                  \
    do {                                                                                                 \
        static constexpr ::Log::FunctionName<sizeof(__PRETTY_FUNCTION__)> tvzFunction_(__PRETTY_FUNCTION__); \
        if (::Log::enabled()) {                                                                          \
            try {                                                                                        \
                ::Log::Line tvzLine_(__FILE__, tvzFunction_.c_str(), __LINE__);                          \
                tvzLine_ << pieces;                                                                      \
            } catch (...) {                                                                              \
            }                                                                                            \
        }                                                                                                \
    } while (0)
