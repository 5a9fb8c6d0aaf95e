// Fuzz target for animated WebP: the frame table through libwebp's demuxer
// and animation decoder, with every frame composed once as the player shows
// it. Still files are covered by fuzz_readers.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/animation.h"
#include "formats/webp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Animation anim;
    if (lg::LoadWebpFramesFrom(in, anim, st))
        for (size_t i = 0; i < anim.frames.size() && i < 8; ++i) (void)lg::ComposeFrame(anim, int(i));
    return 0;
}
