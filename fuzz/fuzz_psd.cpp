// Fuzz target for the Photoshop reader: any bytes in, then the same widening and
// expansion the viewer applies to every picture it shows.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/psd.h"

namespace {

// Reading a huge picture is worth trying; converting it pixel by pixel only
// repeats what smaller ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadPsdFrom(in, st);
    if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels) {
        img = lg::WidenToWorkingDepth(std::move(img));
        if (img) img = lg::ExpandTo24(std::move(img));
    }
    return 0;
}
