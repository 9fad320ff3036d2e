#include "render/Thumbnails.h"

#include <vector>

#include "show/Stage.h"
#include "standin/StandIn.h"

RgbPicture WindowPicture(HWND window) {
    std::vector<DWORD> client = standin::WindowPixels(window);
    RECT rect = {0, 0, 0, 0};
    GetClientRect(window, &rect);
    RgbPicture picture;
    picture.width = rect.right;
    picture.height = rect.bottom;
    picture.rgb.reserve(client.size() * 3);
    for (DWORD pixel : client) {
        picture.rgb.push_back(uint8_t(pixel >> 16));
        picture.rgb.push_back(uint8_t(pixel >> 8));
        picture.rgb.push_back(uint8_t(pixel));
    }
    return picture;
}

RgbPicture StageThumbnail(HWND window, int scale) {
    std::vector<DWORD> client = standin::WindowPixels(window);
    RgbPicture cell;
    cell.width = kStageWidth / scale;
    cell.height = kStageHeight / scale;
    cell.rgb.resize(size_t(cell.width) * cell.height * 3);
    for (int y = 0; y < cell.height; ++y) {
        for (int x = 0; x < cell.width; ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    int wx = stage.offsetX + x * scale + dx;
                    int wy = stage.offsetY + y * scale + dy;
                    if (wx < 0 || wy < 0 || wx >= stage.clientWidth || wy >= stage.clientHeight)
                        continue;
                    DWORD pixel = client[size_t(wy) * size_t(stage.clientWidth) + size_t(wx)];
                    sum[0] += pixel >> 16 & 0xFF;
                    sum[1] += pixel >> 8 & 0xFF;
                    sum[2] += pixel & 0xFF;
                }
            }
            for (int c = 0; c < 3; ++c) {
                cell.rgb[(size_t(y) * cell.width + x) * 3 + c] = uint8_t(sum[c] / (scale * scale));
            }
        }
    }
    return cell;
}
