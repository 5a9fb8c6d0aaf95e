#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>

#include "core/convert.h"
#include "formats/format_table.h"
#include "formats/gif.h"
#include "formats/codec.h"
#include "formats/save.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

// Colour indices of a 1-, 4- or 8-bit picture, rows from the top.
std::vector<int> Indices(const Image& img) {
    std::vector<int> out;
    std::vector<uint8_t> row(size_t(img.width()));
    for (int y = 0; y < img.height(); ++y) {
        lg::UnpackIndices(img.topRow(y), img.bitCount(), row.size(), row.data());
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// "" when the picture shows exactly the reference's colours.
std::string CompareRgb(const Image& img, const Ppm& ref) {
    Image rgb = lg::ExpandTo24(img.Duplicate());
    if (!rgb || rgb.width() != ref.width || rgb.height() != ref.height) return "size differs";
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            if (!std::equal(ref.at(x, y), ref.at(x, y) + 3, Rgb24(rgb, x, y).begin()))
                return lg::Format("pixel %d,%d", x, y);
    return "";
}

Image ReadFile(const std::string& path, Status& st) { return ReadAs(lg::kFormatGif, path, st); }

Image ReadMem(const Bytes& b, Status& st, lg::GifFrameInfo* info = nullptr) {
    lg::GifFrameInfo frame;
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    return lg::ReadGifFrom(in, 0, 0, info ? *info : frame, st);
}

// An LZW stream coding every pixel as its root code, the code width growing
// as a decoder's table fills: what the simplest encoder writes.
Bytes LiteralLzw(int minSize, const std::vector<int>& codes, bool withEnd = true) {
    Bytes data;
    uint32_t acc = 0;
    int nbits = 0, width = minSize + 1, next = (1 << minSize) + 1;  // the first code adds nothing
    auto put = [&](int code) {
        for (acc |= uint32_t(code) << nbits, nbits += width; nbits >= 8; acc >>= 8, nbits -= 8)
            data.push_back(uint8_t(acc));
    };
    put(1 << minSize);
    for (int c : codes) {
        put(c);
        if (++next == (1 << width) && width < 12) ++width;
    }
    if (withEnd) put((1 << minSize) + 1);
    if (nbits) data.push_back(uint8_t(acc));
    Bytes out{uint8_t(minSize)};
    for (size_t i = 0; i < data.size(); i += 255) {
        out.push_back(uint8_t(std::min<size_t>(255, data.size() - i)));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + out.back()));
    }
    out.push_back(0);
    return out;
}

// Screen with a global table of 2^bits entries (colour i = i*10, 255-i, 7),
// or without one when bits is 0 (`tableBits` then fills the field alone).
ByteWriter GifHead(int w, int h, int bits, const char* version = "GIF89a", int tableBits = 0) {
    ByteWriter b;
    for (const char* p = version; *p; ++p) b.u8(uint8_t(*p));
    b.le16(unsigned(w)).le16(unsigned(h)).u8(bits ? 0x80u | unsigned(bits - 1) : unsigned(tableBits - 1));
    b.u8(5).u8(0);  // background index 5
    for (int i = 0; bits && i < (1 << bits); ++i) b.u8(unsigned(i * 10)).u8(unsigned(255 - i)).u8(7);
    return b;
}

ByteWriter& Descriptor(ByteWriter& b, int w, int h, unsigned flags = 0, int left = 0, int top = 0) {
    return b.u8(0x2C).le16(unsigned(left)).le16(unsigned(top)).le16(unsigned(w)).le16(unsigned(h)).u8(flags);
}

// One picture coded as the given indices.
Bytes Simple(int w, int h, int bits, int minSize, const std::vector<int>& px, const char* version = "GIF89a") {
    ByteWriter b = GifHead(w, h, bits, version);
    Descriptor(b, w, h).append(LiteralLzw(minSize, px)).u8(0x3B);
    return b.b;
}

