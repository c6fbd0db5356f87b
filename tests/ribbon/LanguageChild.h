#pragma once
// The interface language is chosen once per process, so what the ribbon looks like in another
// language is asked of a child: a copy of this program in a folder beside every language
// library, run with a gtest filter for one of the child tests below and a language code. The
// child picks its language as the add-in does when the desktop application names one, and
// writes a report of "key<TAB>value" lines (UTF-8) that the parent reads back.

#include <functional>
#include <map>
#include <string>

namespace LanguageChild {

using Report = std::map<std::string, std::wstring>;

struct Result {
    int exitCode = -1;
    Report report;

    // The reported value; "<not reported>" when the child did not report it.
    std::wstring value(const std::string& key) const
    {
        const auto found = report.find(key);
        return found == report.end() ? L"<not reported>" : found->second;
    }
};

// Runs the child test RibbonChild.<test> in the interface language `code` ("de", "en", ...).
Result run(const std::string& test, const std::string& code);

// Registers RibbonChild.<test> when this process is such a child; `body` fills the report.
// The language is chosen before the body runs.
bool registerChild(const char* test, std::function<void(Report&)> body);

} // namespace LanguageChild
