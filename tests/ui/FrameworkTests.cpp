// The window framework: subclassing, the dialog procedure and its answers, reflection,
// centring and the books on GDI objects.
#include "../../res/resource.h"
#include "Com/Module.h"
#include "Robot.h"
#include "UiTestSupport.h"
#include "Win/Centering.h"
#include "Win/Dialog.h"
#include "Win/Gdi.h"
#include "Win/Reflection.h"
#include "Win/WindowSubclass.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

// A control that answers a few reflected messages and counts what reaches it.
class ProbeControl : public Win::WindowSubclass {
public:
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    int reflectedCommands = 0;
    int attachedSetups = 0;
    int messagesSeen = 0;

protected:
    void onAttached() override { ++attachedSetups; }
    bool onMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        ++messagesSeen;
        switch (message) {
        case Win::ReflectedBase + WM_CTLCOLORSTATIC:
            result = reinterpret_cast<LRESULT>(brush);
            return true;
        case Win::ReflectedBase + WM_COMMAND:
            ++reflectedCommands;
            result = 1;
            return true;
        case Win::ReflectedBase + WM_NOTIFY:
            result = 42;
            return true;
        default:
            return false;
        }
    }
};

// A dialog of our framework over the account-error template, with a probe on control 305.
class CProbeDialog : public Win::Dialog {
public:
    ProbeControl probe;
    int initialisations = 0;
    LPARAM initParameter = -1;

    INT_PTR run() { return runModal(Com::Module::instance(), IDD_SUSPENDED_SUBSCRIPTION, nullptr); }

    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        switch (message) {
        case WM_INITDIALOG:
            ++initialisations;
            initParameter = lParam;
            probe.attach(item(IDC_SUSPENDED_MESSAGE));
            result = FALSE;
            return true;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDOK)
                return false;
            endDialog(7);
            return true;
        default:
            return false;
        }
    }
};

} // namespace

TEST(Centring, PositionOnTheReferenceKeptInsideTheWorkArea)
{
    const RECT work{0, 0, 1000, 700};
    const struct {
        const char* what;
        RECT window;
        RECT reference;
        POINT expected;
    } cases[] = {
        {"centred on the reference", {0, 0, 200, 100}, {100, 100, 500, 400}, {200, 200}},
        {"odd differences round toward the top-left", {0, 0, 201, 101}, {0, 0, 400, 300}, {99, 99}},
        {"past the right and bottom edges", {0, 0, 200, 100}, {850, 650, 1050, 750}, {800, 600}},
        {"past the left and top edges", {0, 0, 200, 100}, {-300, -200, -100, -100}, {0, 0}},
        {"larger than the work area", {0, 0, 1200, 900}, {0, 0, 1000, 700}, {0, 0}},
    };
    for (const auto& c : cases) {
        const POINT at = Win::centredPosition(c.window, c.reference, work);
        EXPECT_EQ(at.x, c.expected.x) << c.what;
        EXPECT_EQ(at.y, c.expected.y) << c.what;
    }
}

TEST(WindowSubclass, UnhandledMessagesReachTheReplacedProcedureUntilTheWindowGoes)
{
    UiTest::ControlHost host;
    const HWND window = host.addChild(L"STATIC", 100, L"before", 0, 80, 20);
    const LONG_PTR original = GetWindowLongPtrW(window, GWLP_WNDPROC);

    ProbeControl probe;
    ASSERT_TRUE(probe.attach(window));
    EXPECT_EQ(probe.attachedSetups, 1);
    EXPECT_NE(GetWindowLongPtrW(window, GWLP_WNDPROC), original);
    SetWindowTextW(window, L"after");
    wchar_t text[16] = {};
    GetWindowTextW(window, text, 16);
    EXPECT_STREQ(text, L"after"); // WM_SETTEXT and WM_GETTEXT went to the static's own procedure
    EXPECT_GT(probe.messagesSeen, 0);

    ProbeControl second;
    EXPECT_FALSE(second.attach(window)) << "one control per window";

    probe.detach();
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), original);
    ASSERT_TRUE(probe.attach(window));
    DestroyWindow(window);
    EXPECT_EQ(probe.hwnd(), nullptr) << "the control lets go when its window is destroyed";
}

