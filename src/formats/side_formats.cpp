#include "formats/side_formats.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/messages.h"
#include "formats/jpeg.h"
#include "formats/tiff.h"
#include "ops/geometry.h"

namespace lg {
namespace {

std::string CantRead(const std::string& name) { return Format(Msg(MsgId::CantReadNamed), name.c_str()); }

// A 16-colour device bitmap carries no colours: the standard VGA ones.
void FillDisplayPalette16(Image& img) {
    static const uint8_t kRgb[16][3] = {
        {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128},
        {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255},
        {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) img.setPaletteEntry(i, kRgb[i][0], kRgb[i][1], kRgb[i][2]);
}

// What the bitmap of a clipboard entry says about itself.
struct ClipBitmap {
    int64_t width = 0, height = 0;
    int bits = 0;
    bool topDown = false;
    uint64_t tableEntries = 0;  // stored colour entries (device-independent only)
    uint64_t skip = 0;          // bit-field masks between table and rows
    uint64_t fileStride = 0;    // bytes per stored row
};

bool ReadClipHeader(ByteSource& in, int format, ClipBitmap& b) {
    if (format == 8) {
        uint8_t h[40];
        if (!in.readExact(h, sizeof h)) return false;
        const uint32_t headerSize = GetLE32(h);
        b.width = int32_t(GetLE32(h + 4));
        const int32_t height = int32_t(GetLE32(h + 8));
        b.topDown = height < 0;
        b.height = height < 0 ? -int64_t(height) : height;
        b.bits = GetLE16(h + 14);
        const uint32_t compression = GetLE32(h + 16);
        const uint32_t used = GetLE32(h + 32);
        if (compression == 3 && (b.bits == 16 || b.bits == 32)) b.skip = 12;
        else if (compression != 0) b.bits = -1;
        if (headerSize > 40) b.skip += headerSize - 40;
        if (b.bits >= 1 && b.bits <= 8) b.tableEntries = used && used < (1u << b.bits) ? used : 1u << b.bits;
        b.fileStride = uint64_t(RowStride(b.width, b.bits > 0 ? b.bits : 1));
        return true;
    }
    uint8_t h[14];
    if (!in.readExact(h, sizeof h)) return false;
    b.width = GetLE16(h + 2);
    b.height = GetLE16(h + 4);
    b.fileStride = GetLE16(h + 6);
    b.bits = h[9] * std::max<int>(1, h[8]);
    b.topDown = true;
    return true;
}

}  // namespace

Image ReadClipboardFileFrom(ByteSource& in, const std::string& name, Status& st) {
    st.error = Msg(MsgId::ClpNotValid);
    uint8_t head[93];
    if (!in.readExact(head, sizeof head)) {
        st.error = CantRead(name);
        return Image();
    }
    if (GetLE16(head) != 0xC350) return Image();
    const int format = GetLE16(head + 4);
    if (format != 8 && format != 2) {
        st.error = Msg(MsgId::ClpUnsupported);
        return Image();
    }
    ClipBitmap b;
    if (!in.seek(GetLE32(head + 10)) || !ReadClipHeader(in, format, b)) {
        st.error = CantRead(name);
        return Image();
    }
    if (b.bits != 1 && b.bits != 4 && b.bits != 8 && b.bits != 16 && b.bits != 24 && b.bits != 32) {
        st.error = Msg(MsgId::ClpUnsupported);
        return Image();
    }
    if (b.width <= 0 || b.height <= 0 || b.fileStride < (uint64_t(b.width) * uint64_t(b.bits) + 7) / 8 ||
        b.fileStride * uint64_t(b.height) > in.remaining()) {
        st.error = CantRead(name);
        return Image();
    }
    const int depth = b.bits == 16 ? 24 : b.bits;
    if (!ClaimFitsIn(in.limits(), UINT64_MAX, b.width, b.height, depth, depth <= 8 ? 1u << depth : 0, 0, kExpandRaw,
                     st))
        return Image();
    Image img = Image::Create(b.width, b.height, depth, depth <= 8 ? 1u << depth : 0);
    if (!img) {
        st.error = Msg(MsgId::CantAllocate);
        return img;
    }
    if (format == 8) {
        for (uint64_t i = 0; i < b.tableEntries; ++i) {
            uint8_t e[4];
            if (!in.readExact(e, 4)) break;
            img.setPaletteEntry(int(i), e[2], e[1], e[0]);
        }
        in.skip(b.skip);
    } else if (depth == 1) {  // a monochrome device bitmap: 0 black, 1 white
        img.setPaletteEntry(1, 255, 255, 255);
    } else if (depth == 4) {
        FillDisplayPalette16(img);
    } else if (depth == 8) {
        FillGreyRamp(img.palette());
    }
    std::vector<uint8_t> line(b.fileStride);
    const size_t copy = std::min<size_t>(img.stride(), line.size());
    for (int64_t y = 0; y < b.height; ++y) {
        if (!in.readExact(line.data(), line.size())) {
            st.error = CantRead(name);
            return Image();
        }
        uint8_t* out = img.row(int(y));
        if (b.bits != 16) {
            std::memcpy(out, line.data(), copy);
            continue;
        }
        for (int64_t x = 0; x < b.width && size_t(2 * x + 1) < line.size(); ++x, out += 3) {
            const unsigned w = GetLE16(line.data() + 2 * x);
            out[0] = uint8_t((w & 31) * 8);
            out[1] = uint8_t(((w >> 5) & 31) * 8);
            out[2] = uint8_t(((w >> 10) & 31) * 8);
        }
    }
    if (b.topDown) FlipVertical(img);
    return img;
}

Image ReadEpsPreviewFrom(ByteSource& in, const std::string& name, Status& st) {
    st.error = Msg(MsgId::EpsNotValid);
    uint8_t h[30];
    if (!in.readExact(h, sizeof h)) {
        st.error = CantRead(name);
        return Image();
    }
    if (GetLE32(h) != 0xC6D3D0C5) return Image();
    const uint32_t offset = GetLE32(h + 20), length = GetLE32(h + 24);
    if (offset == 0 || length == 0) {
        st.error = Msg(MsgId::EpsNoPreview);
        return Image();
    }
    if (offset > in.size() || length > in.size() - offset) {
        st.error = CantRead(name);
        return Image();
    }
    std::vector<uint8_t> tiff;
    try {
        tiff.resize(length);
    } catch (const std::bad_alloc&) {
        st.error = Msg(MsgId::CantAllocate);
        return Image();
    }
    if (!in.seek(offset) || !in.readExact(tiff.data(), length)) {
        st.error = CantRead(name);
        return Image();
    }
    ByteSource preview = ByteSource::FromMemory(tiff.data(), tiff.size());
    preview.setLimits(in.limits());
    return ReadTiffFrom(preview, 0, st);
}

Image ReadCasioFrom(ByteSource& in, const ReadOptions& opt, const std::string& name, Status& st) {
    st.error = Msg(MsgId::CamNotValid);
    if (in.size() < kCasioHeaderBytes || !in.seek(kCasioHeaderBytes)) {
        st.error = CantRead(name);
        return Image();
    }
    Image img = ReadJpegFrom(in, opt, st);
    st.info.clear();  // the load dispatcher's "JPEG/JFIF" stands
    return img;
}

Image LoadClipboardFile(ByteSource& in, const std::string& path, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadClipboardFileFrom(in, path, st);
}

Image LoadEpsPreview(ByteSource& in, const std::string& path, const ReadOptions&, Status& st, PictureFacts&) {
    return ReadEpsPreviewFrom(in, path, st);
}

Image LoadCasio(ByteSource& in, const std::string& path, const ReadOptions& opt, Status& st, PictureFacts&) {
    return ReadCasioFrom(in, opt, path, st);
}

}  // namespace lg
