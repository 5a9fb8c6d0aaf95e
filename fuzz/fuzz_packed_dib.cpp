// Fuzz target for packed bitmaps handed over by other programs (clipboard
// paste, video frames): header, masks, colour table and rows as they come.
#include <cstddef>
#include <cstdint>

#include "core/packed_dib.h"

namespace {

void Try(const uint8_t* data, size_t size) {
    lg::Image img = lg::PictureFromPackedDib(data, size);
    // A picture that came out must be whole: touch the end of its last row.
    if (img) {
        volatile uint8_t last = img.row(img.height() - 1)[img.stride() - 1];
        (void)last;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Try(data, size);
    // The seed pictures are BMP files: their block follows the 14-byte file header.
    if (size > 14 && data[0] == 'B' && data[1] == 'M') Try(data + 14, size - 14);
    return 0;
}
