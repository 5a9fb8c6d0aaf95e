// Fuzz target for the PNG reader: any bytes in, then the widening and the
// expansion to true colour the viewer applies.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/png.h"
#include "show_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    fuzz::ShowLikeTheViewer(lg::ReadPngFrom(in, st));
    return 0;
}
