#include "linux/DamageQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "standin/StandIn.h"

namespace {

// Beyond this many pending rectangles (a presenter that fell behind) they
// are merged into their bounding box: more pixels pushed, none lost.
const size_t kMaxPending = 64;

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

}  // namespace

DamageQueue::DamageQueue(HWND window)
    : window(window), wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    standin::SetDamageHook(
        [](void* context, HWND changedWindow, const RECT& changed) {
            auto* queue = static_cast<DamageQueue*>(context);
            if (changedWindow == queue->window)
                queue->Add(changed);
        },
        this, true);
}

DamageQueue::~DamageQueue() {
    standin::SetDamageHook(nullptr, nullptr);
    if (wake >= 0)
        close(wake);
}

int DamageQueue::WakeDescriptor() {
    return wake;
}

void DamageQueue::Deliver(Sink* taker) {
    sink = taker;
}

void DamageQueue::Add(const RECT& changed) {
    if (Sink* taker = sink.load()) {
        taker->Changed(changed);
        return;
    }
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> guard(lock);
        wasEmpty = pending.empty();
        // A frame redrawn over one not yet pushed (the logo's repeats, a
        // fade's next step) needs no second entry.
        bool covered = std::any_of(pending.begin(), pending.end(),
                                   [&](const RECT& r) { return Contains(r, changed); });
        if (!covered)
            pending.push_back(changed);
        if (pending.size() > kMaxPending) {
            RECT box = pending.front();
            for (const RECT& r : pending) {
                box.left = std::min(box.left, r.left);
                box.top = std::min(box.top, r.top);
                box.right = std::max(box.right, r.right);
                box.bottom = std::max(box.bottom, r.bottom);
            }
            pending.assign(1, box);
        }
    }
    if (wasEmpty)
        Nudge();
}

void DamageQueue::Nudge() {
    if (wake >= 0) {
        uint64_t one = 1;
        ssize_t written = write(wake, &one, sizeof one);
        (void)written;  // a full counter still wakes the reader
    }
}

std::vector<RECT> DamageQueue::Take() {
    // Cleared before taking: an Add after the take finds the queue empty and
    // wakes the reader again, so no rectangle waits for the next one.
    if (wake >= 0) {
        uint64_t count;
        ssize_t got = read(wake, &count, sizeof count);
        (void)got;  // EAGAIN when nothing was added since the last take
    }
    std::vector<RECT> taken;
    std::lock_guard<std::mutex> guard(lock);
    taken.swap(pending);
    return taken;
}
