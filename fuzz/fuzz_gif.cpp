// Fuzz target for the GIF reader: any bytes in, the first image decoded, then
// the expansion to true colour the viewer applies.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/gif.h"

namespace {

// A few header bytes can ask for a gigabyte of zeros; allocating and
// converting it only repeats what small pictures already cover, at a few
// runs a second.
constexpr int64_t kMaxPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::GifFrameInfo frame;
    lg::Image img = lg::ReadGifFrom(in, 0, 0, frame, st, kMaxPixels);
    if (img) img = lg::ExpandTo24(std::move(img));
    return 0;
}
