// Fuzz target for the BMP reader: any bytes in, then the same widening and
// expansion the viewer applies to every picture it shows.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/bmp.h"

namespace {

// A few header bytes can ask for a picture of a gigabyte; reading one is
// worth trying, but converting it pixel by pixel takes seconds and only
// repeats what smaller pictures already cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadBmpFrom(in, st);
    if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels) {
        img = lg::WidenToWorkingDepth(std::move(img));
        if (img) img = lg::ExpandTo24(std::move(img));
    }
    return 0;
}
