// What Windows' GDI does where the show relies on it, stated once and
// judged twice: natively against the stand-in, and in the Windows builds
// against Wine's real GDI. Transfers clip to the client area, bitmaps keep
// to one device context, compatible bitmaps take the context's format and
// colours come from the DIB's table. What only the stand-in can be asked
// (its records, and where it is stricter than Wine) is in
// GdiStandInTest.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/DrawSurface.h"
#include "support/SolidFill.h"

namespace {

const char kClassName[] = "Avrel GDI test window";

// A shown popup window whose client area is width x height, all black.
class ClientWindow {
public:
    ClientWindow(int width, int height) : width(width), height(height) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);  // fails harmlessly once registered
        window = CreateWindowExA(0, kClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                 nullptr, nullptr, nullptr, nullptr);
        dc = GetDC(window);
        FillSolid(dc, 0, 0, width, height, 0);
    }
    ~ClientWindow() {
        ReleaseDC(window, dc);
        DestroyWindow(window);
    }
    ClientWindow(const ClientWindow&) = delete;
    ClientWindow& operator=(const ClientWindow&) = delete;

    // The client area as 0xRRGGBB, top row first, copied out through a
    // block transfer from the window's own device context.
    std::vector<DWORD> Pixels() {
        DrawSurface copy(width, height);
        BitBlt(copy.Dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
        return copy.Pixels();
    }

    const int width;
    const int height;
    HWND window;
    HDC dc;
};

TEST(Gdi, TransfersToAWindowClipToItsClientArea) {
    ClientWindow client(10, 8);
    ASSERT_NE(nullptr, client.window);
    RECT rect = {};
    ASSERT_TRUE(GetClientRect(client.window, &rect));
    EXPECT_EQ(10, rect.right);
    EXPECT_EQ(8, rect.bottom);
    HBITMAP bitmap = SolidBitmap(client.dc, 4, 4, 0x112233);
    HDC memory = CreateCompatibleDC(client.dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(client.dc, 8, 6, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(client.dc, -2, -2, 4, 4, memory, 0, 0, SRCCOPY));
    std::vector<DWORD> pixels = client.Pixels();
    int lit = 0;
    for (DWORD p : pixels)
        lit += p == 0x112233;
    EXPECT_EQ(8, lit) << "2 x 2 of each transfer inside the client area";
    EXPECT_EQ(0x112233u, pixels[7 * 10 + 9]) << "the lower-right corner";
    EXPECT_EQ(0x112233u, pixels[0]) << "the upper-left corner";
    EXPECT_EQ(0u, pixels[2 * 10 + 2]) << "beyond the transfer up there";
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
}

TEST(Gdi, ABitmapLivesInOneDeviceContextAtATime) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 3);
    HDC first = CreateCompatibleDC(screen), second = CreateCompatibleDC(screen);
    HGDIOBJ stock = SelectObject(first, bitmap);
    EXPECT_NE(nullptr, stock) << "a new memory context holds a stock bitmap";
    EXPECT_EQ(nullptr, SelectObject(second, bitmap)) << "already selected elsewhere";
    EXPECT_EQ(nullptr, SelectObject(screen, bitmap)) << "window contexts take no bitmaps";
    EXPECT_EQ(bitmap, SelectObject(first, stock));
    EXPECT_NE(nullptr, SelectObject(second, bitmap)) << "free again once put back";
    DeleteDC(second);
    EXPECT_TRUE(DeleteObject(bitmap)) << "free once its context is gone";
    DeleteDC(first);
    ReleaseDC(nullptr, screen);
}

TEST(Gdi, CompatibleBitmapsFollowTheContextsFormat) {
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
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace
