// The stand-in's windows and bitmaps behave as Windows does where the
// effects rely on it: transfers clip to the client area and are logged,
// bitmaps keep to one device context, colours come from the DIB's table.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "standin/StandIn.h"
#include "support/SolidFill.h"

namespace {

TEST(GdiStandInTest, TransfersToAWindowClipToItsClientAreaAndAreLogged) {
    HWND window = standin::CreateScreenWindow(10, 8);
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(10, client.right);
    EXPECT_EQ(8, client.bottom);
    HDC dc = GetDC(window);
    HBITMAP bitmap = SolidBitmap(dc, 4, 4, 0x112233);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    standin::UseVirtualClock(777);
    standin::RecordBlits(true);
    EXPECT_TRUE(BitBlt(dc, 8, 6, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, -2, -2, 4, 4, memory, 0, 0, SRCCOPY));
    std::vector<DWORD> pixels = standin::WindowPixels(window);
    int lit = 0;
    for (DWORD p : pixels)
        lit += p == 0x112233;
    EXPECT_EQ(8, lit) << "2 x 2 of each transfer inside the client area";
    EXPECT_EQ(0x112233u, standin::WindowPixel(window, 9, 7));
    EXPECT_EQ(0x112233u, standin::WindowPixel(window, 0, 0));
    EXPECT_EQ(0u, standin::WindowPixel(window, 2, 2));

    std::vector<standin::BlitRecord> log = standin::BlitLog();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(777u, log[0].time);
    EXPECT_EQ(window, log[0].window);
    EXPECT_EQ(GetCurrentThreadId(), log[0].threadId);
    EXPECT_EQ(12, log[0].rect.right) << "the rectangle as asked for, before clipping";
    EXPECT_EQ(-2, log[1].rect.left);
    standin::RecordBlits(false);
    standin::UseRealClock();

    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

// A program that draws all night keeps no record of its drawing: only a
// test that asks gets one, and stopping frees it.
TEST(GdiStandInTest, TransfersAreLoggedOnlyWhileRecording) {
    HWND window = standin::CreateScreenWindow(10, 8);
    HDC dc = GetDC(window);
    HBITMAP bitmap = SolidBitmap(dc, 4, 4, 0x112233);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);

    EXPECT_TRUE(BitBlt(dc, 0, 0, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(standin::BlitLog().empty()) << "recorded before anyone asked";
    EXPECT_EQ(0x112233u, standin::WindowPixel(window, 1, 1)) << "drawn all the same";

    standin::RecordBlits(true);
    EXPECT_TRUE(BitBlt(dc, 4, 0, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(1u, standin::BlitLog().size());
    standin::RecordBlits(true);
    EXPECT_TRUE(standin::BlitLog().empty()) << "starting again starts an empty log";

    EXPECT_TRUE(BitBlt(dc, 4, 4, 4, 4, memory, 0, 0, SRCCOPY));
    standin::RecordBlits(false);
    EXPECT_TRUE(standin::BlitLog().empty()) << "stopping drops the log";
    EXPECT_TRUE(BitBlt(dc, 0, 4, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(standin::BlitLog().empty()) << "recorded after recording stopped";

    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(window, dc);
    standin::DestroyScreenWindow(window);
}

TEST(GdiStandInTest, ABitmapLivesInOneDeviceContextAtATime) {
    long objects = standin::LiveGdiObjects();
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 3);
    HDC first = CreateCompatibleDC(screen), second = CreateCompatibleDC(screen);
    HGDIOBJ stock = SelectObject(first, bitmap);
    EXPECT_NE(nullptr, stock) << "a new memory context holds a stock bitmap";
    EXPECT_EQ(nullptr, SelectObject(second, bitmap)) << "already selected elsewhere";
    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_EQ(nullptr, SelectObject(screen, bitmap)) << "window contexts take no bitmaps";
    EXPECT_EQ(bitmap, SelectObject(first, stock));
    EXPECT_NE(nullptr, SelectObject(second, bitmap));
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap)) << "free once its context is gone";
    DeleteDC(first);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(objects, standin::LiveGdiObjects());
}

TEST(GdiStandInTest, CompatibleBitmapsFollowTheContextsFormat) {
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP mono = SolidBitmap(memory, 2, 2, 0x204060);  // the stock bitmap is monochrome
    HDC screen = GetDC(nullptr);
    HBITMAP colour = SolidBitmap(screen, 2, 2, 0x204060);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD pixels[4] = {};
    ASSERT_EQ(2, GetDIBits(screen, colour, 0, 2, pixels, &info, DIB_RGB_COLORS));
    EXPECT_EQ(0x204060u, pixels[3]) << "colour from the table";
    ASSERT_EQ(2, GetDIBits(screen, mono, 0, 2, pixels, &info, DIB_RGB_COLORS));
    EXPECT_EQ(0u, pixels[3]) << "a dark colour in a monochrome bitmap is black";
    EXPECT_EQ(nullptr, CreateCompatibleBitmap(screen, -1, 2));
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace
