// What a fuzz target asserts: a broken promise is reported in one line and
// aborts, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

// `target` names the fuzz target in the message ("picture fuzz: ...").
inline void FuzzCheck(const char* target, bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s: %s\n", target, what);
        std::abort();
    }
}
