// Fuzz target for the clipboard service's copy-data path: the path taken out
// of the message block, then the quiet load that serves it. The block is the
// input itself; the picture the service loads is the input too, written to a
// scratch file, since a path made of fuzz bytes names no file worth reading.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/codec.h"
#include "formats/load.h"
#include "shell/logic/command_line.h"
#include "scratch_file.h"
#include "show_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = lg::CopyDataPath(data, size);
    // ANSI text converted to UTF-8 takes at most 3 bytes a byte.
    if (path.size() > 3 * size || path.find('\0') != std::string::npos) std::abort();

    const std::string scratch = fuzz::WriteScratchFile(data, size, "copy-data", ".bin");
    if (scratch.empty()) return 0;
    lg::ReadOptions opt;
    opt.limits.maxBuffer = int64_t(64) << 20;
    opt.maxPixels = fuzz::kMaxConvertedPixels;
    lg::Status st;
    fuzz::ShowLikeTheViewer(lg::LoadQuiet(scratch, opt, st));
    return 0;
}
