// The saver's WinMain: one instance at a time, the mode from the command
// line, then the configuration sheet or the saver window and its message
// loop. Every way out returns 0.
#include <windows.h>

#include "assets/ResourceIds.h"
#include "imaging/WindowMapping.h"
#include "shell/ConfigSheet.h"
#include "shell/DpiAwareness.h"
#include "shell/MonitorCovers.h"
#include "shell/SaverMode.h"
#include "shell/SaverWindow.h"
#include "shell/Settings.h"
#include "show/RenderThread.h"

namespace {

const char kMutexName[] = "Veltrona Avrel Screen Saver Mutex";

void RunSaver(HINSTANCE instance, int showCommand, bool oneToOnePixels) {
    // Before anything measures the screen or makes a window: the sizes read
    // from here on are real pixels, on every monitor.
    const DpiAwareness awareness = DeclareDpiAwareness();
    // The stage at the largest whole factor the primary monitor fits.
    UseWholeFactors(!oneToOnePixels);
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
    // The program writes no log; this is where the form taken can be read.
    SetPropA(window, kDpiAwarenessProperty,
             reinterpret_cast<HANDLE>(static_cast<INT_PTR>(awareness)));
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
    RunSaver(instance, showCommand, OneToOnePixels != 0 || AsksForOneToOnePixels(commandLine));
    return 0;
}
