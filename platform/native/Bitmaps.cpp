// Device-dependent bitmaps and block transfers on the true-colour screen:
// CreateDIBitmap from 8-bit DIBs (colours from the DIB's RGB colour table),
// CreateCompatibleBitmap, SelectObject, BitBlt and StretchBlt with SRCCOPY,
// and GetDIBits for reading pixels back. Transfers clip to both surfaces;
// transfers to a window are logged and reported to the damage hook.
//
// Stretching is COLORONCOLOR's, the show's only stretch mode, and picks
// source pixels as Wine's DIB engine does (a Bresenham walk): a shrink
// keeps, of each run of source pixels that fall on one destination pixel,
// the last column and the first row; an enlargement repeats pixels. A
// stretch in another mode fails rather than draw what Windows would not.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "GdiObjects.h"
#include "RowConversion.h"
#include "StandIn.h"

namespace standin {
namespace {

std::atomic<size_t> bitmapBytes{0};
std::atomic<size_t> peakBitmapBytes{0};

size_t SurfaceBytes(int width, int height, int bitsPerPixel) {
    size_t rowBytes = (size_t(width) * size_t(bitsPerPixel) + 31) / 32 * 4;
    return rowBytes * size_t(height);
}

uint32_t ToMonochrome(uint32_t colour) {
    int r = colour >> 16 & 0xFF, g = colour >> 8 & 0xFF, b = colour & 0xFF;
    return r + g + b >= 3 * 128 ? 0xFFFFFF : 0;
}

// What a pixel becomes when stored into `surface`.
uint32_t StoredColour(const Surface& surface, uint32_t colour) {
    return surface.bitsPerPixel == 1 ? ToMonochrome(colour) : colour & 0xFFFFFF;
}

// Colour depth a new bitmap compatible with `handle` gets: the screen's for
// window contexts, the selected bitmap's for memory ones, monochrome for none.
int CompatibleDepth(HDC handle) {
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr)
        return 1;
    if (dc->window != nullptr)
        return 32;
    BitmapObject* bitmap = LookupBitmap(dc->bitmap);
    return bitmap != nullptr ? bitmap->surface.bitsPerPixel : 1;
}

// The source index range [first, last] of each destination index along one
// axis: Wine's Bresenham walk over the longer of the two lengths.
struct Run {
    int first;
    int last;
};

std::vector<Run> AxisRuns(int sourceLength, int destLength) {
    std::vector<Run> runs(size_t(destLength), Run{-1, -1});
    const int dx = sourceLength, dy = destLength;
    if (dx > dy) {
        int err = 3 * dy - 2 * dx, d = 0;
        for (int s = 0; s < dx && d < dy; ++s) {
            if (runs[d].first < 0)
                runs[d].first = s;
            runs[d].last = s;
            if (err > 0) {
                ++d;
                err += 2 * dy - 2 * dx;
            } else {
                err += 2 * dy;
            }
        }
    } else {
        int err = 3 * dx - 2 * dy, s = 0;
        for (int d = 0; d < dy; ++d) {
            runs[d] = Run{s, s};
            if (err > 0) {
                ++s;
                err += 2 * dx - 2 * dy;
            } else {
                err += 2 * dx;
            }
        }
    }
    return runs;
}

// The 8-bit rows of the bitmap selected into `dc`, when it still has them.
BitmapObject* RowsBitmap(DeviceContextObject* dc) {
    if (dc->window != nullptr)
        return nullptr;
    BitmapObject* bitmap = LookupBitmap(dc->bitmap);
    return bitmap != nullptr && !bitmap->rows.empty() ? bitmap : nullptr;
}

// One block transfer: the rectangles as asked for and the surfaces they lie
// on, looked up under GdiLock.
struct Blit {
    int x, y, width, height;
    int srcX, srcY, srcWidth, srcHeight;
    Surface* target;
    Surface* from;
    BitmapObject* indexed;  // the source's 8-bit rows, converted on the way
    WindowObject* window;   // the target's window, if it is one
};

// The part of an unscaled transfer that lies on both surfaces: columns
// [left, right) and rows [top, bottom) of the rectangle, counted from its
// top-left.
struct Inside {
    int left, right, top, bottom;
};

Inside InsideBoth(const Blit& b) {
    return Inside{std::max({0, -b.x, -b.srcX}),
                  std::min({b.width, b.target->width - b.x, b.from->width - b.srcX}),
                  std::max({0, -b.y, -b.srcY}),
                  std::min({b.height, b.target->height - b.y, b.from->height - b.srcY})};
}

// The 8-bit source of row `j` of the transfer, from column in.left.
const BYTE* IndexedRow(const Blit& b, const Inside& in, int j) {
    return &b.indexed->rows[size_t(b.srcY + j) * size_t(b.from->width) + size_t(b.srcX + in.left)];
}

// Row `j` of the transfer, columns [in.left, in.right), as the target stores it.
void SourceRow(const Blit& b, const Inside& in, int j, uint32_t* out) {
    const int count = in.right - in.left;
    if (b.indexed != nullptr) {
        ConvertRow(IndexedRow(b, in, j), out, count, b.indexed->colours);
        return;
    }
    const uint32_t* from = b.from->Row(b.srcY + j) + (b.srcX + in.left);
    for (int i = 0; i < count; ++i)
        out[i] = StoredColour(*b.target, from[i]);
}

uint32_t* TargetRow(const Blit& b, const Inside& in, int j) {
    return b.target->Row(b.y + j) + (b.x + in.left);
}

// The plain copy: every row stored.
void CopyRows(const Blit& b, const Inside& in) {
    for (int j = in.top; j < in.bottom; ++j)
        SourceRow(b, in, j, TargetRow(b, in, j));
}

// The copy for a damage hook that wants only changes: rows are stored only
// where they differ. Indexed rows onto a window, every frame of the show,
// are compared with the window's shadow of the indices it last stored,
// everything else with the screen. Returns the band of rows that changed,
// empty when none did.
RECT CopyChangedRows(const Blit& b, const Inside& in) {
    const int count = in.right - in.left;
    const bool shadowed = b.indexed != nullptr;
    static std::vector<uint32_t> row;  // guarded by GdiLock
    if (shadowed)
        b.window->shadow.Begin(*b.target, b.indexed->colours);
    int first = in.bottom, last = in.top - 1;
    for (int j = in.top; j < in.bottom; ++j) {
        bool differs;
        if (shadowed) {
            differs = b.window->shadow.StoreRow(*b.target, b.x + in.left, b.y + j,
                                                IndexedRow(b, in, j), count);
        } else {
            uint32_t* out = TargetRow(b, in, j);
            row.resize(size_t(count));
            SourceRow(b, in, j, row.data());
            differs = std::memcmp(out, row.data(), size_t(count) * sizeof(uint32_t)) != 0;
            if (differs)
                std::memcpy(out, row.data(), size_t(count) * sizeof(uint32_t));
        }
        if (differs) {
            first = std::min(first, j);
            last = j;
        }
    }
    if (first > last)
        return RECT{0, 0, 0, 0};
    return RECT{b.x + in.left, b.y + first, b.x + in.right, b.y + last + 1};
}

// COLORONCOLOR's stretch: each destination pixel takes one source pixel,
// the first row and the last column of the run that falls on it, the
// zoom's every frame.
void Stretch(Blit b) {
    // Wine narrows a source stretched onto a single column or row by one.
    if (b.width == 1 && b.srcWidth > 1)
        --b.srcWidth;
    if (b.height == 1 && b.srcHeight > 1)
        --b.srcHeight;
    const std::vector<Run> columns = AxisRuns(b.srcWidth, b.width);
    const std::vector<Run> rows = AxisRuns(b.srcHeight, b.height);
    // Computed whole before storing, so a context drawing onto itself reads
    // only what was there before.
    std::vector<uint32_t> result(size_t(b.width) * size_t(b.height));
    std::vector<uint8_t> present(result.size());
    for (int j = 0; j < b.height; ++j) {
        const int py = b.srcY + rows[size_t(j)].first;
        if (py < 0 || py >= b.from->height)
            continue;
        const uint32_t* line = b.from->Row(py);
        const size_t at = size_t(j) * size_t(b.width);
        for (int i = 0; i < b.width; ++i) {
            const int px = b.srcX + columns[size_t(i)].last;
            if (px < 0 || px >= b.from->width)
                continue;
            result[at + size_t(i)] = line[px];
            present[at + size_t(i)] = 1;
        }
    }
    for (int j = 0; j < b.height; ++j) {
        const int ty = b.y + j;
        if (ty < 0 || ty >= b.target->height)
            continue;
        for (int i = 0; i < b.width; ++i) {
            const int tx = b.x + i;
            const size_t at = size_t(j) * size_t(b.width) + size_t(i);
            if (tx >= 0 && tx < b.target->width && present[at])
                b.target->Row(ty)[tx] = StoredColour(*b.target, result[at]);
        }
    }
}

// A SRCCOPY transfer, clipped to both surfaces: the plain copy, the copy of
// changed rows, or the stretch when the sizes differ. Called under
// GdiLock; `changed` gets the window and the client rectangle that may have
// changed when the target is a window.
bool TransferLocked(HDC dstHandle, HDC srcHandle, Blit b, DWORD rop, HWND* changedWindow,
                    RECT* changed) {
    DeviceContextObject* dst = LookupDC(dstHandle);
    DeviceContextObject* src = LookupDC(srcHandle);
    if (dst == nullptr || src == nullptr || rop != SRCCOPY)
        return false;
    if (b.width <= 0 || b.height <= 0 || b.srcWidth <= 0 || b.srcHeight <= 0)
        return false;
    const bool scaled = b.width != b.srcWidth || b.height != b.srcHeight;
    // Only COLORONCOLOR's picking is modelled, the one mode the show
    // stretches in; the modes that combine pixels would draw otherwise.
    if (scaled && dst->stretchMode != COLORONCOLOR)
        return false;
    b.target = TargetSurface(dst);
    if (b.target == nullptr)
        return false;
    // An unscaled copy onto a true-colour surface converts 8-bit rows on the
    // way; everything else needs the source's pixels.
    b.indexed = !scaled && b.target->bitsPerPixel == 32 ? RowsBitmap(src) : nullptr;
    b.from = b.indexed != nullptr ? &b.indexed->surface : TargetSurface(src);
    if (b.from == nullptr)
        return false;
    b.window = nullptr;
    if (dst->window != nullptr) {
        LogWindowBlit(dst->window, RECT{b.x, b.y, b.x + b.width, b.y + b.height});
        *changedWindow = dst->window;
        *changed =
            RECT{std::max(b.x, 0), std::max(b.y, 0), std::min(b.x + b.width, b.target->width),
                 std::min(b.y + b.height, b.target->height)};
        b.window = LookupWindow(dst->window);
    }
    // Only indexed rows stored through the window's shadow keep it true.
    const bool changesOnly = b.window != nullptr && DamageChangesOnly();
    if (b.window != nullptr && !(changesOnly && b.indexed != nullptr))
        b.window->shadow.Forget(b.y, b.y + b.height);
    if (scaled) {
        Stretch(b);
        return true;
    }
    const Inside in = InsideBoth(b);
    if (in.left >= in.right || in.top >= in.bottom) {
        *changed = RECT{0, 0, 0, 0};
        return true;
    }
    if (changesOnly)
        *changed = CopyChangedRows(b, in);
    else
        CopyRows(b, in);
    return true;
}

// The transfer, then the damage hook, outside the lock so that the hook
// may read the window back and two drawing threads never wait on each
// other's hook.
bool Transfer(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
              int srcWidth, int srcHeight, DWORD rop) {
    HWND window = nullptr;
    RECT changed = {0, 0, 0, 0};
    bool done;
    {
        std::lock_guard<std::recursive_mutex> guard(GdiLock());
        const Blit blit = {x,        y,         width,   height,  srcX,    srcY,
                           srcWidth, srcHeight, nullptr, nullptr, nullptr, nullptr};
        done = TransferLocked(dst, src, blit, rop, &window, &changed);
    }
    if (done && window != nullptr && changed.left < changed.right && changed.top < changed.bottom)
        ReportDamage(window, changed);
    return done;
}
}  // namespace

