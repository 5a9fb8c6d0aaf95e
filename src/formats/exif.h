// The Exif block of a photo (the payload of a JPEG APP1 marker: "Exif\0\0"
// and a TIFF structure): its orientation, and a copy fit to be written
// again. Every offset and count is checked against the block; a block that
// lies yields "no orientation" or no copy, never a read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lg {

// The orientation tag (274) of the first IFD: 1 to 8, or 0 when the block
// holds none or is malformed.
int ExifOrientation(const uint8_t* data, size_t size);

// A copy of the block to write into a saved photo: the embedded thumbnail
// (the second IFD) unlinked and the bytes behind the last data still in use
// cut off; with `resetOrientation` the orientation tag set to 1. Empty when
// the block is malformed (offsets past the end, IFD loops, absurd counts):
// such a block is not written again.
std::vector<uint8_t> ExifForSaving(const uint8_t* data, size_t size, bool resetOrientation);

// True when `data` starts with the Exif identifier.
bool IsExifBlock(const uint8_t* data, size_t size);

}  // namespace lg
