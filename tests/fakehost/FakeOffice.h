#pragma once
// A stand-in Office host: the Application object of Outlook, Word, Excel or PowerPoint with the
// members the add-in uses, and the objects behind them.

#include "FakeObject.h"
#include "FakeOutlook.h"

#include <optional>
#include <string>

namespace Fake {

enum class App { Outlook, Word, Excel, PowerPoint, Visio };

struct HostSpec {
    App app = App::Outlook;
    std::optional<std::wstring> name; // default: the host's real name, e.g. L"Microsoft Word"
    std::wstring version = L"16.0.4266";
    // false: the Application object has no such property at all.
    bool hasName = true;
    bool hasVersion = true;
    bool hasLanguageSettings = true;
    long languageId = 1033;
    bool hasActiveExplorer = true; // Outlook: false when started for a background task
};

// An appointment window that has just opened in Outlook, with the bars of its inspector.
struct OpenedAppointment {
    Appointment appointment;
    Ref inspector;
    std::shared_ptr<CommandBarSet> bars;
};

struct Office {
    Ref application;
    Ref languageSettings;
    Ref commandBars; // the host's (Word, Excel, PowerPoint) or the explorer's (Outlook)
    std::shared_ptr<CommandBarSet> bars; // what commandBars holds
    Ref explorer;
    Ref inspectors;
    std::shared_ptr<ItemFactory> items; // Outlook: what Application.CreateItem hands out

    static Office build(const HostSpec& setup);
    // The inspectors' event source (Outlook); null for other hosts.
    ConnectionPoint* inspectorsEvents() const;
    // An appointment window of Outlook (its own editor: no Word editor), not yet shown.
    static OpenedAppointment appointmentWindow(const std::wstring& body);
    // Outlook shows the window: NewInspector is fired for its inspector.
    void show(const OpenedAppointment& window) const;
    OpenedAppointment openAppointment(const std::wstring& body) const;
};

const wchar_t* defaultName(App app);

} // namespace Fake
