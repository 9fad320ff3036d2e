// Reads, from outside the process, what a running saver holds as Windows
// counts it: GDI objects and USER objects (GetGuiResources), kernel handles
// (GetProcessHandleCount), and the windows its threads own; and the DPI
// awareness it took at start, from its window's property (the numbers of
// shell/DpiAwareness.h, 0 while not set). The saver is found by its window
// title. Prints one "key=value" line per figure and exits 0, or exits 1
// when no saver window is there.
//
// Wine answers GetGuiResources with ERROR_CALL_NOT_IMPLEMENTED and
// GetProcessHandleCount of another process with 0, so each figure also has
// a second reading that task managers use on Windows too: the GDI objects
// in the process's GDI handle table (found through its PEB), and the
// process's entries in the system's handle list. A figure that cannot be
// read prints as -1 with the error after it ("gdi=-1 gdi_error=120"), so a
// reader never takes a refusal for a count of nought.
//
// "avrel_resource_probe --self-check" makes objects of each kind in its own
// process and checks that every reading rises by exactly their number.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kTitle[] = "Veltrona Avrel Screen Saver";
const char kDpiAwarenessProperty[] = "Veltrona Avrel DPI Awareness";

// ---- Windows of a process ----

struct OwnedWindows {
    DWORD processId = 0;
    long count = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM context) {
    ++reinterpret_cast<OwnedWindows*>(context)->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM context) {
    auto* owned = reinterpret_cast<OwnedWindows*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == owned->processId) {
        ++owned->count;
        EnumChildWindows(window, CountChild, context);
    }
    return TRUE;
}

long OwnedWindowCount(DWORD processId) {
    OwnedWindows owned;
    owned.processId = processId;
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&owned));
    return owned.count;
}

// ---- The native calls, looked up at run time (mingw has no import library
// entry for every one) ----

struct BasicInformation {  // PROCESS_BASIC_INFORMATION
    LONG exitStatus;
    void* pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};

using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using QuerySystem = LONG(WINAPI*)(int, void*, ULONG, ULONG*);

template <class Function>
Function Native(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// ---- GDI objects from the process's GDI handle table ----

// One entry of the table, as Windows lays it out for 64-bit processes and
// Wine for every process.
struct GdiEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    UCHAR type;  // 0 for a free entry
    UCHAR flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiEntry) == 24, "the table's entry layout");
const size_t kGdiTableEntries = 0x10000;
// Where the PEB keeps the table's address.
const size_t kPebGdiTable = sizeof(void*) == 8 ? 0xF8 : 0x94;

// Live entries of the table whose address the process's PEB holds; -1 when
// it cannot be read.
long GdiTableObjects(HANDLE process, DWORD* error) {
    auto query = Native<QueryProcess>("NtQueryInformationProcess");
    BasicInformation basic = {};
    if (query == nullptr || query(process, 0, &basic, sizeof basic, nullptr) != 0) {
        *error = ERROR_INVALID_FUNCTION;
        return -1;
    }
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<BYTE*>(basic.pebBaseAddress) + kPebGdiTable, &table,
                           sizeof table, &got) ||
        table == nullptr) {
        *error = table == nullptr ? ERROR_NOT_FOUND : GetLastError();
        return -1;
    }
    std::vector<GdiEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry),
                           &got)) {
        *error = GetLastError();
        return -1;
    }
    long live = 0;
    for (const GdiEntry& entry : entries)
        live += entry.type != 0;
    return live;
}

// ---- Kernel handles from the system's handle list ----

struct SystemHandle {  // SYSTEM_HANDLE_ENTRY
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    void* object;
    ULONG access;
};

// Entries of the system handle list owned by `processId`; -1 when the list
// cannot be read.
long SystemHandleCount(DWORD processId, DWORD* error) {
    auto query = Native<QuerySystem>("NtQuerySystemInformation");
    if (query == nullptr) {
        *error = ERROR_INVALID_FUNCTION;
        return -1;
    }
    std::vector<BYTE> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        LONG status =
            query(16 /* SystemHandleInformation */, buffer.data(), ULONG(buffer.size()), &needed);
        if (status == LONG(0xC0000004) /* STATUS_INFO_LENGTH_MISMATCH */ &&
            buffer.size() < (64u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) {
            *error = ULONG(status);
            return -1;
        }
        break;
    }
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const size_t first = sizeof(void*);  // the count, padded to the entries' alignment
    long owned = 0;
    for (ULONG i = 0; i < count && first + (i + 1) * sizeof(SystemHandle) <= buffer.size(); ++i) {
        SystemHandle entry;
        std::memcpy(&entry, buffer.data() + first + i * sizeof(SystemHandle), sizeof entry);
        owned += entry.ownerPid == processId;
    }
    return owned;
}

// ---- The readings ----

struct Readings {
    long gdi = -1, user = -1, handles = -1, gdiTable = -1, systemHandles = -1, windows = -1;
    DWORD gdiError = 0, userError = 0, handlesError = 0, gdiTableError = 0, systemHandlesError = 0;
};

