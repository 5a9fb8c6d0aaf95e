#include "devices/clipboard.h"

#include <cstring>
#include <string>

#include "core/messages.h"
#include "devices/devices.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "shell/app.h"
#include "shell/gdi_image.h"
#include "shell/logic/device_logic.h"
#include "shell/view.h"

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

void PlaceFormat(App& app, UINT format) {
    const Image& source = app.devices.copySource ? app.devices.copySource : app.current;
    HANDLE h = RenderFormat(format, source);
    if (h && !SetClipboardData(format, h)) FreeRendered(format, h);
}

void PlaceAllFormats(App& app) {
    if (OpenClipboard(app.mainWindow)) {
        EmptyClipboard();
        for (UINT format : {UINT(CF_DIB), UINT(CF_BITMAP), UINT(CF_PALETTE)})
            SendMessageA(app.mainWindow, kMsgPlaceFormat, format, 0);
        CloseClipboard();
    }
    app.devices.copySource = Image();
    UpdateToolbar(app);
}

void CopyToClipboard(App& app) {
    UpdateToolbar(app);
    if (!app.current) return;
    if (app.hasSelection) {
        app.devices.copySource = CropRect(app.current, SelectionBufferRect(app));
        if (!app.devices.copySource) return;
    }
    SendMessageA(app.mainWindow, kMsgPlaceAllFormats, 0, 0);
    UpdateToolbar(app);
}

void PasteFromClipboard(App& app) {
    ShowEmpty(app);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!OpenClipboard(app.mainWindow)) {
        SetCursor(arrow);
        return;
    }
    Image img;
    if (HANDLE h = GetClipboardData(CF_DIB)) {
        if (const void* p = GlobalLock(h)) {
            img = PictureFromPackedDib(static_cast<const uint8_t*>(p), GlobalSize(h));
            GlobalUnlock(h);
        }
    }
    if (!img) {
        ShowMessage(app.mainWindow, Msg(MsgId::CantPaste), MB_ICONWARNING | MB_TASKMODAL);
        SetCursor(arrow);
        CloseClipboard();
        return;
    }
    // Bitmaps of 16 and 32 bits arrive widened to 24 bits; on a 256-colour
    // display a 24-bit picture is reduced as a loaded one is.
    if (app.paletteDisplay && img.bitCount() == 24) {
        Image reduced = ReduceColors(img, 256);
        if (!reduced) {
            ShowMessage(app.mainWindow, Msg(MsgId::CantQuantize256), MB_ICONWARNING | MB_TASKMODAL);
            SetCursor(arrow);
            CloseClipboard();
            return;
        }
        img = std::move(reduced);
    }
    app.fileName = "<Clipboard>";
    app.facts = PictureFacts();
    app.facts.bitCount = img.bitCount();
    app.facts.width = img.width();
    app.facts.height = img.height();
    ShowPicture(app, std::move(img));
    UpdateWindow(app.mainWindow);
    SetCursor(arrow);
    CloseClipboard();
}

void ClearClipboard(App& app) {
    if (OpenClipboard(app.mainWindow)) {
        EmptyClipboard();
        CloseClipboard();
    }
    UpdateToolbar(app);
}

}  // namespace lg
