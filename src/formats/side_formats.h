// Small formats that wrap a bitmap or another reader: Windows clipboard files
// (device-independent and device-dependent bitmaps), the TIFF preview of
// encapsulated PostScript files, and Casio camera files (a JPEG stream
// behind a 54-byte header). Embedded streams are decoded in memory, so no
// temporary file is written.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

constexpr size_t kCasioHeaderBytes = 54;

// `name` fills the "Can't read file: %s" text.
Image ReadClipboardFileFrom(ByteSource& in, const std::string& name, Status& st);
Image ReadEpsPreviewFrom(ByteSource& in, const std::string& name, Status& st);
Image ReadCasioFrom(ByteSource& in, const ReadOptions& opt, const std::string& name, Status& st);

// The format table's readers.
Image LoadClipboardFile(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st,
                        PictureFacts& facts);
Image LoadEpsPreview(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st,
                     PictureFacts& facts);
Image LoadCasio(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