// A palette picture that compresses somewhat, with a random colour table.
Image Pattern(int w, int h, int bits, uint32_t seed) {
    Image img = Image::Create(w, h, bits, 0);
    std::mt19937 rng(seed);
    for (int i = 0; i < (1 << bits); ++i) img.setPaletteEntry(i, uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int v = (x / 3 + y / 2 + int(rng() % 3)) % (1 << bits);
            uint8_t* r = img.topRow(y);
            if (bits == 8) r[x] = uint8_t(v);
            else if (bits == 4) r[x / 2] |= uint8_t(x & 1 ? v : v << 4);
            else if (v) r[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    return img;
}

// The LZW sub-blocks of a file we wrote: the largest count, and whether the
// zero-length block and the trailer end the file.
size_t LargestSubBlock(const Bytes& b, size_t minSizeAt, bool* wellEnded) {
    size_t pos = minSizeAt + 1, largest = 0;
    while (pos < b.size() && b[pos] != 0) {
        largest = std::max<size_t>(largest, b[pos]);
        pos += b[pos] + 1u;
    }
    *wellEnded = pos + 2 == b.size() && b[pos + 1] == 0x3B;
    return largest;
}

}  // namespace

// ---------------------------------------------------------------- reading

TEST(GifRead, MatchesImageMagick) {
    // depth 0: not checked
    const std::pair<const char*, int> cases[] = {
        {"gif_c2", 1},    {"gif_c4", 4},    {"gif_c8", 4},    {"gif_c16", 4},  {"gif_c32", 8},
        {"gif_c256", 8},  {"gif_87a", 4},   {"gif_local", 4}, {"gif_local256", 4}, {"gif_il1", 0},
        {"gif_il2", 0},   {"gif_il3", 0},   {"gif_il4", 0},   {"gif_il5", 0},  {"gif_il6", 0},
        {"gif_il7", 0},   {"gif_il8", 0},   {"gif_il9", 0},   {"gif_il_big", 0}};
    for (const auto& c : cases) {
        const std::string name = c.first;
        Status st;
        Image img = ReadFile(DataPath(name + ".gif"), st);
        ASSERT_TRUE(img) << name << ": " << st.error;
        EXPECT_TRUE(c.second == 0 || img.bitCount() == c.second) << name;
        EXPECT_EQ(img.colorsUsed(), 1u << img.bitCount()) << name;
        Ppm ref;
        ASSERT_TRUE(ReadPpm(DataPath(name + ".ppm"), ref)) << name;
        EXPECT_EQ(CompareRgb(img, ref), "") << name;
    }
    // A local table of four under a global one of 256: the other twelve are black.
    Status st;
    Image local = ReadFile(DataPath("gif_local256.gif"), st);
    ASSERT_TRUE(local);
    EXPECT_EQ(local.palette()[3 * 4 + 1], 200);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(lg::GetLE32(local.palette() + 4 * i), 0u) << i;
}

TEST(GifRead, WithoutAnyTableTheColoursAreAGreyRamp) {
    const int cases[][3] = {{1, 1, 255}, {3, 4, 16}, {5, 8, 1}};  // table bits, depth, step
    for (const auto& c : cases) {
        ByteWriter b = GifHead(3, 1, 0, "GIF89a", c[0]);
        Descriptor(b, 3, 1).append(LiteralLzw(std::max(2, c[0]), {1, 0, 1})).u8(0x3B);
        Status st;
        Image img = ReadMem(b.b, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.bitCount(), c[1]);
        for (int i = 0; i < (1 << c[1]); ++i) EXPECT_EQ(img.palette()[4 * i + 1], i * c[2]) << i;
        EXPECT_EQ(Indices(img), (std::vector<int>{1, 0, 1}));
    }
}

TEST(GifRead, FrameDescriptionFromTheControlBeforeTheImage) {
    ByteWriter b = GifHead(20, 20, 3);
    b.bytes({0x21, 0xF9, 4, (3 << 2) | 1, 250, 0, 6, 0});  // disposal 3, transparent 6, delay 250
    b.bytes({0x21, 0xFE, 3, 'a', 'b', 'c', 0});           // a comment between
    Descriptor(b, 2, 1, 0, 7, 9).append(LiteralLzw(3, {1, 2}));
    b.bytes({0x21, 0xF9, 4, 2 << 2, 40, 0, 1, 0});  // after the image: not seen
    lg::GifFrameInfo f;
    Status st;
    ASSERT_TRUE(ReadMem(b.b, st, &f)) << st.error;
    EXPECT_EQ(std::vector<int>({f.bgRed, f.bgGreen, f.bgBlue}), std::vector<int>({50, 250, 7}));
    EXPECT_EQ(std::vector<int>({f.left, f.top, f.disposal, f.transparent, int(f.delay), f.transparentIndex}),
              std::vector<int>({7, 9, 3, 1, 250, 6}));
}

TEST(GifRead, Failures) {
    const char* notGif = "This is not a valid GIF file !";
    Status st;
    EXPECT_TRUE(ReadMem(Simple(2, 1, 2, 2, {1, 2}, "GIF87a"), st));
    EXPECT_FALSE(ReadMem(Simple(2, 1, 2, 2, {1, 2}, "GIF90a"), st));
    EXPECT_EQ(st.error, notGif);
    ByteWriter noImage = GifHead(4, 4, 2);  // ends before any image, then at the trailer
    EXPECT_FALSE(ReadMem(noImage.b, st));
    EXPECT_EQ(st.error, notGif);
    EXPECT_FALSE(ReadMem(noImage.u8(0x3B).b, st));
    EXPECT_EQ(st.error, notGif);
    ByteWriter huge = GifHead(1, 1, 8);  // refused before any allocation
    Descriptor(huge, 65535, 65535).append(LiteralLzw(8, {1})).u8(0x3B);
    EXPECT_FALSE(ReadMem(huge.b, st));
    EXPECT_EQ(st.error, "The picture is too large !");
    EXPECT_FALSE(ReadMem(Simple(0, 5, 8, 8, {}), st));
    EXPECT_EQ(st.error, notGif);
}

TEST(GifRead, DamagedDataKeepsWhatWasDecoded) {
    auto decode = [](const Bytes& lzw, int w, int h, int bits = 8) {
        ByteWriter f = GifHead(w, h, bits);
        Descriptor(f, w, h).append(lzw).u8(0x3B);
        Status st;
        Image img = ReadMem(f.b, st);
        EXPECT_TRUE(img && st.error.empty());
        return img ? Indices(img) : std::vector<int>();
    };
    // A code beyond the table (300 while 259 is next).
    EXPECT_EQ(decode(LiteralLzw(8, {5, 6, 300, 7}), 4, 1), (std::vector<int>{5, 6, 0, 0}));
    // Right after a clear code, a code that would have to refer to itself.
    EXPECT_EQ(decode(LiteralLzw(8, {258, 258, 1}), 3, 1), (std::vector<int>{0, 0, 0}));
    // Cut short without an end code: the row stays partly 0.
    EXPECT_EQ(decode(LiteralLzw(8, {9, 8, 7}, false), 2, 2), (std::vector<int>{9, 8, 7, 0}));
    // More pixels than the picture holds.
    EXPECT_EQ(decode(LiteralLzw(8, {1, 2, 3, 4, 5}), 2, 1), (std::vector<int>{1, 2}));
    for (int size : {0, 9, 12, 255}) {  // minimum code sizes no encoder writes
        Bytes lzw = LiteralLzw(8, {1, 2});
        lzw[0] = uint8_t(size);
        EXPECT_EQ(decode(lzw, 2, 1), (std::vector<int>{0, 0})) << size;
    }
    // Indices beyond a 4-bit table cannot spill into the neighbouring pixel.
    EXPECT_EQ(decode(LiteralLzw(8, {0xFF, 0x10, 0xF3}), 3, 1, 4), (std::vector<int>{15, 0, 3}));
}

TEST(GifRead, EveryTruncationOfARealFileIsSafe) {
    Bytes file = ReadBytes(DataPath("gif_il9.gif"));
    ASSERT_GT(file.size(), 40u);
    for (size_t n = 0; n < file.size(); ++n) {
        Status st;
        Image img = ReadMem(Bytes(file.begin(), file.begin() + std::ptrdiff_t(n)), st);
        if (img) EXPECT_EQ(img.height(), 9) << n;
        else EXPECT_EQ(st.error, "This is not a valid GIF file !") << n;
    }
}

// ---------------------------------------------------------------- writing

TEST(GifWrite, HeaderLayoutPerDepth) {
    TempDir dir;
    const int cases[][6] = {
        // bits, global, interlaced, screen flags, image flags, minimum code size
        {1, 1, 0, 0x80, 0x00, 2}, {1, 1, 1, 0x80, 0x40, 2}, {4, 1, 0, 0xB3, 0x03, 4},
        {8, 1, 0, 0xF7, 0x07, 8}, {1, 0, 0, 0x00, 0x80, 2}, {4, 0, 1, 0x33, 0xC3, 4}};
    for (const auto& c : cases) {
        ASSERT_TRUE(lg::WriteGif(dir.file("h.gif"), Pattern(5, 3, c[0], 1), c[1], c[2], -1));
        Bytes b = ReadBytes(dir.file("h.gif"));
        const size_t table = size_t(3) << c[0], control = 13 + (c[1] ? table : 0);
        ASSERT_GT(b.size(), 13 + table + 20);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 11), (Bytes{'G', 'I', 'F', '8', '9', 'a', 5, 0, 3, 0, uint8_t(c[3])}));
        EXPECT_EQ(Bytes(b.begin() + std::ptrdiff_t(control), b.begin() + std::ptrdiff_t(control + 9)),
                  (Bytes{0x21, 0xF9, 4, 0, 0, 0, 0, 0, 0x2C}));
        EXPECT_EQ(b[control + 17], c[4]) << c[0];
        const size_t minSizeAt = control + 18 + (c[1] ? 0 : table);
        EXPECT_EQ(b[minSizeAt], c[5]);
        bool wellEnded = false;
        LargestSubBlock(b, minSizeAt, &wellEnded);
        EXPECT_TRUE(wellEnded);
    }
    // A short colour table is padded with black; an index beyond a byte becomes 255.
    Image img = Image::Create(2, 2, 8, 3);
    img.setPaletteEntry(2, 7, 8, 9);
    ASSERT_TRUE(lg::WriteGif(dir.file("t.gif"), img, true, false, 300));
    Bytes b = ReadBytes(dir.file("t.gif"));
    ASSERT_GT(b.size(), 13u + 768 + 8);
    EXPECT_EQ(b[13 + 8], 9);
    EXPECT_TRUE(std::all_of(b.begin() + 22, b.begin() + 13 + 768, [](uint8_t v) { return v == 0; }));
    EXPECT_EQ(b[13 + 768 + 6], 255);
}

