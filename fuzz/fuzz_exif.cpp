// Fuzz target for the Exif parser: any bytes, read as they are and behind
// the Exif identifier, give an orientation of 0 to 8 and a copy for saving
// no larger than the block, never a read outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t kIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> block(kIdentifier, kIdentifier + 6);
    block.insert(block.end(), data, data + size);
    for (const std::vector<uint8_t>& b : {std::vector<uint8_t>(data, data + size), block}) {
        const int o = lg::ExifOrientation(b.data(), b.size());
        if (o < 0 || o > 8) std::abort();
        // The copy for saving never grows, and keeps or resets the orientation.
        for (bool reset : {false, true}) {
            const std::vector<uint8_t> kept = lg::ExifForSaving(b.data(), b.size(), reset);
            if (kept.size() > b.size()) std::abort();
            if (kept.empty()) continue;
            const int k = lg::ExifOrientation(kept.data(), kept.size());
            if (reset ? k > 1 : k != o) std::abort();
        }
    }
    return 0;
}
