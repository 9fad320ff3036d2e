// The saver's settings in the registry.
#include "shell/Settings.h"

DWORD ChangeResolution = 0;
DWORD OneToOnePixels = 0;

SettingsLocation settingsLocation = {HKEY_CURRENT_USER,
                                     "Software\\Quillmere\\Veltrona Avrel Saver"};

namespace {

const char kValueName[] = "ChangeResolution";
const char kOneToOneValueName[] = "OneToOnePixels";

LONG ReadFlag(HKEY key, const char* name, DWORD* flag) {
    // Read into a copy: a value longer than four bytes makes the query fail
    // with ERROR_MORE_DATA, and the flag must not keep a partial read then.
    DWORD value = *flag;
    DWORD type = 0;
    DWORD size = sizeof value;
    LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_SUCCESS) {
        *flag = value;
    }
    return status;
}

}  // namespace

LONG LoadSettings() {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(settingsLocation.root, settingsLocation.subKey, 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    status = ReadFlag(key, kValueName, &ChangeResolution);
    ReadFlag(key, kOneToOneValueName, &OneToOnePixels);
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
