#include "devices/clipboard.h"

#include <cstring>
#include <string>

#include "core/packed_dib.h"
#include "devices/gdi_image.h"

namespace lg {
namespace {

// A movable global block holding a copy of `n` bytes, for SetClipboardData.
HGLOBAL GlobalCopy(const void* data, size_t n) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
    if (!block) return nullptr;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(p, data, n);
    GlobalUnlock(block);
    return block;
}

void FreeRendered(UINT format, HANDLE h) {
    if (!h) return;
    if (format == CF_DIB) GlobalFree(h);
    else DeleteObject(h);
}

}  // namespace

HANDLE RenderFormat(UINT format, const Image& img) {
    if (!img) return nullptr;
    switch (format) {
    case CF_DIB: return GlobalCopy(img.data(), img.size());
    case CF_PALETTE: return MakeDisplayPalette(img);
    case CF_BITMAP: {
        HPALETTE palette = MakeDisplayPalette(img);
        HBITMAP bitmap = MakeDeviceBitmap(img, palette);
        if (palette) DeleteObject(palette);
        return bitmap;
    }
    default: return nullptr;
    }
}

bool PlacePicture(const Image& img) {
    if (!img) return false;
    bool ok = true;
    for (UINT format : {UINT(CF_DIB), UINT(CF_BITMAP), UINT(CF_PALETTE)}) {
        HANDLE h = RenderFormat(format, img);
        if (h && SetClipboardData(format, h)) continue;
        FreeRendered(format, h);
        if (format != CF_PALETTE) ok = false;  // a picture without a colour table has no palette
    }
    return ok;
}

bool PlaceText(const std::string& text) {
    HGLOBAL block = GlobalCopy(text.c_str(), text.size() + 1);
    if (!block) return false;
    if (!SetClipboardData(CF_TEXT, block)) {
        GlobalFree(block);
        return false;
    }
    return true;
}

void PlaceOneFormat(UINT format, const Image& img) {
    HANDLE h = RenderFormat(format, img);
    if (h && !SetClipboardData(format, h)) FreeRendered(format, h);
}

Image ClipboardPicture() {
    Image img;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        if (const void* p = GlobalLock(h)) {
            img = PictureFromPackedDib(static_cast<const uint8_t*>(p), GlobalSize(h));
            GlobalUnlock(h);
        }
    }
    return img;
}

}  // namespace lg
