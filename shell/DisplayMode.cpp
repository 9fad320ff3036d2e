// Switching the display to 800 x 600 and back.
#include "shell/DisplayMode.h"

#include "shell/Settings.h"

// Pinned to the first published DEVMODEA: the size the record announces.
static_assert(sizeof(DEVMODEA) == 156, "DEVMODEA is 156 bytes");

ChangeDisplaySettingsCall changeDisplaySettings = ChangeDisplaySettingsA;

int SwitchDisplayMode() {
    if (ChangeResolution == 0) {
        return 0;
    }
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = 800;
    mode.dmPelsHeight = 600;
    // Ask first, so a display that cannot do 800 x 600 is never touched.
    if (changeDisplaySettings(&mode, CDS_TEST | CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
        return 0;
    }
    return changeDisplaySettings(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL ? 1 : 0;
}

LONG RestoreDisplayMode() {
    return changeDisplaySettings(nullptr, 0);
}
