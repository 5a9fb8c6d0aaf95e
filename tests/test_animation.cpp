#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/animation.h"
#include "formats/gif.h"
#include "platform/platform.h"

using lg::Animation;
using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

using Rgb = std::array<int, 3>;

Rgb PpmAt(const Ppm& p, int x, int y) {
    const uint8_t* c = p.at(x, y);
    return {c[0], c[1], c[2]};
}

Rgb PixelOf(const Image& img, int x, int y) {
    Image rgb = lg::ExpandTo24(img.Duplicate());
    return Rgb24(rgb, x, y);
}

Ppm LoadPpm(const std::string& name) {
    Ppm p;
    EXPECT_TRUE(ReadPpm(DataPath(name), p)) << "missing " << name;
    return p;
}

// Where a 24-bit picture first differs from a reference; "" when equal.
std::string Differs(const Image& img, const Ppm& ref) {
    if (!img || img.bitCount() != 24) return "not a 24-bit picture";
    if (img.width() != ref.width || img.height() != ref.height) return "size differs";
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            if (Rgb24(img, x, y) != PpmAt(ref, x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

// A palette picture of one colour index with a second index in a block.
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

// Multi-image files spliced from single images our writer made: a screen
// without a global table, then each image with its own table.
class GifBuilder {
public:
    GifBuilder() {
        for (char c : std::string("GIF89a")) file.push_back(uint8_t(c));
        file.insert(file.end(), {1, 0, 1, 0, 0, 0, 0});
    }
    // flags: disposal << 2 | transparent; control false leaves the extension out.
    GifBuilder& add(const Image& img, int left, int top, unsigned flags, unsigned delay, int transparent,
                    bool control = true) {
        const std::string path = dir.file("one.gif");
        EXPECT_TRUE(lg::WriteGif(path, img, false, false, transparent));
        Bytes one = ReadBytes(path);
        one[13 + 3] = uint8_t(flags);
        one[13 + 4] = uint8_t(delay);
        one[13 + 5] = uint8_t(delay >> 8);
        one[21 + 1] = uint8_t(left);
        one[21 + 2] = uint8_t(left >> 8);
        one[21 + 3] = uint8_t(top);
        one[21 + 4] = uint8_t(top >> 8);
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

const Rgb kRed{200, 10, 10}, kGreen{10, 200, 10}, kBlue{10, 10, 200}, kGrey{90, 90, 90};

}  // namespace

// ---------------------------------------------------------------- scan

TEST(GifScan, FindsEveryImageAndControl) {
    Bytes b = ReadBytes(DataPath("gif_anim.gif"));
    lg::GifScan scan;
    ASSERT_EQ(lg::ScanGifFile(DataPath("gif_anim.gif"), scan), 5);
    EXPECT_EQ(scan.canvasWidth, 40);
    EXPECT_EQ(scan.canvasHeight, 30);
    for (uint64_t d : scan.imageOffsets) EXPECT_EQ(b.at(size_t(d)), 0x2C);
    ASSERT_EQ(scan.controlOffsets.size(), 4u);  // the first image has none
    for (uint64_t g : scan.controlOffsets) {
        EXPECT_EQ(b.at(size_t(g)), 0x21);
        EXPECT_EQ(b.at(size_t(g) + 1), 0xF9);
    }
    EXPECT_EQ(lg::ControlOffsetFor(scan, 0), 0u);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(lg::ControlOffsetFor(scan, i), scan.controlOffsets[size_t(i) - 1]);

    ASSERT_EQ(lg::ScanGifFile(DataPath("gif_canvas.gif"), scan), 2);
    EXPECT_EQ(scan.canvasWidth, 120);
    EXPECT_EQ(scan.canvasHeight, 80);
    EXPECT_EQ(lg::ScanGifFile(TempDir().file("missing.gif"), scan), -1);
}

TEST(GifScan, BoundedOnHostileFiles) {
    Bytes b = ReadBytes(DataPath("gif_anim.gif"));
    for (size_t n = 0; n < b.size(); n += 3) {
        lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), n);
        lg::GifScan scan;
        EXPECT_LE(lg::ScanGif(in, scan), 5);
    }
    // More images than the table holds.
    GifBuilder many;
    Image dot = Blocks(1, 1, 1, 1, 1, {kRed, kGreen});
    for (int i = 0; i < 1100; ++i) many.add(dot, i % 7, 0, 0, 0, -1);
    lg::GifScan scan;
    EXPECT_EQ(lg::ScanGifFile(many.save("many.gif"), scan), 1024);
    EXPECT_EQ(scan.controlOffsets.size(), 1024u);
    EXPECT_EQ(scan.canvasWidth, 7);
}

TEST(GifScan, ImageWithoutControlBetweenTwoWithOne) {
    GifBuilder g;
    g.add(Blocks(2, 2, 1, 0, 0, {kRed, kGreen}), 0, 0, 3 << 2, 11, -1);
    g.add(Blocks(2, 2, 1, 1, 1, {kRed, kGreen}), 0, 0, 0, 0, -1, false);
    g.add(Blocks(2, 2, 1, 0, 0, {kBlue, kGreen}), 0, 0, 2 << 2, 33, -1);
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(g.save("mid.gif"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 3u);
    EXPECT_EQ(anim.frames[0].delay, 11u);
    // The middle image is itself, not the first one again, and has no timing.
    EXPECT_EQ(PixelOf(anim.frames[1].image, 0, 0), kGreen);
    EXPECT_EQ(anim.frames[1].delay, 0u);
    EXPECT_EQ(anim.frames[1].disposal, 0);
    EXPECT_EQ(anim.frames[2].delay, 33u);
    EXPECT_EQ(PixelOf(anim.frames[2].image, 0, 0), kBlue);
}

// ---------------------------------------------------------------- frames

TEST(Animation, FramesCarryPlacementAndTiming) {
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 5u);
    const int left[] = {0, 5, 20, 30, 1}, top[] = {0, 4, 10, 20, 1}, disposal[] = {0, 2, 3, 1, 0};
    const uint32_t delay[] = {0, 3, 200, 0, 7};
    for (size_t i = 0; i < 5; ++i) {
        const lg::AnimationFrame& f = anim.frames[i];
        ASSERT_TRUE(f.image) << i;
        EXPECT_EQ(f.left, left[i]) << i;
        EXPECT_EQ(f.top, top[i]) << i;
        EXPECT_EQ(f.disposal, disposal[i]) << i;
        EXPECT_EQ(f.delay, delay[i]) << i;
        EXPECT_EQ(f.transparent, i == 2) << i;
        EXPECT_EQ(Differs(lg::ExpandTo24(f.image.Duplicate()), LoadPpm("gif_anim_" + std::to_string(i) + ".ppm")), "")
            << "frame " << i;
    }
    EXPECT_EQ(FrameDelayMs(anim, 0), 50u);
    EXPECT_EQ(FrameDelayMs(anim, 1), 50u);
    EXPECT_EQ(FrameDelayMs(anim, 2), 1000u);
    EXPECT_EQ(FrameDelayMs(anim, 4), 70u);
    EXPECT_EQ(lg::NextFrame(anim, 3), 4);
    EXPECT_EQ(lg::NextFrame(anim, 4), 0);
}

TEST(Animation, IntervalRules) {
    EXPECT_EQ(lg::AnimationIntervalMs(0, false), 50u);
    EXPECT_EQ(lg::AnimationIntervalMs(3, false), 50u);
    EXPECT_EQ(lg::AnimationIntervalMs(12, false), 120u);
    EXPECT_EQ(lg::AnimationIntervalMs(200, false), 1000u);
    EXPECT_EQ(lg::AnimationIntervalMs(10, true), 160u);
    EXPECT_EQ(lg::AnimationIntervalMs(3, true), 50u);
    EXPECT_EQ(lg::AnimationIntervalMs(0xFFFFFFFFu, true), 1000u);
}

TEST(Animation, PreparedFramesAre8BitWithTheirOwnColours) {
    // A 1-bit backdrop, a 1-bit frame transparent at index 1, a 4-bit frame
    // with colours of its own.
    GifBuilder g;
    g.add(Blocks(4, 3, 1, 0, 1, {kRed, kGreen}), 0, 0, 1 << 2, 0, -1);
    g.add(Blocks(4, 3, 1, 1, 0, {kBlue, kGrey}), 0, 0, (1 << 2) | 1, 0, 1);
    g.add(Blocks(2, 1, 4, 3, 3, {kRed, kRed, kRed, kGrey}), 2, 2, 1 << 2, 0, -1);
    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadAnimation(g.save("p.gif"), anim, st)) << st.error;
    for (const lg::AnimationFrame& f : anim.frames) EXPECT_EQ(f.image.bitCount(), 8);
    EXPECT_EQ(anim.canvasWidth, 4);
    EXPECT_EQ(anim.canvasHeight, 3);

    const Image& first = lg::ComposeFrame(anim, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(Rgb24(first, 0, 0), kRed);
    EXPECT_EQ(Rgb24(first, 1, 1), kGreen);
    // Frame 1: only its centre is opaque (index 0, blue).
    const Image& second = lg::ComposeFrame(anim, 1);
    EXPECT_EQ(Rgb24(second, 0, 0), kRed);
    EXPECT_EQ(Rgb24(second, 1, 1), kBlue);
    EXPECT_TRUE(anim.frames[1].composited);
    const Image& third = lg::ComposeFrame(anim, 2);
    EXPECT_EQ(Rgb24(third, 2, 2), kGrey);
    EXPECT_EQ(Rgb24(third, 3, 2), kGrey);
    EXPECT_EQ(Rgb24(third, 1, 2), kRed);
    EXPECT_EQ(Rgb24(third, 2, 1), kBlue);
}

// ---------------------------------------------------------------- composition

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
    Animation raw;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), raw, st));
    const Rgb background{raw.frames[0].bgRed, raw.frames[0].bgGreen, raw.frames[0].bgBlue};
    EXPECT_EQ(background, (Rgb{255, 0, 0}));
    Ppm f[5];
    for (int i = 0; i < 5; ++i) f[i] = LoadPpm("gif_anim_" + std::to_string(i) + ".ppm");

    Animation anim;
    ASSERT_TRUE(lg::LoadAnimation(DataPath("gif_anim.gif"), anim, st));
    EXPECT_EQ(Differs(lg::ComposeFrame(anim, 0), f[0]), "");
    const Image* s = &lg::ComposeFrame(anim, 1);
    EXPECT_EQ(Rgb24(*s, 5, 4), PpmAt(f[1], 0, 0));
    EXPECT_EQ(Rgb24(*s, 4, 4), PpmAt(f[0], 4, 4));

    // Frame 1 goes to the background; frame 2's (once blue) pixels are transparent.
    s = &lg::ComposeFrame(anim, 2);
    EXPECT_EQ(Rgb24(*s, 5, 4), background);
    EXPECT_EQ(Rgb24(*s, 14, 11), background);
    const lg::AnimationFrame& third = raw.frames[2];
    ASSERT_EQ(third.image.bitCount(), 8);
    int seeThrough = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool clear = third.image.topRow(y)[x] == third.transparentIndex;
            seeThrough += clear;
            const Rgb want = clear ? PpmAt(f[0], 20 + x, 10 + y) : PpmAt(f[2], x, y);
            ASSERT_EQ(Rgb24(*s, 20 + x, 10 + y), want) << x << "," << y;
        }
    EXPECT_EQ(seeThrough, 12 * 6 - 6 * 3);

    // Frame 2 is undone to the canvas: frame 0, with frame 1's place still
    // the background.
    s = &lg::ComposeFrame(anim, 3);
    EXPECT_EQ(Rgb24(*s, 5, 4), background);
    EXPECT_EQ(Rgb24(*s, 21, 10), PpmAt(f[0], 21, 10));
    EXPECT_EQ(Rgb24(*s, 30, 20), PpmAt(f[3], 0, 0));
    EXPECT_EQ(Rgb24(*s, 33, 23), PpmAt(f[3], 3, 3));

    // Frame 3 stays (disposal 1); frame 4 goes on top.
    s = &lg::ComposeFrame(anim, 4);
    EXPECT_EQ(Rgb24(*s, 33, 23), PpmAt(f[3], 3, 3));
    EXPECT_EQ(Rgb24(*s, 3, 3), PpmAt(f[4], 2, 2));
    EXPECT_EQ(Rgb24(*s, 5, 9), background);

    // Frame 0 starts over on a fresh canvas.
    EXPECT_EQ(Differs(lg::ComposeFrame(anim, 0), f[0]), "");
}

