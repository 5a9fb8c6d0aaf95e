// Truevision Targa pictures: colour-mapped, grey and true colour, plain and
// run-length encoded. Read only.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

Image ReadTargaFrom(ByteSource& in, Status& st);

}  // namespace lg
