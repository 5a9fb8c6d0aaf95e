// Fuzz target for the JPEG reader: any bytes in, decoded with one of the
// reader's variants (plain, grey, 256 colours, reduced scale), then the
// expansion to true colour the viewer applies.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/jpeg.h"

namespace {

// Converting a huge picture pixel by pixel only repeats what small ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The length picks the variant, so every seed is tried in each over time.
    lg::ReadOptions opt;
    opt.grayscale = size % 4 == 1;
    opt.paletteDisplay = size % 4 == 2;
    opt.previewWidth = size % 4 == 3 ? 64 : 0;
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadJpegFrom(in, opt, st);
    if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels) img = lg::ExpandTo24(std::move(img));
    return 0;
}
