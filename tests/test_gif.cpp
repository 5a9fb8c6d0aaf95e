#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>

#include "core/convert.h"
#include "formats/format_table.h"
#include "formats/gif.h"
#include "formats/readers.h"
#include "formats/save.h"
#include "settings/settings.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

using lg::Format;

constexpr const char kNotGif[] = "This is not a valid GIF file !";

// Colour indices of a 1-, 4- or 8-bit picture, row by row from the top.
std::vector<int> Indices(const Image& img) {
    std::vector<int> out;
    const int bits = img.bitCount();
    for (int y = 0; y < img.height(); ++y) {
        const uint8_t* r = img.topRow(y);
        for (int x = 0; x < img.width(); ++x) {
            if (bits == 8) out.push_back(r[x]);
            else if (bits == 4) out.push_back(x & 1 ? r[x / 2] & 15 : r[x / 2] >> 4);
            else out.push_back((r[x / 8] >> (7 - x % 8)) & 1);
        }
    }
    return out;
}

// True colour of a decoded picture against a reference; an empty text means equal.
std::string CompareRgb(const Image& img, const Ppm& ref) {
    Image rgb = lg::ExpandTo24(img.Duplicate());
    if (!rgb) return "no picture";
    if (rgb.width() != ref.width || rgb.height() != ref.height)
        return Format("size %dx%d, want %dx%d", rgb.width(), rgb.height(), ref.width, ref.height);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(rgb, x, y);
            const uint8_t* want = ref.at(x, y);
            if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2])
                return Format("pixel %d,%d: %d %d %d, want %d %d %d", x, y, got[0], got[1], got[2], want[0],
                              want[1], want[2]);
        }
    return "";
}

Image ReadFile(const std::string& path, Status& st) {
    lg::GifFrameInfo frame;
    return lg::ReadGif(path, 0, 0, frame, st);
}

Image ReadBytesAsGif(const Bytes& b, Status& st, lg::GifFrameInfo* info = nullptr) {
    lg::GifFrameInfo frame;
    lg::ByteSource in = lg::ByteSource::FromMemory(b.data(), b.size());
    Image img = lg::ReadGifFrom(in, 0, 0, info ? *info : frame, st);
    return img;
}

// An LZW stream that codes every pixel as its own root code: clear, the
// pixels, end, with the code width growing as a decoder's table fills.
Bytes LiteralLzw(int minSize, const std::vector<int>& codes, bool withEnd = true) {
    Bytes data;
    uint32_t acc = 0;
    int nbits = 0, width = minSize + 1, next = (1 << minSize) + 2;
    bool first = true;
    auto put = [&](int code) {
        acc |= uint32_t(code) << nbits;
        nbits += width;
        while (nbits >= 8) {
            data.push_back(uint8_t(acc));
            acc >>= 8;
            nbits -= 8;
        }
    };
    put(1 << minSize);
    for (int c : codes) {
        put(c);
        if (!first && next < 4096 && ++next == (1 << width) && width < 12) ++width;
        first = false;
    }
    if (withEnd) put((1 << minSize) + 1);
    if (nbits) data.push_back(uint8_t(acc));
    Bytes out{uint8_t(minSize)};
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
    }
    out.push_back(0);
    return out;
}

// Header with a global table of 2^bits entries (colour i = i*10, 255-i, 7),
// or none when bits is 0 (table-bits field `noTableBits` then).
ByteWriter GifHead(int width, int height, int bits, const char* version = "GIF89a", int noTableBits = 0,
                   int background = 0) {
    ByteWriter w;
    for (const char* p = version; *p; ++p) w.u8(uint8_t(*p));
    w.le16(unsigned(width)).le16(unsigned(height));
    if (bits) {
        w.u8(0x80 | unsigned(bits - 1)).u8(unsigned(background)).u8(0);
        for (int i = 0; i < (1 << bits); ++i) w.u8(unsigned(i * 10)).u8(unsigned(255 - i)).u8(7);
    } else {
        w.u8(unsigned(noTableBits - 1)).u8(unsigned(background)).u8(0);
    }
    return w;
}

