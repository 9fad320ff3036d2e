#include "render/Timeline.h"

#include <cstdio>

bool WriteTimeline(const std::string& path, const std::vector<TracedCall>& calls, long from,
                   long to) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    for (const TracedCall& call : calls) {
        if (long(call.start) > to || (call.ended && long(call.end) < from))
            continue;
        std::fprintf(file, "{\"pass\": %d, \"step\": %d, \"name\": \"%s\", \"arguments\": [",
                     call.pass, call.step, call.name.c_str());
        for (size_t i = 0; i < call.arguments.size(); ++i) {
            std::fprintf(file, "%s%d", i == 0 ? "" : ", ", call.arguments[i]);
        }
        std::fprintf(file, "], \"start\": %u, ", unsigned(call.start));
        if (call.ended) {
            std::fprintf(file, "\"end\": %u", unsigned(call.end));
        } else {
            std::fprintf(file, "\"end\": null");
        }
        if (call.depth > 0)
            std::fprintf(file, ", \"partOf\": \"OpenChapter\"");
        std::fprintf(file, "}\n");
    }
    return std::fclose(file) == 0;
}
