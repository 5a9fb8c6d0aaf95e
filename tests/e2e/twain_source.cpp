// A TWAIN data source for the end-to-end tests, built as "sane.ds", the name
// under which Wine's source manager looks for a source. It delivers the BMP
// file named by LUMAGROVE_SCAN_BMP by native transfer (or fails as
// LUMAGROVE_SCAN_MODE asks: "fail" refuses the transfer, "huge" hands over a
// bitmap wider than any picture may be) and appends every operation it is
// asked for to the file named by LUMAGROVE_SCAN_LOG.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/twain_protocol.h"

namespace {

using namespace lg::twain;

TwIdentity self = {};
bool ready = false;  // a picture waits for the application to ask for it

std::string Env(const char* name) {
    char value[1024] = "";
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

void Log(const char* what) {
    const std::string path = Env("LUMAGROVE_SCAN_LOG");
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "a")) {
        std::fprintf(f, "%s\n", what);
        std::fclose(f);
    }
}

UINT ReadyMessage() {
    static const UINT message = RegisterWindowMessageA("Lumagrove.TestSource.Ready");
    return message;
}

// The BMP file without its file header, in a global block.
HGLOBAL Picture() {
    std::vector<uint8_t> dib;
    if (Env("LUMAGROVE_SCAN_MODE") == "huge") {
        dib.assign(40 + 64, 0);
        const int32_t header[] = {40, 300000, 4};  // size, width, height
        std::memcpy(dib.data(), header, sizeof header);
        dib[12] = 1;   // planes
        dib[14] = 24;  // bits
    } else {
        FILE* f = std::fopen(Env("LUMAGROVE_SCAN_BMP").c_str(), "rb");
        if (!f) return nullptr;
        std::vector<uint8_t> file;
        uint8_t buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) file.insert(file.end(), buf, buf + n);
        std::fclose(f);
        if (file.size() <= 14) return nullptr;
        dib.assign(file.begin() + 14, file.end());
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    if (!block) return nullptr;
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    return block;
}

// The picture is ready: the source manager is told (a manager that queues
// the notice for the application's event loop takes it), and a message of our
// own reaches the application's window for a manager that does not.
void AnnounceTransfer(TwIdentity* app, HWND parent) {
    ready = true;
    if (HMODULE dsm = GetModuleHandleA("twain_32.dll")) {
        auto entry = reinterpret_cast<DsmEntry>(reinterpret_cast<void*>(GetProcAddress(dsm, "DSM_Entry")));
        if (entry && entry(&self, app, kDgControl, kDatNull, kMsgTransferReady, nullptr) == kSuccess) return;
    }
    PostMessageA(parent, ReadyMessage(), 0, 0);
}

uint16_t Control(TwIdentity* origin, uint16_t dat, uint16_t msg, void* data) {
    switch (dat) {
    case kDatIdentity:
        if (msg == kMsgGet) {
            auto* id = static_cast<TwIdentity*>(data);
            const uint32_t keep = id->id;
            *id = self;
            id->id = keep;
            return kSuccess;
        }
        if (msg == kMsgOpenDs) {
            self.id = static_cast<TwIdentity*>(data)->id;
            Log("open");
            return kSuccess;
        }
        if (msg == kMsgCloseDs) {
            Log("close");
            ready = false;
            return kSuccess;
        }
        return kFailure;
    case kDatUserInterface: {
        // TW_USERINTERFACE: two 16-bit flags, then the parent window.
        HWND parent = *reinterpret_cast<HWND*>(static_cast<uint8_t*>(data) + 4);
        if (msg == kMsgEnableDs) {
            Log("enable");
            AnnounceTransfer(origin, parent);
            return kSuccess;
        }
        if (msg == kMsgDisableDs) {
            Log("disable");
            ready = false;
            return kSuccess;
        }
        return kFailure;
    }
    case kDatEvent: {
        if (msg != kMsgProcessEvent) return kFailure;
        auto* ev = static_cast<TwEvent*>(data);
        const MSG* m = static_cast<const MSG*>(ev->event);
        if (m->message != ReadyMessage()) return kNotDsEvent;
        ev->message = ready ? kMsgTransferReady : kMsgNull;
        return kDsEvent;
    }
    case kDatPendingTransfers: {
        auto* p = static_cast<TwPendingTransfers*>(data);
        p->count = 0;
        Log(msg == kMsgEndTransfer ? "end transfer" : msg == kMsgReset ? "reset" : "pending");
        return kSuccess;
    }
    default:
        return kFailure;
    }
}

}  // namespace

extern "C" __declspec(dllexport) uint16_t WINAPI DS_Entry(TwIdentity* origin, uint32_t group, uint16_t dat,
                                                         uint16_t msg, void* data) {
    if (!self.productName[0]) {
        self.version.major = 1;
        lstrcpynA(self.version.info, "1.0", sizeof self.version.info);
        self.protocolMajor = 1;
        self.protocolMinor = 9;
        self.supportedGroups = kDgControl | kDgImage;
        lstrcpynA(self.manufacturer, "Lumagrove tests", sizeof self.manufacturer);
        lstrcpynA(self.productFamily, "Test source", sizeof self.productFamily);
        lstrcpynA(self.productName, "Lumagrove test source", sizeof self.productName);
    }
    if (group == kDgControl) return Control(origin, dat, msg, data);
    if (group == kDgImage && dat == kDatImageNativeTransfer && msg == kMsgGet) {
        ready = false;
        if (Env("LUMAGROVE_SCAN_MODE") == "fail") {
            Log("transfer refused");
            return kFailure;
        }
        HGLOBAL picture = Picture();
        if (!picture) return kFailure;
        *static_cast<HGLOBAL*>(data) = picture;
        Log("transfer");
        return kTransferDone;
    }
    return kFailure;
}
