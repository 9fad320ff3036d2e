// Window classes, windows made by CreateWindowExA and the monitors, for the
// saver's own windows. A window made here is a screen window with a place on
// the desktop and a procedure: creation sends WM_CREATE (a result of -1
// undoes it), DestroyWindow sends WM_DESTROY first, and SendMessageA calls
// the procedure directly. There is no message queue; no lock is held while
// a procedure runs, since it may sleep or make windows of its own.
#include <windows.h>

#include <map>
#include <string>

#include "GdiObjects.h"
#include "StandIn.h"

namespace standin {
namespace {

std::map<std::string, WNDCLASSA>& Classes() {
    static std::map<std::string, WNDCLASSA> classes;
    return classes;
}

std::vector<Monitor>& MonitorList() {
    static std::vector<Monitor> monitors = {Monitor{RECT{0, 0, 1024, 768}, true}};
    return monitors;
}

WNDPROC ProcedureOf(HWND handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    return window != nullptr ? window->procedure : nullptr;
}

}  // namespace

void SetMonitors(const std::vector<Monitor>& monitors) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    MonitorList() = monitors;
}

}  // namespace standin

using namespace standin;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr || Classes().count(windowClass->lpszClassName) != 0)
        return 0;
    Classes()[windowClass->lpszClassName] = *windowClass;
    return ATOM(0xC000 + Classes().size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
    HWND handle = nullptr;
    WNDPROC procedure = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(GdiLock());
        auto found = className != nullptr ? Classes().find(className) : Classes().end();
        if (found == Classes().end() || width < 0 || height < 0)
            return nullptr;
        procedure = found->second.lpfnWndProc;
        handle = CreateScreenWindow(width, height);
        WindowObject* window = LookupWindow(handle);
        window->rect = RECT{x, y, x + width, y + height};
        window->style = style;
        window->exStyle = exStyle;
        window->procedure = procedure;
        // As on Windows, WS_VISIBLE takes effect only once WM_CREATE has
        // returned: during its creation the window is still hidden.
        window->visible = false;
    }
    if (procedure(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0)
        ShowWindow(handle, SW_SHOW);
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    WNDPROC procedure = ProcedureOf(handle);
    if (LookupWindow(handle) == nullptr || handle == DesktopWindow())
        return FALSE;
    if (procedure != nullptr)
        procedure(handle, WM_DESTROY, 0, 0);
    DestroyScreenWindow(handle);
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    return LookupWindow(handle) != nullptr ? TRUE : FALSE;
}

BOOL ShowWindow(HWND handle, int showCommand) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr)
        return FALSE;
    const BOOL wasVisible = window->visible ? TRUE : FALSE;
    window->visible = showCommand != SW_HIDE;
    return wasVisible;
}

BOOL IsWindowVisible(HWND handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    return window != nullptr && window->visible ? TRUE : FALSE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    // Lent pixels are the lender's memory, of the size it was lent at.
    if (window == nullptr || handle == DesktopWindow() || width < 0 || height < 0 ||
        window->surface.lent != nullptr)
        return FALSE;
    window->rect = RECT{x, y, x + width, y + height};
    Surface& client = window->surface;
    client.width = width;
    client.height = height;
    decltype(client.pixels)().swap(client.pixels);
    client.pixels.resize(size_t(width) * size_t(height));  // black
    return TRUE;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = ProcedureOf(handle);
    return procedure != nullptr ? procedure(handle, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    if (!IS_INTRESOURCE(name))
        return nullptr;
    size_t count = 0;
    const ResourceEntry* entries = ModuleResources(&count);
    for (size_t i = 0; i < count; ++i) {
        if (entries[i].type == 12 && entries[i].id == WORD(reinterpret_cast<uintptr_t>(name)))
            return reinterpret_cast<HCURSOR>(const_cast<BYTE*>(entries[i].data));
    }
    return nullptr;
}

BOOL EnumDisplayMonitors(HDC, const RECT*, MONITORENUMPROC callback, LPARAM data) {
    if (callback == nullptr)
        return FALSE;
    std::vector<Monitor> monitors;
    {
        std::lock_guard<std::recursive_mutex> guard(GdiLock());
        monitors = MonitorList();
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        RECT rect = monitors[i].rect;
        if (!callback(reinterpret_cast<HMONITOR>(i + 1), nullptr, &rect, data))
            break;
    }
    return TRUE;
}

BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    const size_t index = reinterpret_cast<uintptr_t>(monitor);
    if (info == nullptr || info->cbSize < sizeof(MONITORINFO) || index == 0 ||
        index > MonitorList().size())
        return FALSE;
    const Monitor& m = MonitorList()[index - 1];
    info->rcMonitor = m.rect;
    info->rcWork = m.rect;
    info->dwFlags = m.primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}
