#include "core/messages.h"

namespace lg {
namespace {

const char* const kMessages[] = {
#define MSG(id, text) text,
#include "core/messages.def"
#undef MSG
};
static_assert(sizeof kMessages / sizeof kMessages[0] == int(MsgId::Count), "message table out of step");

}  // namespace

const char* Msg(MsgId id) { return kMessages[int(id)]; }

}  // namespace lg
