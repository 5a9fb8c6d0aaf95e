#include "formats/metafile.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "core/bytes.h"
#include "core/messages.h"
#include "formats/save.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/outfile.h"
#endif

namespace lg {

void PlaceableExtents(const uint8_t* h, int& xExt, int& yExt) {
    const int left = int16_t(GetLE16(h + 6)), top = int16_t(GetLE16(h + 8));
    const int right = int16_t(GetLE16(h + 10)), bottom = int16_t(GetLE16(h + 12));
    const int inch = GetLE16(h + 14);
    xExt = inch ? (right - left) * 2540 / inch : 0;
    yExt = inch ? (bottom - top) * 2540 / inch : 0;
}

int NaturalSize(int frameLow, int frameHigh, int devicePixels, int deviceMm) {
    if (deviceMm <= 0) return 0;
    const int64_t size = int64_t(frameHigh - int64_t(frameLow)) * devicePixels / (int64_t(deviceMm) * 100);
    return int(std::max<int64_t>(0, std::min<int64_t>(size, kMaxDimension)));
}

int MetafileKind(const uint8_t* d, size_t size) {
    if (size >= 44 && GetLE32(d + 40) == kEmfSignature) return 1;
    if (size >= 4 && GetLE32(d) == kPlaceableKey) return 2;
    if (size >= 18 && (GetLE16(d) == 1 || GetLE16(d) == 2) && GetLE16(d + 2) == 9) return 3;
    return 0;
}

Image EmfSaveCopy(const Image& img, const SaveOptions& opt, std::string& failure) {
    return opt.paletteDisplay && img.bitCount() == 24 ? ReduceForPalette(img, failure) : Image();
}

#ifndef _WIN32

Image LoadMetafile(ByteSource&, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    st.error = Msg(MsgId::MetafileNeedsWindows);
    return Image();
}

bool WriteEnhancedMetafile(const Image&, const std::string&) { return false; }

bool SaveEmf(const std::string&, const Image&, const SaveOptions&, Status& st) {
    st.error = Msg(MsgId::MetafileNeedsWindows);
    return false;
}

#else

namespace {

constexpr uint64_t kMaxMetafileBytes = uint64_t(1) << 28;

// A Windows 3.x metafile (from its own header on) as an enhanced metafile.
HENHMETAFILE FromWindowsBits(const uint8_t* bits, size_t available, const METAFILEPICT* pict, Status& st) {
    if (available < 18) return nullptr;
    // The header's size field counts 16-bit words; never past the file's end.
    // Doubled in 64 bits: a 32-bit size_t would wrap a large count to a few bytes.
    const size_t length = size_t(std::min<uint64_t>(available, uint64_t(GetLE32(bits + 6)) * 2));
    HDC screen = GetDC(nullptr);
    HENHMETAFILE emf = SetWinMetaFileBits(UINT(length), bits, screen, pict);
    ReleaseDC(nullptr, screen);
    if (!emf) st.error = Msg(MsgId::MetafileBitsFailed);
    return emf;
}

HENHMETAFILE OpenMetafile(const std::vector<uint8_t>& data, int& width, int& height, Status& st) {
    st.error = Msg(MsgId::MetafileNotValid);
    st.info = "Windows Metafile";
    width = height = 0;
    HENHMETAFILE emf = nullptr;
    switch (MetafileKind(data.data(), data.size())) {
    case 1:
        st.info = "Enhanced Windows Metafile";
        emf = SetEnhMetaFileBits(UINT(data.size()), data.data());
        break;
    case 2: {
        st.info = "Windows Metafile (Aldus)";
        if (data.size() < kPlaceableHeaderBytes) return nullptr;
        METAFILEPICT pict = {MM_ANISOTROPIC, 0, 0, nullptr};
        int x = 0, y = 0;
        PlaceableExtents(data.data(), x, y);
        pict.xExt = x;
        pict.yExt = y;
        emf = FromWindowsBits(data.data() + kPlaceableHeaderBytes, data.size() - kPlaceableHeaderBytes, &pict, st);
        break;
    }
    case 3:
        // Converted straight from the file's bytes: no copy under a fixed
        // temporary name, so two running copies cannot trip over each other.
        st.info = "Old Windows Metafile (Win 3.x)";
        emf = FromWindowsBits(data.data(), data.size(), nullptr, st);
        break;
    default: return nullptr;
    }
    if (!emf) return nullptr;
    ENHMETAHEADER h;
    if (GetEnhMetaFileHeader(emf, sizeof h, &h) >= offsetof(ENHMETAHEADER, cbPixelFormat)) {
        width = NaturalSize(h.rclFrame.left, h.rclFrame.right, h.szlDevice.cx, h.szlMillimeters.cx);
        height = NaturalSize(h.rclFrame.top, h.rclFrame.bottom, h.szlDevice.cy, h.szlMillimeters.cy);
    }
    return emf;
}

// Plays the metafile onto white at width x height into a 24-bit picture.
Image RenderMetafile(HENHMETAFILE emf, int width, int height) {
    Image img = Image::Create(width, height, 24, 0);
    if (!img) return img;
    BITMAPINFO bi = {};
    std::memcpy(&bi.bmiHeader, img.header(), sizeof bi.bmiHeader);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = dc ? CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    ReleaseDC(nullptr, screen);
    if (!bitmap || !bits) {
        if (dc) DeleteDC(dc);
        return Image();
    }
    std::memset(bits, 255, img.pixelBytes());
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT r = {0, 0, width, height};
    const BOOL played = PlayEnhMetaFile(dc, emf, &r);
    GdiFlush();
    std::memcpy(img.pixels(), bits, img.pixelBytes());
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return played ? std::move(img) : Image();
}

}  // namespace

Image LoadMetafile(ByteSource& in, const std::string&, const ReadOptions&, Status& st, PictureFacts&) {
    if (in.size() > kMaxMetafileBytes) {
        st.error = Msg(MsgId::MetafileNotValid);
        return Image();
    }
    std::vector<uint8_t> data(size_t(in.size()));
    if (!in.readExact(data.data(), data.size())) {
        st.error = Msg(MsgId::CantOpenBare);
        return Image();
    }
    int width = 0, height = 0;
    HENHMETAFILE emf = OpenMetafile(data, width, height, st);
    if (!emf) return Image();
    Image img;
    // Drawn, not decoded: the size a metafile asks for has no bound in its
    // length, so only the limits apply.
    if (width > 0 && height > 0 && ClaimFitsIn(in.limits(), UINT64_MAX, width, height, 24, 0, 0, 1, st))
        img = RenderMetafile(emf, width, height);
    DeleteEnhMetaFile(emf);
    if (!img && st.error == Msg(MsgId::MetafileNotValid)) st.error = Msg(MsgId::MetafileCantDraw);
    return img;
}

bool WriteEnhancedMetafile(const Image& img, const std::string& path) {
    if (!img) return false;
    const int w = img.width(), h = img.height();
    // Recorded in memory, written through a temporary file: a failure leaves
    // an existing file as it was.
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    if (!dc) return false;
    Rectangle(dc, 0, 0, w + 1, h + 1);
    HPALETTE palette = nullptr, oldPalette = nullptr;
    if (img.bitCount() <= 8 && img.colorsUsed()) {
        std::vector<uint8_t> lp(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * img.colorsUsed());
        LOGPALETTE* pal = reinterpret_cast<LOGPALETTE*>(lp.data());
        pal->palVersion = 0x300;
        pal->palNumEntries = WORD(img.colorsUsed());
        for (uint32_t i = 0; i < img.colorsUsed(); ++i) {
            const uint8_t* e = img.palette() + 4 * i;
            pal->palPalEntry[i] = PALETTEENTRY{e[2], e[1], e[0], 0};
        }
        palette = CreatePalette(pal);
        if (palette) {
            oldPalette = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    const int drawn = StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, img.pixels(),
                                    reinterpret_cast<const BITMAPINFO*>(img.header()), DIB_RGB_COLORS, SRCCOPY);
    if (palette) SelectPalette(dc, oldPalette, FALSE);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    if (palette) DeleteObject(palette);
    if (!emf) return false;
    const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<uint8_t> bytes(size);
    const bool got = size && GetEnhMetaFileBits(emf, size, bytes.data()) == size;
    DeleteEnhMetaFile(emf);
    if (!got || drawn == 0 || drawn == int(GDI_ERROR)) return false;
    OutputFile out;
    return out.open(path) && out.write(bytes.data(), bytes.size()) && out.commit();
}

bool SaveEmf(const std::string& path, const Image& img, const SaveOptions&, Status&) {
    return WriteEnhancedMetafile(img, path);
}

#endif

}  // namespace lg
