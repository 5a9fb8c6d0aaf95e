// Fuzz target for every reader of the format table: the bytes go to the
// reader that detection names (bytes that match no signature to the fax
// reader, the one type known by its name), with options varied by the input
// length, then to the page reader for the further pages of a multipage file;
// every picture is widened and expanded as the viewer shows it. A type added
// to the table is fuzzed here without further work.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "formats/format_table.h"
#include "show_picture.h"

namespace {

constexpr size_t kPagesTried = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int format = lg::DetectFormat(data, size, "fuzz");
    if (format == lg::kFormatUnknown) format = lg::kFormatG3;
    const lg::FormatInfo& info = lg::FormatOf(format);
    if (!info.read) return 0;

    // The length picks the variant, so every seed is tried in each over time.
    lg::ReadOptions opt;
    opt.grayscale = size % 4 == 1;
    opt.paletteDisplay = size % 4 == 2;
    opt.previewWidth = size % 4 == 3 ? 64 : 0;
    opt.pcdSize = int(size % 3);
    opt.multiImage = size % 5 != 0;
    opt.quiet = size % 5 == 0;
    // A few header bytes can ask for a gigabyte of zeros; decoding it only
    // repeats what small pictures already cover, at a few runs a second.
    opt.maxPixels = fuzz::kMaxConvertedPixels;

    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    in.setLimits(opt.limits);  // as the load path does: the default limits
    lg::Status st;
    lg::PictureFacts facts;
    fuzz::ShowLikeTheViewer(info.read(in, "fuzz", opt, st, facts));
    if (!info.readPage) return 0;
    for (size_t p = 1; p < facts.pageOffsets.size() && p < kPagesTried; ++p) {
        lg::ByteSource page = lg::ByteSource::FromMemory(data, size);
        page.setLimits(opt.limits);
        fuzz::ShowLikeTheViewer(info.readPage(page, facts.pageOffsets[p], st));
    }
    return 0;
}
