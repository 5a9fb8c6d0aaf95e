// Truevision Targa pictures: colour-mapped, grey and true colour, plain and
// run-length encoded. Read only.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/readers.h"
#include "formats/status.h"

namespace lg {

Image ReadTargaFrom(ByteSource& in, Status& st);
Image ReadTarga(const std::string& path, Status& st);
Image LoadTarga(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
