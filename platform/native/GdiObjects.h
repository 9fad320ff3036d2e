// The stand-in's graphics objects. A handle is the address of its object;
// the registry tells live handles from stale or foreign ones, so a bad
// handle fails the call instead of crashing, as on Windows.
//
// The screen is true colour: every surface (a bitmap's or a window's
// client area) holds 0xRRGGBB pixels, top row first. A monochrome bitmap
// holds only black and white.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <mutex>
#include <vector>

#include "IndexShadow.h"
#include "StandIn.h"

namespace standin {

enum class GdiKind { Palette, Bitmap, DeviceContext, Stock };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
};

struct PaletteObject : GdiObject {
    PaletteObject() : GdiObject(GdiKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// Memory that comes zeroed from the system (calloc maps fresh zero pages
// for large blocks) and elements that a plain resize leaves as they are, so
// a large black screen costs neither time nor memory until it is drawn on.
// Touching every page of a full-HD screen up front costs tens of ms on
// some machines. A bitmap whose every pixel is written at once asks for
// unzeroed memory instead: clearing a reused block first would double the
// cost of each frame's bitmap.
template <class T>
struct ZeroedAllocator {
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    ZeroedAllocator() = default;
    explicit ZeroedAllocator(bool zeroed) : zeroed(zeroed) {}
    template <class U>
    ZeroedAllocator(const ZeroedAllocator<U>& other) : zeroed(other.zeroed) {}
    // A copy of a surface grows black again.
    ZeroedAllocator select_on_container_copy_construction() const { return ZeroedAllocator(); }
    T* allocate(size_t count) {
        void* memory = zeroed ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T));
        if (memory == nullptr)
            throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, size_t) { std::free(memory); }
    template <class U>
    void construct(U*) noexcept {}  // already zero, or written at once
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const ZeroedAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const ZeroedAllocator<U>&) const {
        return false;
    }
    bool zeroed = true;
};

struct Surface {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;  // 32 or 1
    // Black when made with resize.
    std::vector<uint32_t, ZeroedAllocator<uint32_t>> pixels;
    // Memory a front end lent for a window's pixels (LendWindowPixels),
    // used instead of `pixels` while it is set.
    uint32_t* lent = nullptr;

    uint32_t* Row(int y) {
        return (lent != nullptr ? lent : pixels.data()) + size_t(y) * size_t(width);
    }
    const uint32_t* Row(int y) const {
        return (lent != nullptr ? lent : pixels.data()) + size_t(y) * size_t(width);
    }
};

// A device-dependent bitmap. It can be selected into one memory device
// context at a time, except the stock 1 x 1 monochrome bitmap that every
// new memory context starts with.
//
// A bitmap made from 8-bit rows keeps them, with its colours, until it is
// read or drawn on in any other way than an unscaled copy onto a true-colour
// surface, which converts them on the way. Every frame of the show is such
// a bitmap, made, copied once to the window and deleted: converting it only
// there spares writing and reading four bytes a pixel in between.
struct BitmapObject : GdiObject {
    // Black, unless `blank` is false: then the pixels are left for the
    // caller to fill, or to come from `rows`.
    BitmapObject(int width, int height, int bitsPerPixel, bool blank = true);
    ~BitmapObject() override;
    // The surface, with the 8-bit rows converted into it first if it still
    // has them.
    Surface* Resolved();
    Surface surface;
    HDC selectedInto = nullptr;
    // Width bytes a row, top row first; empty when the surface holds the pixels.
    std::vector<BYTE, ZeroedAllocator<BYTE>> rows{ZeroedAllocator<BYTE>(false)};
    uint32_t colours[256] = {};  // each index's colour as the surface stores it
};

struct DeviceContextObject : GdiObject {
    DeviceContextObject() : GdiObject(GdiKind::DeviceContext) {}
    HWND window = nullptr;  // null for memory device contexts
    HPALETTE palette = nullptr;
    HBITMAP bitmap = nullptr;
    int stretchMode = BLACKONWHITE;
};

// A window of the stand-in: its client area as a screen of its own and,
// for windows made by CreateWindowExA, where it lies on the desktop and the
// procedure its messages go to. Screen windows sit at (0, 0) with no procedure.
struct WindowObject {
    Surface surface;
    RECT rect = {0, 0, 0, 0};
    DWORD style = 0;
    DWORD exStyle = 0;
    WNDPROC procedure = nullptr;
    bool visible = false;
    IndexShadow shadow;  // used while only changes are reported
};

// One lock guards the registry and every object's state; the show's two
// drawing threads may call in at the same time.
std::recursive_mutex& GdiLock();

// Takes ownership; returns the handle.
void* RegisterGdiObject(GdiObject* object);
// Null unless `handle` is a live object of that kind.
GdiObject* LookupGdiObject(const void* handle, GdiKind kind);
PaletteObject* LookupPalette(const void* handle);
DeviceContextObject* LookupDC(const void* handle);
BitmapObject* LookupBitmap(const void* handle);
// Removes and deletes; false when `handle` is not live.
bool DestroyGdiObject(const void* handle);

// The stock palette of the twenty static colours, selected into every new
// device context.
HPALETTE DefaultPalette();
// The stock 1 x 1 monochrome bitmap of every new memory device context.
HBITMAP StockBitmap();

// Null unless `window` is a live window (the desktop included).
WindowObject* LookupWindow(HWND window);
// The desktop, which GetDC(NULL) draws on: 1024 x 768.
HWND DesktopWindow();
// The surface a device context draws on: its window's or its bitmap's.
Surface* TargetSurface(DeviceContextObject* dc);
// Notes a block transfer to a window (time, rectangle, thread) while
// RecordBlits is on.
void LogWindowBlit(HWND window, const RECT& rect);

// Calls the damage hook, if one is set, for `changed` of `window`. Called
// outside GdiLock.
void ReportDamage(HWND window, const RECT& changed);
// Whether the damage hook wants only the rows a transfer changed.
bool DamageChangesOnly();

}  // namespace standin
