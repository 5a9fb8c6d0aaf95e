#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/animation.h"
#include "formats/bmp.h"
#include "formats/gif.h"
#include "platform/platform.h"

using lg::Animation;
using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

using Rgb = std::array<int, 3>;

Rgb PpmAt(const Ppm& p, int x, int y) { return {p.at(x, y)[0], p.at(x, y)[1], p.at(x, y)[2]}; }

Ppm LoadPpm(const std::string& name) {
    Ppm p;
    EXPECT_TRUE(ReadPpm(DataPath(name), p)) << "missing " << name;
    return p;
}

// Where a picture first differs from a reference; "" when equal.
std::string Differs(const Image& img, const Ppm& ref) {
    Image rgb = lg::ExpandTo24(img.Duplicate());
    if (!rgb || rgb.width() != ref.width || rgb.height() != ref.height) return "size differs";
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            if (Rgb24(rgb, x, y) != PpmAt(ref, x, y)) return std::to_string(x) + "," + std::to_string(y);
    return "";
}

// A palette picture of index `base` with index `mark` inside a one-pixel border.
Image Blocks(int w, int h, int bits, int base, int mark, std::initializer_list<Rgb> colors) {
    Image img = Image::Create(w, h, bits, 0);
    int i = 0;
    for (const Rgb& c : colors) img.setPaletteEntry(i++, uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = (x >= 1 && x < w - 1 && y >= 1 && y < h - 1) ? mark : base;
            uint8_t* r = img.topRow(y);
            if (bits == 8) r[x] = uint8_t(v);
            else if (bits == 4) r[x / 2] |= uint8_t(x & 1 ? v : v << 4);
            else if (v) r[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    return img;
}

// Multi-image files spliced from the single images our writer makes: a
// screen without a global table, then each image with its own.
struct GifBuilder {
    GifBuilder() { file = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}; }
    // flags: disposal << 2 | transparent; without `control` no extension.
    GifBuilder& add(const Image& img, int left, int top, unsigned flags, unsigned delay, int transparent = -1,
                    bool control = true) {
        EXPECT_TRUE(lg::WriteGif(dir.file("one.gif"), img, false, false, transparent));
        Bytes one = ReadBytes(dir.file("one.gif"));
        const uint8_t patch[] = {uint8_t(flags), uint8_t(delay), uint8_t(delay >> 8)};
        std::copy(patch, patch + 3, one.begin() + 16);
        const uint8_t at[] = {uint8_t(left), uint8_t(left >> 8), uint8_t(top), uint8_t(top >> 8)};
        std::copy(at, at + 4, one.begin() + 22);
        file.insert(file.end(), one.begin() + (control ? 13 : 21), one.end() - 1);
        return *this;
    }
    std::string save(const std::string& name) {
        Bytes out = file;
        out.push_back(0x3B);
        WriteBytes(dir.file(name), out);
        return dir.file(name);
    }
    Bytes file;
    TempDir dir;
};

int ScanFile(const std::string& path, lg::GifScan& scan) {
    const Bytes b = ReadBytes(path);
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ScanGif(in, scan);
}

// Sets bytes of the image descriptors of a file, at `offset` from each 0x2C.
void PatchDescriptors(const std::string& path, size_t first, size_t offset, const Bytes& bytes) {
    lg::GifScan scan;
    ASSERT_GT(ScanFile(path, scan), 0);
    Bytes b = ReadBytes(path);
    for (size_t i = first; i < scan.imageOffsets.size(); ++i)
        std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(scan.imageOffsets[i] + offset));
    WriteBytes(path, b);
}

const Rgb kRed{200, 10, 10}, kGreen{10, 200, 10}, kBlue{10, 10, 200}, kGrey{90, 90, 90};

}  // namespace

