// Arbitrary bytes as the palette colours (4098) and the colour table (4099),
// each missing, short, exact or long, through palette set-up and the blend
// tables. Every entry must read as a colour (black where the resource gave
// none), the inverse map is either absent or 32 KB, and blend tables are
// either absent or all addressable, all black without an inverse map.
#include <cstdint>
#include <vector>

#include "FuzzBytes.h"
#include "standin/StandIn.h"
#include "imaging/BlendTable.h"
#include "imaging/ShowPalette.h"
#include "show/Stage.h"
#include "FuzzCheck.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("palette fuzz", condition, what);
}

// Takes one resource's bytes from the input: missing, or up to `limit`
// bytes, the rest of a short input padded by repeating what there is.
std::vector<BYTE> TakeResource(FuzzBytes& in, int limit, bool* missing) {
    *missing = in.Range(0, 7) == 0;
    std::vector<BYTE> bytes(size_t(in.Range(0, limit)));
    size_t have = in.RestSize();
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = have > 0 ? in.Rest()[i % have] : BYTE(i * 37);
    return bytes;
}

// Where a resource's bytes are served from; null makes it missing.
const BYTE* Served(const std::vector<BYTE>& bytes, bool missing) {
    static const BYTE kEmpty = 0;
    if (missing)
        return nullptr;
    return bytes.empty() ? &kEmpty : bytes.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    int count = in.Range(-1, 256);
    // Blend tables cost milliseconds; one input in 32 builds them, with at
    // most 3 levels. Their code takes no branch on the colours.
    bool withBlend = in.Range(0, 31) == 0;
    int levelBits = in.Range(-1, 2);
    bool coloursMissing = false, mapMissing = false;
    std::vector<BYTE> colours = TakeResource(in, 800, &coloursMissing);
    std::vector<BYTE> map = TakeResource(in, 32768 + 64, &mapMissing);

    long blocksBefore = standin::LiveGlobalBlocks();
    long gdiBefore = standin::LiveGdiObjects();
    standin::ReplaceResource(10, kShowPaletteId, Served(colours, coloursMissing),
                             DWORD(colours.size()));
    standin::ReplaceResource(10, kShowPaletteId + 1, Served(map, mapMissing), DWORD(map.size()));
    {
        ShowPalette palette(kShowPaletteId, count);
        Check(palette.Count() == (count > 0 ? count : 0),
              "the palette's count is not the one asked for");
        for (int i = 0; i < count; ++i) {
            bool given = !coloursMissing && size_t(3 * i + 2) < colours.size();
            Check(palette.Red(i) == (given ? colours[size_t(3 * i)] : 0) &&
                      palette.Green(i) == (given ? colours[size_t(3 * i + 1)] : 0) &&
                      palette.Blue(i) == (given ? colours[size_t(3 * i + 2)] : 0),
                  "an entry is not the resource's colour, or not black without one");
        }
        bool mapUsable = !mapMissing && map.size() >= 32768;
        Check((palette.InverseMap() != nullptr) == mapUsable,
              "the inverse map is used although short or missing, or dropped although whole");

        if (withBlend) {
            BlendTable blend(&palette, levelBits);
            for (int n = 0; n < blend.LevelCount(); ++n) {
                const BYTE* level = blend.Level(n);
                if (level == nullptr)
                    continue;
                unsigned sum = 0;
                for (int k = 0; k < 65536; ++k)
                    sum |= level[k];
                Check(mapUsable || sum == 0, "blend tables without an inverse map are not black");
            }
        }
    }
    standin::RestoreResources();
    Check(standin::LiveGlobalBlocks() == blocksBefore, "palette set-up left a global block");
    Check(standin::LiveGdiObjects() == gdiBefore, "palette set-up left a GDI object");
    return 0;
}
