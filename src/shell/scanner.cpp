// The scanner commands through the TWAIN source manager, loaded at run time
// from the Windows directory: choosing the source, and acquiring one picture
// from the default source by native transfer. Without the manager, or without
// a source, the user is told so.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include <string>

#include "core/messages.h"
#include "core/packed_dib.h"
#include "ops/quantize.h"
#include "shell/edit.h"
#include "shell/logic/texts.h"
#include "shell/twain_protocol.h"

namespace lg {
namespace {

using namespace twain;

// The source manager, opened on the main window for one command.
struct SourceManager {
    HMODULE dll = nullptr;
    DsmEntry entry = nullptr;
    TwIdentity app = {};
    HWND parent = nullptr;
    bool open = false;

    explicit SourceManager(HWND owner) : parent(owner) {
        char path[MAX_PATH] = "";
        GetWindowsDirectoryA(path, MAX_PATH);
        lstrcatA(path, "\\TWAIN_32.DLL");
        dll = LoadLibraryA(path);
        if (!dll) dll = LoadLibraryA("TWAIN_32.DLL");
        if (dll) entry = reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(GetProcAddress(dll, "DSM_Entry")));
        if (!entry) return;
        app.version.major = 1;
        app.version.language = 13;  // English
        app.version.country = 1;
        lstrcpynA(app.version.info, "1.0", sizeof app.version.info);
        app.protocolMajor = 1;
        app.protocolMinor = 9;
        app.supportedGroups = kDgControl | kDgImage;
        lstrcpynA(app.manufacturer, kProductName, sizeof app.manufacturer);
        lstrcpynA(app.productFamily, kProductName, sizeof app.productFamily);
        lstrcpynA(app.productName, kProductName, sizeof app.productName);
        open = entry(&app, nullptr, kDgControl, kDatParent, kMsgOpenDsm, &parent) == kSuccess;
    }
    ~SourceManager() {
        if (open) entry(&app, nullptr, kDgControl, kDatParent, kMsgCloseDsm, &parent);
        if (dll) FreeLibrary(dll);
    }
    uint16_t Identity(uint16_t msg, TwIdentity* source) {
        return entry(&app, nullptr, kDgControl, kDatIdentity, msg, source);
    }
    uint16_t ToSource(TwIdentity* source, uint32_t group, uint16_t dat, uint16_t msg, void* data) {
        return entry(&app, source, group, dat, msg, data);
    }
};

// A source opened and enabled for one acquisition; everything it opened is
// closed again on every way out.
struct OpenSource {
    SourceManager& m;
    TwIdentity* id;
    bool opened = false, enabled = false;
    TwUserInterface ui = {};

    OpenSource(SourceManager& manager, TwIdentity* source) : m(manager), id(source) {
        opened = m.Identity(kMsgOpenDs, id) == kSuccess;
        if (!opened) return;
        ui.showUI = 1;
        ui.parent = m.parent;
        enabled = m.ToSource(id, kDgControl, kDatUserInterface, kMsgEnableDs, &ui) == kSuccess;
    }
    ~OpenSource() {
        if (enabled) m.ToSource(id, kDgControl, kDatUserInterface, kMsgDisableDs, &ui);
        if (opened) m.Identity(kMsgCloseDs, id);
    }
};

// One picture by native transfer; the pending transfers are ended either way.
Image TakeNativeTransfer(SourceManager& m, TwIdentity* source, std::string* why) {
    HANDLE dib = nullptr;  // the source's global block, ours once the transfer is done
    const uint16_t rc = m.ToSource(source, kDgImage, kDatImageNativeTransfer, kMsgGet, &dib);
    Image img;
    if (rc == kTransferDone && dib) {
        if (const void* p = GlobalLock(dib)) {
            img = PictureFromPackedDib(static_cast<const uint8_t*>(p), GlobalSize(dib), why);
            GlobalUnlock(dib);
        }
    }
    if (dib) GlobalFree(dib);
    TwPendingTransfers pending = {};
    m.ToSource(source, kDgControl, kDatPendingTransfers, kMsgEndTransfer, &pending);
    if (pending.count != 0) m.ToSource(source, kDgControl, kDatPendingTransfers, kMsgReset, &pending);
    return img;
}

// Hands every message to the source until it has a picture ready (which is
// then taken) or asks to be closed. Other messages are dispatched as usual,
// so the windows stay alive while the source works.
Image WaitForPicture(SourceManager& m, TwIdentity* source, std::string* why) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TwEvent ev = {&msg, 0};
        if (m.ToSource(source, kDgControl, kDatEvent, kMsgProcessEvent, &ev) == kDsEvent) {
            if (ev.message == kMsgTransferReady) return TakeNativeTransfer(m, source, why);
            if (ev.message == kMsgCloseRequest || ev.message == kMsgCloseOk) return Image();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    PostQuitMessage(int(msg.wParam));  // the program's own loop ends too
    return Image();
}

// False, after telling the user, when there is no manager to talk to.
bool Usable(App& app, SourceManager& m) {
    if (m.open) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NoScanner), MB_ICONINFORMATION);
    return false;
}

// The default source; false, after telling the user, when there is none.
bool DefaultSource(App& app, SourceManager& m, TwIdentity* source) {
    if (m.Identity(kMsgGetDefault, source) == kSuccess) return true;
    ShowMessage(app.mainWindow, Msg(MsgId::NoScanSource), MB_ICONINFORMATION);
    return false;
}

}  // namespace

void SelectScannerSource(App& app) {
    SourceManager m(app.mainWindow);
    TwIdentity source = {};
    if (!Usable(app, m) || !DefaultSource(app, m, &source)) return;
    m.Identity(kMsgUserSelect, &source);  // cancelling keeps the previous choice
}

void AcquireFromScanner(App& app) {
    SourceManager m(app.mainWindow);
    TwIdentity source = {};
    if (!Usable(app, m) || !DefaultSource(app, m, &source)) return;
    std::string why;
    Image img;
    {
        OpenSource open(m, &source);
        if (!open.enabled) {
            ShowMessage(app.mainWindow, Msg(MsgId::NoScanSource), MB_ICONINFORMATION);
            return;
        }
        img = WaitForPicture(m, &source, &why);
    }  // disabled and closed before the picture is shown
    if (!img) {
        ShowMessage(app.mainWindow, why.empty() ? Msg(MsgId::ScanFailed) : Format("%s\n\n%s", Msg(MsgId::ScanFailed), why.c_str()),
                    MB_ICONINFORMATION);
        return;
    }
    SendMessageA(app.mainWindow, kMsgScannedPicture, 0, reinterpret_cast<LPARAM>(&img));
}

void ShowScannedPicture(App& app, Image& delivered) {
    Image img = delivered.Duplicate();
    delivered = Image();
    if (img && app.paletteDisplay && img.bitCount() == 24) img = ReduceColors(img, 256);
    if (!img) {
        ShowMessage(app.mainWindow, Msg(MsgId::CantAllocate), MB_ICONINFORMATION);
        return;
    }
    StopAnimation(app);
    app.undo = Image();
    app.zoom = Zoom();
    app.fileName = kScanImageName;
    app.facts = PictureFacts();
    app.facts.bitCount = img.bitCount();
    app.facts.width = img.width();
    app.facts.height = img.height();
    ShowPicture(app, std::move(img));
}

}  // namespace lg
