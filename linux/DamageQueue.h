// The rectangles the show's threads changed on the in-memory screen and the
// presenter has not yet pushed to X. The stand-in's damage hook adds to it
// on the drawing threads; the presenter takes everything pending at once.
// Adding is a short locked append, and the presenter is woken through a
// file descriptor it can poll beside the X connection.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

class DamageQueue {
public:
    // Watches `window` of the stand-in: registers the damage hook, for the
    // rows that transfers change (nothing to push when a frame repeats).
    explicit DamageQueue(HWND window);
    // Unregisters the hook.
    virtual ~DamageQueue();

    // Readable while rectangles are pending; -1 when it could not be made,
    // in which case the presenter must poll on a timer instead.
    virtual int WakeDescriptor();
    // Everything pending, in the order it came; the queue is empty after.
    virtual std::vector<RECT> Take();
    // What the hook calls: adds `changed`, which already lies in the client.
    virtual void Add(const RECT& changed);

    // Something that takes a changed rectangle straight from the drawing
    // thread that changed it.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void Changed(const RECT& changed) = 0;
    };
    // From now on hands every rectangle to `sink` on the drawing thread at
    // once instead of queuing it: where pushing a frame costs less than
    // waking another thread to push it. What is already queued stays to be
    // taken. `sink` must outlive the queue.
    virtual void Deliver(Sink* sink);
    // Makes the wake descriptor readable with nothing pending: a sink that
    // finds work for the presenter's thread calls it.
    virtual void Nudge();

private:
    DamageQueue(const DamageQueue&) = delete;
    DamageQueue& operator=(const DamageQueue&) = delete;

    HWND window;
    int wake;  // eventfd
    std::mutex lock;
    std::vector<RECT> pending;
    std::atomic<Sink*> sink{nullptr};
};
