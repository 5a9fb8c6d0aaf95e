// Sun raster files: standard and byte-encoded, 1, 8, 24 and 32 bits deep.
// Read only.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

Image ReadSunRasterFrom(ByteSource& in, Status& st);

}  // namespace lg
