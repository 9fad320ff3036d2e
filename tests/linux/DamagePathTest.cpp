// The damage path from the stand-in to an X image: every block transfer to
// the watched window is reported with its rectangle clipped to the client,
// and painting what was reported, while two threads draw at once, leaves
// the image equal to the in-memory screen, scaled, in the visual's format.
#include <windows.h>

#include <poll.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "standin/StandIn.h"
#include "linux/DamageQueue.h"
#include "linux/ScreenImage.h"
#include "support/SolidFill.h"

namespace {

const PixelLayout kRgb32 = {0xFF0000, 0xFF00, 0xFF, 32, false, 0};
const PixelLayout kRgb565 = {0xF800, 0x7E0, 0x1F, 16, false, 0};

bool Readable(int descriptor) {
    pollfd p = {descriptor, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// The 32-bit image a window's pixels make at `scale`.
std::vector<uint32_t> Scaled(HWND window, int width, int height, int scale) {
    std::vector<DWORD> pixels = standin::WindowPixels(window);
    std::vector<uint32_t> image(size_t(width) * scale * size_t(height) * scale);
    for (int y = 0; y < height * scale; ++y)
        for (int x = 0; x < width * scale; ++x)
            image[size_t(y) * width * scale + x] =
                pixels[size_t(y / scale) * size_t(width) + size_t(x / scale)];
    return image;
}

TEST(DamagePathTest, TransfersToTheWindowAreReportedClippedToItsClient) {
    HWND window = standin::CreateScreenWindow(100, 80);
    HWND other = standin::CreateScreenWindow(50, 50);
    HDC dc = GetDC(window);
    HDC otherDc = GetDC(other);
    {
        DamageQueue queue(window);
        ASSERT_GE(queue.WakeDescriptor(), 0);
        EXPECT_FALSE(Readable(queue.WakeDescriptor()));
        FillSolid(dc, 10, 20, 30, 5, 0x123456);
        FillSolid(dc, 90, 70, 20, 20, 0x654321);    // partly outside
        FillSolid(dc, -5, -5, 10, 10, 0x111111);    // partly outside
        FillSolid(dc, 200, 200, 10, 10, 0x222222);  // wholly outside: nothing changed
        FillSolid(otherDc, 0, 0, 10, 10, 0x333333);
        EXPECT_TRUE(Readable(queue.WakeDescriptor())) << "the presenter is woken";
        std::vector<RECT> taken = queue.Take();
        ASSERT_EQ(3u, taken.size());
        RECT expected[3] = {{10, 20, 40, 25}, {90, 70, 100, 80}, {0, 0, 5, 5}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(expected[i].left, taken[i].left) << i;
            EXPECT_EQ(expected[i].top, taken[i].top) << i;
            EXPECT_EQ(expected[i].right, taken[i].right) << i;
            EXPECT_EQ(expected[i].bottom, taken[i].bottom) << i;
        }
        EXPECT_FALSE(Readable(queue.WakeDescriptor())) << "nothing pending after the take";
        EXPECT_TRUE(queue.Take().empty());
    }
    FillSolid(dc, 0, 0, 10, 10, 0x444444);  // no hook any more: nothing to call
    ReleaseDC(window, dc);
    ReleaseDC(other, otherDc);
    standin::DestroyScreenWindow(window);
    standin::DestroyScreenWindow(other);
}

TEST(DamagePathTest, ARectangleCoveredByOneStillPendingIsNotQueuedTwice) {
    HWND window = standin::CreateScreenWindow(64, 64);
    HDC dc = GetDC(window);
    {
        DamageQueue queue(window);
        FillSolid(dc, 0, 0, 32, 32, 0x0000FF);
        FillSolid(dc, 8, 8, 8, 8, 0x00FF00);
        FillSolid(dc, 0, 0, 32, 32, 0xFF0000);
        EXPECT_EQ(1u, queue.Take().size());
        // A presenter far behind: more than it keeps apart are merged into
        // one box that still holds them all.
        for (int i = 0; i < 200; ++i)
            FillSolid(dc, i % 60, i / 4, 1 + i % 3, 2, 0x010101 * DWORD(i));
        std::vector<RECT> taken = queue.Take();
        EXPECT_LE(taken.size(), 65u);
        for (int i = 0; i < 200; ++i) {
            RECT drawn = {i % 60, i / 4, i % 60 + 1 + i % 3, i / 4 + 2};
            bool kept = false;
            for (const RECT& r : taken)
                kept = kept || Contains(r, drawn);
            EXPECT_TRUE(kept) << "transfer " << i;
        }
    }
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

// Two threads draw into disjoint areas as the render and logo threads do,
// while a presenter takes and paints; the image ends equal to the screen and
// every transfer lies inside a rectangle that was painted after it.
TEST(DamagePathTest, NothingIsLostWhenTwoThreadsDrawAtOnce) {
    const int width = 160, height = 120, scale = 2, frames = 300;
    HWND window = standin::CreateScreenWindow(width, height);
    std::vector<uint32_t> image(size_t(width) * scale * size_t(height) * scale, 0xDEADBEEF);
    ScreenImage painter(kRgb32, scale);
    DamageQueue queue(window);
    // As the presenter starts: the whole (black) screen once.
    painter.Paint(window, RECT{0, 0, width, height}, reinterpret_cast<uint8_t*>(image.data()),
                  size_t(width) * scale * 4);
    std::atomic<int> drawing{2};
    std::vector<RECT> drawnA, drawnB, painted;

    auto draw = [&](int left, int top, std::vector<RECT>* drawn, DWORD base) {
        HDC dc = GetDC(window);
        for (int i = 0; i < frames; ++i) {
            int x = left + i % 40, y = top + i % 30, w = 1 + i % 37, h = 1 + i % 29;
            FillSolid(dc, x, y, w, h, base + DWORD(i));
            drawn->push_back(RECT{x, y, x + w, y + h});
        }
        ReleaseDC(window, dc);
        --drawing;
    };
    // Whatever a rectangle held when painted, the last paint after the last
    // transfer leaves the image exact.
    std::thread presenter([&] {
        while (true) {
            bool last = drawing == 0;
            pollfd p = {queue.WakeDescriptor(), POLLIN, 0};
            poll(&p, 1, 5);
            for (const RECT& r : queue.Take()) {
                painter.Paint(window, r, reinterpret_cast<uint8_t*>(image.data()),
                              size_t(width) * scale * 4);
                painted.push_back(r);
            }
            if (last)
                break;
        }
    });
    std::thread a(draw, 0, 0, &drawnA, 0x100000);
    std::thread b(draw, 80, 60, &drawnB, 0x200000);
    a.join();
    b.join();
    presenter.join();

    EXPECT_TRUE(Scaled(window, width, height, scale) == image)
        << "the image is the screen, doubled";
    for (const auto* drawn : {&drawnA, &drawnB}) {
        for (const RECT& d : *drawn) {
            bool covered = false;
            for (const RECT& r : painted)
                covered = covered || Contains(r, d);
            EXPECT_TRUE(covered) << "a transfer at " << d.left << "," << d.top << " was painted";
        }
    }
    standin::DestroyScreenWindow(window);
}

TEST(DamagePathTest, PixelsTakeTheVisualsFormatAndAreRepeatedByTheScale) {
    HWND window = standin::CreateScreenWindow(4, 2);
    HDC dc = GetDC(window);
    FillSolid(dc, 0, 0, 1, 1, 0xFF0000);
    FillSolid(dc, 1, 0, 1, 1, 0x00FF00);
    FillSolid(dc, 2, 0, 1, 1, 0x0000FF);
    FillSolid(dc, 3, 0, 1, 1, 0x808080);
    ScreenImage rgb565(kRgb565, 3);
    EXPECT_EQ(0xF800u, rgb565.Pixel(0xFF0000));
    EXPECT_EQ(0x07E0u, rgb565.Pixel(0x00FF00));
    EXPECT_EQ(0x001Fu, rgb565.Pixel(0x0000FF));
    EXPECT_EQ(0x8410u, rgb565.Pixel(0x808080));
    const size_t stride = 4 * 3 * 2;
    std::vector<uint8_t> image(stride * 2 * 3, 0xAA);
    rgb565.Paint(window, RECT{0, 0, 4, 1}, image.data(), stride);
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 12; ++x) {
            uint16_t pixel;
            std::memcpy(&pixel, &image[size_t(row) * stride + size_t(x) * 2], 2);
            const uint16_t expected[4] = {0xF800, 0x07E0, 0x001F, 0x8410};
            EXPECT_EQ(expected[x / 3], pixel) << "row " << row << " column " << x;
        }
    }
    EXPECT_EQ(0xAA, image[3 * stride]) << "rows of the second line are untouched";

    ScreenImage msb({0xFF0000, 0xFF00, 0xFF, 32, true, 0}, 1);
    std::vector<uint8_t> big(16, 0);
    msb.Paint(window, RECT{0, 0, 4, 1}, big.data(), 16);
    const uint8_t bytes[4] = {0, 0xFF, 0, 0};  // 0x00FF0000, most significant first
    EXPECT_EQ(0, std::memcmp(bytes, big.data(), 4));

    ScreenImage bgr555({0x1F, 0x3E0, 0x7C00, 16, false, 0}, 1);
    EXPECT_EQ(0x001Fu, bgr555.Pixel(0xFF0000));
    EXPECT_EQ(0x7C00u, bgr555.Pixel(0x0000FF));
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

TEST(DamagePathTest, LayoutsItCannotDrawAreRefusedByName) {
    EXPECT_EQ("", ScreenImage::Refusal(kRgb32));
    EXPECT_EQ("", ScreenImage::Refusal(kRgb565));
    EXPECT_EQ("", ScreenImage::Refusal({0xFF0000, 0xFF00, 0xFF, 24, false, 0}));
    EXPECT_EQ("8 bits per pixel", ScreenImage::Refusal({0xE0, 0x1C, 0x3, 8, false, 0}));
    EXPECT_NE("", ScreenImage::Refusal({0x3FF00000, 0xFFC00, 0x3FF, 32, false, 0}))
        << "10-bit channels";
    EXPECT_NE("", ScreenImage::Refusal({0, 0, 0, 32, false, 0}));
    EXPECT_NE("", ScreenImage::Refusal({0xF0F000, 0xFF00, 0xFF, 32, false, 0}));
}

// Wide enough rows for the vector loops and their ends: every pixel of the
// image is the screen pixel above it, converted as Pixel converts it, in
// every layout and at scales 1 to 3.
TEST(DamagePathTest, EveryPixelOfAWideRowIsConvertedAndRepeated) {
    const int width = 37, height = 5;
    HWND window = standin::CreateScreenWindow(width, height);
    HDC dc = GetDC(window);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            FillSolid(dc, x, y, 1, 1, DWORD(x * 0x070503 + y * 0x302010 + 0x0A0B0C) & 0xFFFFFF);
    const PixelLayout layouts[] = {kRgb32,
                                   {0xFF0000, 0xFF00, 0xFF, 32, false, 0xFF000000},
                                   {0xFF, 0xFF00, 0xFF0000, 32, false, 0},
                                   kRgb565,
                                   {0x1F, 0x3E0, 0x7C00, 16, false, 0}};
    for (const PixelLayout& layout : layouts) {
        for (int scale = 1; scale <= 3; ++scale) {
            ScreenImage painter(layout, scale);
            const int bytes = layout.bitsPerPixel / 8;
            const size_t stride = size_t(width * scale * bytes) + 8;  // rows with a gap
            std::vector<uint8_t> image(stride * size_t(height * scale), 0xAA);
            // Off the left edge and one column short, so rows start and end
            // anywhere.
            painter.Paint(window, RECT{1, 0, width - 1, height}, image.data(), stride);
            int wrong = 0;
            for (int y = 0; y < height * scale; ++y) {
                for (int x = 0; x < width * scale; ++x) {
                    uint32_t got = 0;
                    std::memcpy(&got, &image[size_t(y) * stride + size_t(x * bytes)],
                                size_t(bytes));
                    const int sx = x / scale;
                    const uint32_t expected =
                        sx >= 1 && sx < width - 1
                            ? painter.Pixel(standin::WindowPixel(window, sx, y / scale))
                            : (bytes == 4 ? 0xAAAAAAAAu : 0xAAAAu);
                    wrong += got != expected;
                }
            }
            EXPECT_EQ(0, wrong) << layout.bitsPerPixel << " bits, red mask " << std::hex
                                << layout.redMask << ", scale " << scale;
        }
    }
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

TEST(DamagePathTest, EveryPixelOfAVisualWithAlphaIsOpaque) {
    EXPECT_EQ(0xFF000000u, OpaqueBits(32, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(0u, OpaqueBits(24, 0xFF0000, 0xFF00, 0xFF));
    EXPECT_EQ(0u, OpaqueBits(16, 0xF800, 0x7E0, 0x1F));
    HWND window = standin::CreateScreenWindow(3, 2);
    HDC dc = GetDC(window);
    FillSolid(dc, 0, 0, 1, 1, 0x123456);  // the rest stays black
    const PixelLayout argb = {0xFF0000, 0xFF00, 0xFF, 32, false, 0xFF000000};
    for (int scale = 1; scale <= 3; ++scale) {
        ScreenImage painter(argb, scale);
        EXPECT_EQ(0xFF000000u, painter.Pixel(0));
        const size_t stride = size_t(3 * scale) * 4;
        std::vector<uint32_t> image(size_t(3 * scale) * size_t(2 * scale), 0);
        painter.Paint(window, RECT{0, 0, 3, 2}, reinterpret_cast<uint8_t*>(image.data()), stride);
        for (size_t i = 0; i < image.size(); ++i) {
            const size_t x = i % size_t(3 * scale), y = i / size_t(3 * scale);
            const uint32_t expected =
                x < size_t(scale) && y < size_t(scale) ? 0xFF123456 : 0xFF000000;
            EXPECT_EQ(expected, image[i]) << "scale " << scale << " at " << x << "," << y;
        }
    }
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

// A w x h frame of colour `a` with the w x h block at (bx, by) in `b`, as
// the show draws its frames: one 8-bit DIB, one transfer.
void DrawFrameWithBlock(HDC dc, int w, int h, DWORD a, RECT block, DWORD b) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info = {};
    info.header = {sizeof(BITMAPINFOHEADER), w, -h, 1, 8, BI_RGB, 0, 0, 0, 2, 2};
    info.colours[0] = {BYTE(a), BYTE(a >> 8), BYTE(a >> 16), 0};
    info.colours[1] = {BYTE(b), BYTE(b >> 8), BYTE(b >> 16), 0};
    const int stride = (w + 3) / 4 * 4;
    std::vector<BYTE> bits(size_t(stride) * size_t(h), 0);
    for (int y = block.top; y < block.bottom; ++y)
        for (int x = block.left; x < block.right; ++x)
            bits[size_t(y) * size_t(stride) + size_t(x)] = 1;
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, bits.data(),
                                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DrawBitmap(dc, 0, 0, w, h, bitmap);
    DeleteObject(bitmap);
}

void ExpectRect(const RECT& expected, const RECT& got) {
    EXPECT_EQ(expected.left, got.left);
    EXPECT_EQ(expected.top, got.top);
    EXPECT_EQ(expected.right, got.right);
    EXPECT_EQ(expected.bottom, got.bottom);
}

// The player pushes what it is told: a frame that repeats what the screen
// shows must cost nothing, and one that changes a few rows only those.
TEST(DamagePathTest, OnlyTheRowsAFrameChangesAreReportedAndARepeatNotAtAll) {
    HWND window = standin::CreateScreenWindow(100, 80);
    HDC dc = GetDC(window);
    {
        DamageQueue queue(window);
        FillSolid(dc, 0, 0, 100, 80, 0x336699);
        std::vector<RECT> taken = queue.Take();
        ASSERT_EQ(1u, taken.size());
        ExpectRect({0, 0, 100, 80}, taken[0]);

        FillSolid(dc, 0, 0, 100, 80, 0x336699);
        EXPECT_FALSE(Readable(queue.WakeDescriptor())) << "a repeated frame wakes nobody";
        EXPECT_TRUE(queue.Take().empty());

        DrawFrameWithBlock(dc, 100, 80, 0x336699, {40, 30, 45, 33}, 0xFFFFFF);
        taken = queue.Take();
        ASSERT_EQ(1u, taken.size());
        ExpectRect({0, 30, 100, 33}, taken[0]);
        EXPECT_EQ(0xFFFFFFu, standin::WindowPixel(window, 44, 32));
        EXPECT_EQ(0x336699u, standin::WindowPixel(window, 45, 32));
    }
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

// The X image the server reads can be the screen itself: drawing lands in
// the lent memory at once, and taking it back keeps every pixel.
TEST(DamagePathTest, ALentScreenIsDrawnIntoAndGivenBackWhole) {
    HWND window = standin::CreateScreenWindow(64, 48);
    HDC dc = GetDC(window);
    FillSolid(dc, 0, 0, 64, 48, 0x102030);
    std::vector<uint32_t> lent(64 * 48, 0xDEADBEEF);
    ASSERT_TRUE(standin::LendWindowPixels(window, lent.data()));
    EXPECT_EQ(std::vector<uint32_t>(64 * 48, 0x102030), lent) << "what the window showed";
    FillSolid(dc, 8, 4, 2, 3, 0xA0B0C0);
    EXPECT_EQ(0xA0B0C0u, lent[4 * 64 + 8]);
    EXPECT_EQ(0xA0B0C0u, lent[6 * 64 + 9]);
    EXPECT_EQ(0x102030u, lent[7 * 64 + 9]);
    EXPECT_EQ(0xA0B0C0u, standin::WindowPixel(window, 9, 6)) << "read back from the loan";

    const std::vector<uint32_t> shown = lent;
    ASSERT_TRUE(standin::LendWindowPixels(window, nullptr));
    std::vector<DWORD> back = standin::WindowPixels(window);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), shown.begin(), shown.end()));
    FillSolid(dc, 0, 0, 64, 48, 0x000001);
    EXPECT_EQ(shown, lent) << "nothing drawn into memory given back";
    EXPECT_EQ(0x000001u, standin::WindowPixel(window, 63, 47));
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
    EXPECT_FALSE(standin::LendWindowPixels(window, lent.data())) << "no such window any more";
}

// The show's frames in 8-bit colours, on a w x h stage of `dc` at (x, y).
struct IndexedFrame {
    int w, h;
    std::vector<BYTE> bits;  // top row first, 4-byte aligned rows
};

void DrawIndexed(HDC dc, int x, int y, const IndexedFrame& frame, const DWORD (&table)[4],
                 bool stretched) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[4];
    } info = {};
    info.header = {sizeof(BITMAPINFOHEADER), frame.w, -frame.h, 1, 8, BI_RGB, 0, 0, 0, 4, 4};
    for (int i = 0; i < 4; ++i)
        info.colours[i] = {BYTE(table[i]), BYTE(table[i] >> 8), BYTE(table[i] >> 16), 0};
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, frame.bits.data(),
                                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (stretched) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, x, y, frame.w * 3 / 2, frame.h / 2, memory, 0, 0, frame.w, frame.h, SRCCOPY);
    } else {
        BitBlt(dc, x, y, frame.w, frame.h, memory, 0, 0, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

struct Reported {
    HWND window;
    std::vector<RECT> rects;
};

void Collect(void* context, HWND window, const RECT& changed) {
    auto* reported = static_cast<Reported*>(context);
    if (window == reported->window)
        reported->rects.push_back(changed);
}

// Reporting only changes keeps what the 8-bit frames last stored and skips
// what they repeat. Whatever else is drawn in between (other colour tables,
// stretched copies, the window copied onto itself, a lent screen), the
// screen ends up as drawing every frame whole leaves it, and every pixel
// that changed lies in a reported rectangle.
TEST(DamagePathTest, ReportingOnlyChangesLeavesTheScreenAsDrawingEverythingWould) {
    const int kWidth = 96, kHeight = 72;
    const DWORD tables[2][4] = {{0x000000, 0xFF0000, 0x00FF00, 0x0000FF},
                                {0x000000, 0xFF0000, 0xFFFFFF, 0x808080}};
    const POINT places[3] = {{8, 4}, {-6, 30}, {70, 60}};
    for (unsigned seed = 1; seed <= 8; ++seed) {
        HWND changes = standin::CreateScreenWindow(kWidth, kHeight);
        HWND whole = standin::CreateScreenWindow(kWidth, kHeight);
        HDC changesDc = GetDC(changes), wholeDc = GetDC(whole);
        std::vector<uint32_t> loan(size_t(kWidth) * kHeight);
        bool lent = false;
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        // Mostly one frame drawn again and again, a few pixels changed each
        // time, as a cross-fade does.
        IndexedFrame frame{37, 29, std::vector<BYTE>(size_t(40) * 29)};
        for (size_t row = 0; row < 29; ++row)  // flat rows, which match when moved
            std::fill_n(&frame.bits[row * 40], 40, BYTE(pick(4)));
        Reported reported{changes, {}};
        for (int step = 0; step < 400; ++step) {
            // First a frame, a stretched copy over its left edge, the frame
            // twice a little to the right, and once more where it was.
            const int script[5][2] = {{1, 5}, {14, 8}, {1, 8}, {1, 8}, {1, 5}};
            const int what = step < 5 ? script[step][0] : pick(20);
            const int shift[4] = {0, 0, -3, 5};  // now and then beside where it was
            POINT at = {places[pick(3)].x + shift[pick(4)], places[pick(3)].y};
            if (step < 5)
                at = {script[step][1], 4};
            const int table = step >= 5 && pick(8) == 0 ? 1 : 0;
            const RECT fill = {at.x - 4 + pick(9), at.y, 1 + pick(20), 1 + pick(20)};
            if (what < 14) {
                for (int n = pick(12); n > 0; --n)
                    frame.bits[size_t(pick(29)) * 40 + size_t(pick(37))] = BYTE(pick(4));
                if (what == 0) {  // a thinner frame over part of the last
                    frame.w = 37 - pick(20);
                    frame.h = 29 - pick(10);
                } else {
                    frame.w = 37;
                    frame.h = 29;
                }
            }
            const std::vector<DWORD> before = standin::WindowPixels(changes);
            reported.rects.clear();
            for (HDC dc : {changesDc, wholeDc}) {
                if (dc == changesDc)
                    standin::SetDamageHook(Collect, &reported, true);
                if (what < 14)
                    DrawIndexed(dc, at.x, at.y, frame, tables[table], false);
                else if (what < 17)
                    DrawIndexed(dc, at.x - 2, at.y, frame, tables[1 - table], true);
                else if (what < 18)
                    FillSolid(dc, fill.left, fill.top, fill.right, fill.bottom, 0xFF0000);
                else if (what == 18)
                    BitBlt(dc, at.x + 1, at.y + 2, 30, 20, dc, at.x, at.y, SRCCOPY);
                standin::SetDamageHook(nullptr, nullptr);
            }
            if (what == 19) {
                lent = !lent;
                ASSERT_TRUE(standin::LendWindowPixels(changes, lent ? loan.data() : nullptr));
            }
            const std::vector<DWORD> after = standin::WindowPixels(changes);
            ASSERT_EQ(standin::WindowPixels(whole), after) << "seed " << seed << " step " << step;
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    const size_t i = size_t(y) * kWidth + size_t(x);
                    if (before[i] == after[i])
                        continue;
                    const bool covered = std::any_of(
                        reported.rects.begin(), reported.rects.end(), [&](const RECT& r) {
                            return Contains(r, RECT{x, y, x + 1, y + 1});
                        });
                    ASSERT_TRUE(covered) << "seed " << seed << " step " << step << " at " << x
                                         << "," << y << " changed unreported";
                }
            }
        }
        if (lent)
            standin::LendWindowPixels(changes, nullptr);
        ReleaseDC(changes, changesDc);
        ReleaseDC(whole, wholeDc);
        standin::DestroyScreenWindow(changes);
        standin::DestroyScreenWindow(whole);
    }
}

}  // namespace
