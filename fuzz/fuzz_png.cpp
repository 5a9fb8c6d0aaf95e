// Fuzz target for the PNG reader: any bytes in, then the widening and the
// expansion to true colour the viewer applies.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/png.h"

namespace {

// Converting a huge picture pixel by pixel only repeats what small ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadPngFrom(in, st);
    if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels)
        img = lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img)));
    return 0;
}
