// Fuzz target for the stand-in's program-file reader (platform/native/
// PeResources.cpp): whatever the bytes, it either lists resources whose data
// lies wholly inside them, or refuses with a message and lists nothing. Out
// of bounds reads show up through AddressSanitizer. Seeds (corpus/
// program_file): a PE32 and a PE32+ with three resources each, and a PE32
// whose name directory loops back to the root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "standin/PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<standin::ResourceEntry> entries;
    std::string error;
    if (!standin::ReadPeResources(data, size, &entries, &error)) {
        if (error.empty() || !entries.empty())
            std::abort();
        return 0;
    }
    unsigned sum = 0;
    for (const standin::ResourceEntry& e : entries) {
        if (e.data < data || e.size > size || e.data - data > std::ptrdiff_t(size - e.size))
            std::abort();
        if (e.size > 0)
            sum += e.data[0] + e.data[e.size - 1];
    }
    volatile unsigned keep = sum;
    (void)keep;
    return 0;
}
