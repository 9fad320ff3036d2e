// The render thread: places the stage in the window's client area, builds
// the palette, blend tables, canvas and corner logo, starts the logo thread
// and then plays the show script for ever. Without a device context,
// palette, blend tables or canvas the thread ends quietly and leaves the
// window black; it still closes on input, because the window thread never
// depends on this one. A corner logo that cannot be decoded only leaves the
// corner empty.
//
// The saver window starts this thread while it is being created, before it
// is shown. A device context taken while the window is being shown can keep
// the visible region of the hidden window for ever: Wine recomputes it on
// the taking thread and drops the window thread's notice that it changed
// when both happen at once, so the stage stays black for the whole run.
// The thread therefore takes its device context only once the window's
// thread says the window is on screen; nothing changes the window after
// that, and the show's first frame is the first thing seen on the stage.
#include "show/RenderThread.h"

#include <atomic>

#include "effects/Filmstrip.h"
#include "show/LogoThread.h"
#include "show/PassPictures.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

namespace {

// False from the start of a thread on a hidden window until StageWindowShown.
std::atomic<bool> windowShown{false};

// The show's threads block only in Sleep; the wait lasts as long as the
// window thread takes to show and paint the window.
const DWORD kShownPollMs = 1;

void WaitUntilShown(HWND window) {
    while (!windowShown.load() && IsWindow(window))
        Sleep(kShownPollMs);
}

bool StartUp(HWND window) {
    stage.window = window;
    RECT client;
    if (!GetClientRect(window, &client))
        return false;
    stage.clientWidth = client.right;
    stage.clientHeight = client.bottom;
    stage.offsetX = StageLeft(stage.clientWidth);
    stage.offsetY = StageTop(stage.clientHeight);
    WaitUntilShown(window);
    stage.screenDC = GetDC(window);
    if (stage.screenDC == nullptr)
        return false;
    if (!SetupStage(kShowPaletteId)) {
        ReleaseDC(window, stage.screenDC);
        stage.screenDC = nullptr;
        return false;
    }
    stage.cornerLogo = new Filmstrip(kCornerLogoId, kCornerLogoFrames, stage.palette);
    // A table that breaks a rule is left alone: the show plays its first
    // pass's pictures, as the script names them.
    stage.passPictures = PassPictures::Read(nullptr);
    stage.pass = 0;
    // Everything the logo thread reads exists from here on and never changes.
    HANDLE logo = CreateThread(nullptr, 0, LogoThread, nullptr, 0, &stage.logoThreadId);
    if (logo != nullptr)
        CloseHandle(logo);
    return true;
}

}  // namespace

DWORD WINAPI RenderThread(LPVOID window) {
    if (!StartUp(static_cast<HWND>(window)))
        return 0;
    for (;;)
        PlayShowPass();
}

void StartRenderThread(HWND window) {
    // Read on the window's own thread, before the thread exists: inside the
    // window's creation it is still hidden, whatever its style says.
    windowShown = IsWindowVisible(window) != FALSE;
    HANDLE thread = CreateThread(nullptr, 0, RenderThread, window, 0, &stage.renderThreadId);
    if (thread != nullptr)
        CloseHandle(thread);
}

void StageWindowShown() {
    windowShown = true;
}
