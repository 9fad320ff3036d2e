// The millisecond clock, Sleep and threads in the browser. A page without
// cross-origin isolation has no SharedArrayBuffer and so no shared-memory
// threads, but the show's two threads only ever hand over in Sleep: they
// become fibers (emscripten's, on Asyncify) on the page's one thread. The
// front end's loop (RunDueThreads) switches to the thread due first; a
// thread runs until it sleeps, which switches back. The clock is the page's
// real one (performance.now), held while the show is paused.
//
// Every wake-up of the page and every canvas change costs the browser far
// more than the show's own work, so threads that become due within one
// animation frame of each other run together: the first waits for the
// last, at most kMergeMs. A thread that runs late by up to kMaxLagMs (that
// wait, or the browser's timer coming late) reads the clock as if it had
// woken on time, so its deadline pacing carries no lateness forward; what it
// draws still appears at most about one animation frame after its time.
//
// Fibers of a thread that ended, or of an abandoned set, are never freed:
// pointers on their stacks may still be the only references to what they
// made, as with threads that a process end stops.
#include <windows.h>

#include <emscripten.h>
#include <emscripten/fiber.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "standin/WebThreads.h"

namespace standin {
namespace {

// The show's deepest call chains (a scene operation inside the script) use a
// few kilobytes of stack; what Asyncify saves of them at a switch is less.
const size_t kStackBytes = 256 * 1024;
const size_t kAsyncifyBytes = 64 * 1024;

// Just under one frame at 60 Hz, so that with the timer's own slack a
// merged wake-up delays a thread by about one animation frame at most.
const double kMergeMs = 15;
// Lateness beyond this (a busy or hidden page) is lateness the show sees.
const double kMaxLagMs = 20;

struct Fiber {
    emscripten_fiber_t context;
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    DWORD id = 0;
    double wake = 0;  // clock reading at which it runs next
    bool ended = false;
    std::vector<unsigned char> stack;
    std::vector<unsigned char> asyncifyStack;
};

struct Threads {
    emscripten_fiber_t page;  // the front end's own context
    std::vector<unsigned char> pageAsyncifyStack = std::vector<unsigned char>(kAsyncifyBytes);
    bool pageReady = false;
    std::vector<Fiber*> fibers;  // of the current set, in creation order
    Fiber* running = nullptr;
    double lag = 0;  // how far the running fiber's clock trails the real one
    DWORD nextId = 1;
    double start = emscripten_get_now();
    double heldAt = 0;   // clock reading while held
    double heldFor = 0;  // real milliseconds spent held
    bool held = false;
};

Threads& TheThreads() {
    static Threads* const threads = new Threads;  // fibers point into it
    return *threads;
}

double Now(const Threads& t) {
    if (t.held)
        return t.heldAt;
    return emscripten_get_now() - t.start - t.heldFor;
}

// The clock as the thread that runs reads it.
double ThreadNow(const Threads& t) {
    return t.running == nullptr ? Now(t) : Now(t) - t.lag;
}

void FiberMain(void* argument) {
    auto* fiber = static_cast<Fiber*>(argument);
    fiber->start(fiber->parameter);
    // A fiber must never return: it ends by going back to the page for good.
    fiber->ended = true;
    Threads& t = TheThreads();
    t.running = nullptr;
    emscripten_fiber_swap(&fiber->context, &t.page);
    std::abort();
}

// The thread due first, ties to the first created; null when none is due.
// Then `nextWake` is when to come back: the wake-up time of the last thread
// due within kMergeMs of the first, or negative when no thread waits.
Fiber* DueFiber(const Threads& t, double now, double* nextWake) {
    Fiber* next = nullptr;
    for (Fiber* f : t.fibers) {
        if (f->ended)
            continue;
        if (next == nullptr || f->wake < next->wake)
            next = f;
    }
    if (next == nullptr)
        return nullptr;
    if (next->wake <= now)
        return next;
    *nextWake = next->wake;
    for (Fiber* f : t.fibers)
        if (!f->ended && f->wake > *nextWake && f->wake <= next->wake + kMergeMs)
            *nextWake = f->wake;
    return nullptr;
}

}  // namespace

DWORD RunDueThreads() {
    Threads& t = TheThreads();
    if (!t.pageReady) {
        emscripten_fiber_init_from_current_context(&t.page, t.pageAsyncifyStack.data(),
                                                   t.pageAsyncifyStack.size());
        t.pageReady = true;
    }
    for (;;) {
        if (t.held)
            return kNoThreadDue;
        double nextWake = -1;
        Fiber* next = DueFiber(t, Now(t), &nextWake);
        if (next == nullptr) {
            if (nextWake < 0)
                return kNoThreadDue;
            double wait = nextWake - Now(t);
            return wait < 1 ? 1 : DWORD(wait + 0.999);
        }
        const double late = Now(t) - next->wake;
        t.lag = late <= 0 ? 0 : late < kMaxLagMs ? late : kMaxLagMs;
        t.running = next;
        emscripten_fiber_swap(&t.page, &next->context);
        t.running = nullptr;
        t.lag = 0;
    }
}

void AbandonAllThreads() {
    Threads& t = TheThreads();
    t.fibers.clear();  // leaked on purpose; see the top of this file
}

void HoldClock(bool hold) {
    Threads& t = TheThreads();
    if (hold == t.held)
        return;
    if (hold) {
        t.heldAt = Now(t);
        t.held = true;
    } else {
        t.held = false;
        t.heldFor = emscripten_get_now() - t.start - t.heldAt;
    }
}

bool ClockHeld() {
    return TheThreads().held;
}

}  // namespace standin

using namespace standin;

DWORD timeGetTime() {
    return DWORD(uint64_t(ThreadNow(TheThreads())));
}

// The browser's clock reads finer than a millisecond already.
MMRESULT timeBeginPeriod(UINT period) {
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

void Sleep(DWORD milliseconds) {
    Threads& t = TheThreads();
    Fiber* me = t.running;
    if (me == nullptr) {
        // The page's own context has nothing to give way to but the browser.
        emscripten_sleep(milliseconds);
        return;
    }
    // Sleep(0) lets every other thread due now run first.
    me->wake = ThreadNow(t) + double(milliseconds) + (milliseconds == 0 ? 0.0001 : 0.0);
    emscripten_fiber_swap(&me->context, &t.page);
}

DWORD GetCurrentThreadId() {
    Threads& t = TheThreads();
    return t.running == nullptr ? 0 : t.running->id;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD id) {
    if (start == nullptr || flags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Threads& t = TheThreads();
    auto* fiber = new Fiber;
    fiber->start = start;
    fiber->parameter = parameter;
    fiber->id = t.nextId++;
    fiber->stack.resize(kStackBytes);
    fiber->asyncifyStack.resize(kAsyncifyBytes);
    // It starts when its creator next sleeps, after the threads already due.
    fiber->wake = ThreadNow(t);
    emscripten_fiber_init(&fiber->context, FiberMain, fiber, fiber->stack.data(),
                          fiber->stack.size(), fiber->asyncifyStack.data(),
                          fiber->asyncifyStack.size());
    t.fibers.push_back(fiber);
    if (id != nullptr)
        *id = fiber->id;
    // The handle only has to be closable; the thread runs on without it.
    return new DWORD(fiber->id);
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == nullptr)
        return FALSE;
    delete static_cast<DWORD*>(handle);
    return TRUE;
}
