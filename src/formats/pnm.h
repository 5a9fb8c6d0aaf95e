// Portable bitmap, greymap and pixmap files (PBM, PGM, PPM), plain and raw,
// sharing one header parser. Read only.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

enum class PnmKind { Pbm, Pgm, Ppm };

// PBM gives a 1-bit picture (0 white, 1 black), PGM an 8-bit grey one,
// PPM a 24-bit one. Samples are scaled from the file's maximum to 255.
Image ReadPnmFrom(ByteSource& in, PnmKind kind, Status& st);

// The format table's readers, one per kind.
Image LoadPbm(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image LoadPgm(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);
Image LoadPpm(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