// GetGuiResources gives 0 both for "none" and for "cannot tell"; only the
// error tells them apart.
long GuiResources(HANDLE process, DWORD which, DWORD* error) {
    SetLastError(0);
    DWORD count = GetGuiResources(process, which);
    if (count == 0 && GetLastError() != 0) {
        *error = GetLastError();
        return -1;
    }
    return long(count);
}

Readings Read(HANDLE process, DWORD processId) {
    Readings r;
    r.gdi = GuiResources(process, GR_GDIOBJECTS, &r.gdiError);
    r.user = GuiResources(process, GR_USEROBJECTS, &r.userError);
    // A live process always holds handles; Wine answers 0 for any process.
    DWORD handles = 0;
    if (!GetProcessHandleCount(process, &handles))
        r.handlesError = GetLastError();
    else if (handles == 0)
        r.handlesError = ERROR_NOT_SUPPORTED;
    else
        r.handles = long(handles);
    r.gdiTable = GdiTableObjects(process, &r.gdiTableError);
    r.systemHandles = SystemHandleCount(processId, &r.systemHandlesError);
    r.windows = OwnedWindowCount(processId);
    return r;
}

void Print(const char* name, long value, DWORD error) {
    std::printf("%s=%ld\n", name, value);
    if (value < 0)
        std::printf("%s_error=%lu\n", name, static_cast<unsigned long>(error));
}

// What MakeAndFree made.
struct Made {
    long gdi = 10, handles = 10, windows = 1;
};

// Makes 10 bitmaps, 10 events and one window, reads, and frees them.
Readings MakeAndFree(HANDLE process, DWORD self) {
    HDC screen = GetDC(nullptr);
    std::vector<HBITMAP> bitmaps;
    std::vector<HANDLE> events;
    for (int i = 0; i < 10; ++i) {
        bitmaps.push_back(CreateCompatibleBitmap(screen, 4, 4));
        events.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    }
    HWND window = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    Readings during = Read(process, self);
    DestroyWindow(window);
    for (HANDLE event : events)
        CloseHandle(event);
    for (HBITMAP bitmap : bitmaps)
        DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return during;
}

// Checks that each reading that works rises by exactly what this process
// makes. A first round of the same warms up what the system makes once per
// process (its window for input methods, stock objects).
int SelfCheck() {
    const DWORD self = GetCurrentProcessId();
    HANDLE process = GetCurrentProcess();
    MakeAndFree(process, self);
    Readings before = Read(process, self);
    Readings during = MakeAndFree(process, self);
    Readings after = Read(process, self);

    const Made made;
    int failures = 0;
    // Windows may add a window of its own for input methods to a thread's
    // first window, so windows may rise by more than were made.
    auto check = [&](const char* name, long was, long is, long then, long count) {
        if (was < 0 || is < 0) {
            std::printf("%s: not readable here\n", name);
            return;
        }
        bool exact = std::strcmp(name, "windows") != 0 && std::strcmp(name, "user") != 0;
        bool good = (exact ? is - was == count : is - was >= count) && then == was;
        std::printf("%s: %ld -> %ld -> %ld, %s (made and freed %ld)\n", name, was, is, then,
                    good ? "ok" : "WRONG", count);
        failures += !good;
    };
    check("gdi", before.gdi, during.gdi, after.gdi, made.gdi);
    check("user", before.user, during.user, after.user, made.windows);
    check("handles", before.handles, during.handles, after.handles, made.handles);
    check("gdi_table", before.gdiTable, during.gdiTable, after.gdiTable, made.gdi);
    check("system_handles", before.systemHandles, during.systemHandles, after.systemHandles,
          made.handles);
    check("windows", before.windows, during.windows, after.windows, made.windows);
    // Each kind needs one reading that works, or the probe reads nothing.
    if ((before.gdi < 0 && before.gdiTable < 0) ||
        (before.handles < 0 && before.systemHandles < 0) || before.windows < 0) {
        std::printf("no reading of GDI objects, handles or windows works here\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--self-check") == 0)
        return SelfCheck();

    HWND saver = FindWindowA(nullptr, kTitle);
    if (saver == nullptr) {
        std::printf("window=none\n");
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(saver, &processId);
    std::printf("pid=%lu\n", static_cast<unsigned long>(processId));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr) {
        std::printf("open_error=%lu\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    Readings r = Read(process, processId);
    CloseHandle(process);
    Print("gdi", r.gdi, r.gdiError);
    Print("user", r.user, r.userError);
    Print("handles", r.handles, r.handlesError);
    Print("gdi_table", r.gdiTable, r.gdiTableError);
    Print("system_handles", r.systemHandles, r.systemHandlesError);
    Print("windows", r.windows, 0);
    std::printf(
        "dpi_awareness=%ld\n",
        static_cast<long>(reinterpret_cast<INT_PTR>(GetPropA(saver, kDpiAwarenessProperty))));
    std::fflush(stdout);
    return 0;
}
