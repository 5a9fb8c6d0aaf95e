// WebP: still files checked pixel for pixel against dwebp's decoding, the
// animation's canvases against figures worked out by hand over its first
// frame, detection beside the other RIFF types, hand-damaged files, and
// files we write read back by dwebp.
#include "support.h"

#include <cstdlib>
#include <cstring>

#include "formats/animation.h"
#include "formats/save.h"
#include "formats/webp.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

Image FromBytes(const Bytes& b, Status& st) {
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadWebpFrom(in, st);
}

// The RIFF chunks of a file: fourcc and payload, in order.
struct Chunk {
    std::string id;
    Bytes data;
};

std::vector<Chunk> ChunksOf(const Bytes& file) {
    std::vector<Chunk> out;
    for (size_t p = 12; p + 8 <= file.size();) {
        const uint32_t n = lg::GetLE32(&file[p + 4]);
        Chunk c{std::string(file.begin() + std::ptrdiff_t(p), file.begin() + std::ptrdiff_t(p + 4)),
                Bytes(file.begin() + std::ptrdiff_t(p + 8), file.begin() + std::ptrdiff_t(p + 8 + n))};
        out.push_back(c);
        p += 8 + n + (n & 1);
    }
    return out;
}

void AddChunk(ByteWriter& w, const char* id, const Bytes& data) {
    w.bytes({unsigned(id[0]), unsigned(id[1]), unsigned(id[2]), unsigned(id[3])}).le32(uint32_t(data.size()));
    w.append(data);
    if (data.size() & 1) w.u8(0);
}

Bytes Riff(const ByteWriter& body) {
    ByteWriter w;
    w.bytes({'R', 'I', 'F', 'F'}).le32(uint32_t(body.b.size() + 4)).bytes({'W', 'E', 'B', 'P'});
    return w.append(body.b).b;
}

void Le24(ByteWriter& w, uint32_t v) { w.u8(v & 0xFF).u8((v >> 8) & 0xFF).u8((v >> 16) & 0xFF); }

// An animation of `frames` copies of a VP8L bitstream of w x h pixels,
// placed at (x, y) on a canvas of cw x ch.
Bytes Animated(const Bytes& vp8l, int w, int h, int cw, int ch, int frames, int x = 0, int y = 0) {
    ByteWriter body, vp8x, anim;
    vp8x.u8(0x02).u8(0).u8(0).u8(0);  // animation
    Le24(vp8x, uint32_t(cw - 1));
    Le24(vp8x, uint32_t(ch - 1));
    AddChunk(body, "VP8X", vp8x.b);
    anim.le32(0).le16(0);
    AddChunk(body, "ANIM", anim.b);
    for (int i = 0; i < frames; ++i) {
        ByteWriter f;
        Le24(f, uint32_t(x / 2));
        Le24(f, uint32_t(y / 2));
        Le24(f, uint32_t(w - 1));
        Le24(f, uint32_t(h - 1));
        Le24(f, 100);
        f.u8(0);
        AddChunk(f, "VP8L", vp8l);
        AddChunk(body, "ANMF", f.b);
    }
    return Riff(body);
}

TEST(WebpRead, StillFilesShowWhatDwebpShows) {
    for (const char* name : {"webp_lossy", "webp_lossless", "webp_lossy_alpha", "webp_lossless_alpha", "webp_big",
                             "webp_one"}) {
        const std::string base = name;
        Status st;
        Image img = ReadAs(lg::kFormatWebp, DataPath(base + ".webp"), st);
        ASSERT_TRUE(img) << name << ": " << st.error;
        EXPECT_EQ(img.bitCount(), 24) << name;
        EXPECT_EQ(PixelsOff(img, base + ".ppm", 0), 0) << name;
    }
    Status st;
    lg::PictureFacts facts;
    ASSERT_TRUE(ReadAs(lg::kFormatWebp, DataPath("webp_lossy_alpha.webp"), st, lg::ReadOptions(), &facts));
    EXPECT_EQ(st.info, "WebP - Lossy (alpha dropped)");
    ASSERT_TRUE(ReadAs(lg::kFormatWebp, DataPath("webp_lossless.webp"), st));
    EXPECT_EQ(st.info, "WebP - Lossless");
}

