// The saver window's procedure on a real window of its class: creation
// starts the show (after any display switch), input closes it by the rules,
// system commands are swallowed only for the two exact values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellRecorder.h"
#include "shell/MonitorCovers.h"
#include "shell/SaverWindow.h"
#include "shell/Settings.h"

namespace {

const char kTestClass[] = "Avrel saver window under test";

std::string Events() {
    std::string all;
    for (const std::string& e : Recorder().events) {
        all += (all.empty() ? "" : ", ") + e;
    }
    return all;
}

class SaverWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallRecorder();
        saverWindow = SaverWindowState();
        ChangeResolution = 0;
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = SaverWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kTestClass;
        RegisterClassA(&windowClass);
    }

    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        TakeQuitMessage();
        UninstallRecorder();
        ChangeResolution = 0;
    }

    // Hidden and away from the pointer, so no real mouse report reaches it.
    void Create() {
        window_ = CreateWindowExA(0, kTestClass, "test", WS_POPUP, 10, 20, 320, 200, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window_) << "error " << GetLastError();
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(window_, message, wParam, lParam);
    }

    // Runs the system commands the default handling posted.
    void PumpSystemCommands() {
        MSG m;
        while (PeekMessageA(&m, window_, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) {
            DispatchMessageA(&m);
        }
    }

    // True (and removed) when a quit message with code 0 waits in the queue.
    static bool TakeQuitMessage() {
        MSG m;
        if (!PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            return false;
        }
        EXPECT_EQ(0u, m.wParam) << "quit code";
        return true;
    }

    bool Alive() const { return IsWindow(window_) != FALSE; }

    // Runs whatever the window posted to itself.
    void PumpWindowMessages() {
        MSG m;
        while (IsWindow(window_) && PeekMessageA(&m, window_, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&m);
        }
    }

    static std::string TimerCalls() {
        std::string all;
        for (const std::string& call : Recorder().timerCalls) {
            all += (all.empty() ? "" : ", ") + call;
        }
        return all;
    }

    HWND window_ = nullptr;
};

