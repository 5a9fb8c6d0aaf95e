// Amiga IFF pictures: ILBM with 1 to 8 planes, extra half-brite,
// hold-and-modify (HAM6, HAM8, SHAM), 24 planes, the chunky PBM variant, and
// the first picture of an ANIM. Read only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

Image ReadIffFrom(ByteSource& in, Status& st);

// Byte-run (PackBits) decoding of one row of `len` bytes, as IFF and
// Photoshop store it: control n < 128 is followed by n + 1 literals, n > 128
// by one byte repeated 257 - n times, 128 does nothing. Output beyond the
// row is dropped. False when the data ends first.
bool UnpackByteRun(ByteSource& in, uint8_t* dst, size_t len);

}  // namespace lg
