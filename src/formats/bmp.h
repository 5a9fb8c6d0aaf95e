// Windows and OS/2 bitmaps: uncompressed, RLE8, RLE4 and bit-field files in;
// uncompressed files out.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"

namespace lg {

Image ReadBmpFrom(ByteSource& in, Status& st);
// The file read by name, for tools and tests.
Image ReadBmp(const std::string& path, Status& st);
// 1 on success; on failure the error text says why and no existing file is touched.
bool WriteBmp(const std::string& path, const Image& img, Status& st);

// The format table's writer.
bool SaveBmp(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

}  // namespace lg
