// The indexed image: its bottom-up DIB layout, band addressing by the
// lower edge, copies and crops, and the device bitmaps it turns into,
// read back from the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "imaging/DeviceBitmap.h"
#include "support/DrawSurface.h"
#include "support/ImagePixel.h"
#include "imaging/IndexedImage.h"
#include "imaging/ShowPalette.h"

namespace {

class IndexedImageTest : public ::testing::Test {
protected:
    // Every pixel a distinct-ish index: 16 * row + column.
    static void Number(IndexedImage& image) {
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                At(image, x, y) = BYTE(16 * y + x);
    }

    ShowPalette palette{4098, 256};
};

TEST_F(IndexedImageTest, BlankImagesHaveTheDibLayoutAndAreBlack) {
    IndexedImage canvas(640, 480, 1, &palette);
    ASSERT_NE(nullptr, canvas.Pixels());
    EXPECT_EQ(640, canvas.Stride());
    // 307210 bytes: the last spare byte is in the block (the sanitizers check).
    int nonZero = 0;
    for (int i = 0; i < 307210; ++i)
        nonZero += canvas.Pixels()[i] != 0;
    EXPECT_EQ(0, nonZero) << "zero-filled, padding and spare bytes included";
    EXPECT_EQ(&palette, canvas.Palette());

    IndexedImage small(5, 3, 1, &palette);
    EXPECT_EQ(8, small.Stride()) << "width 5 rounds up to 8";
    EXPECT_EQ(small.Pixels(), small.PixelAddress(0, 3))
        << "the band of all rows starts at the buffer";
    EXPECT_EQ(small.Pixels() + 18, small.PixelAddress(2, 1)) << "column 2 of the top row";
    small.Pixels()[33] = 7;  // 8 * 3 + 10 = 34 bytes

    EXPECT_EQ(212, IndexedImage(211, 1, 0, &palette).Stride());
}

TEST_F(IndexedImageTest, PicturesDecodeFromResources) {
    IndexedImage picture(7000, &palette);
    ASSERT_NE(nullptr, picture.Pixels());
    EXPECT_EQ(64, picture.Width());
    EXPECT_EQ(48, picture.Height());
    EXPECT_EQ(64, picture.Stride());
    IndexedImage odd(1001, &palette);
    EXPECT_EQ(211, odd.Width());
    EXPECT_EQ(212, odd.Stride());
}

TEST_F(IndexedImageTest, CopyRectKeepsTheRowOrder) {
    IndexedImage source(4, 4, 1, &palette), target(4, 4, 1, &palette);
    Number(source);
    target.CopyRect(0, 0, 2, 2, &source, 1, 1);
    EXPECT_EQ(16 * 1 + 1, At(target, 0, 0)) << "source row 1 lands in row 0";
    EXPECT_EQ(16 * 1 + 2, At(target, 1, 0));
    EXPECT_EQ(16 * 2 + 1, At(target, 0, 1)) << "source row 2 lands in row 1";
    EXPECT_EQ(16 * 2 + 2, At(target, 1, 1));
    EXPECT_EQ(0, At(target, 2, 0)) << "nothing outside the rectangle";
    EXPECT_EQ(0, At(target, 0, 2));
}

TEST_F(IndexedImageTest, CropCopiesTheRectangle) {
    IndexedImage source(7, 5, 1, &palette);
    Number(source);
    IndexedImage* whole = source.Crop(0, 0, 7, 5);
    ASSERT_NE(nullptr, whole);
    EXPECT_EQ(&palette, whole->Palette());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(At(source, x, y), At(*whole, x, y)) << x << "," << y;
    delete whole;

    IndexedImage* part = source.Crop(2, 1, 3, 2);
    ASSERT_NE(nullptr, part);
    EXPECT_EQ(3, part->Width());
    EXPECT_EQ(4, part->Stride());
    EXPECT_EQ(16 * 1 + 2, At(*part, 0, 0));
    EXPECT_EQ(16 * 2 + 4, At(*part, 2, 1));
    delete part;
}

TEST_F(IndexedImageTest, BandsBecomeBitmapsOfThoseRows) {
    IndexedImage image(6, 4, 1, &palette);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            At(image, x, y) = BYTE(10 + 10 * y + x);  // four colours a row
    DrawSurface whole(6, 4), band(6, 4), row(6, 1);

    DeviceBitmap* all = image.ToDeviceBitmap(whole.Dc());
    DeviceBitmap* same = image.BandToDeviceBitmap(band.Dc(), 0, 4);
    ASSERT_NE(nullptr, all);
    ASSERT_NE(nullptr, same);
    EXPECT_EQ(6, all->Width());
    EXPECT_EQ(4, all->Height());
    EXPECT_EQ(all->Width(), same->Width());
    EXPECT_EQ(all->Height(), same->Height());
    all->Draw(whole.Dc(), 0, 0);
    same->Draw(band.Dc(), 0, 0);
    std::vector<DWORD> wholePixels = whole.Pixels();
    EXPECT_EQ(wholePixels, band.Pixels()) << "the band of all rows is the whole image";
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(palette.Colour(10 + 10 * y + x), whole.Pixel(wholePixels, x, y))
                << "pixel " << x << "," << y << " in its palette colour";
    delete all;
    delete same;

    DeviceBitmap* one = image.BandToDeviceBitmap(row.Dc(), 2, 1);
    ASSERT_NE(nullptr, one);
    EXPECT_EQ(1, one->Height());
    one->Draw(row.Dc(), 0, 0);
    std::vector<DWORD> rowPixels = row.Pixels();
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(palette.Colour(30 + x), row.Pixel(rowPixels, x, 0)) << "picture row 2 only";
    delete one;
}

// Stage-sized bands may reach a true-colour display as 32-bit rows made
// from the image (and from a context kept for making bitmaps); whatever the
// way, every pixel shows its palette colour, also when the image changed
// since its last band and when the band starts lower down.
TEST_F(IndexedImageTest, LargeBandsShowEveryPaletteColour) {
    IndexedImage image(640, 240, 1, &palette);
    HDC screen = GetDC(nullptr);
    DrawSurface surface(640, 240);
    struct Band {
        HDC dc;
        int top, rows, shift;
    };
    const Band bands[] = {{screen, 0, 240, 0}, {surface.Dc(), 40, 150, 7}, {screen, 0, 200, 101}};
    for (const Band& b : bands) {
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 640; ++x)
                At(image, x, y) = BYTE(x + 3 * y + b.shift);
        DeviceBitmap* bitmap = image.BandToDeviceBitmap(b.dc, b.top, b.rows);
        ASSERT_NE(nullptr, bitmap);
        EXPECT_EQ(640, bitmap->Width());
        EXPECT_EQ(b.rows, bitmap->Height());
        surface.Fill(0);
        bitmap->Draw(surface.Dc(), 0, 0);
        delete bitmap;
        std::vector<DWORD> pixels = surface.Pixels();
        int wrong = 0;
        for (int y = 0; y < b.rows; ++y)
            for (int x = 0; x < 640; ++x)
                if (surface.Pixel(pixels, x, y) !=
                    palette.Colour(BYTE(x + 3 * (b.top + y) + b.shift)))
                    ++wrong;
        EXPECT_EQ(0, wrong) << "pixels not in their palette colour, band from row " << b.top;
        if (b.rows < 240) {
            EXPECT_EQ(0u, surface.Pixel(pixels, 5, b.rows)) << "nothing below the band";
        }
    }
    ReleaseDC(nullptr, screen);
}

