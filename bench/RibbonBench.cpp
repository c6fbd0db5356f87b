// How long the ribbon's callbacks and the footer removal take on large appointments, and how
// many COM calls they make on the host's objects (the stand-in objects count them). The add-in
// object runs in this process, with its log open as after a connection.
//
//   scripts/run-in-wine.sh build build/bench/bin/ribbon_bench.exe
//   (or: wine build/bench/bin/ribbon_bench.exe [runs] >ribbon.txt 2>&1; cat ribbon.txt)

#include "Addin.h"
#include "FakeOutlook.h"
#include "FakeRibbon.h"
#include "FakeWord.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::wstring InvitationTemplate =
    L"Alice Walker is inviting you to a Talvora meeting.\r\n\r\nDial-In Number: +1 (555) 010-2345\r\n"
    L"Access Code: 4417209\r\n\r\nOnline Meeting: http://127.0.0.1/wall/alice.walker\r\n\r\n"
    L"Talvora - meetings made simple";

double microseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Figures {
    double median = 0;
    double worst = 0;
    long comCalls = 0; // Invoke calls on the host's objects, per run
    long nameLookups = 0; // GetIDsOfNames calls on the document's objects, per run
};

// Runs `prepare` (not timed) and then `measure` (timed) `runs` times; `measure` answers the
// COM calls of its run.
Figures timeRuns(int runs, const std::function<void()>& prepare, const std::function<std::pair<long, long>()>& measure)
{
    std::vector<double> times;
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        prepare();
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const auto [calls, lookups] = measure();
        QueryPerformanceCounter(&end);
        times.push_back(microseconds(start, end));
        figures.comCalls = calls;
        figures.nameLookups = lookups;
    }
    std::sort(times.begin(), times.end());
    figures.median = times[times.size() / 2];
    figures.worst = times.back();
    return figures;
}

void print(const char* what, int runs, const Figures& figures)
{
    std::printf("%-58s %5d runs: median %10.1f us, max %10.1f us, COM calls %ld (+%ld name look-ups in the document)\n", what, runs,
                figures.median, figures.worst, figures.comCalls, figures.nameLookups);
}

// Paragraphs "Paragraph <n> of the agenda." up to `count` in all, the last one the invitation.
std::wstring agendaWithInvitation(int count, const std::wstring& invitation)
{
    std::wstring text;
    for (int i = 1; i < count; ++i)
        text += L"Paragraph " + std::to_wstring(i) + L" of the agenda.\r";
    return text + invitation + L"\r";
}

// About one million characters of text, the invitation at its end.
std::wstring megabyteBody(const std::wstring& invitation)
{
    std::wstring text;
    const std::wstring line = L"Notes of the meeting, taken by hand and pasted into the appointment.\v";
    while (text.size() < 1000000)
        text += line;
    return text + L"\r" + invitation + L"\r";
}

long objectCalls(const Fake::Ref& object)
{
    return static_cast<long>(object->calls().size());
}

int run(int runs)
{
    Com::ComPtr<ITalvoraMeeting> meeting;
    if (FAILED(CAddin::create(nullptr, IID_ITalvoraMeeting, meeting.putVoid()))) {
        std::fprintf(stderr, "cannot create the add-in object\n");
        return 1;
    }
    CAddin& addin = *static_cast<CAddin*>(meeting.get());
    addin.account().invitation = Invitation(InvitationTemplate);
    const std::wstring invitation = addin.account().invitation.text;
    const auto ribbon = meeting.query<IRibbonExtensibility>(Office::IID_RibbonExtensibility);

    for (const wchar_t* id : {L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Appointment", L"Microsoft.Word.Document"}) {
        const Com::BStr ribbonId(id);
        const Figures figures = timeRuns(
            runs * 10, [] {},
            [&] {
                Com::BStr xml;
                ribbon->GetCustomUI(ribbonId.get(), xml.put());
                return std::pair<long, long>(0, 0); // the XML is made without the host
            });
        print(("GetCustomUI " + std::string(id, id + wcslen(id))).c_str(), runs * 10, figures);
    }

    {
        const Fake::Appointment appointment = Fake::Appointment::create();
        const Fake::WordDocument document = Fake::WordDocument::create(megabyteBody(invitation));
        const Fake::Ref inspector = Fake::makeInspector({appointment.object, document.document, {}});
        const Fake::Ref control = Fake::makeRibbonControl(inspector);
        long before = 0;
        const Figures figures = timeRuns(
            runs,
            [&] {
                document.story->calls().clear();
                before = objectCalls(control) + objectCalls(inspector);
            },
            [&] {
                Com::BStr label;
                meeting->AddParleonButton_GetLabel(control.get(), label.put());
                const long calls = document.story->calls().invokes() + objectCalls(control) + objectCalls(inspector) - before;
                return std::pair<long, long>(calls, document.story->calls().lookups());
            });
        std::printf("  (%zu characters of body)\n", document.story->text().size());
        print("AddParleonButton_GetLabel, 1 MB body", runs, figures);
        // The stand-in host's share: handing out the document's text, which the label reads once.
        const Office::Object content =
            Office::Object(Com::ComPtr<IDispatch>(document.document.get()), Office::IID_WordDocument)
                .getObject(L"Content", Office::IID_WordRange);
        const Figures hostShare = timeRuns(
            runs, [] {},
            [&] {
                const Com::Variant text = content.get(L"Text");
                return std::pair<long, long>(1, 0);
            });
        print("  of which the host's Content.Text of the 1 MB body", runs, hostShare);
    }

    {
        constexpr int Paragraphs = 5000;
        const std::wstring text = agendaWithInvitation(Paragraphs, invitation);
        Fake::WordDocument document;
        Fake::Ref inspector;
        const Figures figures = timeRuns(
            std::max(3, runs / 10),
            [&] {
                document = Fake::WordDocument::create(text);
                inspector = Fake::makeInspector({Fake::Appointment::create().object, document.document, {}});
            },
            [&] {
                addin.removePNFooter(Office::Object(Com::ComPtr<IDispatch>(inspector.get()), Office::IID_Inspector));
                return std::pair<long, long>(document.story->calls().invokes() + objectCalls(inspector),
                                             document.story->calls().lookups());
            });
        if (document.story->text().find(invitation) != std::wstring::npos)
            std::fprintf(stderr, "the invitation was not removed\n");
        print("removePNFooter, 5,000 paragraphs, invitation last", std::max(3, runs / 10), figures);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Log::open(getLogFilePath());
    const int result = run(runs);
    Log::close();
    CoUninitialize();
    return result;
}
