// Fuzz target for content detection with the load dispatcher: the input as a
// file under a name whose ending the first byte picks (so that the extension
// warning, the rename question and their refusal run), loaded as the viewer
// loads it with every question answered No, then once more quietly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/codec.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "scratch_file.h"
#include "show_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kEndings[] = {".bmp", ".jpg", ".gif", ".png", ".tif", ".pcx", ".ico",
                                           ".ani", ".clp", ".psd", ".pgm", ".wmf", ".avi", ".g3", ".xyz"};
    const size_t which = size ? data[0] % (sizeof kEndings / sizeof *kEndings) : 0;
    const std::string path = fuzz::WriteScratchFile(data, size, "load", kEndings[which]);
    if (path.empty()) return 0;

    lg::LoadRequest req;
    req.silent = size % 2 == 0;
    req.noMultiImage = size % 3 == 0;
    req.paletteDisplay = size % 5 == 0;
    req.limits.maxBuffer = int64_t(64) << 20;
    lg::LoadUi ui;
    ui.askYesNo = [](const std::string&) { return false; };
    lg::PictureFacts facts;
    std::string name = path;
    fuzz::ShowLikeTheViewer(lg::LoadPicture(name, req, ui, facts));
    if (name != path) std::abort();  // renamed although the answer was No

    lg::ReadOptions opt;
    opt.limits = req.limits;
    opt.maxPixels = fuzz::kMaxConvertedPixels;
    lg::Status st;
    fuzz::ShowLikeTheViewer(lg::LoadQuiet(path, opt, st));
    std::remove(path.c_str());
    return 0;
}