BitmapObject::BitmapObject(int width, int height, int bitsPerPixel, bool blank)
    : GdiObject(GdiKind::Bitmap) {
    surface.width = width;
    surface.height = height;
    surface.bitsPerPixel = bitsPerPixel;
    if (blank)
        surface.pixels.resize(size_t(width) * size_t(height));  // black
    size_t now = bitmapBytes += SurfaceBytes(width, height, bitsPerPixel);
    size_t peak = peakBitmapBytes.load();
    while (now > peak && !peakBitmapBytes.compare_exchange_weak(peak, now)) {
    }
}

BitmapObject::~BitmapObject() {
    bitmapBytes -= SurfaceBytes(surface.width, surface.height, surface.bitsPerPixel);
}

Surface* BitmapObject::Resolved() {
    if (!rows.empty()) {
        const size_t count = size_t(surface.width) * size_t(surface.height);
        surface.pixels = decltype(surface.pixels)(ZeroedAllocator<uint32_t>(false));
        surface.pixels.resize(count);
        ConvertRow(rows.data(), surface.pixels.data(), int(count), colours);
        decltype(rows)(ZeroedAllocator<BYTE>(false)).swap(rows);
    }
    return &surface;
}

Surface* TargetSurface(DeviceContextObject* dc) {
    if (dc->window != nullptr) {
        WindowObject* window = LookupWindow(dc->window);
        return window != nullptr ? &window->surface : nullptr;
    }
    BitmapObject* bitmap = LookupBitmap(dc->bitmap);
    return bitmap != nullptr ? bitmap->Resolved() : nullptr;
}

