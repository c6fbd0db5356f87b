#pragma once
// The stand-in browser: while a UrlRecorder lives, URLs of the scheme "talvora-test" (and, with
// takeHttp, plain http) open in <build>\tests\tools\url_recorder.exe, which writes them down.
// A test program that uses it depends on the target url_recorder.
//
//   TestSupport::UrlRecorder browser(/*takeHttp=*/true);
//   ... run the code under test, which opens a URL through the shell ...
//   EXPECT_EQ(browser.opened(1), std::vector<std::string>{"http://127.0.0.1:8087/wall/x"});

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

class UrlRecorder {
public:
    explicit UrlRecorder(bool takeHttp = false);
    ~UrlRecorder();
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;

    // The URLs opened so far, waiting up to `timeoutMs` for at least `count` of them.
    std::vector<std::string> opened(std::size_t count, DWORD timeoutMs = 10000) const;

private:
    std::wstring m_file;
    std::wstring m_previousHttpCommand;
    bool m_tookHttp;
};

} // namespace TestSupport
