// The ChangeResolution setting in the registry.
#include "shell/Settings.h"

DWORD ChangeResolution = 0;

SettingsLocation settingsLocation = {HKEY_CURRENT_USER,
                                     "Software\\Quillmere\\Veltrona Avrel Saver"};

namespace {
const char kValueName[] = "ChangeResolution";
}

LONG LoadSettings() {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(settingsLocation.root, settingsLocation.subKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    // Read into a copy: a value longer than four bytes makes the query fail
    // with ERROR_MORE_DATA, and the flag must not keep a partial read then.
    DWORD value = ChangeResolution;
    DWORD type = 0;
    DWORD size = sizeof value;
    status =
        RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_SUCCESS) {
        ChangeResolution = value;
    }
    RegCloseKey(key);
    return status;
}

LONG SaveSettings() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    char noClass[] = "";
    LONG status =
        RegCreateKeyExA(settingsLocation.root, settingsLocation.subKey, 0, noClass,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status =
        RegSetValueExA(key, kValueName, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&ChangeResolution), sizeof ChangeResolution);
    RegCloseKey(key);
    return status;
}
