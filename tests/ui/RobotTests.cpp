// The UI robot itself: what its actions turn into in the program under test.
#include "../../res/resource.h"
#include "Com/Module.h"
#include "Robot.h"
#include "UiTestSupport.h"
#include "Win/Dialog.h"

#include <gtest/gtest.h>

namespace {

// Ends with the command it got: 1 for OK, 2 for Cancel.
class CCommandDialog : public Win::Dialog {
public:
    INT_PTR run() { return runModal(Com::Module::instance(), IDD_SUSPENDED_SUBSCRIPTION, nullptr); }

    bool onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        if (message == WM_INITDIALOG) {
            result = FALSE;
            return true;
        }
        if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL))
            return false;
        endDialog(LOWORD(wParam));
        return true;
    }
};

} // namespace

TEST(Robot, EscapeTheCloseBoxAndClicksArriveAsTheDialogManagerSendsThem)
{
    const struct {
        const char* what;
        void (*script)(Robot::Robot&);
        INT_PTR result;
    } cases[] = {
        {"Esc", [](Robot::Robot& r) { r.pressKey(VK_ESCAPE); }, IDCANCEL},
        {"close box", [](Robot::Robot& r) { r.closeBox(); }, IDCANCEL},
        {"Enter", [](Robot::Robot& r) { r.pressKey(VK_RETURN); }, IDOK},
        {"click", [](Robot::Robot& r) { r.click(IDOK); }, IDOK},
    };
    for (const auto& c : cases) {
        Robot::Robot robot;
        c.script(robot);
        CCommandDialog dialog;
        EXPECT_EQ(dialog.run(), c.result) << c.what;
    }
}

TEST(Robot, AnswersAMessageBoxByButtonId)
{
    Robot::Robot robot;
    robot.answerMessageBox(IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, L"Go on?", L"Talvora Office Addin", MB_YESNO | MB_ICONWARNING), IDNO);
    EXPECT_EQ(robot.dialogsSeen().size(), 1u);
}

TEST(Robot, TypesIntoAnEdit)
{
    UiTest::ControlHost host;
    const HWND edit = host.addChild(L"EDIT", 207, L"old text", ES_AUTOHSCROLL, 200, 20);
    Robot::Window(edit).type(L"ann@example.com");
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
    EXPECT_EQ(Robot::Window(edit).text(), L"ann@example.com");
}
