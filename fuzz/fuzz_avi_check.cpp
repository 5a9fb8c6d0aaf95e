// Fuzz target for the AVI check before frames are extracted: the signature
// test on the first bytes, and the space estimate and information text from
// the stream header's fields (width, height, depth, frame count) as a file
// may hold them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/image.h"
#include "devices/logic/device_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool avi = lg::LooksLikeAvi(data, size);
    if (avi && size < 10) std::abort();
    if (size < 16 + 4) return 0;
    const int w = int32_t(lg::GetLE32(data + size - 16)), h = int32_t(lg::GetLE32(data + size - 12));
    const int bits = int32_t(lg::GetLE32(data + size - 8)), frames = int32_t(lg::GetLE32(data + size - 4));
    (void)lg::ExtractSpaceMB(bits, w, h, frames);
    const std::string dir(reinterpret_cast<const char*>(data), std::min<size_t>(size - 16, 1000));
    (void)lg::AviInformationText(w, h, bits, frames, dir.c_str());
    return 0;
}
