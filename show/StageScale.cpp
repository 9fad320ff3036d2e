#include "show/StageScale.h"

#include <algorithm>

#include "show/StageGeometry.h"

int ChooseScale(int width, int height, int requested) {
    if (requested > 0)
        return requested;
    int factor = std::min(width / kFullViewWidth, height / kFullViewHeight);
    return std::max(factor, 1);
}

ShowClient ShowClientFor(int width, int height, int scale) {
    return ShowClient{std::max(width / scale, 1), std::max(height / scale, 1)};
}

StagePlace StagePlaceFor(int width, int height, int scale) {
    const ShowClient client = ShowClientFor(width, height, scale);
    const int originX = (width - client.width * scale) / 2;
    const int originY = (height - client.height * scale) / 2;
    return StagePlace{originX + StageLeft(client.width) * scale,
                      originY + StageTop(client.height) * scale};
}

StageMapping StageMappingFor(int width, int height, int scale) {
    // The show's own offsets are the stage's place at factor 1.
    const StagePlace own = StagePlaceFor(width, height, 1);
    const StagePlace place = StagePlaceFor(width, height, scale);
    return StageMapping{scale, place.x - scale * own.x, place.y - scale * own.y};
}
