// Fuzz target for the lossless JPEG turns: the first byte picks the turn and
// the greyscale and progressive choices, the rest is the file. Whatever the
// bytes, the turn either writes a whole file (read back by the JPEG reader)
// or leaves no file behind; never a read outside the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/bytes.h"
#include "formats/jpeg.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const std::string out = fuzz::WriteScratchFile(nullptr, 0, "jpeg-turn", ".jpg");
    if (out.empty()) return 0;
    std::remove(out.c_str());
    lg::SaveOptions opt;
    opt.jpegGrayscale = (data[0] & 0x10) != 0;
    opt.jpegProgressive = (data[0] & 0x20) != 0;
    lg::Status st;
    const lg::JpegTurnResult r = lg::SaveJpegTurnedBlocks(data + 1, size - 1, 0, 0, data[0] & 7, opt, out, st);
    lg::ByteSource written = lg::ByteSource::OpenFile(out);
    if (r != lg::JpegTurnResult::Saved) {
        if (written.ok()) std::abort();  // a failed turn leaves nothing behind
        return 0;
    }
    if (!written.ok()) std::abort();
    lg::ReadOptions ro;
    lg::Status rs;
    lg::ReadJpegFrom(written, ro, rs);
    return 0;
}
