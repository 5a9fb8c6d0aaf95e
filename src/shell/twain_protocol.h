// The records and codes of the TWAIN protocol that the scanner commands use,
// laid out as the source manager and its sources read them (2-byte packing).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace lg {
namespace twain {

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
// The parent window is a field of the platform's handle size.
struct TwUserInterface {
    uint16_t showUI, modalUI;
    HANDLE parent;
};
struct TwEvent {
    void* event;  // the MSG
    uint16_t message;
};
struct TwPendingTransfers {
    uint16_t count;
    uint32_t reserved;
};
#pragma pack(pop)
// Any other size or offset would hand the other side garbage.
static_assert(sizeof(TwVersion) == 42, "TW_VERSION is 42 bytes");
static_assert(sizeof(TwIdentity) == 156, "TW_IDENTITY is 156 bytes");
static_assert(offsetof(TwIdentity, version) == 4 && offsetof(TwIdentity, protocolMajor) == 46 &&
                  offsetof(TwIdentity, supportedGroups) == 50 && offsetof(TwIdentity, manufacturer) == 54,
              "TW_IDENTITY field offsets");
static_assert(sizeof(TwPendingTransfers) == 6, "TW_PENDINGXFERS is 6 bytes");

using DsmEntry = uint16_t(WINAPI*)(TwIdentity*, TwIdentity*, uint32_t, uint16_t, uint16_t, void*);

constexpr uint32_t kDgControl = 1, kDgImage = 2;
constexpr uint16_t kDatNull = 0, kDatEvent = 2, kDatIdentity = 3, kDatParent = 4, kDatPendingTransfers = 5,
                   kDatUserInterface = 9, kDatImageNativeTransfer = 0x104;
constexpr uint16_t kMsgNull = 0, kMsgGet = 1, kMsgGetDefault = 3, kMsgReset = 7, kMsgTransferReady = 0x101,
                   kMsgCloseRequest = 0x102, kMsgCloseOk = 0x103, kMsgOpenDsm = 0x301, kMsgCloseDsm = 0x302,
                   kMsgOpenDs = 0x401, kMsgCloseDs = 0x402, kMsgUserSelect = 0x403, kMsgDisableDs = 0x501,
                   kMsgEnableDs = 0x502, kMsgProcessEvent = 0x601, kMsgEndTransfer = 0x701;
constexpr uint16_t kSuccess = 0, kFailure = 1, kDsEvent = 4, kNotDsEvent = 5, kTransferDone = 6;

}  // namespace twain
}  // namespace lg
