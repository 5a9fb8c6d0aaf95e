#include "formats/animation.h"

#include <algorithm>
#include <cstring>

#include "core/convert.h"
#include "core/messages.h"
#include "formats/ani.h"
#include "formats/bmp.h"
#include "formats/format_table.h"
#include "formats/webp.h"
#include "platform/platform.h"

namespace lg {
namespace {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
};

// Colour of a palette entry; black outside the table or without one.
Bgr EntryColor(const Image& img, int index) {
    Bgr c;
    if (img && img.bitCount() <= 8 && index >= 0 && uint32_t(index) < img.colorsUsed()) {
        const uint8_t* e = img.palette() + 4 * index;
        c.b = e[0];
        c.g = e[1];
        c.r = e[2];
    }
    return c;
}

// Colour indices of one row of a 1-, 4- or 8-bit picture (row y from the top).
void RowIndices(const Image& img, int y, uint8_t* out) {
    UnpackIndices(img.topRow(y), img.bitCount(), size_t(img.width()), out);
}

// One row of any working depth as blue, green, red triples.
void RowToBgr(const Image& img, int y, std::vector<uint8_t>& idx, uint8_t* out) {
    const int w = img.width();
    if (img.bitCount() == 24) {
        std::memcpy(out, img.topRow(y), size_t(w) * 3);
        return;
    }
    idx.resize(size_t(w));
    RowIndices(img, y, idx.data());
    const uint8_t* table = img.palette();
    const uint32_t entries = img.colorsUsed();
    for (int x = 0; x < w; ++x, out += 3) {
        if (idx[size_t(x)] < entries) {
            std::memcpy(out, table + 4 * idx[size_t(x)], 3);
        } else {
            out[0] = out[1] = out[2] = 0;
        }
    }
}

bool Drawable(const Image& img) {
    if (!img) return false;
    const int bits = img.bitCount();
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// The part of a w x h block at (left, top) that lies on the surface.
struct Clip {
    int x0, y0, x1, y1;  // block coordinates, end exclusive
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipTo(const Image& surface, int left, int top, int w, int h) {
    Clip c{0, 0, w, h};
    c.x1 = std::min(w, surface.width() - left);
    c.y1 = std::min(h, surface.height() - top);
    return c;
}

// Draws a picture onto a 24-bit surface with its top-left corner at (left, top).
void Draw(Image& surface, const Image& src, int left, int top) {
    if (!surface || !Drawable(src)) return;
    const Clip c = ClipTo(surface, left, top, src.width(), src.height());
    if (c.empty()) return;
    std::vector<uint8_t> line(size_t(src.width()) * 3), idx;
    for (int y = c.y0; y < c.y1; ++y) {
        RowToBgr(src, y, idx, line.data());
        std::memcpy(surface.topRow(top + y) + 3 * size_t(left), line.data(), 3 * size_t(c.x1));
    }
}

void Fill(Image& surface, int left, int top, int w, int h, Bgr color) {
    if (!surface) return;
    const Clip c = ClipTo(surface, left, top, w, h);
    if (c.empty()) return;
    for (int y = c.y0; y < c.y1; ++y) {
        uint8_t* d = surface.topRow(top + y) + 3 * size_t(left);
        for (int x = 0; x < c.x1; ++x, d += 3) {
            d[0] = color.b;
            d[1] = color.g;
            d[2] = color.r;
        }
    }
}

// A frame's transparent pixels take what the canvas holds beneath them.
Image MergeWithCanvas(const AnimationFrame& f, const Image& canvas) {
    const Image& src = f.image;
    Image out = Image::Create(src.width(), src.height(), 24, 0);
    if (!out) return out;
    const int w = src.width();
    std::vector<uint8_t> idx(static_cast<size_t>(w)), scratch;
    for (int y = 0; y < src.height(); ++y) {
        uint8_t* d = out.topRow(y);
        RowToBgr(src, y, scratch, d);
        RowIndices(src, y, idx.data());
        const int cy = f.top + y;
        if (cy >= canvas.height()) continue;  // nothing beneath: the frame's own colour
        const uint8_t* under = canvas.topRow(cy);
        for (int x = 0; x < w && f.left + x < canvas.width(); ++x)
            if (idx[size_t(x)] == f.transparentIndex) std::memcpy(d + 3 * x, under + 3 * (f.left + x), 3);
    }
    return out;
}

void CopyPixels(Image& to, const Image& from) {
    if (to && from && to.pixelBytes() == from.pixelBytes()) std::memcpy(to.pixels(), from.pixels(), to.pixelBytes());
}

// Canvas and screen of canvas size; false when they cannot be had.
bool HaveSurfaces(Animation& a) {
    const int64_t w = a.canvasWidth, h = a.canvasHeight;
    if (w <= 0 || h <= 0 || w * h > kMaxCanvasPixels) return false;
    if (!a.canvas) a.canvas = Image::Create(w, h, 24, 0);
    if (!a.screen) a.screen = Image::Create(w, h, 24, 0);
    return a.canvas && a.screen;
}

void ComposeFirst(Animation& a) {
    const AnimationFrame& f = a.frames[0];
    const Bgr base = EntryColor(f.image, f.transparentIndex);
    Fill(a.canvas, 0, 0, a.canvasWidth, a.canvasHeight, base);
    if (f.disposal <= 1) {
        Draw(a.canvas, f.image, f.left, f.top);
        CopyPixels(a.screen, a.canvas);
    } else {
        Fill(a.screen, 0, 0, a.canvasWidth, a.canvasHeight, Bgr{f.bgBlue, f.bgGreen, f.bgRed});
        Draw(a.screen, f.image, f.left, f.top);
    }
}

void ComposeNext(Animation& a, int i) {
    AnimationFrame& f = a.frames[size_t(i)];
    // Transparency is resolved once, against the canvas of the first pass.
    if (f.transparent && !f.composited && f.image.bitCount() <= 8) {
        Image merged = MergeWithCanvas(f, a.canvas);
        if (merged) {
            f.image = std::move(merged);
            f.composited = true;
        }
    }
    const AnimationFrame& prev = a.frames[size_t(i) - 1];
    if (prev.disposal == 3) {
        CopyPixels(a.screen, a.canvas);
    } else if (prev.disposal == 2 && prev.image) {
        // Screen and canvas alike go back to the background colour, so a
        // later restore shows what this one showed.
        const int w = prev.image.width(), h = prev.image.height();
        const Bgr background{f.bgBlue, f.bgGreen, f.bgRed};
        Fill(a.screen, prev.left, prev.top, w, h, background);
        Fill(a.canvas, prev.left, prev.top, w, h, background);
    }
    Draw(a.screen, f.image, f.left, f.top);
    if (f.disposal <= 1) Draw(a.canvas, f.image, f.left, f.top);
}

void ComposeOne(Animation& a, int i) {
    if (!Drawable(a.frames[size_t(i)].image)) return;  // nothing to show; the screen stays
    if (i == 0) ComposeFirst(a);
    else ComposeNext(a, i);
}

}  // namespace

int ScanGif(ByteSource& in, GifScan& scan) {
    scan = GifScan();
    in.skip(10);  // signature, screen width and height
    const int packed = in.byte();
    in.skip(2);
    if (packed < 0) return 0;
    if ((packed & 0x80) && !in.skip(uint64_t(3) << ((packed & 7) + 1))) return 0;
    for (;;) {
        const int b = in.byte();
        if (b == 0x2C && scan.imageOffsets.size() < size_t(std::max(0, in.limits().maxFrames))) {
            scan.imageOffsets.push_back(in.tell() - 1);
            const int left = in.le16(), top = in.le16(), width = in.le16(), height = in.le16();
            scan.canvasWidth = std::max(scan.canvasWidth, left + width);
            scan.canvasHeight = std::max(scan.canvasHeight, top + height);
            const int flags = in.byte();
            if (flags < 0) break;
            if ((flags & 0x80) && !in.skip(uint64_t(3) << ((flags & 7) + 1))) break;
            in.byte();  // minimum code size
            SkipGifSubBlocks(in);
        } else if (b == 0x21) {
            const int label = in.byte();
            if (label == 0xF9 && scan.controlOffsets.size() < size_t(std::max(0, in.limits().maxFrames)))
                scan.controlOffsets.push_back(in.tell() - 2);
            SkipGifSubBlocks(in);
        } else {
            break;  // trailer, end of file, or anything unexpected
        }
    }
    return int(scan.imageOffsets.size());
}

uint64_t ControlOffsetFor(const GifScan& scan, int i) {
    if (i < 0 || size_t(i) >= scan.imageOffsets.size()) return 0;
    const uint64_t image = scan.imageOffsets[size_t(i)];
    const uint64_t after = i > 0 ? scan.imageOffsets[size_t(i) - 1] : 0;
    uint64_t found = 0;
    for (uint64_t g : scan.controlOffsets) {
        if (g >= image) break;
        if (g > after) found = g;
    }
    return found;
}

bool LoadGifFrames(const std::string& path, Animation& anim, Status& st) {
    ReleaseAnimation(anim);
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) {
        st.error = Msg(MsgId::CantOpenForReading);
        return false;
    }
    return LoadGifFramesFrom(in, anim, st);
}

bool LoadGifFramesFrom(ByteSource& in, Animation& anim, Status& st) {
    ReleaseAnimation(anim);
    GifScan scan;
    const int count = ScanGif(in, scan);
    if (count <= 0) {
        st.error = Msg(MsgId::GifNotValid);
        return false;
    }
    anim.frames.resize(size_t(count));
    anim.canvasWidth = scan.canvasWidth;
    anim.canvasHeight = scan.canvasHeight;
    int64_t budget = in.limits().maxFramePixels;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        in.seek(0);
        GifFrameInfo info;
        Status frameStatus;
        AnimationFrame& f = anim.frames[size_t(i)];
        // A frame beyond what is left of the bound stays empty: shown as nothing.
        f.image = ReadGifFrom(in, ControlOffsetFor(scan, i), scan.imageOffsets[size_t(i)], info, frameStatus,
                              budget);
        if (f.image) budget -= int64_t(f.image.width()) * f.image.height();
        f.bgRed = info.bgRed;
        f.bgGreen = info.bgGreen;
        f.bgBlue = info.bgBlue;
        f.left = info.left;
        f.top = info.top;
        f.disposal = info.disposal;
        f.transparent = info.transparent;
        f.delay = info.delay;
        f.transparentIndex = info.transparentIndex;
        any = any || f.image;
    }
    if (!any) {
        st.error = Msg(MsgId::GifNotValid);
        return false;
    }
    return true;
}