TEST(GifScan, FindsEveryImageAndControl) {
    Bytes b = ReadBytes(DataPath("gif_anim.gif"));
    lg::GifScan scan;
    ASSERT_EQ(ScanFile(DataPath("gif_anim.gif"), scan), 5);
    EXPECT_EQ(scan.canvasWidth * 1000 + scan.canvasHeight, 40030);
    for (uint64_t d : scan.imageOffsets) EXPECT_EQ(b.at(size_t(d)), 0x2C);
    ASSERT_EQ(scan.controlOffsets.size(), 4u);  // the first image has none
    for (uint64_t g : scan.controlOffsets) EXPECT_EQ(b.at(size_t(g)) << 8 | b.at(size_t(g) + 1), 0x21F9);
    EXPECT_EQ(lg::ControlOffsetFor(scan, 0), 0u);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(lg::ControlOffsetFor(scan, i), scan.controlOffsets[size_t(i) - 1]);

    ASSERT_EQ(ScanFile(DataPath("gif_canvas.gif"), scan), 2);
    EXPECT_EQ(scan.canvasWidth * 1000 + scan.canvasHeight, 120080);

    GifBuilder many;  // more images than the table holds
    for (int i = 0; i < 1100; ++i) many.add(Blocks(1, 1, 1, 1, 1, {kRed, kGreen}), i % 7, 0, 0, 0);
    EXPECT_EQ(ScanFile(many.save("many.gif"), scan), 1024);
    EXPECT_EQ(scan.controlOffsets.size(), 1024u);
}

TEST(Animation, FramesCarryPlacementAndTiming) {
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 5u);
    const int want[5][5] = {{0, 0, 0, 0, 0}, {5, 4, 2, 3, 0}, {20, 10, 3, 200, 1}, {30, 20, 1, 0, 0}, {1, 1, 0, 7, 0}};
    for (size_t i = 0; i < 5; ++i) {
        const lg::AnimationFrame& f = anim.frames[i];
        EXPECT_EQ(std::vector<int>({f.left, f.top, f.disposal, int(f.delay), f.transparent}),
                  std::vector<int>(want[i], want[i] + 5)) << i;
        EXPECT_EQ(Differs(f.image, LoadPpm("gif_anim_" + std::to_string(i) + ".ppm")), "") << "frame " << i;
    }
    EXPECT_EQ(lg::FrameDelayMs(anim, 4), 70u);
    EXPECT_EQ(lg::NextFrame(anim, 4), 0);
    // Delays of 0, 3 and 200 hundredths; a cursor's 10 sixtieths.
    EXPECT_EQ(lg::AnimationIntervalMs(0, false), 50u);
    EXPECT_EQ(lg::AnimationIntervalMs(3, false), 50u);
    EXPECT_EQ(lg::AnimationIntervalMs(200, false), 1000u);
    EXPECT_EQ(lg::AnimationIntervalMs(10, true), 160u);
    EXPECT_EQ(lg::AnimationIntervalMs(0xFFFFFFFFu, true), 1000u);

    // An image without a control extension between two with one is read as
    // itself, without timing.
    GifBuilder g;
    g.add(Blocks(2, 2, 1, 0, 0, {kRed, kGreen}), 0, 0, 3 << 2, 11);
    g.add(Blocks(2, 2, 1, 1, 1, {kRed, kGreen}), 0, 0, 0, 0, -1, false);
    g.add(Blocks(2, 2, 1, 0, 0, {kBlue, kGreen}), 0, 0, 2 << 2, 33);
    ASSERT_TRUE(lg::LoadGifFrames(g.save("mid.gif"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 3u);
    EXPECT_EQ(Rgb24(lg::ExpandTo24(anim.frames[1].image.Duplicate()), 0, 0), kGreen);
    EXPECT_EQ(anim.frames[1].delay, 0u);
    EXPECT_EQ(anim.frames[2].delay, 33u);
}

TEST(Animation, TransparencyAndOwnColourTables) {
    // A 1-bit backdrop, a 1-bit frame transparent at index 1, a 4-bit frame
    // with a table of its own.
    GifBuilder g;
    g.add(Blocks(4, 3, 1, 0, 1, {kRed, kGreen}), 0, 0, 1 << 2, 0);
    g.add(Blocks(4, 3, 1, 1, 0, {kBlue, kGrey}), 0, 0, (1 << 2) | 1, 0, 1);
    g.add(Blocks(2, 1, 4, 3, 3, {kRed, kRed, kRed, kGrey}), 2, 2, 1 << 2, 0);
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadAnimation(g.save("p.gif"), anim, st)) << st.error;
    for (const lg::AnimationFrame& f : anim.frames) EXPECT_EQ(f.image.bitCount(), 8);
    EXPECT_EQ(anim.canvasWidth * 10 + anim.canvasHeight, 43);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 0), 1, 1), kGreen);
    const Image& second = lg::ComposeFrame(anim, 1);  // only its centre is opaque
    EXPECT_EQ(Rgb24(second, 0, 0), kRed);
    EXPECT_EQ(Rgb24(second, 1, 1), kBlue);
    EXPECT_TRUE(anim.frames[1].composited);
    const Image& third = lg::ComposeFrame(anim, 2);
    EXPECT_EQ(Rgb24(third, 3, 2), kGrey);
    EXPECT_EQ(Rgb24(third, 1, 2), kRed);
    EXPECT_EQ(Rgb24(third, 2, 1), kBlue);
}

