// Windows metafiles: placeable (Aldus), plain Windows 3.x and enhanced ones,
// opened as an enhanced metafile and drawn into a picture through GDI, and
// the enhanced-metafile writer. Drawing needs GDI: the native build refuses
// metafiles with a clear error text. The size arithmetic is portable.
#pragma once

#include <cstdint>
#include <string>

#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF" at offset 40
constexpr size_t kPlaceableHeaderBytes = 22;

// The extents, in hundredths of a millimetre, of a placeable header's box
// (0 when it gives no units per inch).
void PlaceableExtents(const uint8_t* header22, int& xExt, int& yExt);

// The size in pixels an enhanced metafile asks for: its frame (hundredths of
// a millimetre) on its reference device (pixels and millimetres).
int NaturalSize(int frameLow, int frameHigh, int devicePixels, int deviceMm);

// What a metafile is, by its first bytes: 0 none, 1 enhanced, 2 placeable,
// 3 plain Windows 3.x.
int MetafileKind(const uint8_t* data, size_t size);

// The format table's reader: the metafile drawn at its natural size into a
// 24-bit picture; the info text names the kind.
Image LoadMetafile(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st,
                   PictureFacts& facts);

// The picture drawn 1:1 into an enhanced metafile (the native build refuses
// and says that it needs Windows).
bool WriteEnhancedMetafile(const Image& img, const std::string& path);
// The format table's writer, and the copy it needs on a 256-colour screen.
bool SaveEmf(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);
Image EmfSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure);

}  // namespace lg
