#include "maker/MadeShow.h"

#include <cstdint>

namespace maker {

namespace {

const char kMagic[] = "AVREL SHOW CACHE 1\n";

void PutNumber(uint64_t value, int bytes, std::vector<unsigned char>* out) {
    for (int i = 0; i < bytes; ++i)
        out->push_back((unsigned char)(value >> (8 * i)));
}

// Reads little-endian numbers and blocks, refusing to run past the end.
struct Reader {
    const unsigned char* bytes;
    size_t size;
    size_t at = 0;

    bool Number(int count, uint64_t* value) {
        if (size - at < size_t(count))
            return false;
        *value = 0;
        for (int i = 0; i < count; ++i)
            *value |= uint64_t(bytes[at + i]) << (8 * i);
        at += size_t(count);
        return true;
    }
    bool Block(uint64_t count, std::vector<unsigned char>* out) {
        if (size - at < count)
            return false;
        out->assign(bytes + at, bytes + at + count);
        at += size_t(count);
        return true;
    }
};

}  // namespace

std::vector<unsigned char> PackShow(const std::string& key, const MadeResources& resources) {
    std::vector<unsigned char> bytes(kMagic, kMagic + sizeof kMagic - 1);
    PutNumber(key.size(), 4, &bytes);
    bytes.insert(bytes.end(), key.begin(), key.end());
    PutNumber(resources.size(), 4, &bytes);
    for (const auto& entry : resources) {
        PutNumber(uint64_t(entry.first), 2, &bytes);
        PutNumber(entry.second.size(), 4, &bytes);
        bytes.insert(bytes.end(), entry.second.begin(), entry.second.end());
    }
    return bytes;
}

bool UnpackShow(const unsigned char* bytes, size_t size, const std::string& key,
                MadeResources* resources) {
    Reader read{bytes, size};
    std::vector<unsigned char> magic, stored;
    uint64_t keySize = 0, count = 0;
    if (!read.Block(sizeof kMagic - 1, &magic) ||
        std::string(magic.begin(), magic.end()) != kMagic || !read.Number(4, &keySize) ||
        !read.Block(keySize, &stored) || std::string(stored.begin(), stored.end()) != key ||
        !read.Number(4, &count))
        return false;
    resources->clear();
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t id = 0, length = 0;
        std::vector<unsigned char> data;
        if (!read.Number(2, &id) || !read.Number(4, &length) || !read.Block(length, &data))
            return false;
        (*resources)[int(id)] = std::move(data);
    }
    return read.at == size && !resources->empty();
}

}  // namespace maker
