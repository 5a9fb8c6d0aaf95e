// Printing pictures one per sheet, placed as the "Print Options" dialog says.
#pragma once

#include <windows.h>

#include <string>

#include "core/image.h"
#include "devices/logic/device_logic.h"
#include "formats/codec.h"

namespace lg {

// What the "Print Options" dialog chose.
struct PrintChoice {
    int mode = kPrintHorizontalFit;
    float sx = 1.0f, sy = 1.0f;  // the factors of kPrintScale
};

// The printer dialog, then `img` on one sheet as the document `docName`.
// False when the job was not started or a sheet failed.
bool PrintPicture(HWND owner, const std::string& docName, const Image& img, const PrintChoice& c);
// The same for every page of the multipage file `path`, read one after the
// other; a page that cannot be read is skipped.
bool PrintPages(HWND owner, const std::string& path, const PictureFacts& facts, const PrintChoice& c);

}  // namespace lg
