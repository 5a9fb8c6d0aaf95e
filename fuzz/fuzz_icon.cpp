// Fuzz target for the icon reader: every image of an icon set becomes a
// picture, and the picture is written back as an icon.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/bytes.h"
#include "core/convert.h"
#include "formats/icon.h"

namespace {

constexpr size_t kImagesTried = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lg::ByteSource in = lg::ByteSource::FromMemory(data, size);
    lg::Status st;
    lg::IconSet set;
    if (!lg::ReadIconSet(in, set, st)) return 0;
    for (size_t i = 0; i < set.images.size() && i < kImagesTried; ++i) {
        (void)lg::IconChoiceText(set.images[i]);
        lg::Image img = lg::IconToPicture(set.images[i], st);
        if (img && int64_t(img.width()) * img.height() <= (int64_t(1) << 20)) {
            (void)lg::BuildIconFile(img);
            img = lg::WidenToWorkingDepth(std::move(img));
        }
    }
    return 0;
}