ByteWriter& Descriptor(ByteWriter& w, int left, int top, int width, int height, unsigned flags = 0) {
    return w.u8(0x2C).le16(unsigned(left)).le16(unsigned(top)).le16(unsigned(width)).le16(unsigned(height)).u8(flags);
}

ByteWriter& Control(ByteWriter& w, unsigned flags, unsigned delay, unsigned index) {
    return w.bytes({0x21, 0xF9, 4}).u8(flags).le16(delay).u8(index).u8(0);
}

// A 4x3 picture of 16 colours, indices 0..11 in reading order.
Bytes SmallGif(const char* version = "GIF89a") {
    ByteWriter w = GifHead(4, 3, 4, version);
    Descriptor(w, 0, 0, 4, 3);
    std::vector<int> px;
    for (int i = 0; i < 12; ++i) px.push_back(i);
    w.append(LiteralLzw(4, px)).u8(0x3B);
    return w.b;
}

std::vector<int> Range(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    return v;
}

// A palette picture with a pattern that compresses poorly but not at all randomly.
Image Pattern(int w, int h, int bits, uint32_t seed) {
    Image img = Image::Create(w, h, bits, 0);
    std::mt19937 rng(seed);
    const int colors = 1 << bits;
    for (int i = 0; i < colors; ++i) img.setPaletteEntry(i, uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    for (int y = 0; y < h; ++y) {
        uint8_t* r = img.topRow(y);
        for (int x = 0; x < w; ++x) {
            int v = (x / 3 + y / 2 + int(rng() % 3)) % colors;
            if (bits == 8) r[x] = uint8_t(v);
            else if (bits == 4) r[x / 2] |= uint8_t(x & 1 ? v : v << 4);
            else if (v & 1) r[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return img;
}

// Walks the blocks of a file written by WriteGif; false on a broken layout.
struct Layout {
    size_t dataStart = 0;
    int subBlocks = 0;
    size_t largest = 0;
    bool terminated = false, trailer = false;
};

Layout WalkImageData(const Bytes& b, size_t pos) {
    Layout l;
    l.dataStart = pos;
    ++pos;  // minimum code size
    while (pos < b.size()) {
        size_t n = b[pos++];
        if (n == 0) {
            l.terminated = true;
            break;
        }
        ++l.subBlocks;
        l.largest = std::max(l.largest, n);
        pos += n;
    }
    l.trailer = pos + 1 == b.size() && b[pos] == 0x3B;
    return l;
}

}  // namespace

// ---------------------------------------------------------------- reading

TEST(GifRead, MatchesImageMagickAtEveryTableSize) {
    struct Case {
        const char* name;
        int depth;
    } cases[] = {{"gif_c2", 1},  {"gif_c4", 4},   {"gif_c8", 4},     {"gif_c16", 4},
                 {"gif_c32", 8}, {"gif_c256", 8}, {"gif_87a", 4},    {"gif_local", 4},
                 {"gif_local256", 4}};
    for (const Case& c : cases) {
        Status st;
        Image img = ReadFile(DataPath(std::string(c.name) + ".gif"), st);
        ASSERT_TRUE(img) << c.name << ": " << st.error;
        EXPECT_TRUE(st.error.empty()) << c.name;
        EXPECT_EQ(img.bitCount(), c.depth) << c.name;
        EXPECT_EQ(img.colorsUsed(), 1u << c.depth) << c.name;
        Ppm ref;
        ASSERT_TRUE(ReadPpm(DataPath(std::string(c.name) + ".ppm"), ref)) << c.name;
        EXPECT_EQ(CompareRgb(img, ref), "") << c.name;
    }
}

TEST(GifRead, InterlacedOfEveryHeight) {
    for (const char* name : {"gif_il1", "gif_il2", "gif_il3", "gif_il4", "gif_il5", "gif_il6", "gif_il7",
                             "gif_il8", "gif_il9", "gif_il_big"}) {
        Bytes file = ReadBytes(DataPath(std::string(name) + ".gif"));
        ASSERT_GT(file.size(), 13u) << name;
        Status st;
        Image img = ReadFile(DataPath(std::string(name) + ".gif"), st);
        ASSERT_TRUE(img) << name << ": " << st.error;
        Ppm ref;
        ASSERT_TRUE(ReadPpm(DataPath(std::string(name) + ".ppm"), ref)) << name;
        EXPECT_EQ(CompareRgb(img, ref), "") << name;
    }
    int rows[11];
    lg::InterlaceOrder(11, rows);
    const int want[11] = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    EXPECT_TRUE(std::equal(rows, rows + 11, want));
}

TEST(GifRead, LocalTableUnderAGlobalOneKeepsOnlyItsEntries) {
    Status st;
    Image img = ReadFile(DataPath("gif_local256.gif"), st);
    ASSERT_TRUE(img) << st.error;
    ASSERT_EQ(img.bitCount(), 4);
    const uint8_t* p = img.palette();
    EXPECT_EQ(p[0 * 4 + 2], 250);  // first local colour, red
    EXPECT_EQ(p[3 * 4 + 1], 200);  // fourth local colour, green
    for (int i = 4; i < 16; ++i) EXPECT_EQ(p[4 * i] | p[4 * i + 1] | p[4 * i + 2], 0) << "entry " << i;
}

TEST(GifRead, VersionDigitsAreNotChecked) {
    Status a, b, c;
    Image img87 = ReadBytesAsGif(SmallGif("GIF87a"), a);
    Image img89 = ReadBytesAsGif(SmallGif("GIF89a"), b);
    ASSERT_TRUE(img87 && img89);
    EXPECT_EQ(Indices(img87), Range(12));
    EXPECT_EQ(std::memcmp(img87.data(), img89.data(), img87.size()), 0);
    EXPECT_FALSE(ReadBytesAsGif(SmallGif("GIF90a"), c));
    EXPECT_EQ(c.error, kNotGif);
}

TEST(GifRead, WithoutAnyTableTheColoursAreAGreyRamp) {
    struct Case {
        int tableBits, depth, step;
    } cases[] = {{1, 1, 255}, {3, 4, 16}, {5, 8, 1}};
    for (const Case& c : cases) {
        ByteWriter w = GifHead(3, 1, 0, "GIF89a", c.tableBits);
        Descriptor(w, 0, 0, 3, 1);
        w.append(LiteralLzw(std::max(2, c.tableBits), {1, 0, 1})).u8(0x3B);
        Status st;
        Image img = ReadBytesAsGif(w.b, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.bitCount(), c.depth);
        for (int i = 0; i < (1 << c.depth); ++i) EXPECT_EQ(img.palette()[4 * i + 1], i * c.step) << i;
        EXPECT_EQ(Indices(img), (std::vector<int>{1, 0, 1}));
    }
}

TEST(GifRead, FrameDescriptionComesFromTheFile) {
    ByteWriter w = GifHead(20, 20, 3, "GIF89a", 0, 5);
    Control(w, (3 << 2) | 1, 250, 6);
    w.bytes({0x21, 0xFE, 3, 'a', 'b', 'c', 0});  // a comment between
    Descriptor(w, 7, 9, 2, 1);
    w.append(LiteralLzw(3, {1, 2})).u8(0x3B);
    lg::GifFrameInfo info;
    Status st;
    Image img = ReadBytesAsGif(w.b, st, &info);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(info.bgRed, 50);
    EXPECT_EQ(info.bgGreen, 250);
    EXPECT_EQ(info.bgBlue, 7);
    EXPECT_EQ(info.left, 7);
    EXPECT_EQ(info.top, 9);
    EXPECT_EQ(info.disposal, 3);
    EXPECT_TRUE(info.transparent);
    EXPECT_EQ(info.delay, 250u);
    EXPECT_EQ(info.transparentIndex, 6);
}

TEST(GifRead, ControlAfterTheImageIsNotSeen) {
    ByteWriter w = GifHead(2, 1, 1);
    Descriptor(w, 0, 0, 2, 1);
    w.append(LiteralLzw(2, {1, 0}));
    Control(w, 1 | (2 << 2), 40, 1);
    Descriptor(w, 0, 0, 2, 1);
    w.append(LiteralLzw(2, {0, 0})).u8(0x3B);
    lg::GifFrameInfo info;
    Status st;
    Image img = ReadBytesAsGif(w.b, st, &info);
    ASSERT_TRUE(img);
    EXPECT_EQ(img.bitCount(), 1);
    EXPECT_EQ(Indices(img), (std::vector<int>{1, 0}));
    EXPECT_EQ(info.delay, 0u);
    EXPECT_FALSE(info.transparent);
}

TEST(GifRead, Failures) {
    Status st;
    EXPECT_FALSE(ReadFile(TempDir().file("missing.gif"), st));
    EXPECT_EQ(st.error, "Can't open file for reading !");

    // No image before the trailer, or none before the end.
    ByteWriter noImage = GifHead(4, 4, 2);
    EXPECT_FALSE(ReadBytesAsGif(noImage.b, st));
    EXPECT_EQ(st.error, kNotGif);
    noImage.u8(0x3B);
    EXPECT_FALSE(ReadBytesAsGif(noImage.b, st));
    EXPECT_EQ(st.error, kNotGif);

    // Too large to hold: refused before any allocation.
    ByteWriter huge = GifHead(1, 1, 8);
    Descriptor(huge, 0, 0, 65535, 65535);
    huge.append(LiteralLzw(8, {1})).u8(0x3B);
    EXPECT_FALSE(ReadBytesAsGif(huge.b, st));
    EXPECT_EQ(st.error, "Can't allocate memory");

    ByteWriter empty = GifHead(1, 1, 8);
    Descriptor(empty, 0, 0, 0, 5);
    empty.append(LiteralLzw(8, {})).u8(0x3B);
    EXPECT_FALSE(ReadBytesAsGif(empty.b, st));
    EXPECT_EQ(st.error, kNotGif);
}

TEST(GifRead, DamagedDataKeepsWhatWasDecoded) {
    auto decode = [](const Bytes& lzw, int w, int h) {
        ByteWriter f = GifHead(w, h, 8);
        Descriptor(f, 0, 0, w, h);
        f.append(lzw).u8(0x3B);
        Status st;
        Image img = ReadBytesAsGif(f.b, st);
        EXPECT_TRUE(img);
        EXPECT_EQ(st.error, "");
        return img ? Indices(img) : std::vector<int>();
    };
    // A code beyond the table (9 bits, 300 while 260 is the next free code).
    EXPECT_EQ(decode(LiteralLzw(8, {5, 6, 300, 7}), 4, 1), (std::vector<int>{5, 6, 0, 0}));
    // Right after a clear code, a code that is not a root refers to itself.
    EXPECT_EQ(decode(LiteralLzw(8, {258, 258, 1}), 3, 1), (std::vector<int>{0, 0, 0}));
    // No end code and the data cut short: the last row stays partly 0.
    EXPECT_EQ(decode(LiteralLzw(8, {9, 8, 7}, false), 2, 2), (std::vector<int>{9, 8, 7, 0}));
    // More pixels than the picture holds: the rest is dropped.
    EXPECT_EQ(decode(LiteralLzw(8, {1, 2, 3, 4, 5}), 2, 1), (std::vector<int>{1, 2}));
    // Minimum code sizes no encoder writes.
    for (int size : {0, 9, 12, 255}) {
        Bytes lzw = LiteralLzw(8, {1, 2});
        lzw[0] = uint8_t(size);
        EXPECT_EQ(decode(lzw, 2, 1), (std::vector<int>{0, 0})) << size;
    }
    // Indices beyond a 4-bit table cannot spill into the neighbouring pixel.
    ByteWriter f = GifHead(3, 1, 4);
    Descriptor(f, 0, 0, 3, 1);
    f.append(LiteralLzw(8, {0xFF, 0x10, 0xF3})).u8(0x3B);
    Status st;
    Image img = ReadBytesAsGif(f.b, st);
    ASSERT_TRUE(img);
    EXPECT_EQ(Indices(img), (std::vector<int>{15, 0, 3}));
}

TEST(GifRead, EveryTruncationOfARealFileIsSafe) {
    Bytes file = ReadBytes(DataPath("gif_il9.gif"));
    ASSERT_GT(file.size(), 40u);
    Status full;
    Image whole = ReadBytesAsGif(file, full);
    ASSERT_TRUE(whole);
    for (size_t n = 0; n < file.size(); ++n) {
        Bytes part(file.begin(), file.begin() + std::ptrdiff_t(n));
        Status st;
        Image img = ReadBytesAsGif(part, st);
        if (!img) {
            EXPECT_EQ(st.error, kNotGif) << n;
            continue;
        }
        EXPECT_EQ(img.width(), whole.width());
        EXPECT_EQ(img.height(), whole.height());
    }
}

// ---------------------------------------------------------------- writing

TEST(GifWrite, HeaderLayoutPerDepth) {
    TempDir dir;
    struct Case {
        int bits;
        bool global, interlaced;
        int screenFlags, imageFlags, minSize;
    } cases[] = {{1, true, false, 0x80, 0x00, 2}, {1, true, true, 0x80, 0x40, 2},
                 {4, true, false, 0xB3, 0x03, 4}, {8, true, false, 0xF7, 0x07, 8},
                 {1, false, false, 0x00, 0x80, 2}, {4, false, true, 0x33, 0xC3, 4},
                 {8, false, false, 0x77, 0x87, 8}};
    for (const Case& c : cases) {
        Image img = Pattern(5, 3, c.bits, 1);
        const std::string path = dir.file("h.gif");
        ASSERT_TRUE(lg::WriteGif(path, img, c.global, c.interlaced, -1));
        Bytes b = ReadBytes(path);
        const size_t table = size_t(3) << c.bits;
        ASSERT_GT(b.size(), 13 + table + 8 + 10 + 2);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
        EXPECT_EQ(b[6] | b[7] << 8, 5);
        EXPECT_EQ(b[8] | b[9] << 8, 3);
        EXPECT_EQ(b[10], c.screenFlags) << c.bits;
        size_t pos = 13 + (c.global ? table : 0);
        EXPECT_EQ(Bytes(b.begin() + std::ptrdiff_t(pos), b.begin() + std::ptrdiff_t(pos + 8)),
                  (Bytes{0x21, 0xF9, 4, 0, 0, 0, 0, 0}));
        pos += 8;
        EXPECT_EQ(b[pos], 0x2C);
        EXPECT_EQ(b[pos + 9], c.imageFlags) << c.bits;
        pos += 10 + (c.global ? 0 : table);
        EXPECT_EQ(b[pos], c.minSize);
        Layout l = WalkImageData(b, pos);
        EXPECT_TRUE(l.terminated && l.trailer);
    }
}

TEST(GifWrite, ColourTableIsAlwaysFull) {
    TempDir dir;
    Image img = Image::Create(2, 2, 8, 3);
    img.setPaletteEntry(0, 1, 2, 3);
    img.setPaletteEntry(2, 7, 8, 9);
    ASSERT_TRUE(lg::WriteGif(dir.file("t.gif"), img, true, false, 300));
    Bytes b = ReadBytes(dir.file("t.gif"));
    ASSERT_GT(b.size(), 13u + 768 + 8);
    EXPECT_EQ(Bytes(b.begin() + 13, b.begin() + 22), (Bytes{1, 2, 3, 0, 0, 0, 7, 8, 9}));
    for (size_t i = 22; i < 13 + 768; ++i) ASSERT_EQ(b[i], 0) << i;
    // A transparent index beyond a byte is written as 255.
    EXPECT_EQ(Bytes(b.begin() + 13 + 768, b.begin() + 13 + 768 + 8), (Bytes{0x21, 0xF9, 4, 1, 0, 0, 255, 0}));

    Image zero = Image::Create(3, 1, 4, 0);  // colours used 0: 16 entries
    ASSERT_TRUE(lg::WriteGif(dir.file("z.gif"), zero, false, false, 2));
    Bytes z = ReadBytes(dir.file("z.gif"));
    EXPECT_EQ(z[13 + 6], 2);  // the transparent index
    EXPECT_EQ(z[13 + 8 + 9], 0x83);
    EXPECT_EQ(z[13 + 8 + 10 + 48], 4);  // minimum code size after 16 entries
}

TEST(GifWrite, RefusesWhatGifCannotHold) {
    TempDir dir;
    EXPECT_FALSE(lg::WriteGif(dir.file("a.gif"), Image::Create(4, 4, 24, 0), true, false, -1));
    EXPECT_FALSE(lg::WriteGif(dir.file("b.gif"), Image::Create(70000, 1, 1, 0), true, false, -1));
    EXPECT_FALSE(lg::WriteGif(dir.file("c.gif"), Image(), true, false, -1));
    EXPECT_FALSE(lg::WriteGif(dir.file("no/such/dir/d.gif"), Pattern(2, 2, 8, 1), true, false, -1));
    EXPECT_TRUE(dir.entries().empty());
}

TEST(GifWrite, RoundTripsThroughOurReader) {
    TempDir dir;
    for (int bits : {1, 4, 8})
        for (bool global : {true, false})
            for (bool interlaced : {false, true})
                for (int h : {1, 2, 5, 9, 17}) {
                    Image src = Pattern(13 + h, h, bits, uint32_t(bits * 100 + h));
                    const std::string path = dir.file("r.gif");
                    ASSERT_TRUE(lg::WriteGif(path, src, global, interlaced, -1));
                    Status st;
                    Image back = ReadFile(path, st);
                    ASSERT_TRUE(back) << st.error;
                    ASSERT_EQ(back.bitCount(), bits);
                    EXPECT_EQ(Indices(back), Indices(src)) << bits << global << interlaced << h;
                    EXPECT_EQ(std::memcmp(back.palette(), src.palette(), src.paletteBytes()), 0);
                }
}

TEST(GifWrite, FullTableStreamRoundTripsInSmallBlocks) {
    // Noise fills the 4096-code table again and again.
    Image noise = Image::Create(1000, 1000, 8, 0);
    std::mt19937 rng(42);
    for (int i = 0; i < 256; ++i) noise.setPaletteEntry(i, uint8_t(i), uint8_t(255 - i), uint8_t(i * 7));
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1000; ++x) noise.row(y)[x] = uint8_t(rng());
    // and one colour throughout makes the longest strings
    Image flat = Image::Create(2700, 2700, 1, 0);
    TempDir dir;
    for (Image* img : {&noise, &flat}) {
        const std::string path = dir.file("n.gif");
        ASSERT_TRUE(lg::WriteGif(path, *img, true, false, -1));
        Bytes b = ReadBytes(path);
        Layout l = WalkImageData(b, 13 + (size_t(3) << img->bitCount()) + 8 + 10);
        EXPECT_TRUE(l.terminated && l.trailer);
        EXPECT_LE(l.largest, 255u);
        EXPECT_GT(l.subBlocks, 1);
        Status st;
        Image back = ReadFile(path, st);
        ASSERT_TRUE(back) << st.error;
        EXPECT_TRUE(Indices(back) == Indices(*img));
    }
}

#ifndef _WIN32
// giflib's gif2rgb and ImageMagick decode our files to exactly our pixels.
TEST(GifWrite, OtherDecodersAgree) {
    if (std::system("command -v gif2rgb >/dev/null 2>&1 && command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gif2rgb or convert missing";
    TempDir dir;
    Image noise = Image::Create(300, 200, 8, 0);
    std::mt19937 rng(3);
    for (int i = 0; i < 256; ++i) noise.setPaletteEntry(i, uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) noise.row(y)[x] = uint8_t(rng() % (x < 150 ? 256 : 5));
    struct Case {
        Image img;
        bool global, interlaced;
    };
    std::vector<Case> cases;
    cases.push_back({std::move(noise), true, false});
    cases.push_back({Pattern(37, 21, 1, 5), true, true});
    cases.push_back({Pattern(37, 21, 4, 6), false, false});
    cases.push_back({Pattern(61, 43, 8, 7), false, true});
    int n = 0;
    for (const Case& c : cases) {
        const std::string gif = dir.file("o" + std::to_string(n) + ".gif");
        const std::string rgb = dir.file("o" + std::to_string(n) + ".rgb");
        const std::string ppm = dir.file("o" + std::to_string(n) + ".ppm");
        ++n;
        ASSERT_TRUE(lg::WriteGif(gif, c.img, c.global, c.interlaced, -1));
        ASSERT_EQ(std::system(("gif2rgb -1 -o '" + rgb + "' '" + gif + "' 2>/dev/null").c_str()), 0);
        ASSERT_EQ(std::system(("convert '" + gif + "' -depth 8 ppm:'" + ppm + "'").c_str()), 0);
        Bytes raw = ReadBytes(rgb);
        Ppm fromGiflib;
        fromGiflib.width = c.img.width();
        fromGiflib.height = c.img.height();
        fromGiflib.rgb = raw;
        ASSERT_EQ(raw.size(), size_t(3) * size_t(c.img.width()) * size_t(c.img.height()));
        EXPECT_EQ(CompareRgb(c.img, fromGiflib), "") << "gif2rgb, case " << n - 1;
        Ppm fromMagick;
        ASSERT_TRUE(ReadPpm(ppm, fromMagick));
        EXPECT_EQ(CompareRgb(c.img, fromMagick), "") << "ImageMagick, case " << n - 1;
    }
}
#endif

// ---------------------------------------------------------------- the dispatchers' hooks

class GifDispatch : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        _putenv_s("LUMAGROVE_HOME", home.str().c_str());
#else
        setenv("LUMAGROVE_HOME", home.str().c_str(), 1);
#endif
    }
    TempDir home, dir;
};

TEST_F(GifDispatch, SavingATrueColourPictureWritesAPaletteGif) {
    Image rgb = Image::Create(40, 30, 24, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uint8_t* p = rgb.row(y) + 3 * x;
            p[0] = uint8_t(x * 6);
            p[1] = uint8_t(y * 8);
            p[2] = uint8_t(x * y);
        }
    std::string msg;
    ASSERT_TRUE(lg::SaveImage(rgb, dir.file("q.gif"), false, &msg)) << msg;
    EXPECT_EQ(rgb.bitCount(), 24);
    Status st;
    Image back = ReadFile(dir.file("q.gif"), st);
    ASSERT_TRUE(back) << st.error;
    EXPECT_EQ(back.bitCount(), 8);
    EXPECT_EQ(back.width(), 40);
}

TEST_F(GifDispatch, SaveOptionsReachTheFile) {
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::GifSaveTransparent, 1));
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::GifTransparency, 200));
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::GifSaveInterlaced, 1));
    std::string msg;
    ASSERT_TRUE(lg::SaveImage(Pattern(9, 9, 4, 2), dir.file("t.gif"), false, &msg)) << msg;
    Bytes b = ReadBytes(dir.file("t.gif"));
    const size_t control = 13 + 48;
    ASSERT_GT(b.size(), control + 18);
    EXPECT_EQ(b[control + 3], 1);
    EXPECT_EQ(b[control + 6], 15);  // 200 lowered for a 4-bit picture
    EXPECT_EQ(b[control + 8 + 9], 0x43);
}