TEST(WebpRead, DetectedByContentBesideTheOtherRiffTypes) {
    EXPECT_EQ(lg::DetectFileFormat(DataPath("webp_lossy.webp")), lg::kFormatWebp);
    EXPECT_EQ(lg::DetectFileFormat(DataPath("webp_anim.webp")), lg::kFormatWebp);
    auto riff = [](const char* form, uint32_t size) {
        ByteWriter w;
        w.bytes({'R', 'I', 'F', 'F'}).le32(size);
        for (int i = 0; i < 4; ++i) w.u8(uint8_t(form[i]));
        while (w.b.size() < lg::kSignatureBytes) w.u8(0);
        return w.b;
    };
    auto detect = [](const Bytes& b) { return lg::DetectFormat(b.data(), b.size(), "x.webp"); };
    EXPECT_EQ(detect(riff("WEBP", 100)), lg::kFormatWebp);
    EXPECT_EQ(detect(riff("AVI ", 100)), lg::kFormatMedia);
    EXPECT_EQ(detect(riff("WAVE", 100)), lg::kFormatMedia);
    EXPECT_EQ(detect(riff("ACON", 100)), lg::kFormatAni);
    // A size that cannot hold even one chunk header is not a WebP file.
    EXPECT_NE(detect(riff("WEBP", 4)), lg::kFormatWebp);
    // Endings and the lists made from the table.
    EXPECT_TRUE(lg::CountsAsPicture("holiday.WebP"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatWebp, "a.webp"));
    EXPECT_NE(lg::OpenFilterString().find(std::string("*.webp") + '\0'), std::string::npos);
    EXPECT_EQ(lg::SaveTypeExtension(lg::SaveTypeOfExtension(".webp")), ".webp");
}

TEST(WebpRead, DamagedFilesGiveAClearErrorText) {
    const Bytes good = ReadBytes(DataPath("webp_lossy.webp"));
    ASSERT_GT(good.size(), 100u);
    // Cut short anywhere: the RIFF size then claims more than the file holds.
    for (size_t n : {size_t(12), size_t(20), size_t(30), good.size() / 2, good.size() - 1}) {
        Status st;
        EXPECT_FALSE(FromBytes(Bytes(good.begin(), good.begin() + std::ptrdiff_t(n)), st)) << n;
        EXPECT_EQ(st.error, "This WebP file is truncated !") << n;
    }
    // A RIFF size larger than the file, the data complete.
    Bytes lying = good;
    lg::PutLE32(&lying[4], lg::GetLE32(&lying[4]) + 1000);
    Status st;
    EXPECT_FALSE(FromBytes(lying, st));
    EXPECT_EQ(st.error, "This WebP file is truncated !");
    // Garbage where the bitstream should be.
    Bytes garbage = good;
    for (size_t i = 20; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 37);
    EXPECT_FALSE(FromBytes(garbage, st));
    EXPECT_EQ(st.error, "This is not a valid WebP file !");
}

TEST(WebpRead, AnimationsBeyondTheBoundsAreRefusedBeforeDecoding) {
    const std::vector<Chunk> one = ChunksOf(ReadBytes(DataPath("webp_one.webp")));
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(one[0].id, "VP8L");
    const Bytes& pixel = one[0].data;
    Status st;
    lg::Animation anim;
    auto frames = [&](const Bytes& file) {
        lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
        return lg::LoadWebpFramesFrom(in, anim, st);
    };
    // Files of this shape load.
    ASSERT_TRUE(frames(Animated(pixel, 1, 1, 4, 4, 3, 2, 2))) << st.error;
    EXPECT_EQ(anim.frames.size(), 3u);
    // More frames than the table holds, a canvas of 20000 x 20000 pixels.
    EXPECT_FALSE(frames(Animated(pixel, 1, 1, 1, 1, lg::kMaxFrames + 1)));
    EXPECT_EQ(st.error, "This WebP file is too big for me.");
    EXPECT_FALSE(frames(Animated(pixel, 1, 1, 20000, 20000, 2)));
    EXPECT_EQ(st.error, "This WebP file is too big for me.");
    Image still = FromBytes(Animated(pixel, 1, 1, 20000, 20000, 2), st);
    EXPECT_FALSE(still);
    EXPECT_EQ(st.error, "This WebP file is too big for me.");
    // Canvases that would hold too many frames' pixels together.
    EXPECT_FALSE(frames(Animated(pixel, 1, 1, 4096, 4096, 4)));
    EXPECT_EQ(st.error, "This WebP file is too big for me.");
    // A frame that reaches outside the canvas.
    EXPECT_FALSE(frames(Animated(pixel, 1, 1, 4, 4, 2, 4, 0)));
    EXPECT_EQ(st.error, "This is not a valid WebP file !");
    EXPECT_TRUE(anim.frames.empty());
}

