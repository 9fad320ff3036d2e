// The DPI awareness declared at start, through functions looked up by name.
#include "shell/DpiAwareness.h"

const char kDpiAwarenessProperty[] = "Veltrona Avrel DPI Awareness";

namespace {

using SetContextCall = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
using SetShcoreAwarenessCall = HRESULT(WINAPI*)(int);
using SetAwareCall = BOOL(WINAPI*)();

const int kProcessPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
const DWORD kSearchSystem32 = 0x800;       // LOAD_LIBRARY_SEARCH_SYSTEM32

template <class Call>
Call Find(ProcedureLookup lookup, const char* module, const char* name) {
    // Through a data pointer: FARPROC takes no arguments, the calls do.
    return reinterpret_cast<Call>(reinterpret_cast<void*>(lookup(module, name)));
}

}  // namespace

FARPROC SystemProcedure(const char* module, const char* name) {
    HMODULE loaded = GetModuleHandleA(module);
    // Only from the system folder: never a DLL of that name beside the
    // saver. Systems that cannot search it that way have no shcore anyway.
    if (loaded == nullptr)
        loaded = LoadLibraryExA(module, nullptr, kSearchSystem32);
    return loaded != nullptr ? GetProcAddress(loaded, name) : nullptr;
}

DpiAwareness DeclareDpiAwareness(ProcedureLookup lookup) {
    // A system that predates a form refuses it as an invalid parameter; an
    // awareness already set refuses every form as access denied.
    auto setContext = Find<SetContextCall>(lookup, "user32.dll", "SetProcessDpiAwarenessContext");
    if (setContext != nullptr) {
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
            return DpiAwareness::PerMonitorV2;
        if (GetLastError() == ERROR_ACCESS_DENIED)
            return DpiAwareness::SetBefore;
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))
            return DpiAwareness::PerMonitor;
        if (GetLastError() == ERROR_ACCESS_DENIED)
            return DpiAwareness::SetBefore;
    }
    auto setShcore = Find<SetShcoreAwarenessCall>(lookup, "shcore.dll", "SetProcessDpiAwareness");
    if (setShcore != nullptr) {
        const HRESULT result = setShcore(kProcessPerMonitorDpiAware);
        if (result == S_OK)
            return DpiAwareness::PerMonitor;
        if (result == E_ACCESSDENIED)
            return DpiAwareness::SetBefore;
    }
    auto setAware = Find<SetAwareCall>(lookup, "user32.dll", "SetProcessDPIAware");
    if (setAware != nullptr && setAware())
        return DpiAwareness::System;
    return DpiAwareness::Unaware;
}
