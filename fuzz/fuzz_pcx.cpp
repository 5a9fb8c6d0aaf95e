// Fuzz target for the PCX and DCX readers: a DCX file's first few pages, or
// the bytes as one PCX picture, then the expansion the viewer applies.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/pcx.h"

namespace {

// Reading a huge picture is worth trying; converting it pixel by pixel only
// repeats what smaller ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;
constexpr size_t kPagesTried = 3;

void Show(lg::Image img) {
    if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels) img = lg::ExpandTo24(std::move(img));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    const std::vector<uint32_t> pages = lg::ReadDcxPageTable(in);
    if (pages.empty()) {
        Show(lg::ReadPcxFrom(in, 0, size, st));
        return 0;
    }
    for (size_t p = 0; p < pages.size() && p < kPagesTried; ++p) Show(lg::ReadDcxPageFrom(in, pages, pages[p], st));
    return 0;
}