void PrepareGifFrames(Animation& anim) {
    for (AnimationFrame& f : anim.frames) {
        if (!f.image) continue;
        if (f.transparent && f.transparentIndex < f.image.colorsUsed())
            f.image.setPaletteEntry(f.transparentIndex, f.bgRed, f.bgGreen, f.bgBlue);
        if (f.image.bitCount() == 1) {
            Image wide = Expand1To8(f.image);
            if (!wide) continue;
            f.image = std::move(wide);
            // The expansion writes index 1 as 255.
            if (f.transparentIndex == 1) f.transparentIndex = 255;
        } else if (f.image.bitCount() == 4) {
            Image wide = Expand4To8(f.image);
            if (wide) f.image = std::move(wide);
        }
    }
}

bool LoadAnimation(const std::string& path, Animation& anim, Status& st) {
    const int format = DetectFileFormat(path);
    if (format == kFormatAni) return LoadAniFrames(path, anim, st);
    if (format == kFormatWebp) return LoadWebpFrames(path, anim, st);  // composed already
    if (!LoadGifFrames(path, anim, st)) return false;
    if (int64_t(anim.canvasWidth) * anim.canvasHeight > kMaxCanvasPixels) {
        ReleaseAnimation(anim);
        st.error = Msg(MsgId::TooLarge);
        return false;
    }
    anim.cursorDelays = false;
    PrepareGifFrames(anim);
    return true;
}

