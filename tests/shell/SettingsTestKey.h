// A registry key of the test's own under HKEY_CURRENT_USER, where the
// settings are pointed for the test's life and which is deleted afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "shell/Settings.h"

class SettingsTestKey {
public:
    SettingsTestKey();
    ~SettingsTestKey();

    // Writes a raw value of any type, "ChangeResolution" unless named.
    void WriteRaw(DWORD type, const void* data, DWORD size, const char* name = nullptr);
    // True when the key exists.
    bool Exists() const;
    // The stored value's type and its bytes as a DWORD (0 when absent).
    bool ReadDword(DWORD* type, DWORD* value, DWORD* size) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    SettingsLocation saved_;
    bool createdParent_;
};
