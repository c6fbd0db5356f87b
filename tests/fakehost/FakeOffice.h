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

struct Office {
    Ref application;
    Ref languageSettings;
    Ref commandBars; // the host's (Word, Excel, PowerPoint) or the explorer's (Outlook)
    Ref explorer;
    Ref inspectors;
    std::shared_ptr<ItemFactory> items; // Outlook: what Application.CreateItem hands out

    static Office build(const HostSpec& setup);
    // The inspectors' event source (Outlook); null for other hosts.
    ConnectionPoint* inspectorsEvents() const;
};

const wchar_t* defaultName(App app);

} // namespace Fake
