// Fuzz target for the Casio camera reader: the JPEG stream behind the header.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/side_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::ReadOptions opt;
    opt.paletteDisplay = size % 2 == 1;
    lg::Image img = lg::ReadCasioFrom(in, opt, "fuzz.cam", st);
    return 0;
}
