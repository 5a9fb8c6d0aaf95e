// Fuzz target for the TIFF reader: the page count of any bytes, then the
// first few pages read from memory and widened as the viewer shows them.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/tiff.h"

namespace {

// Reading a huge picture is worth trying; converting it pixel by pixel only
// repeats what smaller ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;
constexpr size_t kPagesTried = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource counter = lg::ByteSource::FromMemory(data, size);
    std::vector<uint32_t> offsets;
    lg::CountTiffPagesIn(counter, offsets);
    if (offsets.empty()) offsets.push_back(0);
    for (size_t p = 0; p < offsets.size() && p < kPagesTried; ++p) {
        lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
        lg::Status st;
        lg::Image img = lg::ReadTiffFrom(in, p == 0 ? 0 : offsets[p], st);
        if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels) {
            img = lg::WidenToWorkingDepth(std::move(img));
            if (img) img = lg::ExpandTo24(std::move(img));
        }
    }
    return 0;
}