size_t BitmapBytes() {
    return bitmapBytes.load();
}
size_t PeakBitmapBytes() {
    return peakBitmapBytes.load();
}
void ResetPeakBitmapBytes() {
    peakBitmapBytes = bitmapBytes.load();
}

}  // namespace standin

using namespace standin;

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (width < 0 || height < 0 || width > 0x4000 || height > 0x4000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Windows hands out its stock 1 x 1 monochrome bitmap for an empty size.
    if (width == 0 || height == 0)
        return StockBitmap();
    return static_cast<HBITMAP>(
        RegisterGdiObject(new BitmapObject(width, height, CompatibleDepth(dc))));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    if (header == nullptr || header->biWidth <= 0 || header->biHeight == 0 ||
        header->biWidth > 0x4000 || std::abs(header->biHeight) > 0x4000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const int width = header->biWidth;
    const int height = std::abs(header->biHeight);
    const bool filled = (init & CBM_INIT) != 0;
    // Only what the show hands over: 8-bit BI_RGB rows with RGB colours.
    if (filled && (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS ||
                   info->bmiHeader.biBitCount != 8 || info->bmiHeader.biCompression != BI_RGB)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* bitmap = new BitmapObject(width, height, CompatibleDepth(dc), !filled);
    if (filled) {
        DWORD used = info->bmiHeader.biClrUsed != 0 ? info->bmiHeader.biClrUsed : 256;
        if (used > 256)
            used = 256;
        for (DWORD i = 0; i < used; ++i) {  // indices past the table are black
            const RGBQUAD& q = info->bmiColors[i];
            bitmap->colours[i] = StoredColour(
                bitmap->surface, uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue);
        }
        // The rows as they come, top row first, converted when first needed.
        const size_t rowBytes = (size_t(width) + 3) / 4 * 4;
        const bool bottomUp = info->bmiHeader.biHeight > 0;
        bitmap->rows.resize(size_t(width) * size_t(height));
        for (int row = 0; row < height; ++row)
            std::memcpy(&bitmap->rows[size_t(bottomUp ? height - 1 - row : row) * size_t(width)],
                        static_cast<const BYTE*>(bits) + size_t(row) * rowBytes, size_t(width));
    }
    return static_cast<HBITMAP>(RegisterGdiObject(bitmap));
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    BitmapObject* bitmap = LookupBitmap(object);
    // Bitmaps go into memory contexts only, and into one at a time.
    if (dc == nullptr || bitmap == nullptr || dc->window != nullptr)
        return nullptr;
    bool stock = object == StockBitmap();
    if (!stock && bitmap->selectedInto != nullptr && bitmap->selectedInto != handle)
        return nullptr;
    HBITMAP previous = dc->bitmap;
    BitmapObject* old = LookupBitmap(previous);
    if (old != nullptr && old->selectedInto == handle)
        old->selectedInto = nullptr;
    if (!stock)
        bitmap->selectedInto = handle;
    dc->bitmap = static_cast<HBITMAP>(object);
    return previous;
}

int SetStretchBltMode(HDC handle, int mode) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    DeviceContextObject* dc = LookupDC(handle);
    if (dc == nullptr || mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    return Transfer(dst, x, y, width, height, src, srcX, srcY, width, height, rop) ? TRUE : FALSE;
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
    return Transfer(dst, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop) ? TRUE
                                                                                         : FALSE;
}

int GetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
    std::lock_guard<std::recursive_mutex> guard(GdiLock());
    BitmapObject* bitmap = LookupBitmap(handle);
    if (bitmap == nullptr || info == nullptr || usage != DIB_RGB_COLORS)
        return 0;
    const Surface& surface = *bitmap->Resolved();
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (bits == nullptr) {
        // A query: the bitmap's own size, offered as 32-bit pixels.
        header.biWidth = surface.width;
        header.biHeight = surface.height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage = DWORD(surface.width) * DWORD(surface.height) * 4;
        return 1;
    }
    if (header.biCompression != BI_RGB || (header.biBitCount != 32 && header.biBitCount != 24))
        return 0;
    const int width = std::min<int>(header.biWidth, surface.width);
    const int bytesPerPixel = header.biBitCount / 8;
    const size_t rowBytes = (size_t(header.biWidth) * bytesPerPixel + 3) / 4 * 4;
    const bool bottomUp = header.biHeight > 0;
    int copied = 0;
    for (UINT line = start; line < start + lines && int(line) < surface.height; ++line) {
        int y = bottomUp ? surface.height - 1 - int(line) : int(line);
        BYTE* out = static_cast<BYTE*>(bits) + size_t(line - start) * rowBytes;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = surface.Row(y)[x];
            out[x * bytesPerPixel] = BYTE(pixel);
            out[x * bytesPerPixel + 1] = BYTE(pixel >> 8);
            out[x * bytesPerPixel + 2] = BYTE(pixel >> 16);
            if (bytesPerPixel == 4)
                out[x * bytesPerPixel + 3] = 0;
        }
        ++copied;
    }
    return copied;
}
