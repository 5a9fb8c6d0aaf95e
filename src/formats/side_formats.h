// Small formats that wrap a bitmap or another reader: Windows clipboard files
// (device-independent and device-dependent bitmaps), the TIFF preview of
// encapsulated PostScript files, and Casio camera files (a JPEG stream
// behind a 54-byte header). Embedded streams are decoded in memory, so no
// temporary file is written.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/readers.h"
#include "formats/status.h"

namespace lg {

constexpr const char kClpNotValid[] = "This is not a valid Clipboard File !";
constexpr const char kClpUnsupported[] = "Unsupported Clipboard type !";
constexpr const char kEpsNotValid[] = "This is not a valid EPS File !";
constexpr const char kEpsNoPreview[] = "Sorry, no TIFF preview image in EPS !";
constexpr const char kCamNotValid[] = "This is not a valid Casio-Camera File !";
constexpr size_t kCasioHeaderBytes = 54;

// `name` fills the "Can't read file: %s" text.
Image ReadClipboardFileFrom(ByteSource& in, const std::string& name, Status& st);
Image ReadEpsPreviewFrom(ByteSource& in, const std::string& name, Status& st);
Image ReadCasioFrom(ByteSource& in, const ReadOptions& opt, const std::string& name, Status& st);

// The load dispatcher's entries.
Image LoadClipboardFile(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image LoadEpsPreview(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image LoadCasio(const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