// The canvas after each frame of webp_anim.webp (see webp.sh), worked out by
// hand: frame 0 is the whole gradient; frame 1, green 16x12 at (4,6), is
// disposed to transparent (shown black once alpha is dropped); frame 2,
// yellow 20x10 at (12,14), is blended and lets the canvas show through its
// transparent 10x6 hole at (5,2) - except where frame 1 was disposed: there
// both are transparent, libwebp keeps the frame's own pixel, and with alpha
// dropped its stored yellow shows; frame 3, white 10x10 at (28,18).
void PaintFrame(Ppm& canvas, int f) {
    auto fill = [&](int x0, int y0, int w, int h, std::array<int, 3> c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                for (int k = 0; k < 3; ++k) canvas.rgb[3 * (size_t(y) * 40 + size_t(x)) + size_t(k)] = uint8_t(c[k]);
    };
    if (f == 1) fill(4, 6, 16, 12, {0, 255, 0});
    if (f == 2) {
        fill(4, 6, 16, 12, {0, 0, 0});  // frame 1 disposed
        Ppm before = canvas;
        fill(12, 14, 20, 10, {255, 255, 0});
        for (int y = 16; y < 22; ++y)
            for (int x = 17; x < 27; ++x) {
                if (x < 20 && y < 18) continue;  // inside frame 1's disposed rectangle
                for (int k = 0; k < 3; ++k) canvas.rgb[3 * (size_t(y) * 40 + size_t(x)) + size_t(k)] = before.at(x, y)[k];
            }
    }
    if (f == 3) fill(28, 18, 10, 10, {255, 255, 255});
}

TEST(WebpAnimation, FramesAreTheCanvasesWithTheirDelays) {
    lg::Animation anim;
    Status st;
    ASSERT_TRUE(lg::LoadWebpFrames(DataPath("webp_anim.webp"), anim, st)) << st.error;
    ASSERT_EQ(anim.frames.size(), 4u);
    EXPECT_EQ(anim.canvasWidth, 40);
    EXPECT_EQ(anim.canvasHeight, 30);
    const uint32_t delays[] = {10, 25, 7, 50};
    Ppm expected;
    ASSERT_TRUE(ReadPpm(DataPath("webp_anim_base.ppm"), expected));
    for (int i = 0; i < 4; ++i) {
        PaintFrame(expected, i);
        EXPECT_EQ(anim.frames[size_t(i)].delay, delays[i]) << i;
        EXPECT_EQ(PixelsOff(anim.frames[size_t(i)].image, expected, 0), 0) << "frame " << i;
        // The player shows the same.
        EXPECT_EQ(PixelsOff(lg::ComposeFrame(anim, i), expected, 0), 0) << "composed " << i;
    }
    EXPECT_EQ(lg::FrameDelayMs(anim, 2), 70u);
    // Through the table: the viewer plays it, a still load shows frame 0.
    lg::ReadOptions opt;
    opt.multiImage = true;
    lg::PictureFacts facts;
    EXPECT_FALSE(ReadAs(lg::kFormatWebp, DataPath("webp_anim.webp"), st, opt, &facts));
    EXPECT_TRUE(facts.startAnimation);
    EXPECT_EQ(facts.frameCount, 4);
    EXPECT_EQ(st.info, "Animated WebP - 4 images");
    Image first = ReadAs(lg::kFormatWebp, DataPath("webp_anim.webp"), st);
    ASSERT_TRUE(ReadPpm(DataPath("webp_anim_base.ppm"), expected));
    EXPECT_EQ(PixelsOff(first, expected, 0), 0);
    // The animation player takes WebP files too.
    lg::Animation played;
    ASSERT_TRUE(lg::LoadAnimation(DataPath("webp_anim.webp"), played, st)) << st.error;
    EXPECT_EQ(played.frames.size(), 4u);
}

