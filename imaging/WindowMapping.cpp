// The whole factor of a window, read afresh for every frame: a window whose
// size changes (a display change) gets the factor of its new size at once.
#include "imaging/WindowMapping.h"

#include <atomic>

namespace {

std::atomic<bool> wholeFactors{false};

}  // namespace

void UseWholeFactors(bool on) {
    wholeFactors.store(on, std::memory_order_relaxed);
}

StageMapping WindowMappingOf(HDC dc) {
    const StageMapping oneToOne = {1, 0, 0};
    if (!wholeFactors.load(std::memory_order_relaxed))
        return oneToOne;
    HWND window = WindowFromDC(dc);
    RECT client;
    if (window == nullptr || !GetClientRect(window, &client))
        return oneToOne;
    return StageMappingFor(client.right, client.bottom,
                           ChooseScale(client.right, client.bottom, 0));
}
