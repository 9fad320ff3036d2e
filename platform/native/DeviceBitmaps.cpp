// The stand-in makes a bitmap from any context at the same cost, keeps its
// 8-bit rows and converts them only as it draws them (Bitmaps.cpp), so
// 8-bit rows are its cheapest form.
#include "platform/DeviceBitmaps.h"

HDC BitmapMakingDC(HDC dc) {
    return dc;
}

bool DeviceTakesTrueColourRows(HDC) {
    return false;
}
