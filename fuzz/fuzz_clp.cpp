// Fuzz target for the clipboard-file reader, then the widening the viewer applies.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/side_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::Image img = lg::ReadClipboardFileFrom(in, "fuzz.clp", st);
    if (img && int64_t(img.width()) * img.height() <= (int64_t(1) << 22)) img = lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img)));
    return 0;
}
