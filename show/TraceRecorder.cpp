// The recorder on the show's trace hook.
#include "show/TraceRecorder.h"

#include <mmsystem.h>

#include "show/ShowScript.h"

std::string TracedCall::Text() const {
    std::string text = name;
    for (int argument : arguments)
        text += " " + std::to_string(argument);
    return text;
}

TraceRecorder::TraceRecorder(DWORD clockStart) : trace{this, Began, Ended}, clockStart(clockStart) {
    showTrace = &trace;
}

TraceRecorder::~TraceRecorder() {
    showTrace = nullptr;
}

DWORD TraceRecorder::Now() const {
    return timeGetTime() - clockStart;
}

void TraceRecorder::Began(void* context, const char* operation, const int* arguments, int count) {
    auto* self = static_cast<TraceRecorder*>(context);
    TracedCall call;
    call.name = operation;
    call.arguments.assign(arguments, arguments + count);
    call.start = self->Now();
    call.depth = int(self->open.size());
    if (call.depth == 0)
        ++self->steps;
    call.step = (self->steps - 1) % kShowStepCount + 1;
    call.pass = (self->steps - 1) / kShowStepCount + 1;
    self->open.push_back(self->calls.size());
    self->calls.push_back(call);
}

void TraceRecorder::Ended(void* context, const char*) {
    auto* self = static_cast<TraceRecorder*>(context);
    TracedCall& call = self->calls[self->open.back()];
    self->open.pop_back();
    call.end = self->Now();
    call.ended = true;
    if (self->onEnded)
        self->onEnded(call);
}
