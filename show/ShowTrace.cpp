// The trace hook's storage; null unless a tool sets it.
#include "show/ShowTrace.h"

ShowTrace* showTrace = nullptr;

TracedOperation::TracedOperation(const char* operation, const int* arguments, int count)
    : operation(operation) {
    if (showTrace != nullptr)
        showTrace->began(showTrace->context, operation, arguments, count);
}

TracedOperation::~TracedOperation() {
    if (showTrace != nullptr)
        showTrace->ended(showTrace->context, operation);
}
