// The message table: every text the user reads in a message box, label or
// title, in one place so that all of them can be replaced together.
#pragma once

namespace lg {

// The product name: message box titles, the window title's prefix.
constexpr const char kProductName[] = "Lumagrove";

enum class MsgId {
    NoPicture,
    SaveError,
    DecodeError,
    CantReadHeader,
    CantQuantize256,
    CantRename,
    UnsupportedSaveType,
    ErrorCantLoad,
    WarningTheFile,
    IsA,
    IncorrectExtensionRename,
    IncorrectExtension,
    IncorrectExtensionMedia,
    ReplaceFile,
    AnimatedGif,
    Images,
    Pages,
    PhotoCdOverview,
    CantLoadAccelerators,
    ServiceCantLoad,
    ServiceCantQuantize,
    NotInThisBuild,
    NotAvailableYet,
    NotAvailableZoom,
    NotAvailableIf,
    ZoomMaximum,
    ZoomMinimum,
    Files,
    Or,
    For,
    AllFiles,
    Pixels,
    Million,
    None,
    NotAFile,
    Of,
    DirectoryDisabled,
    Milliseconds,
    Count
};

const char* Msg(MsgId id);

}  // namespace lg
