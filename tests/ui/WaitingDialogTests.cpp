// The progress dialog: when it closes, what it does to the request, and what it leaves behind.
#include "../../res/resource.h"
#include "Com/ComError.h"
#include "Robot.h"
#include "UI/WaitingDialog.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

using Answer = UiTest::FakeHttpRequest::Answer;
using UiTest::ScriptedRequest;

namespace {

// A tick count that walks through the given values, one per reading, the last one repeated.
CWaiting::Timing scriptedClock(std::vector<DWORD> readings)
{
    auto next = std::make_shared<std::size_t>(0);
    auto values = std::make_shared<std::vector<DWORD>>(std::move(readings));
    CWaiting::Timing timing;
    timing.tickCount = [next, values] { return (*values)[std::min((*next)++, values->size() - 1)]; };
    timing.period = 10;
    return timing;
}

using WaitingDialogTest = UiTest::DialogTest;

} // namespace

TEST_F(WaitingDialogTest, ARequestThatCompletesAtOnceStillShowsTheDialogUntilItsFirstTick)
{
    ScriptedRequest scripted({Answer::Complete});
    struct {
        std::wstring message;
        RECT animation{};
        LONG_PTR style = 0;
        LONG_PTR exStyle = 0;
        std::wstring animationClass;
    } seen;
    robot.then([&](Robot::Robot& r) {
        const Robot::Window dialog = r.dialog();
        seen.message = dialog.item(IDC_WAITING_MESSAGE).text();
        seen.animation = dialog.item(IDC_ANIMATION).rectInParent();
        seen.animationClass = dialog.item(IDC_ANIMATION).className();
        seen.style = dialog.style();
        seen.exStyle = dialog.exStyle();
    });

    const long references = scripted.fake.references();
    const DWORD opened = GetTickCount();
    runWithProgress(scripted.request);

    ASSERT_EQ(robot.dialogsSeen().size(), 1u);
    ASSERT_EQ(scripted.fake.waits(), 2) << "the tick that saw it complete, then the last look after the dialog";
    EXPECT_GE(scripted.fake.waitTimes()[0] - opened, 490u) << "the first look comes with the first tick, 500 ms on";
    EXPECT_EQ(scripted.fake.aborts(), 0);
    EXPECT_EQ(scripted.fake.references(), references) << "the dialog keeps no reference to the request";

    EXPECT_EQ(seen.message, L"Communicating with the Talvora server...");
    EXPECT_EQ(seen.animationClass, L"SysAnimate32");
    EXPECT_EQ(seen.animation.left, 10);
    EXPECT_EQ(seen.animation.top, 12);
    EXPECT_EQ(seen.animation.right - seen.animation.left, 32);
    EXPECT_EQ(seen.animation.bottom - seen.animation.top, 32);
    EXPECT_TRUE(seen.style & WS_POPUP);
    EXPECT_FALSE(seen.style & WS_CAPTION) << "no title bar";
    EXPECT_TRUE(seen.exStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(seen.exStyle & WS_EX_LAYOUTRTL) << "English is laid out left to right";
}

TEST_F(WaitingDialogTest, ARequestThatNeverAnswersIsAbortedOncePastTheLimit)
{
    ScriptedRequest scripted({Answer::Pending});
    // Opened at 5000; the ticks see 30 s, exactly 60 s (still waiting), then 60.001 s.
    CWaiting waiting(scripted.request, scriptedClock({5000, 35000, 65000, 65001}));
    EXPECT_EQ(waiting.templateId(), IDD_WAITING);

    EXPECT_EQ(waiting.runModal(nullptr), CWaiting::TimedOut);
    EXPECT_EQ(scripted.fake.waits(), 2);
    EXPECT_EQ(scripted.fake.aborts(), 1);
}

TEST_F(WaitingDialogTest, ATickCountThatWrapsDuringTheWaitDoesNotEndItEarly)
{
    ScriptedRequest scripted({Answer::Pending, Answer::Pending, Answer::Complete});
    // 0xFFFFFF00 + 60000 wraps to 59744: a deadline computed that way lies "behind" every reading.
    CWaiting waiting(scripted.request, scriptedClock({0xFFFFFF00u, 0xFFFFFFF0u, 0x00000010u, 0x000000F0u}));

    EXPECT_EQ(waiting.runModal(nullptr), CWaiting::Completed);
    EXPECT_EQ(scripted.fake.waits(), 3);
    EXPECT_EQ(scripted.fake.aborts(), 0);
}

TEST_F(WaitingDialogTest, AComErrorWhilePollingAbortsTheRequestEvenWhenTheAbortFailsToo)
{
    for (const HRESULT abortResult : {S_OK, E_FAIL}) {
        ScriptedRequest scripted({Answer::Pending, Answer::Fail}, abortResult);
        CWaiting waiting(scripted.request, scriptedClock({1000, 1010, 1020}));

        EXPECT_EQ(waiting.runModal(nullptr), CWaiting::Failed) << "abort answering 0x" << std::hex << abortResult;
        EXPECT_EQ(scripted.fake.waits(), 2);
        EXPECT_EQ(scripted.fake.aborts(), 1);
    }
}

TEST_F(WaitingDialogTest, TheLastLookAfterTheDialogPassesItsComErrorToTheCaller)
{
    ScriptedRequest scripted({Answer::Fail});
    EXPECT_THROW(runWithProgress(scripted.request), Com::ComError);
    EXPECT_EQ(scripted.fake.waits(), 2) << "the failing tick, then the last look";
    EXPECT_EQ(scripted.fake.aborts(), 1);
}

TEST_F(WaitingDialogTest, ClosingTheDialogEndsTheWaitButNotTheRequest)
{
    ScriptedRequest scripted({Answer::Pending});
    CWaiting waiting(scripted.request, scriptedClock({1000}));
    robot.post(WM_CLOSE);
    EXPECT_EQ(waiting.runModal(nullptr), CWaiting::Completed);
    EXPECT_EQ(scripted.fake.aborts(), 0);

    // Through the progress run, closed long before its first tick: the last look still comes.
    ScriptedRequest second({Answer::Pending});
    robot.post(WM_CLOSE);
    runWithProgress(second.request);
    EXPECT_EQ(robot.dialogsSeen().size(), 2u);
    EXPECT_EQ(second.fake.waits(), 1);
    EXPECT_EQ(second.fake.aborts(), 0);
}

TEST_F(WaitingDialogTest, ADialogThatCannotBeCreatedStillGetsTheLastLook)
{
    ScriptedRequest scripted({Answer::Complete});
    CWaiting waiting(scripted.request);
    robot.refuseNextDialog();
    EXPECT_EQ(waiting.runModal(nullptr), -1);

    robot.refuseNextDialog();
    runWithProgress(scripted.request);
    EXPECT_TRUE(robot.dialogsSeen().empty());
    EXPECT_EQ(scripted.fake.waits(), 1) << "the last look after the failed dialog";
    EXPECT_EQ(scripted.fake.aborts(), 0);
}
