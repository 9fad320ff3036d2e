// Stand-in for the part of the Win32 API that the portable code calls.
//
// The show, imaging and effects code include <windows.h> and are written
// against the real API; on the Linux host this header and its
// implementation in platform/native take its place. Types keep their
// Windows widths (DWORD and LONG are 32 bits even on a 64-bit host), so the
// portable code computes exactly what it computes on Windows. Only what the
// calling code relies on is declared here.
#pragma once

#include <cstddef>
#include <cstdint>

// ---- Basic types ----
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LONG_PTR;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;

#define WINAPI
#define CALLBACK
#define APIENTRY

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name

typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef void* HGLOBAL;
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HPALETTE);
DECLARE_HANDLE(HRSRC);
DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;
DECLARE_HANDLE(HICON);
typedef HICON HCURSOR;
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HMONITOR);
typedef WORD ATOM;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))

// ---- Errors ----
DWORD GetLastError();
void SetLastError(DWORD error);
#define ERROR_SUCCESS 0L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// ---- Resources ----
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_VERSION MAKEINTRESOURCEA(16)

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// ---- Global memory ----
#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL memory);

// ---- Threads and time ----
typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags, LPDWORD threadId);
BOOL CloseHandle(HANDLE handle);
void Sleep(DWORD milliseconds);
DWORD GetCurrentThreadId();

// ---- Process start-up ----
typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;
#define STARTF_USESHOWWINDOW 0x00000001
#define SW_SHOWDEFAULT 10
void GetStartupInfoA(LPSTARTUPINFOA startup);
// The stand-in's ANSI code page is 1252, which has no double-byte characters.
BOOL IsDBCSLeadByte(BYTE byte);

// ---- Windows ----
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// The window a device context draws on; null for memory contexts.
HWND WindowFromDC(HDC dc);
BOOL GetClientRect(HWND window, LPRECT rect);

// Window classes and windows: enough for the saver's extra windows. Messages
// are delivered only by SendMessageA, straight to the window procedure.
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct tagWNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASSA;

#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TOOLWINDOW 0x00000080L
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10
#define SW_FORCEMINIMIZE 11

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_ACTIVATEAPP 0x001C
#define WM_KEYDOWN 0x0100
#define WM_SYSCOMMAND 0x0112
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_RBUTTONDOWN 0x0204
#define WM_MBUTTONDOWN 0x0207
#define SC_CLOSE 0xF060
#define SC_SCREENSAVE 0xF140
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))

ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int showCommand);
BOOL IsWindowVisible(HWND window);
BOOL GetWindowRect(HWND window, LPRECT rect);
// The client takes the window's new size and shows black until drawn on.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);

// ---- Monitors ----
#define MONITORINFOF_PRIMARY 0x00000001
typedef struct tagMONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
} MONITORINFO, *LPMONITORINFO;
typedef BOOL(CALLBACK* MONITORENUMPROC)(HMONITOR, HDC, LPRECT, LPARAM);
BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC callback, LPARAM data);
BOOL GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info);

// ---- GDI: palettes ----
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

HPALETTE CreatePalette(const LOGPALETTE* logicalPalette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

// ---- GDI: objects, device contexts, bitmaps ----
#define OBJ_PAL 5
#define OBJ_BITMAP 7
#define DEFAULT_PALETTE 15
#define BLACK_BRUSH 4
#define GDI_ERROR 0xFFFFFFFFL

HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#define BI_RGB 0L
#define CBM_INIT 0x04L
#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage);
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
int SetStretchBltMode(HDC dc, int mode);