void ReleaseAnimation(Animation& anim) {
    anim = Animation();
}

const Image& ComposeFrame(Animation& anim, int i) {
    static const Image kNothing;
    if (i < 0 || size_t(i) >= anim.frames.size()) return kNothing;
    if (i != anim.shown) {
        if (!HaveSurfaces(anim)) {
            anim.shown = i;
            return anim.frames[size_t(i)].image;
        }
        // Coming in part-way (no frame shown yet): build up from frame 0.
        for (int k = anim.shown < 0 ? 0 : i; k <= i; ++k) ComposeOne(anim, k);
        anim.shown = i;
    }
    return anim.screen ? anim.screen : anim.frames[size_t(i)].image;
}

uint32_t AnimationIntervalMs(uint32_t delay, bool cursorDelays) {
    const uint64_t ms = uint64_t(delay) * (cursorDelays ? 16 : 10);
    return uint32_t(std::min<uint64_t>(std::max<uint64_t>(ms, 50), 1000));
}

uint32_t FrameDelayMs(const Animation& anim, int i) {
    if (i < 0 || size_t(i) >= anim.frames.size()) return AnimationIntervalMs(0, anim.cursorDelays);
    return AnimationIntervalMs(anim.frames[size_t(i)].delay, anim.cursorDelays);
}

int NextFrame(const Animation& anim, int i) {
    return i + 1 < int(anim.frames.size()) ? i + 1 : 0;
}

std::string ExtractFileName(const std::string& dir, const std::string& picturePath, int i) {
    std::string base = platform::BaseNameOf(picturePath);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.resize(dot);
    return Format("%s%s_lumagrove_extract_%.3d.bmp", dir.c_str(), base.c_str(), i);
}

std::string PrepareExtractDirectory(const std::string& dir) {
    std::string bare = dir;
    while (bare.size() > 1 && (bare.back() == '\\' || bare.back() == '/')) bare.pop_back();
    if (!bare.empty()) platform::MakeDirectories(bare);
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir;
    return dir + platform::PathSeparator();
}

int ExtractFrames(const Animation& anim, const std::string& dir, const std::string& picturePath,
                  const std::function<void(Image&&)>& show) {
    int written = 0;
    for (size_t i = 0; i < anim.frames.size(); ++i) {
        Image copy = anim.frames[i].image.Duplicate();
        if (!copy) continue;
        Status st;
        if (WriteBmp(ExtractFileName(dir, picturePath, int(i)), copy, st)) ++written;
        if (show) show(std::move(copy));
    }
    return written;
}

}  // namespace lg
