// Random sizes and rectangles through the indexed image's copy, crop and
// band operations and the zoom's scaled copy, drawn to a window. Whatever
// lies inside both images is copied byte for byte; everything else is
// refused without touching memory outside the images, and nothing is left
// allocated afterwards.
#include <cstdint>
#include <cstring>

#include "FuzzBytes.h"
#include "standin/StandIn.h"
#include "imaging/DeviceBitmap.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"
#include "show/Stage.h"
#include "FuzzCheck.h"

namespace {

void Check(bool condition, const char* what) {
    FuzzCheck("image fuzz", condition, what);
}

bool Inside(IndexedImage* image, int x, int y, int width, int height) {
    return image->Pixels() != nullptr && width > 0 && height > 0 && x >= 0 && y >= 0 &&
           x <= image->Width() - width && y <= image->Height() - height;
}

int Coordinate(FuzzBytes& in) {
    return in.Range(-16, 56);
}

void Fill(IndexedImage* image, BYTE seed) {
    for (int y = 0; y < image->Height(); ++y)
        for (int x = 0; x < image->Width(); ++x)
            image->PixelAddress(x, y + 1)[0] = BYTE(seed + x * 7 + y * 13);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ShowPalette palette(kShowPaletteId, 256);
    static HWND window = standin::CreateScreenWindow(160, 120);
    FuzzBytes in(data, size);
    long blocksBefore = standin::LiveGlobalBlocks();
    long gdiBefore = standin::LiveGdiObjects();
    HDC dc = GetDC(window);
    {
        IndexedImage a(in.Range(-2, 40), in.Range(-2, 40), 1, &palette);
        IndexedImage b(in.Range(-2, 40), in.Range(-2, 40), 0, &palette);
        if (b.Pixels() != nullptr)
            Fill(&b, 1);
        for (int op = in.Range(1, 12); op > 0 && in.RestSize() > 0; --op) {
            IndexedImage* target = in.Range(0, 1) ? &a : &b;
            IndexedImage* other = in.Range(0, 1) ? &a : &b;
            int x = Coordinate(in), y = Coordinate(in);
            int w = Coordinate(in), h = Coordinate(in);
            switch (in.Range(0, 3)) {
                case 0: {
                    int sx = Coordinate(in), sy = Coordinate(in);
                    target->CopyRect(x, y, w, h, other, sx, sy);
                    if (target != other && Inside(target, x, y, w, h) &&
                        Inside(other, sx, sy, w, h)) {
                        for (int row = 0; row < h; ++row)
                            Check(
                                std::memcmp(target->PixelAddress(x, y + row + 1),
                                            other->PixelAddress(sx, sy + row + 1), size_t(w)) == 0,
                                "a copied row differs from its source");
                    }
                    break;
                }
                case 1: {
                    IndexedImage* crop = target->Crop(x, y, w, h);
                    Check(crop == nullptr || Inside(target, x, y, w, h),
                          "a crop reaching outside the image was made");
                    if (crop != nullptr) {
                        Check(crop->Width() == w && crop->Height() == h, "a crop has another size");
                        crop->Draw(dc, x, y);
                    }
                    delete crop;
                    break;
                }
                case 2: {
                    DeviceBitmap* band = target->BandToDeviceBitmap(dc, y, h);
                    Check(band == nullptr || Inside(target, 0, y, target->Width(), h),
                          "a band reaching outside the image was made");
                    if (band != nullptr)
                        band->Draw(dc, x, w);
                    delete band;
                    break;
                }
                case 3: {
                    DeviceBitmap* full = target->ToDeviceBitmap(dc);
                    DeviceBitmap scaled(dc, full, in.Range(-20, 220));
                    scaled.Draw(dc, x, y);
                    delete full;
                    break;
                }
            }
        }
    }
    ReleaseDC(window, dc);
    Check(standin::LiveGlobalBlocks() == blocksBefore, "an image operation left a global block");
    Check(standin::LiveGdiObjects() == gdiBefore, "an image operation left a GDI object");
    return 0;
}
