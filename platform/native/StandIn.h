// Controls of the Win32 stand-in that only tests and the native tools use.
// The portable code never includes this header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace standin {

// ---- Resources ----

// The compiled resource file (.res) that plays the program's own module.
// Every native executable links exactly one, as a Windows program links
// its resources; see ResourceBlob.S.in.
struct ResourceEntry {
    WORD type;      // ordinal type, 0 for string-named types
    WORD id;        // ordinal name, 0 for string names
    WORD language;  // language id
    const BYTE* data;
    DWORD size;
};

// All ordinal-named resources of the module, in file order.
const ResourceEntry* ModuleResources(size_t* count);

// Serves `size` bytes at `data` (not copied; they must outlive their use) as
// resource (type, id) in place of the module's own, or makes it missing when
// `data` is null, as a damaged program file would. RestoreResources drops
// every replacement.
void ReplaceResource(WORD type, WORD id, const BYTE* data, DWORD size);
void RestoreResources();

// ---- Global memory ----

// Number of global memory blocks allocated and not yet freed.
long LiveGlobalBlocks();

// Makes the next `count` GlobalAlloc calls after `skip` successful ones fail,
// to exercise out-of-memory paths. FailGlobalAlloc(0, 0) turns it off.
void FailGlobalAlloc(long skip, long count);

// ---- Windows and what they show ----

// A window whose client area is clientWidth x clientHeight, all black. Its
// device contexts (GetDC) draw into an in-memory screen of that size, and
// every block transfer to it is clipped to the client area, as on Windows.
HWND CreateTestWindow(int clientWidth, int clientHeight);
void DestroyTestWindow(HWND window);
// The colour at client point (x, y) as 0xRRGGBB; 0 outside the client area.
DWORD WindowPixel(HWND window, int x, int y);
// The whole client area, top row first, each pixel 0xRRGGBB.
std::vector<DWORD> WindowPixels(HWND window);

// One BitBlt or StretchBlt to a window's device context.
struct BlitRecord {
    DWORD time;  // timeGetTime() when it happened
    HWND window;
    RECT rect;       // destination as asked for, in client coordinates, before clipping
    DWORD threadId;  // GetCurrentThreadId() of the drawing thread
};
// Every block transfer to any window since the last ClearBlitLog, in order.
std::vector<BlitRecord> BlitLog();
void ClearBlitLog();

// ---- Graphics accounting ----

// Bitmaps, palettes and device contexts made and not yet deleted.
long LiveGdiObjects();
// Bytes held by bitmaps now, and the most held at once since the last reset.
size_t BitmapBytes();
size_t PeakBitmapBytes();
void ResetPeakBitmapBytes();

// ---- Clock and threads ----
//
// The millisecond clock (timeGetTime) is real by default. On the virtual
// clock time stands still while threads compute and moves only in Sleep,
// and the threads run one at a time, so a run is the same every time:
// - the thread that calls UseVirtualClock (the observer, usually the test)
//   and every thread made with CreateThread afterwards take part, in that
//   order; a thread that calls Sleep without taking part joins at that call;
// - one thread runs at a time; it gives way only in Sleep or by returning;
// - when the running thread sleeps, the thread with the earliest wake-up
//   time runs next, the observer first and then the others in creation order
//   among equal times; the clock jumps to that time if it lies ahead;
//   Sleep(0) lets every other thread due at the same time run first.
// A new thread therefore starts when its creator first sleeps.

// Switches to the virtual clock, starting at `start` ms (near 2^32 to test
// the wrap); ends any earlier virtual run as StopAllThreads does.
void UseVirtualClock(DWORD start);
// Back to the real clock; ends the virtual run as StopAllThreads does.
void UseRealClock();
bool VirtualClockOn();
// Ends a virtual run whose threads never return (the show's threads loop
// for ever): every thread but the caller stays blocked where it is, inside
// Sleep or before its first step, until the process ends, which is how the
// show's threads end on Windows too. Nothing of theirs is unwound or freed;
// what they hold stays reachable from their stacks, so the sanitizers see
// neither a leak nor a race. They never run again, so the caller (which
// keeps running) may then destroy what they used.
void StopAllThreads();

}  // namespace standin
