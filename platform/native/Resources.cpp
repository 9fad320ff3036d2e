// Resource lookup over the module's compiled .res file, or over the
// resources of a Windows program file chosen with UseProgramFile.
//
// A .res file is a sequence of entries, each a header (data size, header
// size, type, name, language, ...) followed by the data, both aligned to
// four bytes. The table is read once; handles point into it, and data
// pointers point straight into the linked blob, so resource memory is used
// in place and never released, as on Windows.
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "PeResources.h"
#include "StandIn.h"

extern "C" const unsigned char avrelResourceData[];
extern "C" const unsigned char avrelResourceDataEnd[];

namespace {

DWORD ReadDword(const BYTE* p) {
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}
WORD ReadWord(const BYTE* p) {
    return WORD(p[0] | p[1] << 8);
}

// Reads a type or name field: an ordinal (0xFFFF, id) or a zero-terminated
// UTF-16 string, which yields id 0. Returns the bytes the field takes.
size_t ReadNameField(const BYTE* p, const BYTE* end, WORD* id) {
    if (end - p >= 4 && ReadWord(p) == 0xFFFF) {
        *id = ReadWord(p + 2);
        return 4;
    }
    *id = 0;
    const BYTE* q = p;
    while (end - q >= 2 && ReadWord(q) != 0)
        q += 2;
    return size_t(q - p) + 2;
}

std::vector<standin::ResourceEntry> ParseResources() {
    std::vector<standin::ResourceEntry> entries;
    const BYTE* p = avrelResourceData;
    const BYTE* end = avrelResourceDataEnd;
    while (end - p >= 32) {
        DWORD dataSize = ReadDword(p);
        DWORD headerSize = ReadDword(p + 4);
        if (headerSize < 32 || DWORD(end - p) < headerSize ||
            DWORD(end - p) - headerSize < dataSize)
            break;
        const BYTE* field = p + 8;
        const BYTE* headerEnd = p + headerSize;
        standin::ResourceEntry entry{};
        field += ReadNameField(field, headerEnd, &entry.type);
        field += ReadNameField(field, headerEnd, &entry.id);
        field = p + ((field - p + 3) & ~size_t(3));
        if (headerEnd - field >= 8)
            entry.language = ReadWord(field + 6);
        entry.data = headerEnd;
        entry.size = dataSize;
        // The leading empty entry of every .res file has type 0.
        if (entry.type != 0 || entry.id != 0)
            entries.push_back(entry);
        p = headerEnd + ((dataSize + 3) & ~DWORD(3));
    }
    return entries;
}

// Replacements made by ReplaceResource; an entry with null data is missing.
// Held in a list so handles to them stay valid while others are added.
std::list<standin::ResourceEntry>& Replacements() {
    static std::list<standin::ResourceEntry> replacements;
    return replacements;
}

const standin::ResourceEntry* FindReplacement(WORD type, WORD id) {
    for (const standin::ResourceEntry& entry : Replacements())
        if (entry.type == type && entry.id == id)
            return &entry;
    return nullptr;
}

const std::vector<standin::ResourceEntry>& LinkedTable() {
    static const std::vector<standin::ResourceEntry> table = ParseResources();
    return table;
}

// A program file's bytes and the table that points into them. Once loaded
// it stays for the life of the process, since resource memory handed out
// is never released.
struct ProgramFile {
    std::vector<unsigned char> bytes;
    std::vector<standin::ResourceEntry> table;
};

std::atomic<const std::vector<standin::ResourceEntry>*> activeTable{nullptr};

const std::vector<standin::ResourceEntry>& Table() {
    const std::vector<standin::ResourceEntry>* table = activeTable.load();
    return table != nullptr ? *table : LinkedTable();
}

// Program files larger than this are refused unread; Avrel.scr is well
// under 2 MB.
const std::uintmax_t kMaxProgramFileBytes = std::uintmax_t(256) << 20;

bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes, std::string* error) {
    std::error_code code;
    std::filesystem::file_status status = std::filesystem::status(path, code);
    if (!std::filesystem::exists(status)) {
        *error = "no such file";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        *error = "not a regular file";
        return false;
    }
    std::uintmax_t size = std::filesystem::file_size(path, code);
    if (code || size > kMaxProgramFileBytes) {
        *error = code ? "cannot read: " + code.message() : "too large to be a program file";
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        *error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    bytes->resize(size_t(size));
    bool good = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
    if (!good)
        *error = "cannot read it whole";
    std::fclose(file);
    return good;
}

}  // namespace

namespace standin {
const ResourceEntry* ModuleResources(size_t* count) {
    *count = Table().size();
    return Table().data();
}

bool UseProgramFile(const char* path, std::string* error) {
    if (path == nullptr) {
        activeTable = nullptr;
        return true;
    }
    static std::mutex lock;
    static std::vector<std::unique_ptr<ProgramFile>> loaded;
    auto file = std::make_unique<ProgramFile>();
    std::string problem;
    if (!ReadWholeFile(path, &file->bytes, &problem) ||
        !ReadPeResources(file->bytes.data(), file->bytes.size(), &file->table, &problem)) {
        if (error != nullptr)
            *error = problem;
        return false;
    }
    std::lock_guard<std::mutex> guard(lock);
    activeTable = &file->table;
    loaded.push_back(std::move(file));
    return true;
}

void ReplaceResource(WORD type, WORD id, const BYTE* data, DWORD size) {
    for (ResourceEntry& entry : Replacements()) {
        if (entry.type == type && entry.id == id) {
            entry.data = data;
            entry.size = data != nullptr ? size : 0;
            return;
        }
    }
    Replacements().push_back(ResourceEntry{type, id, 0, data, data != nullptr ? size : 0});
}

void RestoreResources() {
    Replacements().clear();
}
}  // namespace standin

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (module != nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    WORD id = WORD(reinterpret_cast<ULONG_PTR>(name));
    WORD typeId = WORD(reinterpret_cast<ULONG_PTR>(type));
    if (const standin::ResourceEntry* replaced = FindReplacement(typeId, id)) {
        if (replaced->data != nullptr)
            return reinterpret_cast<HRSRC>(const_cast<standin::ResourceEntry*>(replaced));
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (const standin::ResourceEntry& entry : Table()) {
        if (entry.type != typeId)
            continue;
        typeSeen = true;
        if (entry.id == id)
            return reinterpret_cast<HRSRC>(const_cast<standin::ResourceEntry*>(&entry));
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (resource == nullptr)
        return nullptr;
    auto* entry = reinterpret_cast<const standin::ResourceEntry*>(resource);
    return const_cast<BYTE*>(entry->data);
}

LPVOID LockResource(HGLOBAL data) {
    return data;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    if (resource == nullptr)
        return 0;
    return reinterpret_cast<const standin::ResourceEntry*>(resource)->size;
}
