// Windows of the stand-in: screen windows made through StandIn.h, each with
// an in-memory screen the size of its client area, and the desktop that
// GetDC(NULL) gives. Their device contexts draw into those screens; every
// block transfer to a window is reported to the damage hook, if one is set,
// and logged with the time and the thread while a test records them.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <set>
#include <atomic>
#include <shared_mutex>

#include "GdiObjects.h"
#include "StandIn.h"

namespace standin {
namespace {

std::set<const void*>& Windows() {
    static std::set<const void*> windows;
    return windows;
}

// The records and whether they are kept; both under GdiLock.
struct BlitRecording {
    bool on = false;
    std::vector<BlitRecord> log;
};

BlitRecording& Recording() {
    static BlitRecording recording;
    return recording;
}

WindowObject* MakeWindow(int width, int height) {
    auto* window = new WindowObject;
    window->surface.width = width;
    window->surface.height = height;
    window->surface.pixels.resize(size_t(width) * size_t(height));  // black
    return window;
}

// The hook and its lock: calls share it, so drawing threads never wait on
// each other; setting takes it alone, so once SetDamageHook returns no call
// of the old hook is still running and its context may go.
struct DamageHookSlot {
    std::shared_mutex lock;
    DamageHook hook = nullptr;
    void* context = nullptr;
    std::atomic<bool> changesOnly{false};
};

DamageHookSlot& Damage() {
    static DamageHookSlot* const slot = new DamageHookSlot;  // outlives every thread
    return *slot;
}

}  // namespace

void SetDamageHook(DamageHook hook, void* context, bool changesOnly) {
    DamageHookSlot& slot = Damage();
    std::unique_lock<std::shared_mutex> guard(slot.lock);
    slot.hook = hook;
    slot.context = context;
    slot.changesOnly = hook != nullptr && changesOnly;
}

bool DamageChangesOnly() {
    return Damage().changesOnly.load(std::memory_order_relaxed);
}

void ReportDamage(HWND window, const RECT& changed) {
    DamageHookSlot& slot = Damage();
    std::shared_lock<std::shared_mutex> guard(slot.lock);
    if (slot.hook != nullptr)
        slot.hook(slot.context, window, changed);
}

bool ReadWindowPixels(HWND handle, const RECT& rect, DWORD* out, size_t outStride) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr || out == nullptr)
        return false;
    const Surface& s = window->surface;
    const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, s.width);
    const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, s.height);
    for (int y = top; y < bottom; ++y) {
        const uint32_t* from = s.Row(y) + left;
        DWORD* to = out + size_t(y - rect.top) * outStride + size_t(left - rect.left);
        std::copy(from, from + (right - left), to);
    }
    return true;
}

HWND DesktopWindow() {
    static WindowObject* const desktop = [] {
        WindowObject* window = MakeWindow(1024, 768);
        Windows().insert(window);
        return window;
    }();
    return reinterpret_cast<HWND>(desktop);
}

WindowObject* LookupWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DesktopWindow();
    if (window == nullptr || Windows().count(window) == 0)
        return nullptr;
    return reinterpret_cast<WindowObject*>(window);
}

void LogWindowBlit(HWND window, const RECT& rect) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (Recording().on)
        Recording().log.push_back(BlitRecord{timeGetTime(), window, rect, GetCurrentThreadId()});
}

HWND CreateScreenWindow(int clientWidth, int clientHeight) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (clientWidth < 0 || clientHeight < 0)
        return nullptr;
    WindowObject* window = MakeWindow(clientWidth, clientHeight);
    window->rect = RECT{0, 0, clientWidth, clientHeight};
    window->visible = true;  // on screen from the start, like a shown window
    Windows().insert(window);
    return reinterpret_cast<HWND>(window);
}

std::vector<HWND> LiveWindows() {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    std::vector<HWND> windows;
    for (const void* window : Windows()) {
        if (window != DesktopWindow())
            windows.push_back(reinterpret_cast<HWND>(const_cast<void*>(window)));
    }
    return windows;
}

void DestroyScreenWindow(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (window == DesktopWindow() || Windows().erase(window) == 0)
        return;
    delete reinterpret_cast<WindowObject*>(window);
}

bool LendWindowPixels(HWND handle, uint32_t* memory) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr)
        return false;
    Surface& s = window->surface;
    const size_t count = size_t(s.width) * size_t(s.height);
    if (memory != nullptr) {
        std::copy(s.Row(0), s.Row(s.height), memory);
        // Its own memory is not needed while it draws into the loan.
        decltype(s.pixels)().swap(s.pixels);
        s.lent = memory;
    } else if (s.lent != nullptr) {
        s.pixels.resize(count);
        std::copy(s.lent, s.lent + count, s.pixels.data());
        s.lent = nullptr;
    }
    return true;
}

DWORD WindowPixel(HWND handle, int x, int y) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr)
        return 0;
    const Surface& s = window->surface;
    if (x < 0 || y < 0 || x >= s.width || y >= s.height)
        return 0;
    return s.Row(y)[x];
}

std::vector<DWORD> WindowPixels(HWND handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr)
        return {};
    const Surface& s = window->surface;
    return std::vector<DWORD>(s.Row(0), s.Row(s.height));
}

void RecordBlits(bool on) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    Recording().on = on;
    std::vector<BlitRecord>().swap(Recording().log);  // frees what it held
}

std::vector<BlitRecord> BlitLog() {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    return Recording().log;
}

void ClearBlitLog() {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    Recording().log.clear();
}

}  // namespace standin

using namespace standin;

HDC GetDC(HWND window) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (window == nullptr)
        window = DesktopWindow();
    if (LookupWindow(window) == nullptr)
        return nullptr;
    auto* dc = new DeviceContextObject;
    dc->window = window;
    dc->palette = DefaultPalette();
    return static_cast<HDC>(RegisterGdiObject(dc));
}

int ReleaseDC(HWND, HDC handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr || dc->window == nullptr)
        return 0;
    return DestroyGdiObject(handle) ? 1 : 0;
}

HWND WindowFromDC(HDC handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    return dc != nullptr ? dc->window : nullptr;
}

namespace {

// A live window's place on the desktop, or its client area; FALSE for a
// handle that is no window.
BOOL WindowRect(HWND handle, bool client, LPRECT rect) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    WindowObject* window = LookupWindow(handle);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    *rect = client ? RECT{0, 0, window->surface.width, window->surface.height} : window->rect;
    return TRUE;
}

}  // namespace

BOOL GetClientRect(HWND handle, LPRECT rect) {
    return WindowRect(handle, true, rect);
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    return WindowRect(handle, false, rect);
}
