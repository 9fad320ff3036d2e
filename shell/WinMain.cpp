// The saver's WinMain: one instance at a time, the mode from the command
// line, then the configuration sheet or the saver window and its message
// loop. Every way out returns 0.
#include <windows.h>

#include "assets/ResourceIds.h"
#include "shell/ConfigSheet.h"
#include "shell/MonitorCovers.h"
#include "shell/SaverMode.h"
#include "shell/SaverWindow.h"
#include "shell/Settings.h"
#include "show/RenderThread.h"

namespace {

const char kMutexName[] = "Veltrona Avrel Screen Saver Mutex";

void RunSaver(HINSTANCE instance, int showCommand) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_AVREL));
    // The cursor is fully transparent: the pointer vanishes over the saver.
    windowClass.hCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDR_BLANK_CURSOR));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverWindowName;
    RegisterClassA(&windowClass);

    // WM_CREATE switches the display and starts the show inside this call.
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, kSaverWindowName, kSaverWindowName, WS_POPUP | WS_VISIBLE, 0,
                        0, screenWidth, screenHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return;
    }
    CoverOtherMonitors(instance, window);
    ShowWindow(window, SaverShowCommand(showCommand));
    UpdateWindow(window);
    // On screen and painted black: the show, started inside the creation,
    // may take its device context and draw from here.
    StageWindowShown();

    UINT previous = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &previous, 0);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, &previous, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    // Taken before anything else and never released: while any instance of
    // any mode lives, a new one ends at once. The handle dies with the process.
    CreateMutexA(nullptr, TRUE, kMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }
    const SaverMode mode = ChooseSaverMode(commandLine);
    if (mode == SaverMode::None) {
        return 0;
    }
    // Loaded before the sheet fills its check box and before the saver
    // window's creation decides on the display mode.
    LoadSettings();
    if (mode == SaverMode::Configure) {
        ShowConfigSheet(instance, nullptr);
        return 0;
    }
    RunSaver(instance, showCommand);
    return 0;
}