TEST(Animation, UnreadableFrameShowsNothingNew) {
    GifBuilder g;
    g.add(Blocks(3, 3, 1, 0, 1, {kRed, kGreen}), 0, 0, 1 << 2, 5, -1);
    g.add(Blocks(3, 3, 1, 1, 1, {kRed, kBlue}), 0, 0, 1 << 2, 5, -1);
    g.add(Blocks(1, 1, 1, 0, 0, {kGrey, kGrey}), 2, 2, 1 << 2, 5, -1);
    // Make the middle image zero pixels wide: the reader refuses it.
    lg::GifScan scan;
    const std::string path = g.save("gap.gif");
    ASSERT_EQ(lg::ScanGifFile(path, scan), 3);
    Bytes b = ReadBytes(path);
    b[size_t(scan.imageOffsets[1]) + 5] = 0;
    WriteBytes(path, b);

    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadAnimation(path, anim, st)) << st.error;
    EXPECT_FALSE(anim.frames[1].image);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 0), 1, 1), kGreen);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 1), 1, 1), kGreen);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 2), 2, 2), kGrey);
    EXPECT_EQ(Rgb24(lg::ComposeFrame(anim, 2), 1, 1), kGreen);
}

TEST(Animation, MemoryBounds) {
    // Two images far apart: a canvas too large to hold.
    GifBuilder far;
    Image dot = Blocks(2, 2, 1, 0, 0, {kRed, kGreen});
    far.add(dot, 0, 0, 0, 0, -1).add(dot, 60000, 60000, 0, 0, -1);
    Animation anim;
    Status st;
    EXPECT_FALSE(lg::LoadAnimation(far.save("far.gif"), anim, st));
    EXPECT_EQ(st.error, "Can't allocate memory");
    EXPECT_TRUE(anim.frames.empty());

    // Frames whose sizes add up beyond the bound are left out, not allocated.
    GifBuilder big;
    for (int i = 0; i < 3; ++i) big.add(dot, 0, 0, 0, 0, -1);
    const std::string path = big.save("big.gif");
    lg::GifScan scan;
    ASSERT_EQ(lg::ScanGifFile(path, scan), 3);
    Bytes b = ReadBytes(path);
    for (uint64_t d : scan.imageOffsets) {
        b[size_t(d) + 5] = 0x00;  // 8192 x 8192
        b[size_t(d) + 6] = 0x20;
        b[size_t(d) + 7] = 0x00;
        b[size_t(d) + 8] = 0x20;
    }
    WriteBytes(path, b);
    ASSERT_TRUE(lg::LoadGifFrames(path, anim, st)) << st.error;
    EXPECT_TRUE(anim.frames[0].image && anim.frames[1].image);
    EXPECT_FALSE(anim.frames[2].image);
}

