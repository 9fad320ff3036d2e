// The covers of the other monitors.
#include "shell/MonitorCovers.h"

#include <algorithm>

#include "assets/ResourceIds.h"
#include "shell/SaverInput.h"

const char kMonitorCoverClassName[] = "Veltrona Avrel Screen Saver Monitor";

MonitorCoverState monitorCovers;

namespace {

BOOL CALLBACK CollectOtherMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0)
        reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
    return TRUE;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

MonitorCover* FindCover(HWND window) {
    for (MonitorCover& cover : monitorCovers.covers) {
        if (cover.window == window)
            return &cover;
    }
    return nullptr;
}

HWND MakeCover(const RECT& r) {
    // A tool window stays off the taskbar and the task switcher.
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kMonitorCoverClassName,
                        kMonitorCoverClassName, WS_POPUP, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, monitorCovers.instance, nullptr);
    if (window != nullptr) {
        // Shown without activation: the saver window keeps the keyboard.
        ShowWindow(window, SW_SHOWNA);
    }
    return window;
}

}  // namespace

void CoverOtherMonitors(HINSTANCE instance, HWND saver) {
    monitorCovers.instance = instance;
    monitorCovers.saver = saver;

    // Registered even with one monitor: another may be plugged in later.
    WNDCLASSA coverClass = {};
    coverClass.lpfnWndProc = MonitorCoverProc;
    coverClass.hInstance = instance;
    coverClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDR_BLANK_CURSOR));
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kMonitorCoverClassName;
    RegisterClassA(&coverClass);

    LayOutMonitorCovers();
}

void LayOutMonitorCovers() {
    if (monitorCovers.saver == nullptr)
        return;
    std::vector<RECT> others;
    EnumDisplayMonitors(nullptr, nullptr, CollectOtherMonitor, reinterpret_cast<LPARAM>(&others));

    // The new covers are made before the old ones go, so that no monitor
    // shows the desktop in between.
    std::vector<MonitorCover> kept, stale;
    stale.swap(monitorCovers.covers);
    for (const RECT& r : others) {
        auto same = std::find_if(stale.begin(), stale.end(), [&r](const MonitorCover& cover) {
            return SameRect(cover.monitor, r);
        });
        if (same != stale.end()) {
            kept.push_back(*same);
            stale.erase(same);
            continue;
        }
        // A new place: its pointer positions start afresh.
        HWND window = MakeCover(r);
        if (window != nullptr)
            kept.push_back(MonitorCover{window, {-1, -1}, r});
    }
    monitorCovers.covers = kept;
    for (const MonitorCover& cover : stale)
        DestroyWindow(cover.window);
}

void UncoverMonitors() {
    monitorCovers.saver = nullptr;
    std::vector<MonitorCover> covers;
    covers.swap(monitorCovers.covers);
    for (const MonitorCover& cover : covers)
        DestroyWindow(cover.window);
}

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MonitorCover* cover = FindCover(window);
    if (cover != nullptr &&
        HandleSaverInput(monitorCovers.saver, message, wParam, lParam, &cover->firstMousePos))
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}
