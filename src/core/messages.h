// The message table: every text the user reads in a message box, label or
// title, in one place so that all of them can be replaced together.
#pragma once

namespace lg {

// The product name: message box titles, the window title's prefix.
constexpr const char kProductName[] = "Lumagrove";

enum class MsgId {
#define MSG(id, text) id,
#include "core/messages.def"
#undef MSG
    Count
};

const char* Msg(MsgId id);

}  // namespace lg
