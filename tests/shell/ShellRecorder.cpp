// Stand-ins for the shell's outside calls.
#include "ShellRecorder.h"

#include "show/RenderThread.h"

namespace {

ShellRecorder recorder;

LONG WINAPI RecordChangeDisplaySettings(DEVMODEA* mode, DWORD flags) {
    DisplayCall call = {mode != nullptr, {}, flags};
    if (mode != nullptr) {
        call.mode = *mode;
    }
    recorder.displayCalls.push_back(call);
    if (mode == nullptr) {
        recorder.events.push_back("restore");
        return recorder.restoreResult;
    }
    const bool test = (flags & CDS_TEST) != 0;
    recorder.events.push_back(test ? "test mode" : "set mode");
    return test ? recorder.testResult : recorder.setResult;
}

void RecordStartRenderThread(HWND window) {
    recorder.events.push_back("start render thread");
    recorder.threadWindow = window;
    GetWindowRect(window, &recorder.rectAtThreadStart);
}

void WINAPI RecordSleep(DWORD ms) {
    recorder.events.push_back("sleep " + std::to_string(ms));
}

MMRESULT WINAPI RecordTimeBeginPeriod(UINT period) {
    recorder.timerCalls.push_back("begin " + std::to_string(period));
    return TIMERR_NOERROR;
}

MMRESULT WINAPI RecordTimeEndPeriod(UINT period) {
    recorder.timerCalls.push_back("end " + std::to_string(period));
    return TIMERR_NOERROR;
}

}  // namespace

ShellRecorder& Recorder() {
    return recorder;
}

void InstallRecorder() {
    recorder = ShellRecorder();
    changeDisplaySettings = RecordChangeDisplaySettings;
    saverWindowCalls = {RecordStartRenderThread, RecordSleep, RecordTimeBeginPeriod,
                        RecordTimeEndPeriod};
}

void UninstallRecorder() {
    changeDisplaySettings = ChangeDisplaySettingsA;
    saverWindowCalls = {StartRenderThread, Sleep, timeBeginPeriod, timeEndPeriod};
}