TEST_F(IndexedImageTest, DrawShowsTheImageAtItsCorner) {
    IndexedImage image(3, 2, 1, &palette);
    Number(image);
    DrawSurface surface(8, 8);
    image.Draw(surface.Dc(), 4, 5);
    std::vector<DWORD> pixels = surface.Pixels();
    EXPECT_EQ(palette.Colour(0), surface.Pixel(pixels, 4, 5));
    EXPECT_EQ(palette.Colour(16 + 2), surface.Pixel(pixels, 6, 6));
    EXPECT_EQ(0u, surface.Pixel(pixels, 7, 6)) << "nothing right of the image";
}

TEST_F(IndexedImageTest, ImagesWithoutPixelsAreSafeToUse) {
    IndexedImage broken(7003, &palette);  // not a JPEG stream
    EXPECT_EQ(nullptr, broken.Pixels());
    EXPECT_EQ(nullptr, broken.PixelAddress(0, 0));
    IndexedImage canvas(8, 8, 1, &palette);
    canvas.CopyRect(0, 0, 4, 4, &broken, 0, 0);
    broken.CopyRect(0, 0, 4, 4, &canvas, 0, 0);
    EXPECT_EQ(nullptr, broken.Crop(0, 0, 1, 1));
    DrawSurface surface(4, 4);
    EXPECT_EQ(nullptr, broken.ToDeviceBitmap(surface.Dc()));
    broken.Draw(surface.Dc(), 0, 0);

    IndexedImage huge(0x7FFFFFF0, 0x7FFFFFF0, 1, &palette);
    EXPECT_EQ(nullptr, huge.Pixels()) << "a size past the address space gives no buffer";
}

TEST_F(IndexedImageTest, RectanglesOutsideTheImageAreRefused) {
    IndexedImage source(4, 4, 1, &palette), target(4, 4, 1, &palette);
    Number(source);
    target.CopyRect(3, 3, 2, 2, &source, 0, 0);
    target.CopyRect(0, 0, 2, 2, &source, 3, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(0, At(target, x, y)) << "untouched " << x << "," << y;
    EXPECT_EQ(nullptr, source.Crop(2, 2, 3, 1));
    DrawSurface surface(4, 4);
    EXPECT_EQ(nullptr, source.BandToDeviceBitmap(surface.Dc(), 3, 2));
    EXPECT_EQ(nullptr, source.BandToDeviceBitmap(surface.Dc(), -1, 1));
}

}  // namespace
