// The stand-in's graphics objects. A handle is the address of its object;
// the registry tells live handles from stale or foreign ones, so a bad
// handle fails the call instead of crashing, as on Windows.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

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

struct DeviceContextObject : GdiObject {
    DeviceContextObject() : GdiObject(GdiKind::DeviceContext) {}
    HWND window = nullptr;  // null for memory device contexts
    HPALETTE palette = nullptr;
    HBITMAP bitmap = nullptr;
    int stretchMode = BLACKONWHITE;
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
// Removes and deletes; false when `handle` is not live.
bool DestroyGdiObject(const void* handle);

// The stock palette of the twenty static colours, selected into every new
// device context.
HPALETTE DefaultPalette();

}  // namespace standin
