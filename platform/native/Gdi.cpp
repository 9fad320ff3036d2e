// Graphics objects common to every device context: the handle registry,
// palettes, stock objects and memory device contexts.
#include <windows.h>

#include <set>

#include "GdiObjects.h"
#include "StandIn.h"

namespace standin {
namespace {

std::set<const void*>& Registry() {
    static std::set<const void*> registry;
    return registry;
}

PaletteObject* MakeDefaultPalette() {
    static const BYTE colours[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    auto* palette = new PaletteObject;
    for (const auto& c : colours)
        palette->entries.push_back({c[0], c[1], c[2], 0});
    return palette;
}

}  // namespace

std::recursive_mutex& GdiLock() {
    static std::recursive_mutex lock;
    return lock;
}

void* RegisterGdiObject(GdiObject* object) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    Registry().insert(object);
    return object;
}

GdiObject* LookupGdiObject(const void* handle, GdiKind kind) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (handle == nullptr || Registry().count(handle) == 0)
        return nullptr;
    auto* object = static_cast<GdiObject*>(const_cast<void*>(handle));
    return object->kind == kind ? object : nullptr;
}

BitmapObject* LookupBitmap(const void* handle) {
    if (handle == StockBitmap())
        return static_cast<BitmapObject*>(const_cast<void*>(handle));
    return static_cast<BitmapObject*>(LookupGdiObject(handle, GdiKind::Bitmap));
}

PaletteObject* LookupPalette(const void* handle) {
    if (handle == DefaultPalette())
        return static_cast<PaletteObject*>(const_cast<void*>(handle));
    return static_cast<PaletteObject*>(LookupGdiObject(handle, GdiKind::Palette));
}

DeviceContextObject* LookupDC(const void* handle) {
    return static_cast<DeviceContextObject*>(LookupGdiObject(handle, GdiKind::DeviceContext));
}

bool DestroyGdiObject(const void* handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (handle == nullptr || Registry().erase(handle) == 0)
        return false;
    delete static_cast<GdiObject*>(const_cast<void*>(handle));
    return true;
}

HPALETTE DefaultPalette() {
    static PaletteObject* const palette = MakeDefaultPalette();
    return reinterpret_cast<HPALETTE>(palette);
}

HBITMAP StockBitmap() {
    // Never freed: a memory context may still hold it while the process ends.
    static BitmapObject* const bitmap = new BitmapObject(1, 1, 1);
    return reinterpret_cast<HBITMAP>(bitmap);
}

long LiveGdiObjects() {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    return long(Registry().size());
}

}  // namespace standin

using namespace standin;

HGDIOBJ GetStockObject(int index) {
    if (index == DEFAULT_PALETTE)
        return DefaultPalette();
    if (index == BLACK_BRUSH) {
        static GdiObject blackBrush(GdiKind::Stock);
        return &blackBrush;
    }
    return nullptr;
}

HPALETTE CreatePalette(const LOGPALETTE* logicalPalette) {
    if (logicalPalette == nullptr || logicalPalette->palVersion != 0x300 ||
        logicalPalette->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* palette = new PaletteObject;
    palette->entries.assign(logicalPalette->palPalEntry,
                            logicalPalette->palPalEntry + logicalPalette->palNumEntries);
    return static_cast<HPALETTE>(RegisterGdiObject(palette));
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* entries) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    PaletteObject* palette = LookupPalette(handle);
    if (palette == nullptr)
        return 0;
    UINT size = UINT(palette->entries.size());
    if (entries == nullptr)
        return size;
    UINT copied = 0;
    for (UINT i = start; i < size && copied < count; ++i)
        entries[copied++] = palette->entries[i];
    return copied;
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr || LookupPalette(palette) == nullptr)
        return nullptr;
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    return previous;
}

// The stand-in's screen is true colour: realising maps no entries into a
// hardware palette, and colours always come from a bitmap's colour table.
UINT RealizePalette(HDC handle) {
    return LookupDC(handle) != nullptr ? 0 : GDI_ERROR;
}

HDC CreateCompatibleDC(HDC) {
    auto* dc = new DeviceContextObject;
    dc->palette = DefaultPalette();
    dc->bitmap = StockBitmap();
    return static_cast<HDC>(RegisterGdiObject(dc));
}

BOOL DeleteDC(HDC handle) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr || dc->window != nullptr)
        return FALSE;
    BitmapObject* bitmap = LookupBitmap(dc->bitmap);
    if (bitmap != nullptr && bitmap->selectedInto == handle)
        bitmap->selectedInto = nullptr;
    return DestroyGdiObject(handle) ? TRUE : FALSE;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr)
        return nullptr;
    if (type == OBJ_PAL)
        return dc->palette;
    if (type == OBJ_BITMAP)
        return dc->bitmap;
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (object == DefaultPalette() || object == GetStockObject(BLACK_BRUSH) ||
        object == StockBitmap())
        return TRUE;
    if (LookupDC(object) != nullptr)
        return FALSE;
    // A bitmap still selected into a device context stays alive.
    BitmapObject* bitmap = LookupBitmap(object);
    if (bitmap != nullptr && bitmap->selectedInto != nullptr)
        return FALSE;
    return DestroyGdiObject(object) ? TRUE : FALSE;
}
