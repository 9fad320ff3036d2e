// The covers of the other monitors.
#include "shell/MonitorCovers.h"

#include "shell/SaverInput.h"

const char kMonitorCoverClassName[] = "Veltrona Avrel Screen Saver Monitor";

MonitorCoverState monitorCovers;

namespace {

const int kCursorId = 102;

BOOL CALLBACK CollectOtherMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY) == 0)
        reinterpret_cast<std::vector<RECT>*>(data)->push_back(info.rcMonitor);
    return TRUE;
}

MonitorCover* FindCover(HWND window) {
    for (MonitorCover& cover : monitorCovers.covers) {
        if (cover.window == window)
            return &cover;
    }
    return nullptr;
}

}  // namespace

void CoverOtherMonitors(HINSTANCE instance, HWND saver) {
    monitorCovers.saver = saver;
    std::vector<RECT> others;
    EnumDisplayMonitors(nullptr, nullptr, CollectOtherMonitor, reinterpret_cast<LPARAM>(&others));
    if (others.empty())
        return;

    WNDCLASSA coverClass = {};
    coverClass.lpfnWndProc = MonitorCoverProc;
    coverClass.hInstance = instance;
    coverClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(kCursorId));
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kMonitorCoverClassName;
    RegisterClassA(&coverClass);

    for (const RECT& r : others) {
        // A tool window stays off the taskbar and the task switcher.
        HWND window =
            CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kMonitorCoverClassName,
                            kMonitorCoverClassName, WS_POPUP, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, nullptr, nullptr, instance, nullptr);
        if (window == nullptr)
            continue;
        monitorCovers.covers.push_back(MonitorCover{window, {-1, -1}});
        // Shown without activation: the saver window keeps the keyboard.
        ShowWindow(window, SW_SHOWNA);
    }
}

void UncoverMonitors() {
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
