#include "Invitation.h"
#include "Log.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PrepareCase {
    const char* name;
    std::wstring source;
    std::wstring text;
    std::wstring firstLine;
    std::wstring lastLine;
};

const std::wstring Thirty = L"abcdefghijklmnopqrstuvwxyz0123";

const PrepareCase PrepareCases[] = {
    {"lines joined by CR LF", L"A\r\nB\r\nC", L"A\vB\vC", L"A", L"C"},
    {"lines joined by LF", L"Dial in\nCode 1234\nOnline Meeting: x", L"Dial in\vCode 1234\vOnline Meeting: x", L"Dial in",
     L"Online Meeting: x"},
    {"no line break, 30 characters", Thirty, Thirty, Thirty.substr(0, 20), Thirty.substr(10)},
    {"no line break, shorter than 20", L"short", L"short", L"short", L"short"},
    {"ending with a line break", L"A\r\nB\r\n", L"A\vB\v", L"A", L""},
    {"beginning with a line break", L"\r\nA\r\nB", L"\vA\vB", L"", L"B"},
    {"lone CR stays", L"A\rX\r\nB\rY", L"A\rX\vB\rY", L"A\rX", L"B\rY"},
    {"CR before CR LF", L"A\r\r\nB", L"A\r\vB", L"A\r", L"B"},
    {"lone CR without line feed", L"one\rtwo", L"one\rtwo", L"one\rtwo", L"one\rtwo"},
    {"empty", L"", L"", L"", L""},
};

} // namespace

TEST(InvitationTest, PrepareDerivesTextAndMarkers)
{
    for (const PrepareCase& c : PrepareCases) {
        SCOPED_TRACE(c.name);
        const Invitation invitation(c.source);
        EXPECT_EQ(invitation.source, c.source);
        EXPECT_EQ(invitation.text, c.text);
        EXPECT_EQ(invitation.firstLine, c.firstLine);
        EXPECT_EQ(invitation.lastLine, c.lastLine);
        EXPECT_EQ(invitation.text.find(L'\n'), std::wstring::npos);
        EXPECT_EQ(invitation.usable(), !c.text.empty() && !c.firstLine.empty());
    }
}

TEST(InvitationTest, PrepareReplacesTheDerivedMembersAndKeepsTheSource)
{
    Invitation invitation(L"old first\r\nold last");
    invitation.prepare(L"new");
    EXPECT_EQ(invitation.source, L"old first\r\nold last");
    EXPECT_EQ(invitation.text, L"new");
    EXPECT_EQ(invitation.firstLine, L"new");
    EXPECT_EQ(invitation.lastLine, L"new");
}

TEST(InvitationTest, PrepareLogsItsStartAndEnd)
{
    TestSupport::LogCapture log;
    Log::open(getLogFilePath());
    const Invitation invitation(L"A\r\nB");
    Log::close();
    EXPECT_EQ(log.messages(), (std::vector<std::string>{"Start prepare", "Finished prepare"}));
}
