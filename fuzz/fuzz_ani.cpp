// Fuzz target for the animated-cursor reader: the step count, the first icon,
// and the whole frame table with every frame composed once.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/ani.h"
#include "formats/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    (void)lg::CountAniSteps(in);
    lg::Image first = lg::ReadAnimatedCursor(in, nullptr, st);
    lg::Animation anim;
    lg::Image again = lg::ReadAnimatedCursor(in, &anim, st);
    if (again && !anim.frames.empty()) {
        anim.cursorDelays = true;
        anim.canvasWidth = again.width();
        anim.canvasHeight = again.height();
        for (size_t i = 0; i < anim.frames.size() && i < 8; ++i) (void)lg::ComposeFrame(anim, int(i));
    }
    return 0;
}
