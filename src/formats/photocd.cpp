#include "formats/photocd.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "ops/geometry.h"
#include "ops/quantize.h"

namespace lg {
namespace {


constexpr uint64_t kAttributeOffset = 4098;
constexpr uint64_t kOverviewFirst = 0x2800, kOverviewStep = 0x9000;

struct Resolution {
    int width, height;
    uint64_t offset;
};

Resolution ResolutionFor(int r) {
    switch (r) {
    case 0: return {192, 128, 0x2000};
    case 2: return {768, 512, 0x30000};
    default: return {384, 256, 0xB800};
    }
}

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Decodes w x h pixels stored from `offset` into the block whose top-left
// pixel is at (left, topRow) of `img`. Rows the file does not hold are
// computed from what the row buffers last held.
void DecodeRows(ByteSource& in, uint64_t offset, int w, int h, Image& img, int left, int topRow) {
    std::vector<uint8_t> buf(size_t(w) * 3, 0);
    uint8_t* luma1 = buf.data();
    uint8_t* luma2 = luma1 + w;
    uint8_t* c1 = luma2 + w;
    uint8_t* c2 = c1 + w / 2;
    in.seek(offset);
    for (int y = 0; y + 1 < h; y += 2) {
        in.read(buf.data(), buf.size());
        for (int half = 0; half < 2; ++half) {
            const uint8_t* l = half ? luma2 : luma1;
            uint8_t* out = img.topRow(topRow + y + half) + 3 * size_t(left);
            for (int x = 0; x < w; ++x, out += 3) PcdToBgr(l[x], c1[x / 2], c2[x / 2], out);
        }
    }
}

}  // namespace

void PcdToBgr(int luma, int chroma1, int chroma2, uint8_t* bgr) {
    const int y = luma * 255 / 181;
    const int b = y + 2 * chroma1 - 318;
    const int r = y + 2 * chroma2 - 274;
    const int g = (10 * y - 3 * r - b) / 6;
    bgr[0] = uint8_t(Clamp255(b));
    bgr[1] = uint8_t(Clamp255(g));
    bgr[2] = uint8_t(Clamp255(r));
}

Image ReadPhotoCdFrom(ByteSource& in, int resolution, bool& overview, Status& st) {
    st.error = Msg(MsgId::PcdNotValid);
    overview = false;
    uint8_t head[7];
    if (!in.seek(0) || in.read(head, 7) != 7) return Image();
    if (std::memcmp(head, "PCD_OPA", 7) == 0) {
        overview = true;
        return Image();
    }
    static const uint8_t kLeadIn[7] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (std::memcmp(head, kLeadIn, 7) != 0) return Image();
    int rotation = 0;
    if (in.seek(kAttributeOffset)) rotation = in.u8() & 7;
    const Resolution res = ResolutionFor(resolution);
    Image img = Image::Create(res.width, res.height, 24, 0);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    DecodeRows(in, res.offset, res.width, res.height, img, 0, 0);
    switch (rotation) {
    case 1: img = RotateLeft(img); break;
    case 2: img = RotateLeft(RotateLeft(img)); break;
    case 3: img = RotateRight(img); break;
    default: break;  // upright; the bits above 3 turn nothing
    }
    if (!img) st.error = Msg(MsgId::CantAllocate);
    return img;
}

Image ReadPcdOverviewFrom(ByteSource& in, int first, bool paletteDisplay, Status& st) {
    st.error = Msg(MsgId::PcdNotValid);
    Image sheet = Image::Create(kPcdSheetWidth, kPcdSheetHeight, 24, 0);
    if (!sheet) {
        st.error = Msg(MsgId::CantAllocate);
        return sheet;
    }
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            const uint64_t k = uint64_t(first - 1 + 5 * i + j);
            DecodeRows(in, kOverviewFirst + k * kOverviewStep, 192, 128, sheet, 192 * j, 128 * i);
        }
    }
    if (!paletteDisplay) return sheet;
    Image reduced = ReduceColors(sheet, 256);
    if (!reduced) st.error = Msg(MsgId::PcdCantQuantize);
    return reduced;
}

Image ReadPcdOverview(const std::string& path, int first, bool paletteDisplay, Status& st) {
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Msg(MsgId::CantOpenBare);
        return Image();
    }
    return ReadPcdOverviewFrom(in, first, paletteDisplay, st);
}

Image LoadPhotoCd(ByteSource& in, const std::string&, const ReadOptions& opt, Status& st, PictureFacts& facts) {
    bool overview = false;
    Image img = ReadPhotoCdFrom(in, opt.pcdSize, overview, st);
    if (!overview) return img;
    facts.pcdOverview = true;
    facts.pcdSheetStart = 1;
    return ReadPcdOverviewFrom(in, 1, opt.paletteDisplay && !opt.quiet, st);
}

}  // namespace lg
