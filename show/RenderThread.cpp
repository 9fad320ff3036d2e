// The render thread: places the stage in the window's client area, builds
// the palette, blend tables, canvas and corner logo, starts the logo thread
// and then plays the show script for ever. Without a device context,
// palette, blend tables or canvas the thread ends quietly and leaves the
// window black; it still closes on input, because the window thread never
// depends on this one. A corner logo that cannot be decoded only leaves the
// corner empty.
#include "show/RenderThread.h"

#include "effects/Filmstrip.h"
#include "show/LogoThread.h"
#include "show/ShowScript.h"
#include "show/Stage.h"

namespace {

bool StartUp(HWND window) {
    stage.window = window;
    RECT client;
    if (!GetClientRect(window, &client))
        return false;
    stage.clientWidth = client.right;
    stage.clientHeight = client.bottom;
    // Signed division truncates toward zero: a 600-wide client gives -20.
    stage.offsetX = (stage.clientWidth - kStageWidth) / 2;
    stage.offsetY = (stage.clientHeight - kStageHeight) / 2;
    stage.screenDC = GetDC(window);
    if (stage.screenDC == nullptr)
        return false;
    if (!SetupStage(kShowPaletteId)) {
        ReleaseDC(window, stage.screenDC);
        stage.screenDC = nullptr;
        return false;
    }
    stage.cornerLogo = new Filmstrip(kCornerLogoId, kCornerLogoFrames, stage.palette);
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
    HANDLE thread = CreateThread(nullptr, 0, RenderThread, window, 0, &stage.renderThreadId);
    if (thread != nullptr)
        CloseHandle(thread);
}
