// Raw Group 3 fax files: one-dimensional Modified Huffman rows, each ended by
// an end-of-line code, decoded with our own decoder into a 1-bit picture.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

constexpr int kFaxRowPixels = 1728;
constexpr int kFaxMaxRows = 4300;

// One row of the code tables: kind (23 white terminating, 24 white make-up,
// 25 black terminating, 26 black make-up, 27 extended make-up of both
// colours), code value, length in bits, run length.
struct FaxCode {
    uint8_t kind;
    uint16_t code;
    uint8_t bits;
    uint16_t run;
};
const FaxCode* FaxCodes(size_t* count);

// The picture: as wide as the longest row, entry 0 white, entry 1 black.
Image ReadFaxG3From(ByteSource& in, Status& st);

}  // namespace lg