Image FromPpm(const Ppm& p) {
    Image img = Image::Create(p.width, p.height, 24, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* d = img.topRow(y) + 3 * x;
            d[0] = p.at(x, y)[2];
            d[1] = p.at(x, y)[1];
            d[2] = p.at(x, y)[0];
        }
    return img;
}

#ifndef _WIN32
// What dwebp makes of a file we wrote (native build only: under Wine the
// test reads it back through our own reader alone).
bool Dwebp(const std::string& webp, Ppm& out) {
    const std::string ppm = webp + ".ppm";
    return std::system(("dwebp -quiet '" + webp + "' -ppm -o '" + ppm + "'").c_str()) == 0 && ReadPpm(ppm, out);
}
#endif

TEST(WebpWrite, LosslessKeepsEveryPixelAndLossyFollowsTheQuality) {
    Ppm source;
    ASSERT_TRUE(ReadPpm(DataPath("webp_lossless.ppm"), source));
    const Image src = FromPpm(source);
    TempDir dir;
    lg::SaveOptions opt;
    opt.webpLossless = true;
    std::string message;
    ASSERT_TRUE(lg::SaveImage(src, dir.file("exact.webp"), opt, &message)) << message;
    Status st;
    EXPECT_EQ(PixelsOff(ReadAs(lg::kFormatWebp, dir.file("exact.webp"), st), source, 0), 0) << st.error;
#ifndef _WIN32
    Ppm theirs;
    ASSERT_TRUE(Dwebp(dir.file("exact.webp"), theirs)) << "dwebp (Debian's webp package) is needed";
    EXPECT_EQ(PixelsOff(src, theirs, 0), 0);
#endif

    opt.webpLossless = false;
    opt.webpQuality = 95;
    ASSERT_TRUE(lg::SaveImage(src, dir.file("fine.webp"), opt, &message)) << message;
    opt.webpQuality = 5;
    ASSERT_TRUE(lg::SaveImage(src, dir.file("coarse.webp"), opt, &message)) << message;
    EXPECT_LT(ReadBytes(dir.file("coarse.webp")).size(), ReadBytes(dir.file("fine.webp")).size());
    Image fine = ReadAs(lg::kFormatWebp, dir.file("fine.webp"), st);
    // Lossy: close to the source everywhere (chroma is subsampled).
    EXPECT_EQ(PixelsOff(fine, source, 64), 0);
    EXPECT_LT(PixelsOff(fine, source, 16), int(source.rgb.size() / 20));
#ifndef _WIN32
    ASSERT_TRUE(Dwebp(dir.file("fine.webp"), theirs));
    EXPECT_EQ(PixelsOff(fine, theirs, 0), 0);
#endif
}

TEST(WebpWrite, PaletteDepthsAreWidenedAndAFailedSaveKeepsTheOldFile) {
    TempDir dir;
    Status st;
    Image bit4 = ReadAs(lg::kFormatBmp, DataPath("bit4.bmp"), st);
    ASSERT_TRUE(bit4) << st.error;
    lg::SaveOptions opt;
    opt.webpLossless = true;
    std::string message;
    ASSERT_TRUE(lg::SaveImage(bit4, dir.file("p.webp"), opt, &message)) << message;
    EXPECT_EQ(bit4.bitCount(), 4) << "the caller's picture stays as it was";
    EXPECT_EQ(PixelsOff(ReadAs(lg::kFormatWebp, dir.file("p.webp"), st), "bit4.ppm", 0), 0);

    // Wider than a WebP file can be: refused, and the file already there stays.
    WriteBytes(dir.file("p.webp"), Bytes{'o', 'l', 'd'});
    Image wide = Image::Create(16384, 1, 24, 0);
    EXPECT_FALSE(lg::SaveImage(wide, dir.file("p.webp"), opt, &message));
    EXPECT_EQ(message, "WEBP Save error ! - A WebP file holds at most 16383 x 16383 pixels.");
    EXPECT_EQ(ReadBytes(dir.file("p.webp")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"p.webp"});
}

}  // namespace
