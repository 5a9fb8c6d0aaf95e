#include "devices/capture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace lg {
namespace {

constexpr size_t kMaxWindows = 50;

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (list->size() >= kMaxWindows) return FALSE;
    char title[256] = "";
    if (!IsWindowVisible(w) || GetWindowTextA(w, title, sizeof title) <= 0) return TRUE;
    if (std::string(title) == "Program Manager") return TRUE;
    list->push_back(w);
    return TRUE;
}

// The screen rectangle copied into a device bitmap; null for an empty one.
HBITMAP GrabRect(RECT r) {
    if (r.right <= r.left || r.bottom <= r.top) return nullptr;
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!screen) return nullptr;
    r.left = std::max(r.left, LONG(0));
    r.top = std::max(r.top, LONG(0));
    r.right = std::min(r.right, LONG(GetDeviceCaps(screen, HORZRES)));
    r.bottom = std::min(r.bottom, LONG(GetDeviceCaps(screen, VERTRES)));
    HBITMAP bitmap = nullptr;
    if (r.right > r.left && r.bottom > r.top) {
        HDC mem = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
        if (mem && bitmap) {
            HGDIOBJ old = SelectObject(mem, bitmap);
            BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
            SelectObject(mem, old);
        }
        if (mem) DeleteDC(mem);
    }
    DeleteDC(screen);
    return bitmap;
}

// The palette the display works with now.
HPALETTE SystemPalette() {
    HDC dc = GetDC(nullptr);
    int n = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(dc, SIZEPALETTE) : 0;
    n = std::min(std::max(n, 0), 256);
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(n);
    if (n) GetSystemPaletteEntries(dc, 0, UINT(n), lp->palPalEntry);
    ReleaseDC(nullptr, dc);
    return n ? CreatePalette(lp) : nullptr;
}

// A device bitmap as a picture of 1, 4, 8 or 24 bits.
Image BitmapToImage(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm;
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return Image();
    const int planesBits = bm.bmPlanes * bm.bmBitsPixel;
    const int depth = planesBits <= 1 ? 1 : planesBits <= 4 ? 4 : planesBits <= 8 ? 8 : 24;
    Image img = Image::Create(bm.bmWidth, bm.bmHeight, depth, DefaultColorsFor(depth));
    if (!img) return img;
    HDC dc = GetDC(nullptr);
    HPALETTE old = SelectPalette(dc, palette ? palette : HPALETTE(GetStockObject(DEFAULT_PALETTE)), FALSE);
    RealizePalette(dc);
    // GetDIBits fills the header and colour table in place: both are ours.
    auto* info = reinterpret_cast<BITMAPINFO*>(img.header());
    int lines = GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), img.pixels(), info, DIB_RGB_COLORS);
    SelectPalette(dc, old, FALSE);
    ReleaseDC(nullptr, dc);
    if (lines != bm.bmHeight) return Image();
    img.setResolution(0, 0);
    return img;
}

Image CaptureScreenRect(RECT r) {
    HBITMAP bitmap = GrabRect(r);
    if (!bitmap) return Image();
    HPALETTE palette = SystemPalette();
    Image img = BitmapToImage(bitmap, palette);
    DeleteObject(bitmap);
    if (palette) DeleteObject(palette);
    if (img) PutLE32(img.header() + 32, img.bitCount() < 16 ? 1u << img.bitCount() : 0u);
    return img;
}

Image CaptureWindow(HWND w, int mode) {
    RECT r;
    if (!w) return Image();
    if (mode == kCaptureWindow) {
        GetWindowRect(w, &r);
    } else if (mode == kCaptureClient) {
        GetClientRect(w, &r);
        POINT a{r.left, r.top}, b{r.right, r.bottom};
        ClientToScreen(w, &a);
        ClientToScreen(w, &b);
        r = RECT{a.x, a.y, b.x, b.y};
    } else {
        return Image();
    }
    return CaptureScreenRect(r);
}

RECT WholeScreen() {
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Puts `target` on top of everything and lets it paint.
void BringForward(HWND target) {
    if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
    SetWindowPos(target, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(target);
    SetForegroundWindow(target);
    SetFocus(target);
    // The window may belong to another program that has not yet noticed what
    // was uncovered: have it paint everything now, and wait until it has.
    RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
}

void PutBack(HWND target) {
    SetWindowPos(target, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace

std::vector<HWND> CaptureCandidates() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

Image CaptureScreen() { return CaptureScreenRect(WholeScreen()); }

Image CaptureWindowInFront(HWND target, int mode) {
    BringForward(target);
    Image img = CaptureWindow(target, mode);
    PutBack(target);
    return img;
}

}  // namespace lg
