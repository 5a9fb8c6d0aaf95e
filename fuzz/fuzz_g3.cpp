// Fuzz target for the G3 fax decoder.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/fax_g3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadFaxG3From(in, st);
    return 0;
}
