#pragma once
// WindowsList: the top-level windows of the desktop with their titles, rebuilt on request. The
// browser sign-in reads its result from the title of the browser's window, so nothing is
// filtered out: any browser that shows the page title in its window title serves.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class WindowsList {
public:
    // (window, title as UTF-8); the title is empty for a window without one.
    using Entry = std::pair<HWND, std::string>;
    // An enumeration routine of the EnumWindows kind.
    using Routine = BOOL(WINAPI*)(WNDENUMPROC callback, LPARAM userData);

    // At most this many UTF-16 units of a title are read.
    static constexpr int MaxTitle = 510;

    // Chooses the bounded walk on Windows 8.1 and later, EnumWindows before.
    WindowsList();
    explicit WindowsList(Routine routine) noexcept : m_enumerate(routine) {}

    // The process-wide list, made on first use.
    static WindowsList& instance();

    // Drops the entries and lists the windows afresh, in the order the system gives them.
    void refresh();
    const std::vector<Entry>& entries() const noexcept { return m_entries; }

private:
    static BOOL CALLBACK add(HWND window, LPARAM list);

    Routine m_enumerate;
    std::vector<Entry> m_entries;
};

// True on Windows 8.1 and later; tested once per process.
bool isWindows81OrLater();

// The top-level windows through FindWindowExW, at most WindowsLimit of them: on Windows 8.1 and
// later EnumWindows leaves out the windows of immersive applications. Returns TRUE.
BOOL WINAPI EnumWindows_W10(WNDENUMPROC callback, LPARAM userData);
inline constexpr int WindowsLimit = 1000;
