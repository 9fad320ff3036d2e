// An optional observer of the scene and line operations, for tools that
// record a timeline of the show. The show never sets it; while it is null
// (always, in the saver) the operations only test the pointer.
//
// Set it before the render thread starts and leave it alone afterwards:
// the render thread reads it without a lock. The callbacks run on the
// render thread, `began` before an operation does anything and `ended`
// after its last frame is on screen, whether or not it was skipped.
#pragma once

struct ShowTrace {
    void* context;
    void (*began)(void* context, const char* operation, const int* arguments, int count);
    void (*ended)(void* context, const char* operation);
};

extern ShowTrace* showTrace;

// Reports one operation to showTrace, if set, for as long as it lives.
class TracedOperation {
public:
    TracedOperation(const char* operation, const int* arguments, int count);
    virtual ~TracedOperation();

private:
    TracedOperation(const TracedOperation&) = delete;
    TracedOperation& operator=(const TracedOperation&) = delete;

    const char* operation;
};
