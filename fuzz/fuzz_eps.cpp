// Fuzz target for the EPS preview reader (the TIFF part goes through libtiff from memory).
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/side_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadEpsPreviewFrom(in, "fuzz.eps", st);
    return 0;
}