// ---------------------------------------------------------------- extraction

TEST(Animation, ExtractionWritesEveryFrameAsBmp) {
    TempDir dir;
    const std::string target = lg::PrepareExtractDirectory(dir.file("out") + lg::platform::PathSeparator() + "deeper");
    EXPECT_EQ(target.back(), lg::platform::PathSeparator());
    ASSERT_TRUE(lg::platform::FileExists(target.substr(0, target.size() - 1)));
    EXPECT_EQ(lg::PrepareExtractDirectory(target), target);

    Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadGifFrames(DataPath("gif_anim.gif"), anim, st));
    int shown = 0;
    Image last;
    const std::string picture = dir.file("anim.gif");
    EXPECT_EQ(lg::ExtractFrames(anim, target, picture,
                                [&](Image&& img) {
                                    ++shown;
                                    last = std::move(img);
                                }),
              5);
    EXPECT_EQ(shown, 5);
    ASSERT_TRUE(last);
    EXPECT_EQ(last.width(), 10);
    for (int i = 0; i < 5; ++i) {
        const std::string name = lg::ExtractFileName(target, picture, i);
        Status bs;
        Image bmp = lg::ReadBmp(name, bs);
        ASSERT_TRUE(bmp) << name << ": " << bs.error;
        ASSERT_EQ(bmp.size(), anim.frames[size_t(i)].image.size());
        EXPECT_EQ(std::memcmp(bmp.data(), anim.frames[size_t(i)].image.data(), bmp.size()), 0);
    }
    EXPECT_EQ(lg::ExtractFileName("D/", "x/anim.gif", 2), "D/anim_lumagrove_extract_002.bmp");
    EXPECT_EQ(lg::ExtractFileName("D/", "noext", 12), "D/noext_lumagrove_extract_012.bmp");
}
