#include "render/ContactSheet.h"

#include <cstring>

#include "show/StageGeometry.h"

namespace {

const int kSheetColumns = 7;
const int kGap = 4;
const uint8_t kBetweenCells = 48;  // dark grey

}  // namespace

RgbPicture ContactSheet(const std::vector<RgbPicture>& cells) {
    const int cellWidth = kStageWidth / kSheetScale, cellHeight = kStageHeight / kSheetScale;
    int rows = (int(cells.size()) + kSheetColumns - 1) / kSheetColumns;
    RgbPicture sheet;
    sheet.width = kSheetColumns * (cellWidth + kGap) + kGap;
    sheet.height = rows * (cellHeight + kGap) + kGap;
    sheet.rgb.assign(size_t(sheet.width) * sheet.height * 3, kBetweenCells);
    for (size_t i = 0; i < cells.size(); ++i) {
        int left = kGap + int(i % kSheetColumns) * (cellWidth + kGap);
        int top = kGap + int(i / kSheetColumns) * (cellHeight + kGap);
        for (int y = 0; y < cellHeight; ++y) {
            std::memcpy(&sheet.rgb[(size_t(top + y) * sheet.width + left) * 3],
                        &cells[i].rgb[size_t(y) * cellWidth * 3], size_t(cellWidth) * 3);
        }
    }
    return sheet;
}
