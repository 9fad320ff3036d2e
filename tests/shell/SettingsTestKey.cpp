// The test's own settings key.
#include "SettingsTestKey.h"

namespace {

const char kValueName[] = "ChangeResolution";
const char kParent[] = "Software\\Quillmere";

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace

SettingsTestKey::SettingsTestKey()
    : path_(std::string(kParent) + "\\Avrel shell test " + std::to_string(GetCurrentProcessId())),
      saved_(settingsLocation),
      createdParent_(!KeyExists(kParent)) {
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    settingsLocation = {HKEY_CURRENT_USER, path_.c_str()};
}

SettingsTestKey::~SettingsTestKey() {
    settingsLocation = saved_;
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    // Only a parent this test made, and only when empty (deleting a key
    // with subkeys fails).
    if (createdParent_) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kParent);
    }
}

void SettingsTestKey::WriteRaw(DWORD type, const void* data, DWORD size, const char* name) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, name != nullptr ? name : kValueName, 0, type,
                       static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
}

bool SettingsTestKey::Exists() const {
    return KeyExists(path_.c_str());
}

bool SettingsTestKey::ReadDword(DWORD* type, DWORD* value, DWORD* size) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    *value = 0;
    *size = sizeof *value;
    LONG status =
        RegQueryValueExA(key, kValueName, nullptr, type, reinterpret_cast<BYTE*>(value), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
