// Fuzz target for the Photo CD reader: the smallest image pack size (the
// larger ones decode the same rows further into the file) and, for an
// overview pack, its first sheet.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/photocd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    bool overview = false;
    lg::Image img = lg::ReadPhotoCdFrom(in, size % 3 == 0 ? 0 : 1, overview, st);
    if (overview) img = lg::ReadPcdOverviewFrom(in, 1 + int(size % 4) * 25, false, st);
    return 0;
}
