// Windows and OS/2 bitmaps: uncompressed, RLE8, RLE4 and bit-field files in;
// uncompressed files out.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/status.h"

namespace lg {

Image ReadBmp(const std::string& path, Status& st);
Image ReadBmpFrom(ByteSource& in, Status& st);
// 1 on success; on failure the error text says why and no existing file is touched.
bool WriteBmp(const std::string& path, const Image& img, Status& st);

}  // namespace lg
