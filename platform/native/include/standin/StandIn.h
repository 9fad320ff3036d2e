// The Win32 stand-in's own controls, beside the Win32 calls it answers
// (<windows.h>, <mmsystem.h>): the front ends (avrel, avrel-render, the web
// page) make the window they draw on here and present it through the damage
// hook and the pixel reads; tests and tools also fail allocations, run
// threads on a virtual clock and read the records. The portable code never
// includes this header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
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

// Makes FindResourceA and the other resource calls serve the resources of
// the Windows program file at `path` (an Avrel.scr) instead of the linked-in
// set, as if that file were the running program. On failure the resources
// in use stay and `error` says what is wrong with the file. A null path
// goes back to the linked-in set. Call it before any thread uses resources.
bool UseProgramFile(const char* path, std::string* error);

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

// The screen a front end draws on: a window whose client area is
// clientWidth x clientHeight, all black. Its device contexts (GetDC) draw
// into an in-memory screen of that size, and
// every block transfer to it is clipped to the client area, as on Windows.
// It is visible from the start, as a window already shown; one made by
// CreateWindowExA becomes visible (WS_VISIBLE) only after its WM_CREATE.
HWND CreateScreenWindow(int clientWidth, int clientHeight);
void DestroyScreenWindow(HWND window);
// Every window alive but the desktop: screen windows and those made by
// CreateWindowExA, in no particular order.
std::vector<HWND> LiveWindows();
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
// Block transfers are recorded only while a test asks for them: a running
// program draws tens of times a second for as long as it runs, and only
// tests read the records. RecordBlits(true) empties the log and records
// from then on; RecordBlits(false) stops and frees the log. Off when the
// process starts.
void RecordBlits(bool on);
// Every block transfer to any window recorded since RecordBlits(true) or
// the last ClearBlitLog, in order; empty while recording is off.
std::vector<BlitRecord> BlitLog();
void ClearBlitLog();

// ---- Monitors ----

// The monitors EnumDisplayMonitors reports, in order. By default one
// primary monitor of 1024 x 768 at (0, 0), like the desktop.
struct Monitor {
    RECT rect;
    bool primary;
};
void SetMonitors(const std::vector<Monitor>& monitors);

// ---- Damage: what changed on a window ----

// Called after every block transfer to a window that changed something, with
// the changed rectangle clipped to the client area (never empty). It runs on
// the drawing thread after the pixels are stored and outside the stand-in's
// lock, so it may read them back at once; two drawing threads may call it at
// the same time. Keep it cheap: it delays the drawing thread.
using DamageHook = void (*)(void* context, HWND window, const RECT& changed);
// One hook for all windows; null turns it off. When it returns, no call of
// the hook it replaced is still running. The hook must not set the hook.
//
// With `changesOnly`, an unscaled transfer reports only the band of rows
// whose pixels it changed, and nothing when it changed none: a front end
// that pushes every reported rectangle to a real screen then pushes no
// pixel twice. Without it, every transfer is reported whole, as drawn.
void SetDamageHook(DamageHook hook, void* context, bool changesOnly = false);

// Lets the client pixels of `window` live in `memory`, which holds its
// client's width x height 0xRRGGBB pixels row after row and which the
// caller keeps until it takes it back with null: what the window shows is
// copied there, and from then on every transfer draws there directly, so a
// front end whose screen reads that memory itself (shared with an X
// server) copies nothing. With null the pixels move back into the stand-in.
// False when the window is not live.
bool LendWindowPixels(HWND window, uint32_t* memory);

// Copies the client pixels of `rect` (clipped to the client area) as
// 0xRRGGBB rows into `out`, `outStride` pixels apart, rect's top-left first.
// False, copying nothing, when the window is not live. Cheap enough to call
// for every damaged rectangle, unlike WindowPixels.
bool ReadWindowPixels(HWND window, const RECT& rect, DWORD* out, size_t outStride);

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

// The system timer of Windows 10 and 11: off (the default), the clock reads
// to the millisecond and Sleep lasts what it asks for, as under Wine. On,
// the timer ticks every 15.625 ms unless the program holds a finer period
// (timeBeginPeriod): timeGetTime reads the last tick and a Sleep ends on
// the first tick at or after its due time. Works on either clock; turning
// it on or off forgets every held period.
void UseCoarseTimer(bool on);
// timeBeginPeriod requests not yet ended by timeEndPeriod.
size_t HeldTimerPeriods();

}  // namespace standin