TEST(GifWrite, RefusesWhatGifCannotHold) {
    TempDir dir;
    EXPECT_FALSE(lg::WriteGif(dir.file("a.gif"), Image::Create(4, 4, 24, 0), true, false, -1));
    EXPECT_FALSE(lg::WriteGif(dir.file("b.gif"), Image::Create(70000, 1, 1, 0), true, false, -1));
    EXPECT_FALSE(lg::WriteGif(dir.file("no/such/dir/d.gif"), Pattern(2, 2, 8, 1), true, false, -1));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(GifWrite, RoundTripsThroughOurReader) {
    TempDir dir;
    for (int bits : {1, 4, 8})
        for (int global = 0; global < 2; ++global)
            for (int interlaced = 0; interlaced < 2; ++interlaced)
                for (int h : {1, 2, 5, 9, 17}) {
                    Image src = Pattern(13 + h, h, bits, uint32_t(bits * 100 + h));
                    ASSERT_TRUE(lg::WriteGif(dir.file("r.gif"), src, global, interlaced, -1));
                    Status st;
                    Image back = ReadFile(dir.file("r.gif"), st);
                    ASSERT_TRUE(back && back.bitCount() == bits) << st.error;
                    EXPECT_EQ(Indices(back), Indices(src)) << bits << global << interlaced << h;
                    EXPECT_EQ(std::memcmp(back.palette(), src.palette(), src.paletteBytes()), 0);
                }
}

TEST(GifWrite, FullTableStreamsRoundTripInSmallBlocks) {
    // Noise refills the 4096-code table again and again; one colour
    // throughout makes the longest strings.
    Image noise = Image::Create(1000, 1000, 8, 0);
    std::mt19937 rng(42);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1000; ++x) noise.row(y)[x] = uint8_t(rng());
    Image flat = Image::Create(2700, 2700, 1, 0);
    TempDir dir;
    for (const Image* img : {&noise, &flat}) {
        ASSERT_TRUE(lg::WriteGif(dir.file("n.gif"), *img, true, false, -1));
        Bytes b = ReadBytes(dir.file("n.gif"));
        bool wellEnded = false;
        EXPECT_EQ(LargestSubBlock(b, 13 + (size_t(3) << img->bitCount()) + 18, &wellEnded), 255u);
        EXPECT_TRUE(wellEnded);
        Status st;
        Image back = ReadFile(dir.file("n.gif"), st);
        ASSERT_TRUE(back) << st.error;
        EXPECT_TRUE(Indices(back) == Indices(*img));
    }
}

