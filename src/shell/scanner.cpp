// The scanner commands through the TWAIN source manager, loaded at run time
// from the Windows directory: choosing the source, and finding the source to
// acquire from. Without the manager, or without a source, the user is told so.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "core/messages.h"
#include "shell/edit.h"

namespace lg {
namespace {

#pragma pack(push, 2)
struct TwVersion {
    uint16_t major, minor, language, country;
    char info[34];
};
struct TwIdentity {
    uint32_t id;
    TwVersion version;
    uint16_t protocolMajor, protocolMinor;
    uint32_t supportedGroups;
    char manufacturer[34], productFamily[34], productName[34];
};
#pragma pack(pop)
// The source manager reads these records as laid out in its 2-byte packing:
// any other size or offset would hand it garbage.
static_assert(sizeof(TwVersion) == 42, "TW_VERSION is 42 bytes");
static_assert(sizeof(TwIdentity) == 156, "TW_IDENTITY is 156 bytes");
static_assert(offsetof(TwIdentity, version) == 4 && offsetof(TwIdentity, protocolMajor) == 46 &&
                  offsetof(TwIdentity, supportedGroups) == 50 && offsetof(TwIdentity, manufacturer) == 54,
              "TW_IDENTITY field offsets");

using DsmEntry = uint16_t(WINAPI*)(TwIdentity*, TwIdentity*, uint32_t, uint16_t, uint16_t, void*);

constexpr uint32_t kDgControl = 1, kDgImage = 2;
constexpr uint16_t kDatParent = 4, kDatIdentity = 3;
constexpr uint16_t kMsgOpenDsm = 0x301, kMsgCloseDsm = 0x302, kMsgGetDefault = 3, kMsgUserSelect = 0x403;
constexpr uint16_t kSuccess = 0;

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
};

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
    // Transferring from a real source is not built yet.
    ShowMessage(app.mainWindow, Msg(MsgId::NotAvailableYet), MB_ICONINFORMATION);
}

}  // namespace lg