TEST_F(SaverWindowTest, CreationStartsTheShowWithoutSwitchingWhenTheFlagIsZero) {
    Create();
    EXPECT_EQ("start render thread", Events());
    EXPECT_EQ(window_, Recorder().threadWindow) << "the thread gets the saver window";
    EXPECT_EQ(0, saverWindow.displaySwitched);
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(320, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
}

TEST_F(SaverWindowTest, SwitchedDisplayMovesTheWindowBeforeTheShowStarts) {
    ChangeResolution = 1;
    Create();
    EXPECT_EQ("test mode, set mode, start render thread", Events());
    EXPECT_EQ(1, saverWindow.displaySwitched);
    const RECT& r = Recorder().rectAtThreadStart;
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(800, r.right) << "width at thread start";
    EXPECT_EQ(600, r.bottom) << "height at thread start";
}

TEST_F(SaverWindowTest, RefusedSwitchKeepsTheWindowAsCreated) {
    ChangeResolution = 1;
    Recorder().testResult = DISP_CHANGE_BADMODE;
    Create();
    EXPECT_EQ("test mode, start render thread", Events());
    EXPECT_EQ(0, saverWindow.displaySwitched);
    EXPECT_EQ(10, Recorder().rectAtThreadStart.left);
    EXPECT_EQ(330, Recorder().rectAtThreadStart.right);
}

TEST_F(SaverWindowTest, DestroyRestoresAfterAPauseOnlyWhenSwitched) {
    ChangeResolution = 1;
    Create();
    Recorder().events.clear();
    DestroyWindow(window_);
    EXPECT_EQ("sleep 500, restore", Events());
    EXPECT_TRUE(TakeQuitMessage()) << "the message loop is told to end";
}

TEST_F(SaverWindowTest, DestroyWithoutASwitchOnlyEndsTheLoop) {
    Create();
    Recorder().events.clear();
    DestroyWindow(window_);
    EXPECT_EQ("", Events());
    EXPECT_TRUE(TakeQuitMessage()) << "the message loop is told to end";
}

TEST_F(SaverWindowTest, KeyAndButtonPressesClose) {
    const struct {
        UINT message;
        WPARAM wParam;
        const char* name;
    } presses[] = {{WM_KEYDOWN, 'A', "key A"},
                   {WM_KEYDOWN, VK_ESCAPE, "Escape"},
                   {WM_KEYDOWN, VK_SHIFT, "Shift"},
                   {WM_LBUTTONDOWN, MK_LBUTTON, "left button"},
                   {WM_RBUTTONDOWN, MK_RBUTTON, "right button"},
                   {WM_MBUTTONDOWN, MK_MBUTTON, "middle button"}};
    for (const auto& press : presses) {
        Create();
        EXPECT_EQ(0, Send(press.message, press.wParam, MAKELPARAM(5, 5))) << press.name;
        EXPECT_FALSE(Alive()) << press.name << " left the window open";
        EXPECT_TRUE(TakeQuitMessage()) << press.name;
    }
}

TEST_F(SaverWindowTest, SystemKeysTakeTheDefaultPathAndDoNotClose) {
    Create();
    // Alt alone, F10, Alt+A: WM_SYSKEYDOWN is not a key press for the saver.
    Send(WM_SYSKEYDOWN, VK_MENU, 0x20380001);
    Send(WM_SYSKEYDOWN, VK_F10, 0x00440001);
    Send(WM_SYSKEYDOWN, 'A', 0x201E0001);
    PumpSystemCommands();
    EXPECT_TRUE(Alive()) << "a system key closed the saver";
    // Alt+F4 becomes SC_CLOSE, which is swallowed.
    Send(WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    PumpSystemCommands();
    EXPECT_TRUE(Alive()) << "Alt+F4 closed the saver";
}

TEST_F(SaverWindowTest, OnlyExactCloseAndScreenSaveCommandsAreSwallowed) {
    Create();
    EXPECT_EQ(0, Send(WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(Alive()) << "SC_CLOSE closed the saver";
    EXPECT_EQ(0, Send(WM_SYSCOMMAND, SC_SCREENSAVE, 0));
    EXPECT_TRUE(Alive()) << "SC_SCREENSAVE closed the saver";
    // The default handling masks the low four bits; the saver does not, so
    // this one reaches it as a close.
    Send(WM_SYSCOMMAND, SC_CLOSE | 1, 0);
    EXPECT_FALSE(Alive()) << "SC_CLOSE | 1 was swallowed";

    Create();
    Send(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(window_)) << "SC_MINIMIZE was swallowed";
}

TEST_F(SaverWindowTest, FirstMousePositionNeverCloses) {
    Create();
    EXPECT_EQ(0, Send(WM_MOUSEMOVE, 0, MAKELPARAM(700, 500)));
    EXPECT_TRUE(Alive()) << "the first report closed the saver";
    EXPECT_EQ(700, saverWindow.firstMousePos.x);
    EXPECT_EQ(500, saverWindow.firstMousePos.y);
}

TEST_F(SaverWindowTest, SamePositionAgainNeverCloses) {
    Create();
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(700, 500));
    for (int i = 0; i < 5; ++i) {
        Send(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(700, 500));
    }
    EXPECT_TRUE(Alive()) << "a report of the first position closed the saver";
}

TEST_F(SaverWindowTest, OnePixelAwayAlwaysCloses) {
    const POINT moves[] = {{701, 500}, {699, 500}, {700, 501}, {700, 499}, {0, 0}, {65535, 65535}};
    for (const POINT& move : moves) {
        saverWindow = SaverWindowState();
        Create();
        Send(WM_MOUSEMOVE, 0, MAKELPARAM(700, 500));
        Send(WM_MOUSEMOVE, 0, MAKELPARAM(700, 500));
        EXPECT_EQ(0, Send(WM_MOUSEMOVE, 0, MAKELPARAM(move.x, move.y)));
        EXPECT_FALSE(Alive()) << "move to (" << move.x << ", " << move.y << ") left it open";
        EXPECT_TRUE(TakeQuitMessage());
    }
}

TEST_F(SaverWindowTest, FirstPositionIsRememberedForGood) {
    Create();
    // Coordinates are unsigned 16-bit halves: 0xFFFF is 65535, never -1.
    Send(WM_MOUSEMOVE, 0, static_cast<LPARAM>(0xFFFFFFFF));
    EXPECT_EQ(65535, saverWindow.firstMousePos.x);
    EXPECT_EQ(65535, saverWindow.firstMousePos.y);
    Send(WM_MOUSEMOVE, 0, static_cast<LPARAM>(0xFFFFFFFF));
    EXPECT_TRUE(Alive()) << "the first position, reported again, closed the saver";
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(65535, 65534));
    EXPECT_FALSE(Alive()) << "a move away from (65535, 65535) left it open";
}

TEST_F(SaverWindowTest, OtherMessagesTakeTheDefaultPath) {
    Create();
    EXPECT_EQ(0, Send(WM_KEYUP, 'A', 0xC01E0001));
    EXPECT_EQ(0, Send(WM_CHAR, 'a', 0x001E0001));
    EXPECT_EQ(0, Send(WM_LBUTTONUP, 0, 0));
    EXPECT_TRUE(Alive()) << "a release or a character closed the saver";
    EXPECT_EQ(DefWindowProcA(window_, WM_GETDLGCODE, 0, 0), Send(WM_GETDLGCODE));
    EXPECT_EQ(DefWindowProcA(window_, WM_NCHITTEST, 0, MAKELPARAM(20, 30)),
              Send(WM_NCHITTEST, 0, MAKELPARAM(20, 30)));
}

// The 1 ms timer period is held from creation, before the show starts, to
// destruction, whichever way the saver ends.
TEST_F(SaverWindowTest, TheOneMillisecondTimerIsHeldExactlyWhileTheWindowLives) {
    Create();
    EXPECT_EQ("begin 1", TimerCalls()) << "asked for at creation";
    EXPECT_TRUE(saverWindow.timerPeriodHeld);
    Send(WM_KEYDOWN, 'A', 0);
    EXPECT_EQ("begin 1, end 1", TimerCalls()) << "given back when a key closed it";
    EXPECT_TRUE(TakeQuitMessage());

    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* name;
    } ways[] = {{WM_LBUTTONDOWN, 0, 0, "left button"},
                {WM_RBUTTONDOWN, 0, 0, "right button"},
                {WM_MBUTTONDOWN, 0, 0, "middle button"},
                {WM_MOUSEMOVE, 0, MAKELPARAM(9, 9), "mouse move"},
                {WM_ACTIVATEAPP, FALSE, 0, "deactivation"}};
    for (const auto& way : ways) {
        Recorder().timerCalls.clear();
        saverWindow = SaverWindowState();
        Create();
        Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        Send(way.message, way.wParam, way.lParam);
        PumpWindowMessages();
        EXPECT_FALSE(Alive()) << way.name;
        EXPECT_EQ("begin 1, end 1", TimerCalls()) << way.name;
        EXPECT_TRUE(TakeQuitMessage()) << way.name;
    }

    // With the display switched, the period is given back after the restore.
    Recorder().timerCalls.clear();
    ChangeResolution = 1;
    Create();
    DestroyWindow(window_);
    EXPECT_EQ("begin 1, end 1", TimerCalls()) << "switched display";
    EXPECT_TRUE(TakeQuitMessage());
}

TEST_F(SaverWindowTest, LosingTheActivationClosesGainingItDoesNot) {
    Create();
    EXPECT_EQ(0, Send(WM_ACTIVATEAPP, TRUE, 0));
    PumpWindowMessages();
    EXPECT_TRUE(Alive()) << "being activated closed the saver";
    EXPECT_EQ(0, Send(WM_ACTIVATEAPP, FALSE, 0));
    PumpWindowMessages();
    EXPECT_FALSE(Alive()) << "losing the activation left the saver open";
    EXPECT_TRUE(TakeQuitMessage()) << "the message loop is told to end";
}

TEST_F(SaverWindowTest, MinimisedAndHiddenStartsShowTheWindowNormally) {
    EXPECT_EQ(SW_SHOW, SaverShowCommand(SW_HIDE));
    EXPECT_EQ(SW_SHOW, SaverShowCommand(SW_SHOWMINIMIZED));
    EXPECT_EQ(SW_SHOW, SaverShowCommand(SW_MINIMIZE));
    EXPECT_EQ(SW_SHOW, SaverShowCommand(SW_SHOWMINNOACTIVE));
    EXPECT_EQ(SW_SHOW, SaverShowCommand(SW_FORCEMINIMIZE));
    for (int kept : {SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_SHOW, SW_SHOWNA,
                     SW_RESTORE, SW_SHOWDEFAULT}) {
        EXPECT_EQ(kept, SaverShowCommand(kept));
    }
}

TEST_F(SaverWindowTest, DisplayChangeLaysTheCoversOutForTheMonitorsThereAre) {
    Create();
    CoverOtherMonitors(GetModuleHandleA(nullptr), window_);
    ASSERT_EQ(1, GetSystemMetrics(SM_CMONITORS));
    // The cover of a monitor unplugged since: the system moves its window
    // onto the primary monitor, over the stage.
    HWND stale = CreateWindowExA(WS_EX_TOOLWINDOW, kMonitorCoverClassName, "", WS_POPUP, 10, 20,
                                 320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, stale) << "error " << GetLastError();
    monitorCovers.covers.push_back(MonitorCover{stale, {-1, -1}, RECT{1024, 0, 2304, 1024}});
    Send(WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_FALSE(IsWindow(stale)) << "the cover of the unplugged monitor stayed";
    EXPECT_TRUE(monitorCovers.covers.empty());
    EXPECT_TRUE(Alive()) << "a display change closed the saver";
    if (IsWindow(stale)) {
        DestroyWindow(stale);
    }
    monitorCovers = MonitorCoverState();
}

TEST_F(SaverWindowTest, OneMonitorGetsNoCover) {
    Create();
    CoverOtherMonitors(GetModuleHandleA(nullptr), window_);
    EXPECT_EQ(1, GetSystemMetrics(SM_CMONITORS));
    EXPECT_TRUE(monitorCovers.covers.empty());
    EXPECT_EQ(nullptr, FindWindowA(kMonitorCoverClassName, nullptr));
    monitorCovers = MonitorCoverState();
}

}  // namespace
