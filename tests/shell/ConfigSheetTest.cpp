// The configuration sheet, run modally and driven from a timer on the same
// thread: its title, pages and buttons, and what OK and Cancel store.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SettingsTestKey.h"
#include "shell/ConfigSheet.h"
#include "shell/Settings.h"

namespace {

const int kCheckBox = 1007;
const int kApplyButton = 0x3021;

// What the timer does once the sheet is up; runs on the sheet's thread.
std::function<void(HWND sheet)> sheetAction;
HWND foundSheet = nullptr;
int ticks = 0;

BOOL CALLBACK FindDialog(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        foundSheet = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    foundSheet = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (foundSheet != nullptr) {
        KillTimer(nullptr, timer);
        sheetAction(foundSheet);
    } else if (++ticks > 200) {
        // No sheet after ten seconds: end the modal loop rather than hang.
        KillTimer(nullptr, timer);
        ADD_FAILURE() << "no sheet appeared";
        PostQuitMessage(0);
    }
}

INT_PTR RunSheet(std::function<void(HWND)> action) {
    sheetAction = std::move(action);
    ticks = 0;
    SetTimer(nullptr, 0, 50, OnTimer);
    return ShowConfigSheet(GetModuleHandleA(nullptr), nullptr);
}

std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string TabText(HWND tabs, int index) {
    char text[64] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

BOOL CALLBACK FindAboutText(HWND child, LPARAM found) {
    if (Text(child).rfind("Veltrona Avrel Screen Saver\n", 0) == 0) {
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

HWND ShowPreferences(HWND sheet) {
    PropSheet_SetCurSel(sheet, nullptr, 1);
    return PropSheet_GetCurrentPageHwnd(sheet);
}

class ConfigSheetTest : public ::testing::Test {
protected:
    void TearDown() override { ChangeResolution = 0; }
    SettingsTestKey key_;
};

TEST_F(ConfigSheetTest, OpensOnAboutWithPreferencesSecondAndNoApply) {
    struct {
        std::string title, tab0, tab1;
        int tabCount = -1, current = -1;
        bool aboutText = false, checkBoxOnFirstPage = true, apply = true, help = true;
        bool ok = false, cancel = false, icon = false;
    } seen;
    const INT_PTR result = RunSheet([&](HWND sheet) {
        seen.title = Text(sheet);
        HWND tabs = PropSheet_GetTabControl(sheet);
        seen.tabCount = TabCtrl_GetItemCount(tabs);
        seen.tab0 = TabText(tabs, 0);
        seen.tab1 = TabText(tabs, 1);
        seen.current = TabCtrl_GetCurSel(tabs);
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        EnumChildWindows(page, FindAboutText, reinterpret_cast<LPARAM>(&seen.aboutText));
        seen.checkBoxOnFirstPage = GetDlgItem(page, kCheckBox) != nullptr;
        seen.apply = IsWindowVisible(GetDlgItem(sheet, kApplyButton)) != FALSE;
        seen.help = IsWindowVisible(GetDlgItem(sheet, IDHELP)) != FALSE;
        seen.ok = IsWindowVisible(GetDlgItem(sheet, IDOK)) != FALSE;
        seen.cancel = IsWindowVisible(GetDlgItem(sheet, IDCANCEL)) != FALSE;
        seen.icon = SendMessageA(sheet, WM_GETICON, ICON_SMALL, 0) != 0 ||
                    SendMessageA(sheet, WM_GETICON, ICON_BIG, 0) != 0;
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(0, result) << "Cancel saves nothing";
    EXPECT_EQ("Veltrona Avrel Screen Saver", seen.title);
    EXPECT_EQ(2, seen.tabCount);
    EXPECT_EQ("About", seen.tab0);
    EXPECT_EQ("Preferences", seen.tab1);
    EXPECT_EQ(0, seen.current) << "the sheet opens on the About page";
    EXPECT_TRUE(seen.aboutText) << "About page shows the product text";
    EXPECT_FALSE(seen.checkBoxOnFirstPage);
    EXPECT_FALSE(seen.apply) << "Apply button shown";
    EXPECT_FALSE(seen.help) << "Help button shown";
    EXPECT_TRUE(seen.ok);
    EXPECT_TRUE(seen.cancel);
    EXPECT_TRUE(seen.icon) << "sheet carries icon 101";
    EXPECT_FALSE(key_.Exists()) << "Cancel created the settings key";
}

TEST_F(ConfigSheetTest, CheckBoxShowsTheFlag) {
    for (DWORD flag : {0u, 1u, 2u}) {
        ChangeResolution = flag;
        UINT state = 99;
        RunSheet([&](HWND sheet) {
            state = IsDlgButtonChecked(ShowPreferences(sheet), kCheckBox);
            PropSheet_PressButton(sheet, PSBTN_CANCEL);
        });
        EXPECT_EQ(flag != 0 ? static_cast<UINT>(BST_CHECKED) : static_cast<UINT>(BST_UNCHECKED),
                  state)
            << "flag " << flag;
        EXPECT_EQ(flag, ChangeResolution) << "Cancel changed the flag";
    }
    EXPECT_FALSE(key_.Exists()) << "Cancel created the settings key";
}

TEST_F(ConfigSheetTest, OkStoresTheCheckBox) {
    ChangeResolution = 0;
    RunSheet([](HWND sheet) {
        SendDlgItemMessageA(ShowPreferences(sheet), kCheckBox, BM_CLICK, 0, 0);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(1u, ChangeResolution);
    DWORD type = 0, value = 0, size = 0;
    ASSERT_TRUE(key_.ReadDword(&type, &value, &size)) << "OK stored nothing";
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(1u, value);

    RunSheet([](HWND sheet) {
        SendDlgItemMessageA(ShowPreferences(sheet), kCheckBox, BM_CLICK, 0, 0);
        PropSheet_PressButton(sheet, PSBTN_OK);
    });
    EXPECT_EQ(0u, ChangeResolution);
    ASSERT_TRUE(key_.ReadDword(&type, &value, &size));
    EXPECT_EQ(0u, value) << "clearing the box was not stored";
}

TEST_F(ConfigSheetTest, CancelStoresNothing) {
    ChangeResolution = 0;
    RunSheet([](HWND sheet) {
        SendDlgItemMessageA(ShowPreferences(sheet), kCheckBox, BM_CLICK, 0, 0);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(0u, ChangeResolution) << "Cancel changed the flag";
    EXPECT_FALSE(key_.Exists()) << "Cancel created the settings key";
}

TEST(AboutPageProcTest, LeavesEverythingToTheDefault) {
    for (UINT message : {WM_INITDIALOG, WM_COMMAND, WM_NOTIFY, WM_PAINT, WM_CLOSE}) {
        EXPECT_EQ(FALSE, AboutPageProc(nullptr, message, 0, 0)) << "message " << message;
    }
}

}  // namespace
