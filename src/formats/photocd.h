// Kodak Photo CD: image packs at the three base resolutions (turned upright
// by the pack's rotation bits) and overview packs as contact sheets of 25.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/image.h"
#include "formats/codec.h"
#include "formats/status.h"

namespace lg {

constexpr int kPcdSheetWidth = 960, kPcdSheetHeight = 649;
constexpr int kPcdThumbsPerSheet = 25;
constexpr int kPcdLastSheetStart = 76;  // overview packs hold 100 pictures

// One image pack at resolution 0 (192 x 128), 1 (384 x 256) or 2 (768 x 512);
// any other value reads 384 x 256. An overview pack gives no picture and
// sets `overview`.
Image ReadPhotoCdFrom(ByteSource& in, int resolution, bool& overview, Status& st);

// The contact sheet of thumbnails first .. first + 24 (numbered from 1),
// 24-bit, or reduced to 256 colours for a palette display.
Image ReadPcdOverviewFrom(ByteSource& in, int first, bool paletteDisplay, Status& st);
Image ReadPcdOverview(const std::string& path, int first, bool paletteDisplay, Status& st);

// The stored luma and chroma of one pixel as blue, green, red.
void PcdToBgr(int luma, int chroma1, int chroma2, uint8_t* bgr);

// The format table's reader: an overview pack is read as its first sheet
// and marked in facts.pcdOverview.
Image LoadPhotoCd(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts& facts);

}  // namespace lg
