// The clipboard commands of the main window: Copy (the picture or the
// dragged selection), Paste and Clear.
#include <windows.h>

#include "core/messages.h"
#include "devices/clipboard.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "shell/app.h"
#include "shell/device_commands.h"
#include "shell/view.h"

namespace lg {

void PlaceFormat(App& app, UINT format) {
    PlaceOneFormat(format, app.devices.copySource ? app.devices.copySource : app.current);
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

// The pasted picture replaces the current one only once it has arrived: with
// no bitmap on the clipboard, or one that cannot be taken, the picture shown
// stays, with its undo copy.
void PasteFromClipboard(App& app) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    if (!OpenClipboard(app.mainWindow)) {
        SetCursor(arrow);
        return;
    }
    Image img = ClipboardPicture();
    CloseClipboard();
    const char* failure = nullptr;
    if (!img) {
        failure = Msg(MsgId::CantPaste);
    } else if (app.paletteDisplay && img.bitCount() == 24) {
        // Bitmaps of 16 and 32 bits arrive widened to 24 bits; on a
        // 256-colour display a 24-bit picture is reduced as a loaded one is.
        img = ReduceColors(img, 256);
        if (!img) failure = Msg(MsgId::CantQuantize256);
    }
    if (failure) {
        SetCursor(arrow);
        ShowMessage(app.mainWindow, failure, MB_ICONWARNING | MB_TASKMODAL);
        return;
    }
    StopAnimation(app);
    app.undo = Image();
    app.zoom = Zoom();
    app.fileName = "<Clipboard>";
    app.facts = PictureFacts();
    app.facts.bitCount = img.bitCount();
    app.facts.width = img.width();
    app.facts.height = img.height();
    ShowPicture(app, std::move(img));
    UpdateWindow(app.mainWindow);
    SetCursor(arrow);
}

void ClearClipboard(App& app) {
    if (OpenClipboard(app.mainWindow)) {
        EmptyClipboard();
        CloseClipboard();
    }
    UpdateToolbar(app);
}

}  // namespace lg
