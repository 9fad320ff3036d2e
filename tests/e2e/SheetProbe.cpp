// Looks at the configuration sheet of a running Avrel.scr from outside the
// process, as a user would see it: prints one "key=value" line per fact
// (title, tab count, selected tab, whether the shown page is the About page)
// and exits 0, or exits 1 when no sheet appears within the given seconds.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kTitle[] = "Veltrona Avrel Screen Saver";

struct PageFacts {
    bool aboutText = false;
    bool checkBox = false;
};

BOOL CALLBACK InspectChild(HWND child, LPARAM facts) {
    auto* f = reinterpret_cast<PageFacts*>(facts);
    char text[64] = {};
    GetWindowTextA(child, text, sizeof text);
    if (std::strncmp(text, "Veltrona Avrel Screen Saver\n", 28) == 0) {
        f->aboutText = true;
    }
    if (GetDlgCtrlID(child) == 1007) {
        f->checkBox = true;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD waitMs = argc > 1 ? static_cast<DWORD>(std::atoi(argv[1]) * 1000) : 30000;
    const DWORD start = GetTickCount();
    HWND sheet = nullptr;
    while ((sheet = FindWindowA("#32770", kTitle)) == nullptr || !IsWindowVisible(sheet)) {
        if (GetTickCount() - start > waitMs) {
            std::printf("sheet=none\n");
            return 1;
        }
        Sleep(100);
    }
    char title[128] = {};
    GetWindowTextA(sheet, title, sizeof title);
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    PageFacts facts;
    EnumChildWindows(page, InspectChild, reinterpret_cast<LPARAM>(&facts));
    std::printf("sheet=found\n");
    std::printf("title=%s\n", title);
    std::printf("tabs=%d\n", static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)));
    std::printf("selected=%d\n", static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)));
    std::printf("about=%d\n", facts.aboutText ? 1 : 0);
    std::printf("checkbox=%d\n", facts.checkBox ? 1 : 0);
    std::printf("apply=%d\n", IsWindowVisible(GetDlgItem(sheet, 0x3021)) ? 1 : 0);
    std::fflush(stdout);
    return 0;
}
