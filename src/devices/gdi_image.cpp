#include "devices/gdi_image.h"

#include <vector>

namespace lg {

HPALETTE MakeDisplayPalette(const Image& img) {
    if (!img) return nullptr;
    uint32_t n = img.colorsUsed();
    if (n == 0 || n > 256) return nullptr;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = WORD(n);
    const uint8_t* table = img.palette();
    for (uint32_t i = 0; i < n; ++i) {
        lp->palPalEntry[i].peRed = table[4 * i + 2];
        lp->palPalEntry[i].peGreen = table[4 * i + 1];
        lp->palPalEntry[i].peBlue = table[4 * i];
        lp->palPalEntry[i].peFlags = 0;
    }
    return CreatePalette(lp);
}

HBITMAP MakeDeviceBitmap(const Image& img, HPALETTE palette) {
    if (!img) return nullptr;
    HDC dc = GetDC(nullptr);
    HPALETTE old = nullptr;
    if (palette) {
        old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    HBITMAP bmp = CreateDIBitmap(dc, reinterpret_cast<const BITMAPINFOHEADER*>(img.header()), CBM_INIT,
                                 img.pixels(), reinterpret_cast<const BITMAPINFO*>(img.header()),
                                 DIB_RGB_COLORS);
    if (old) SelectPalette(dc, old, FALSE);
    ReleaseDC(nullptr, dc);
    return bmp;
}

}  // namespace lg
