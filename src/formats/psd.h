// Adobe Photoshop files, read from their merged picture: bitmap, grey,
// duotone, indexed, RGB and CMYK modes, 8 or 16 bits per channel, raw or
// run-length encoded. Read only.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

// CMYK pictures come back 32 bits deep (blue, green, red, black) for the
// caller's usual widening to 24 bits.
Image ReadPsdFrom(ByteSource& in, Status& st);

}  // namespace lg