TEST_F(GifDispatch, ReaderEntryPicksStillOrAnimation) {
    lg::ReaderFn read = lg::ReaderFor(lg::kFormatGif);
    ASSERT_TRUE(read);
    lg::ReadOptions multi;
    multi.multiImage = true;
    lg::PictureFacts facts;
    Status st;
    EXPECT_FALSE(read(DataPath("gif_anim.gif"), multi, st, facts));
    EXPECT_TRUE(facts.startAnimation);
    EXPECT_EQ(facts.frameCount, 5);
    EXPECT_EQ(st.info, "Animated GIF - 5 images");

    for (bool quiet : {false, true}) {
        lg::ReadOptions still;
        still.quiet = quiet;
        still.multiImage = quiet;
        lg::PictureFacts f;
        Status s;
        Image first = read(DataPath("gif_anim.gif"), still, s, f);
        ASSERT_TRUE(first) << s.error;
        EXPECT_EQ(first.width(), 40);
        EXPECT_FALSE(f.startAnimation);
    }
    // One image only: a still picture even when animation is allowed.
    lg::PictureFacts one;
    Status s;
    EXPECT_TRUE(read(DataPath("gif_c16.gif"), multi, s, one));
    EXPECT_FALSE(one.startAnimation);
    EXPECT_TRUE(s.info.empty());
}
