// The millisecond clock, Sleep and threads. On the real clock these are
// the host's. On the virtual clock the taking-part threads run one at a
// time, hand-to-hand: the running one gives way in Sleep (or by ending),
// the one due first runs next (ties: lowest order, the observer being 0),
// and the clock jumps to its wake-up time. A run is therefore the same on
// every machine and takes no real time. StandIn.h states the rules.
//
// The coarse timer (UseCoarseTimer) models Windows 10 and 11, whose system
// timer ticks every 15.625 ms unless a process holds a finer period through
// timeBeginPeriod: the clock then reads in whole ticks and a sleep ends on
// the first tick at or after its due time. Ticks fall on whole milliseconds
// (floor of k x 15.625), so the virtual clock stays integral.
//
// Threads of an ended virtual run (StopAllThreads) are parked: they wait
// for a turn that never comes, until the process ends. The scheduler's
// state is never destroyed, so parked threads wait on live objects even
// while static destructors run at exit.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "StandIn.h"

namespace standin {
namespace {

enum class State { Running, Ready, Sleeping, Ended, Parked };

struct Participant {
    int order = 0;
    State state = State::Ready;
    uint64_t wake = 0;
    bool yielding = false;  // Sleep(0): others due now go first
    std::condition_variable turn;
};

struct Scheduler {
    std::mutex lock;
    bool virtualClock = false;
    uint64_t now = 0;                        // virtual milliseconds
    std::vector<Participant*> participants;  // of the current run
    std::vector<Participant*> everyone;      // of every run; never freed
    Participant* running = nullptr;
    int nextOrder = 0;
    std::chrono::steady_clock::time_point realStart = std::chrono::steady_clock::now();
    bool coarseTimer = false;
    std::multiset<UINT> heldPeriods;  // timeBeginPeriod requests not yet ended
};

const uint64_t kCoarseTickMicros = 15625;

// The timer's tick in microseconds; 1000 or less reads to the millisecond.
uint64_t TickMicros(const Scheduler& s) {
    if (!s.coarseTimer)
        return 1000;
    uint64_t tick = kCoarseTickMicros;
    if (!s.heldPeriods.empty())
        tick = std::min<uint64_t>(tick, uint64_t(*s.heldPeriods.begin()) * 1000);
    return tick;
}

// The last tick at or before `ms`, and the first at or after it.
uint64_t TickAtOrBefore(const Scheduler& s, uint64_t ms) {
    const uint64_t tick = TickMicros(s);
    if (tick <= 1000)
        return ms;
    return ((ms + 1) * 1000 - 1) / tick * tick / 1000;
}

uint64_t TickAtOrAfter(const Scheduler& s, uint64_t ms) {
    const uint64_t tick = TickMicros(s);
    if (tick <= 1000)
        return ms;
    return (ms * 1000 + tick - 1) / tick * tick / 1000;
}

uint64_t RealMs(const Scheduler& s) {
    auto elapsed = std::chrono::steady_clock::now() - s.realStart;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

Scheduler& TheScheduler() {
    static Scheduler* const scheduler = new Scheduler;
    return *scheduler;
}

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD threadId = 0;
thread_local Participant* self = nullptr;

// Hands the turn to the participant due first; the clock moves to its time.
void Dispatch(Scheduler& s) {
    Participant* next = nullptr;
    for (Participant* p : s.participants) {
        if (p->state != State::Ready && p->state != State::Sleeping)
            continue;
        if (next == nullptr || p->wake < next->wake ||
            (p->wake == next->wake && (p->yielding < next->yielding ||
                                       (p->yielding == next->yielding && p->order < next->order))))
            next = p;
    }
    s.running = next;
    if (next == nullptr)
        return;
    if (next->wake > s.now)
        s.now = next->wake;
    next->state = State::Running;
    next->yielding = false;
    next->turn.notify_one();
}

Participant* Join(Scheduler& s, State state) {
    auto* p = new Participant;
    p->order = s.nextOrder++;
    p->state = state;
    p->wake = s.now;
    s.participants.push_back(p);
    s.everyone.push_back(p);
    return p;
}

// Parks every participant but `keep`, which stays the running one.
void ParkOthers(Scheduler& s, Participant* keep) {
    for (Participant* p : s.participants)
        if (p != keep && p->state != State::Ended)
            p->state = State::Parked;
    s.participants.clear();
    s.running = nullptr;
    if (keep != nullptr) {
        s.participants.push_back(keep);
        s.running = keep;
        keep->state = State::Running;
    }
}

void WaitForTurn(std::unique_lock<std::mutex>& guard, Participant* me) {
    me->turn.wait(guard, [me] { return me->state == State::Running; });
}

struct ThreadStart {
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
    DWORD id;
    Participant* participant;  // null on the real clock
};

void RunThread(ThreadStart start) {
    threadId = start.id;
    self = start.participant;
    Scheduler& s = TheScheduler();
    if (self != nullptr) {
        std::unique_lock<std::mutex> guard(s.lock);
        WaitForTurn(guard, self);
    }
    start.start(start.parameter);
    if (self != nullptr) {
        std::lock_guard<std::mutex> guard(s.lock);
        if (self->state == State::Running) {
            self->state = State::Ended;
            Dispatch(s);
        } else {
            self->state = State::Ended;
        }
    }
}

}  // namespace

void UseVirtualClock(DWORD start) {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    s.virtualClock = true;
    s.now = start;
    s.nextOrder = 0;
    ParkOthers(s, nullptr);
    self = Join(s, State::Running);
    s.running = self;
}

void UseRealClock() {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    ParkOthers(s, nullptr);
    s.virtualClock = false;
    self = nullptr;
}

bool VirtualClockOn() {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.virtualClock;
}

void StopAllThreads() {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.virtualClock)
        return;
    bool current = false;
    for (Participant* p : s.participants)
        current = current || p == self;
    if (!current)
        self = nullptr;
    if (self == nullptr)
        self = Join(s, State::Running);
    ParkOthers(s, self);
}

void UseCoarseTimer(bool on) {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    s.coarseTimer = on;
    s.heldPeriods.clear();
}

size_t HeldTimerPeriods() {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.heldPeriods.size();
}

}  // namespace standin

