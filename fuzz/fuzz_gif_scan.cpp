// Fuzz target for multi-image GIF files: the scan, every frame read at the
// positions the scan found, preparation, and the composition of each frame
// twice round (the second pass reuses merged frames).
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/animation.h"

namespace {

// Larger canvases only cost time; their arithmetic is the same.
constexpr int64_t kMaxComposedPixels = int64_t(1) << 18;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::GifScan scan;
    if (lg::ScanGif(in, scan) <= 0) return 0;
    if (int64_t(scan.canvasWidth) * scan.canvasHeight > kMaxComposedPixels) return 0;
    lg::ByteSource again = lg::ByteSource::FromMemory(data, size);
    lg::Animation anim;
    lg::Status st;
    if (!lg::LoadGifFramesFrom(again, anim, st)) return 0;
    lg::PrepareGifFrames(anim);
    const int count = int(anim.frames.size());
    for (int i = 0, n = 0; n < 2 * count; ++n, i = lg::NextFrame(anim, i)) {
        lg::ComposeFrame(anim, i);
        lg::FrameDelayMs(anim, i);
    }
    return 0;
}