// Native only: a Windows test cannot start the build host's tools.
#ifndef _WIN32
TEST(GifWrite, GiflibAndImageMagickDecodeOurPixels) {
    // The native suite always runs this check: the setup installs both tools.
    ASSERT_EQ(std::system("command -v gif2rgb >/dev/null && command -v convert >/dev/null"), 0)
        << "gif2rgb (giflib-tools) and convert (ImageMagick) are needed";
    TempDir dir;
    Image noise = Image::Create(300, 200, 8, 0);
    std::mt19937 rng(3);
    for (int i = 0; i < 256; ++i) noise.setPaletteEntry(i, uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) noise.row(y)[x] = uint8_t(rng() % (x < 150 ? 256 : 5));
    const Image* cases[] = {&noise, nullptr, nullptr, nullptr};
    Image p1 = Pattern(37, 21, 1, 5), p4 = Pattern(37, 21, 4, 6), p8 = Pattern(61, 43, 8, 7);
    cases[1] = &p1;
    cases[2] = &p4;
    cases[3] = &p8;
    for (int n = 0; n < 4; ++n) {
        const Image& img = *cases[n];
        const std::string gif = dir.file("o.gif"), rgb = dir.file("o.rgb"), ppm = dir.file("o.ppm");
        ASSERT_TRUE(lg::WriteGif(gif, img, n % 2 == 0, n >= 1, -1));
        ASSERT_EQ(std::system(("gif2rgb -1 -o '" + rgb + "' '" + gif + "' 2>/dev/null").c_str()), 0);
        ASSERT_EQ(std::system(("convert '" + gif + "' -depth 8 ppm:'" + ppm + "'").c_str()), 0);
        Ppm giflib{img.width(), img.height(), ReadBytes(rgb)}, magick;
        ASSERT_EQ(giflib.rgb.size(), size_t(3) * size_t(img.width()) * size_t(img.height()));
        EXPECT_EQ(CompareRgb(img, giflib), "") << "gif2rgb, case " << n;
        ASSERT_TRUE(ReadPpm(ppm, magick));
        EXPECT_EQ(CompareRgb(img, magick), "") << "ImageMagick, case " << n;
    }
}
#endif

