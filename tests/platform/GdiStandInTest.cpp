// What only the stand-in can be asked about its graphics, and where it is
// stricter than Wine: the record of block transfers the tests read, the
// count of live objects, and stretching, which it does only as COLORONCOLOR
// does. What it shares with Windows is checked in GdiTest.cpp, which also
// runs under Wine.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "standin/StandIn.h"
#include "support/DrawSurface.h"
#include "support/SolidFill.h"

namespace {

// A 10 x 8 screen window and a 4 x 4 bitmap of 0x112233 to copy onto it.
class BlitLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = standin::CreateScreenWindow(10, 8);
        dc = GetDC(window);
        bitmap = SolidBitmap(dc, 4, 4, 0x112233);
        memory = CreateCompatibleDC(nullptr);
        old = SelectObject(memory, bitmap);
    }
    void TearDown() override {
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
        ReleaseDC(window, dc);
        standin::DestroyScreenWindow(window);
    }

    bool Copy(int x, int y) { return BitBlt(dc, x, y, 4, 4, memory, 0, 0, SRCCOPY) != FALSE; }

    HWND window = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HDC memory = nullptr;
    HGDIOBJ old = nullptr;
};

TEST_F(BlitLogTest, TransfersToAWindowAreLoggedAsAskedFor) {
    standin::UseVirtualClock(777);
    standin::RecordBlits(true);
    EXPECT_TRUE(Copy(8, 6));
    EXPECT_TRUE(Copy(-2, -2));

    std::vector<standin::BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(777u, log[0].time);
    EXPECT_EQ(window, log[0].window);
    EXPECT_EQ(GetCurrentThreadId(), log[0].threadId);
    EXPECT_EQ(12, log[0].rect.right) << "the rectangle as asked for, before clipping";
    EXPECT_EQ(-2, log[1].rect.left);
    standin::RecordBlits(false);
    standin::UseRealClock();
}

// A program that draws all night keeps no record of its drawing: only a
// test that asks gets one, and stopping frees it.
TEST_F(BlitLogTest, TransfersAreLoggedOnlyWhileRecording) {
    EXPECT_TRUE(Copy(0, 0));
    EXPECT_TRUE(standin::BlitLog().empty()) << "recorded before anyone asked";
    EXPECT_EQ(0x112233u, standin::WindowPixel(window, 1, 1)) << "drawn all the same";

    standin::RecordBlits(true);
    EXPECT_TRUE(Copy(4, 0));
    EXPECT_EQ(1u, standin::BlitLog().size());
    standin::RecordBlits(true);
    EXPECT_TRUE(standin::BlitLog().empty()) << "starting again starts an empty log";

    EXPECT_TRUE(Copy(4, 4));
    standin::RecordBlits(false);
    EXPECT_TRUE(standin::BlitLog().empty()) << "stopping drops the log";
    EXPECT_TRUE(Copy(0, 4));
    EXPECT_TRUE(standin::BlitLog().empty()) << "recorded after recording stopped";
}

// Where Wine is kinder than Windows 10 and 11, the stand-in does as Windows
// does, so that a fault shows here that Wine would forgive: Windows refuses
// to delete a bitmap still selected into a device context (Wine says yes
// and deletes it once it is put back), and refuses a negative size (Wine
// makes a bitmap of the size without its sign).
TEST(GdiStandInTest, StricterThanWineAndEveryObjectFreed) {
    long objects = standin::LiveGdiObjects();
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 3);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    EXPECT_EQ(objects + 3, standin::LiveGdiObjects()) << "a window context, a bitmap, a memory one";
    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_EQ(bitmap, SelectObject(memory, stock)) << "and still there";
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(screen, -1, 2));
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(bitmap));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(objects, standin::LiveGdiObjects());
}

// Windows combines the source pixels of a shrink in BLACKONWHITE (its
// default) and WHITEONBLACK; the stand-in picks pixels only as COLORONCOLOR
// does, so it refuses to stretch in another mode rather than draw what
// Windows would not. Copies of the same size do not stretch.
TEST(GdiStandInTest, StretchesOnlyInColorOnColor) {
    DrawSurface target(8, 8);
    HBITMAP bitmap = SolidBitmap(target.Dc(), 4, 4, 0x112233);
    HDC memory = CreateCompatibleDC(target.Dc());
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int mode : {BLACKONWHITE, WHITEONBLACK, HALFTONE}) {
        SetStretchBltMode(target.Dc(), mode);
        EXPECT_FALSE(StretchBlt(target.Dc(), 0, 0, 2, 2, memory, 0, 0, 4, 4, SRCCOPY))
            << "a shrink in mode " << mode;
        EXPECT_TRUE(StretchBlt(target.Dc(), 4, 4, 4, 4, memory, 0, 0, 4, 4, SRCCOPY))
            << "a copy in mode " << mode;
    }
    std::vector<DWORD> pixels = target.Pixels();
    EXPECT_EQ(0u, target.Pixel(pixels, 0, 0)) << "no shrink drawn";
    EXPECT_EQ(0x112233u, target.Pixel(pixels, 4, 4)) << "the copies drawn";
    SetStretchBltMode(target.Dc(), COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(target.Dc(), 0, 0, 2, 2, memory, 0, 0, 4, 4, SRCCOPY));
    pixels = target.Pixels();
    EXPECT_EQ(0x112233u, target.Pixel(pixels, 1, 1)) << "the shrink in COLORONCOLOR";
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

}  // namespace