TEST(Dialog, ReflectsNotificationsToTheControlThatSentThem)
{
    CProbeDialog dialog;
    struct Seen {
        LRESULT probeColour = 0;
        LRESULT plainColour = 0;
        LRESULT dialogColour = 0;
        LRESULT notifyAnswer = 0;
        int commandsFromControl = 0;
        int commandsFromMenu = 0;
    } seen;

    Robot::Robot robot;
    robot.then([&](Robot::Robot& r) {
        const HWND window = r.dialog().hwnd();
        const HWND probe = r.dialog().item(IDC_SUSPENDED_MESSAGE).hwnd();
        const HWND plain = r.dialog().item(IDC_SUSPENDED_LINK).hwnd();
        const HDC dc = GetDC(window);
        seen.probeColour = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(probe));
        seen.plainColour = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain));
        seen.dialogColour = SendMessageW(window, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window));
        ReleaseDC(window, dc);

        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SUSPENDED_MESSAGE, STN_CLICKED), reinterpret_cast<LPARAM>(probe));
        seen.commandsFromControl = dialog.probe.reflectedCommands;
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SUSPENDED_MESSAGE, 0), 0); // a menu command names no window
        seen.commandsFromMenu = dialog.probe.reflectedCommands - seen.commandsFromControl;

        NMHDR header{probe, IDC_SUSPENDED_MESSAGE, NM_CLICK};
        seen.notifyAnswer = SendMessageW(window, WM_NOTIFY, IDC_SUSPENDED_MESSAGE, reinterpret_cast<LPARAM>(&header));
    });
    robot.click(IDOK);

    EXPECT_EQ(dialog.run(), 7) << "the value passed to EndDialog";
    EXPECT_EQ(dialog.initialisations, 1);
    EXPECT_EQ(dialog.initParameter, 0) << "the message map sees the initialisation parameter 0";
    EXPECT_EQ(dialog.hwnd(), nullptr);

    EXPECT_EQ(seen.probeColour, reinterpret_cast<LRESULT>(dialog.probe.brush)) << "the control's answer is the dialog's";
    EXPECT_EQ(seen.plainColour, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE)))
        << "a control that does not answer leaves the dialog's default";
    EXPECT_EQ(seen.dialogColour, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE)))
        << "the dialog's own WM_CTLCOLORDLG is not reflected";
    EXPECT_EQ(seen.commandsFromControl, 1);
    EXPECT_EQ(seen.commandsFromMenu, 0);
    EXPECT_EQ(seen.notifyAnswer, 42) << "answers other than WM_CTLCOLOR* travel through DWLP_MSGRESULT";
}

TEST(GdiOwners, CountWhatTheyHoldAndPutSelectionsBack)
{
    const UiTest::GuiObjectCounts before;
    {
        Win::Brush brush(CreateSolidBrush(RGB(1, 2, 3)));
        const LOGFONTW description = Win::logFontOf(nullptr);
        Win::Font font(CreateFontIndirectW(&description));
        Win::Bitmap bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
        const Win::MemoryDC dc(CreateCompatibleDC(nullptr));
        EXPECT_EQ(Win::liveGuiObjects(Win::GuiKind::Brush), before.live[static_cast<int>(Win::GuiKind::Brush)] + 1);
        EXPECT_EQ(Win::liveGuiObjects(Win::GuiKind::DeviceContext),
                  before.live[static_cast<int>(Win::GuiKind::DeviceContext)] + 1);
        const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BITMAP);
        {
            const Win::SelectedObject selected(dc.get(), bitmap.get());
            EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmap.get());
        }
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), original);

        const HBRUSH handle = brush.get();
        Win::Brush moved = std::move(brush);
        EXPECT_EQ(moved.get(), handle);
        EXPECT_FALSE(brush);
        moved.reset();
        EXPECT_EQ(GetObjectType(handle), 0u) << "reset deletes the object";
    }
    EXPECT_EQ(UiTest::GuiObjectCounts(), before);
}