TEST(Animation, OptimisedFileLooksAsImageMagickCoalescesIt) {
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadAnimation(DataPath("gif_opt.gif"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 6u);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 6; ++i) {
            const Ppm ref = LoadPpm("gif_opt_c" + std::to_string(i) + ".ppm");
            EXPECT_EQ(Differs(lg::ComposeFrame(anim, i), ref), "") << "pass " << pass << " frame " << i;
            EXPECT_EQ(Differs(lg::ComposeFrame(anim, i), ref), "") << "repaint of frame " << i;
        }
}

TEST(Animation, DisposalRules) {
    Animation raw, anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), raw, st));
    ASSERT_TRUE(lg::LoadAnimation(DataPath("gif_anim.gif"), anim, st));
    const Rgb background{anim.frames[0].bgRed, anim.frames[0].bgGreen, anim.frames[0].bgBlue};
    EXPECT_EQ(background, (Rgb{255, 0, 0}));
    Ppm f[5];
    for (int i = 0; i < 5; ++i) f[i] = LoadPpm("gif_anim_" + std::to_string(i) + ".ppm");

    EXPECT_EQ(Differs(lg::ComposeFrame(anim, 0), f[0]), "");
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 1), 5, 4), PpmAt(f[1], 0, 0));
    // Frame 1 goes to the background; frame 2's transparent pixels show frame 0.
    const Image* s = &lg::ComposeFrame(anim, 2);
    EXPECT_EQ(Rgb24(*s, 14, 11), background);
    const Image& third = raw.frames[2].image;
    int seeThrough = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool clear = third.topRow(y)[x] == raw.frames[2].transparentIndex;
            seeThrough += clear;
            ASSERT_EQ(Rgb24(*s, 20 + x, 10 + y), clear ? PpmAt(f[0], 20 + x, 10 + y) : PpmAt(f[2], x, y));
        }
    EXPECT_EQ(seeThrough, 12 * 6 - 6 * 3);
    // Frame 2 is undone: frame 0 with frame 1's place still the background.
    s = &lg::ComposeFrame(anim, 3);
    EXPECT_EQ(Rgb24(*s, 5, 4), background);
    EXPECT_EQ(Rgb24(*s, 21, 10), PpmAt(f[0], 21, 10));
    EXPECT_EQ(Rgb24(*s, 33, 23), PpmAt(f[3], 3, 3));
    // Frame 3 stays (disposal 1) under frame 4.
    s = &lg::ComposeFrame(anim, 4);
    EXPECT_EQ(Rgb24(*s, 33, 23), PpmAt(f[3], 3, 3));
    EXPECT_EQ(Rgb24(*s, 3, 3), PpmAt(f[4], 2, 2));
    EXPECT_EQ(Differs(lg::ComposeFrame(anim, 0), f[0]), "");  // a fresh canvas
}

