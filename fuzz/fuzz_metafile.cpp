// Fuzz target for the metafile parser: the kind found in the header, the
// placeable header's extents and the natural size from a frame; in the Windows
// build also the whole load (conversion of Windows 3.x records and drawing
// through GDI), which the replay of this target runs under Wine.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/codec.h"
#include "formats/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)lg::MetafileKind(data, size);
    if (size >= lg::kPlaceableHeaderBytes) {
        int x = 0, y = 0;
        lg::PlaceableExtents(data, x, y);
    }
    if (size >= 16) {
        const int32_t* v = reinterpret_cast<const int32_t*>(data);  // memory from libFuzzer is aligned
        (void)lg::NaturalSize(v[0], v[1], v[2], v[3]);
    }
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::ReadOptions opt;
    opt.limits.maxBuffer = int64_t(64) << 20;  // drawing a huge frame only repeats small ones
    in.setLimits(opt.limits);
    lg::Status st;
    lg::PictureFacts facts;
    (void)lg::LoadMetafile(in, "fuzz.wmf", opt, st, facts);
    return 0;
}
