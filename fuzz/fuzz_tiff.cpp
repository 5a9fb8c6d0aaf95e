// Fuzz target for the TIFF reader: the page count of any bytes, then the
// first few pages read from memory and widened as the viewer shows them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/bytes.h"
#include "formats/tiff.h"
#include "show_picture.h"

namespace {

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
        fuzz::ShowLikeTheViewer(lg::ReadTiffFrom(in, p == 0 ? 0 : offsets[p], st));
    }
    return 0;
}