TEST(Animation, BoundsAndUnreadableFrames) {
    GifBuilder g;  // the middle image made zero pixels wide: unreadable
    g.add(Blocks(3, 3, 1, 0, 1, {kRed, kGreen}), 0, 0, 1 << 2, 5);
    g.add(Blocks(3, 3, 1, 1, 1, {kRed, kBlue}), 0, 0, 1 << 2, 5);
    g.add(Blocks(1, 1, 1, 0, 0, {kGrey, kGrey}), 2, 2, 1 << 2, 5);
    const std::string gap = g.save("gap.gif");
    lg::GifScan scan;
    ScanFile(gap, scan);
    Bytes b = ReadBytes(gap);
    b[size_t(scan.imageOffsets[1]) + 5] = 0;
    WriteBytes(gap, b);
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadAnimation(gap, anim, st)) << st.error;
    EXPECT_FALSE(anim.frames[1].image);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 0), 1, 1), kGreen);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 1), 1, 1), kGreen);  // nothing new shown
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 2), 2, 2), kGrey);

    // Images far apart: a canvas too large to hold.
    GifBuilder far;
    Image dot = Blocks(2, 2, 1, 0, 0, {kRed, kGreen});
    far.add(dot, 0, 0, 0, 0).add(dot, 60000, 60000, 0, 0);
    EXPECT_FALSE(lg::LoadAnimation(far.save("far.gif"), anim, st));
    EXPECT_EQ(st.error, "The picture is too large !");
    EXPECT_TRUE(anim.frames.empty());
    // 8192 x 8192 frames: two fit the bound of all frames together, a third does not.
    GifBuilder big;
    big.add(dot, 0, 0, 0, 0).add(dot, 0, 0, 0, 0).add(dot, 0, 0, 0, 0);
    const std::string path = big.save("big.gif");
    PatchDescriptors(path, 0, 5, {0x00, 0x20, 0x00, 0x20});
    {  // long enough to hold such frames at the LZW bound (the reader checks before allocating)
        std::ofstream grow(path, std::ios::binary | std::ios::app);
        const std::string tail(100000, '\0');
        grow.write(tail.data(), std::streamsize(tail.size()));
    }
    ASSERT_TRUE(lg::LoadGifFrames(path, anim, st)) << st.error;
    EXPECT_TRUE(anim.frames[0].image && anim.frames[1].image);
    EXPECT_FALSE(anim.frames[2].image);
}

TEST(Animation, ExtractionWritesEveryFrameAsBmp) {
    TempDir dir;
    const char sep = lg::platform::PathSeparator();
    const std::string target = lg::PrepareExtractDirectory(dir.file("out") + sep + "deeper");
    EXPECT_EQ(target.back(), sep);
    EXPECT_TRUE(lg::platform::FileExists(target.substr(0, target.size() - 1)));
    EXPECT_EQ(lg::PrepareExtractDirectory(target), target);

    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), anim, st));
    int shown = 0;
    Image last;
    EXPECT_EQ(lg::ExtractFrames(anim, target, dir.file("anim.gif"), [&](Image&& img) {
                  ++shown;
                  last = std::move(img);
              }), 5);
    EXPECT_EQ(shown, 5);
    EXPECT_EQ(last.size(), anim.frames[4].image.size());
    for (size_t i = 0; i < 5; ++i) {
        const std::string name = target + "anim_lumagrove_extract_00" + std::to_string(i) + ".bmp";
        Status bs;
        Image bmp = lg::ReadBmp(name, bs);
        ASSERT_TRUE(bmp && bmp.size() == anim.frames[i].image.size()) << name << ": " << bs.error;
        EXPECT_EQ(std::memcmp(bmp.data(), anim.frames[i].image.data(), bmp.size()), 0);
    }
    EXPECT_EQ(lg::ExtractFileName("D/", "noext", 12), "D/noext_lumagrove_extract_012.bmp");
}
