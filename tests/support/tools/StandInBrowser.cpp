// Stands in for the user's web browser in the tests and the demo: registered as the program the
// shell opens http addresses with, it fetches the address from the stand-in service, follows
// redirects, and shows each page's title as its window title followed by " - Stand-in Browser",
// as a desktop browser does. On the service's pages it acts as a user would:
//
// - the "Log in with Facebook" page: it continues as the account named by the environment
//   variable TALVORA_BROWSER_ACCOUNT (an e-mail), or as the first one listed;
// - the authorization page: it waits until the named event TalvoraStandInBrowser.Decide is set
//   (the user takes their time), then follows "Allow" or "Deny" as the environment variable
//   TALVORA_BROWSER says ("approve", the default, or "deny"); with "open" it leaves the page
//   as it is.
//
// The window stays open on the last page until it is closed (WM_CLOSE), like a browser's.
#include "StandInBrowser.h"

#include <windows.h>
#include <shellapi.h>
#include <winhttp.h>

#include <memory>
#include <optional>
#include <string>

namespace {

struct InternetCloser {
    void operator()(HINTERNET handle) const noexcept { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

struct Page {
    std::wstring url; // after the redirects
    std::string html;
};

std::wstring environment(const wchar_t* name)
{
    wchar_t value[512] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 512);
    return length && length < 512 ? value : L"";
}

std::wstring utf16(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

std::string unescapeHtml(std::string text)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities)
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::char_traits<char>::length(entity), character);
    return text;
}

std::optional<Page> fetch(HINTERNET session, const std::wstring& url)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[256] = {};
    wchar_t path[4096] = {};
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 4096;
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts))
        return std::nullopt;
    const Internet connection(WinHttpConnect(session, host, parts.nPort, 0));
    const Internet request(connection ? WinHttpOpenRequest(connection.get(), L"GET", path, nullptr,
                                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                      : nullptr);
    if (!request || !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                                        0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return std::nullopt;
    Page page;
    for (DWORD available = 0; WinHttpQueryDataAvailable(request.get(), &available) && available > 0;) {
        const std::size_t start = page.html.size();
        page.html.resize(start + available);
        DWORD read = 0;
        WinHttpReadData(request.get(), page.html.data() + start, available, &read);
        page.html.resize(start + read);
    }
    wchar_t finalUrl[4096] = {};
    DWORD size = sizeof finalUrl;
    page.url = WinHttpQueryOption(request.get(), WINHTTP_OPTION_URL, finalUrl, &size) ? finalUrl : url;
    return page;
}

std::string between(const std::string& text, const std::string& open, const std::string& close,
                    std::size_t from = 0)
{
    const std::size_t start = text.find(open, from);
    if (start == std::string::npos)
        return {};
    const std::size_t end = text.find(close, start + open.size());
    return end == std::string::npos ? std::string() : text.substr(start + open.size(), end - start - open.size());
}

// The address of the first link at or after `at`, resolved against the page's origin.
std::wstring linkFrom(const Page& page, std::size_t at)
{
    if (at == std::string::npos)
        return {};
    const std::wstring href = utf16(unescapeHtml(between(page.html, "href=\"", "\"", at)));
    if (href.empty() || href[0] != L'/')
        return href;
    const std::size_t hostEnd = page.url.find(L'/', page.url.find(L"//") + 2);
    return page.url.substr(0, hostEnd) + href;
}

std::string utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

// The account link of the "Log in with Facebook" page.
std::wstring accountLink(const Page& page)
{
    const std::wstring account = environment(L"TALVORA_BROWSER_ACCOUNT");
    if (account.empty())
        return linkFrom(page, page.html.find("<li>"));
    const std::size_t named = page.html.find("Continue as " + utf8(account) + "<");
    return named == std::string::npos ? std::wstring() : linkFrom(page, page.html.rfind("<a ", named));
}

// Runs the window's messages until the decision event is set; false when the window closed.
bool waitForDecision(HANDLE decide)
{
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &decide, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0)
            return true;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return false;
            DispatchMessageW(&message);
        }
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createWindow()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = StandInBrowserClass;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowW(StandInBrowserClass, L"Stand-in Browser", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

// Walks the pages from `url` as the user would; false when the window was closed meanwhile.
bool browse(HWND window, HINTERNET session, std::wstring url)
{
    const std::wstring action = environment(L"TALVORA_BROWSER");
    const HANDLE decide = CreateEventW(nullptr, FALSE, FALSE, StandInBrowserDecideEvent);
    bool open = true;
    while (!url.empty() && open) {
        const std::optional<Page> page = fetch(session, url);
        if (!page)
            break;
        const std::wstring title = utf16(unescapeHtml(between(page->html, "<title>", "</title>")));
        SetWindowTextW(window, (title + L" - Stand-in Browser").c_str());
        url.clear();
        if (page->html.find("Continue as ") != std::string::npos) {
            url = accountLink(*page);
        } else if (page->html.find("id=\"allow\"") != std::string::npos && action != L"open") {
            open = waitForDecision(decide);
            url = linkFrom(*page, page->html.find(action == L"deny" ? "id=\"deny\"" : "id=\"allow\""));
        }
    }
    if (decide)
        CloseHandle(decide);
    return open;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    const HWND window = createWindow();
    const Internet session(WinHttpOpen(L"Stand-in Browser", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (session && !browse(window, session.get(), argv[1]))
        return 0; // closed while the user was deciding
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