// ---------------------------------------------------------------- the dispatchers' hooks

TEST(GifDispatch, SavingUsesTheSaveOptions) {
    TempDir dir;
    Image rgb = Image::Create(40, 30, 24, 0);
    for (size_t i = 0; i < rgb.pixelBytes(); ++i) rgb.pixels()[i] = uint8_t(i * 7 / 5);
    std::string msg;
    ASSERT_TRUE(lg::SaveImage(rgb, dir.file("q.gif"), {}, &msg)) << msg;
    Status st;
    Image back = ReadFile(dir.file("q.gif"), st);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(back.bitCount(), 8);

    lg::SaveOptions opt;
    opt.gifTransparent = 200;
    opt.gifInterlaced = true;
    ASSERT_TRUE(lg::SaveImage(Pattern(9, 9, 4, 2), dir.file("t.gif"), opt, &msg)) << msg;
    Bytes b = ReadBytes(dir.file("t.gif"));
    ASSERT_GT(b.size(), 13u + 48 + 18);
    EXPECT_EQ(b[13 + 48 + 3], 1);
    EXPECT_EQ(b[13 + 48 + 6], 15);  // 200 lowered for a 4-bit picture
    EXPECT_EQ(b[13 + 48 + 17], 0x43);
}

TEST(GifDispatch, ReaderEntryPicksStillOrAnimation) {
    lg::ReadOptions multi, quiet;
    multi.multiImage = true;
    quiet.multiImage = quiet.quiet = true;
    lg::PictureFacts facts;
    Status st;
    EXPECT_FALSE(ReadAs(lg::kFormatGif, DataPath("gif_anim.gif"), st, multi, &facts));
    EXPECT_TRUE(facts.startAnimation);
    EXPECT_EQ(facts.frameCount, 5);
    EXPECT_EQ(st.info, "Animated GIF - 5 images");
    for (const lg::ReadOptions& still : {lg::ReadOptions(), quiet}) {
        lg::PictureFacts f;
        Status s;
        Image first = ReadAs(lg::kFormatGif, DataPath("gif_anim.gif"), s, still, &f);
        ASSERT_TRUE(first) << s.error;
        EXPECT_EQ(first.width(), 40);
        EXPECT_FALSE(f.startAnimation);
    }
    lg::PictureFacts one;  // a single image is a still picture
    EXPECT_TRUE(ReadAs(lg::kFormatGif, DataPath("gif_c16.gif"), st, multi, &one));
    EXPECT_FALSE(one.startAnimation);
}
