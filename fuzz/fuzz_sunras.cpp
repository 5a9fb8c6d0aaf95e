// Fuzz target for the Sun raster reader: any bytes in, then the same widening and
// expansion the viewer applies to every picture it shows.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/sunras.h"
#include "show_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    fuzz::ShowLikeTheViewer(lg::ReadSunRasterFrom(in, st));
    return 0;
}
