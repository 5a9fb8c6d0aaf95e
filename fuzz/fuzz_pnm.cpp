// Fuzz target for the PBM, PGM and PPM readers: the same bytes through each
// of the three (whichever the first bytes do not suit refuses them quickly).
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/pnm.h"

namespace {

// Reading a huge picture is worth trying; converting it pixel by pixel only
// repeats what smaller ones cover.
constexpr int64_t kMaxConvertedPixels = int64_t(1) << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (lg::PnmKind kind : {lg::PnmKind::Pbm, lg::PnmKind::Pgm, lg::PnmKind::Ppm}) {
        lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
        lg::Status st;
        lg::Image img = lg::ReadPnmFrom(in, kind, st);
        if (img && int64_t(img.width()) * img.height() <= kMaxConvertedPixels)
            img = lg::ExpandTo24(std::move(img));
    }
    return 0;
}
