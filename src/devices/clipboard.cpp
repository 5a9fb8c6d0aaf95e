#include "devices/clipboard.h"

#include <cstring>
#include <string>

#include "shell/gdi_image.h"

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

}  // namespace

bool PlacePicture(const Image& img) {
    if (!img) return false;
    bool ok = true;
    HGLOBAL dib = GlobalCopy(img.data(), img.size());
    if (!dib || !SetClipboardData(CF_DIB, dib)) {
        if (dib) GlobalFree(dib);
        ok = false;
    }
    HPALETTE palette = MakeDisplayPalette(img);
    HBITMAP bitmap = MakeDeviceBitmap(img, palette);
    if (!bitmap || !SetClipboardData(CF_BITMAP, bitmap)) {
        if (bitmap) DeleteObject(bitmap);
        ok = false;
    }
    if (palette && !SetClipboardData(CF_PALETTE, palette)) DeleteObject(palette);
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

}  // namespace lg