using namespace standin;

DWORD timeGetTime() {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    return DWORD(TickAtOrBefore(s, s.virtualClock ? s.now : RealMs(s)));
}

MMRESULT timeBeginPeriod(UINT period) {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    if (period == 0)
        return TIMERR_NOCANDO;
    s.heldPeriods.insert(period);
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    Scheduler& s = TheScheduler();
    std::lock_guard<std::mutex> guard(s.lock);
    auto held = s.heldPeriods.find(period);
    if (held == s.heldPeriods.end())
        return TIMERR_NOCANDO;
    s.heldPeriods.erase(held);
    return TIMERR_NOERROR;
}

void Sleep(DWORD milliseconds) {
    Scheduler& s = TheScheduler();
    std::unique_lock<std::mutex> guard(s.lock);
    if (!s.virtualClock) {
        // Sleep(0) only gives way; any other sleep ends on a tick.
        const uint64_t now = RealMs(s);
        const uint64_t wake = milliseconds == 0 ? now : TickAtOrAfter(s, now + milliseconds);
        guard.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(wake - now));
        return;
    }
    bool current = false;
    for (Participant* p : s.participants)
        current = current || p == self;
    if (!current)
        self = Join(s, State::Sleeping);  // a thread joining late
    Participant* me = self;
    me->state = State::Sleeping;
    me->wake = milliseconds == 0 ? s.now : TickAtOrAfter(s, s.now + milliseconds);
    me->yielding = milliseconds == 0;
    if (s.running == me || s.running == nullptr)
        Dispatch(s);
    WaitForTurn(guard, me);
}

DWORD GetCurrentThreadId() {
    if (threadId == 0)
        threadId = nextThreadId++;
    return threadId;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD id) {
    if (start == nullptr || flags != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Scheduler& s = TheScheduler();
    ThreadStart thread{start, parameter, nextThreadId++, nullptr};
    {
        std::lock_guard<std::mutex> guard(s.lock);
        if (s.virtualClock)
            thread.participant = Join(s, State::Ready);
    }
    try {
        std::thread(RunThread, thread).detach();
    } catch (...) {
        std::lock_guard<std::mutex> guard(s.lock);
        if (thread.participant != nullptr)
            thread.participant->state = State::Ended;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (id != nullptr)
        *id = thread.id;
    // The handle only has to be closable; the thread runs on without it.
    return new DWORD(thread.id);
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == nullptr)
        return FALSE;
    delete static_cast<DWORD*>(handle);
    return TRUE;
}
