#include "support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "core/convert.h"
#include "formats/bmp.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

constexpr const char kNotBmp[] = "Not a valid BMP file";
constexpr const char kNoHeader[] = "Not a valid BMP file, can't read header";

// The bits a reader keeps of each 8-bit reference channel (red, green, blue).
struct Keep {
    int r = 0xFF, g = 0xFF, b = 0xFF;
};
constexpr Keep kExact{};
constexpr Keep k555{0xF8, 0xF8, 0xF8};
constexpr Keep k565{0xF8, 0xFC, 0xF8};

void ExpectMatchesPpm(const Image& img, const std::string& ppmName, Keep keep = kExact) {
    Ppm ref;
    ASSERT_TRUE(ReadPpm(DataPath(ppmName), ref)) << "missing reference " << DataPath(ppmName);
    ASSERT_TRUE(img);
    ASSERT_EQ(img.bitCount(), 24);
    ASSERT_EQ(img.width(), ref.width);
    ASSERT_EQ(img.height(), ref.height);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            auto got = Rgb24(img, x, y);
            const uint8_t* want = ref.at(x, y);
            ASSERT_TRUE(got[0] == (want[0] & keep.r) && got[1] == (want[1] & keep.g) &&
                        got[2] == (want[2] & keep.b))
                << ppmName << " pixel " << x << "," << y << ": got " << got[0] << " " << got[1] << " "
                << got[2] << ", want " << int(want[0]) << " " << int(want[1]) << " " << int(want[2]);
        }
}

Image To24(Image img) { return lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img))); }

// A generated file, with its pixel data split off for rebuilding.
struct Source {
    Bytes file;
    uint32_t offset = 0;
    int width = 0, height = 0, bits = 0;
    Bytes pixels() const { return Bytes(file.begin() + offset, file.end()); }
};

Source Load(const std::string& name) {
    Source s;
    s.file = ReadBytes(DataPath(name));
    EXPECT_GE(s.file.size(), 54u) << "missing " << DataPath(name);
    if (s.file.size() < 54) return s;
    s.offset = lg::GetLE32(&s.file[10]);
    s.width = int32_t(lg::GetLE32(&s.file[18]));
    s.height = int32_t(lg::GetLE32(&s.file[22]));
    s.bits = lg::GetLE16(&s.file[28]);
    return s;
}

// Stored rows reversed and the height negated: the same picture top-down.
Bytes MakeTopDown(const Source& s) {
    Bytes out = s.file;
    const size_t stride = size_t(lg::RowStride(s.width, s.bits));
    for (int y = 0; y < s.height; ++y)
        std::memcpy(&out[s.offset + size_t(y) * stride], &s.file[s.offset + size_t(s.height - 1 - y) * stride],
                    stride);
    lg::PutLE32(&out[22], uint32_t(-s.height));
    return out;
}

// A plain run-length encoder: runs of three or more, absolute stretches
// between them, single pixels as runs of one.
struct Rle {
    Bytes data;
    int absolute = 0, oddStarts = 0;
};

Rle Encode(const Source& s, bool four) {
    Rle out;
    const size_t stride = size_t(lg::RowStride(s.width, s.bits));
    auto emit = [&](std::initializer_list<unsigned> v) { for (unsigned b : v) out.data.push_back(uint8_t(b)); };
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = &s.file[s.offset + size_t(y) * stride];
        std::vector<int> px(size_t(s.width));
        for (int x = 0; x < s.width; ++x)
            px[size_t(x)] = four ? (x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4) : row[x];
        const int n = s.width;
        auto runAt = [&](int i) { return i + 2 < n && px[i] == px[i + 1] && px[i] == px[i + 2]; };
        for (int i = 0; i < n;) {
            if (four && (i & 1)) ++out.oddStarts;
            if (runAt(i)) {
                int len = 1;
                while (i + len < n && len < 255 && px[i + len] == px[i]) ++len;
                emit({unsigned(len), unsigned(four ? px[i] * 17 : px[i])});
                i += len;
                continue;
            }
            int len = 0;
            while (i + len < n && len < 255 && !runAt(i + len)) ++len;
            if (len < 3) {
                for (int k = 0; k < len; ++k) emit({1, unsigned(four ? px[i + k] * 17 : px[i + k])});
            } else {
                ++out.absolute;
                emit({0, unsigned(len)});
                size_t bytes = 0;
                for (int k = 0; k < len; ++k) {
                    if (!four) {
                        out.data.push_back(uint8_t(px[i + k]));
                        ++bytes;
                    } else if (k & 1) {
                        out.data.back() = uint8_t(out.data.back() | px[i + k]);
                    } else {
                        out.data.push_back(uint8_t(px[i + k] << 4));
                        ++bytes;
                    }
                }
                if (bytes & 1) out.data.push_back(0);
            }
            i += len;
        }
        emit({0, 0});
    }
    emit({0, 1});
    return out;
}

// A hand-made RLE file: palette of `colours` greys, then the stream.
Bytes RleFile(int w, int h, int bits, const Bytes& stream) {
    const uint32_t colours = bits == 8 ? 256 : 16;
    ByteWriter f = BmpHead(w, h, bits, bits == 8 ? 1 : 2, 0, 54 + 4 * colours);
    for (uint32_t i = 0; i < colours; ++i) f.bytes({i, i, i, 0});
    return f.append(stream).b;
}

std::string Hex(const uint8_t* p, size_t n) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", p[i]);
        s += buf;
    }
    return s;
}

void ExpectRow(const Image& img, int y, const Bytes& want) {
    ASSERT_TRUE(img);
    EXPECT_EQ(Hex(img.row(y), want.size()), Hex(want.data(), want.size())) << "stored row " << y;
}

}  // namespace

// ---------------------------------------------------------------- reading

TEST(BmpRead, GeneratedFilesMatchTheirReferences) {
    const struct {
        const char* name;
        int depth;
        const char* info;
        Keep keep;
    } cases[] = {
        {"bit1", 1, "None", kExact},
        {"bit4", 4, "None", kExact},
        {"bit8", 8, "None", kExact},
        {"bit24", 24, "None", kExact},
        {"big24", 24, "None", kExact},
        {"np8", 8, "None", kExact},
        {"rle8", 8, "Run Length Encoding, RLE8", kExact},
        {"os2_1", 1, "None - OS/2 BMP", kExact},
        {"os2_8", 8, "None - OS/2 BMP", kExact},
        {"os2_24", 24, "None - OS/2 BMP", kExact},
        {"np_os2", 24, "None - OS/2 BMP", kExact},
        {"rgb555", 24, nullptr, k555},  // bit fields arrive as 24 bits
        {"rgb565", 24, nullptr, k565},
        {"argb32", 24, nullptr, kExact},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Status st;
        Image img = lg::ReadBmp(DataPath(std::string(c.name) + ".bmp"), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(st.error, "");
        EXPECT_EQ(img.bitCount(), c.depth);
        if (c.info) {
            EXPECT_EQ(st.info, c.info);
        }
        ExpectMatchesPpm(To24(std::move(img)), std::string(c.name) + ".ppm", c.keep);
    }
}

TEST(BmpRead, UncompressedSixteenBitsStayAtSixteen) {
    Source s = Load("rgb555.bmp");
    Bytes file = BmpHead(s.width, s.height, 16, 0, 0, 54).append(s.pixels()).b;
    Status st;
    Image img = ReadBmpBytes(file, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 16);
    EXPECT_EQ(st.info, "None");
    Image wide = lg::WidenToWorkingDepth(std::move(img));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide.bitCount(), 24);
    ExpectMatchesPpm(wide, "rgb555.ppm", k555);
}

TEST(BmpRead, UncompressedThirtyTwoBitsDropTheFourthByte) {
    Source s = Load("argb32.bmp");
    Bytes file = BmpHead(s.width, s.height, 32, 0, 0, 54).append(s.pixels()).b;
    Status st;
    Image img = ReadBmpBytes(file, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 32);
    ExpectMatchesPpm(To24(std::move(img)), "argb32.ppm");
}

TEST(BmpRead, BitFieldMasksBehindAShortHeader) {
    Source s = Load("rgb565.bmp");
    ByteWriter f = BmpHead(s.width, s.height, 16, 3, 0, 66);
    f.le32(0xF800).le32(0x07E0).le32(0x001F).append(s.pixels());
    Status st;
    Image img = ReadBmpBytes(f.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 24);
    ExpectMatchesPpm(img, "rgb565.ppm", k565);
}

TEST(BmpRead, NegativeHeightMeansTopDownRows) {
    const struct {
        const char* name;
        Keep keep;
    } cases[] = {{"bit1", kExact}, {"bit4", kExact}, {"bit8", kExact}, {"bit24", kExact}, {"rgb565", k565}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Source s = Load(std::string(c.name) + ".bmp");
        Status st;
        Image img = ReadBmpBytes(MakeTopDown(s), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.height(), s.height);
        ExpectMatchesPpm(To24(std::move(img)), std::string(c.name) + ".ppm", c.keep);
    }
}

TEST(BmpRead, RunLengthStreamsWithAbsoluteStretches) {
    for (int bits : {8, 4}) {
        SCOPED_TRACE(bits);
        Source s = Load(bits == 8 ? "bit8.bmp" : "bit4.bmp");
        Rle rle = Encode(s, bits == 4);
        ASSERT_GT(rle.absolute, 0);  // the picture has stretches without runs
        if (bits == 4) {
            ASSERT_GT(rle.oddStarts, 0);
        }
        ByteWriter f = BmpHead(s.width, s.height, bits, bits == 8 ? 1 : 2, 0, s.offset);
        f.b.insert(f.b.end(), s.file.begin() + 54, s.file.begin() + s.offset);  // colour table
        f.append(rle.data);
        Status st;
        Image img = ReadBmpBytes(f.b, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.bitCount(), bits);
        EXPECT_EQ(st.info, bits == 8 ? "Run Length Encoding, RLE8" : "Run Length Encoding, RLE4");
        ExpectMatchesPpm(To24(std::move(img)), bits == 8 ? "bit8.ppm" : "bit4.ppm");
    }
}

TEST(BmpRead, ShortColourTableIsFilledWithBlack) {
    ByteWriter f = BmpHead(3, 1, 4, 0, 5, 54 + 20);
    for (unsigned i = 0; i < 5; ++i) f.bytes({10 * i + 1, 10 * i + 2, 10 * i + 3, 0});
    f.bytes({0x04, 0x70, 0x00, 0x00});  // pixels 0, 4, 7
    Status st;
    Image img = ReadBmpBytes(f.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.colorsUsed(), 16u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(img.palette()[4 * i + 2], 10 * i + 3) << i;
    for (int i = 20; i < 64; ++i) EXPECT_EQ(img.palette()[i], 0) << i;
    Image rgb = To24(std::move(img));
    EXPECT_EQ(Rgb24(rgb, 1, 0), (std::array<int, 3>{43, 42, 41}));
    EXPECT_EQ(Rgb24(rgb, 2, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(BmpRead, OversizedColoursUsedReadsOneTable) {
    ByteWriter f = BmpHead(2, 1, 8, 0, 100000, 54 + 1024);
    for (unsigned i = 0; i < 256; ++i) f.bytes({i, 255 - i, i / 2, 0});
    f.bytes({255, 1, 0, 0});
    Status st;
    Image img = ReadBmpBytes(f.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.colorsUsed(), 256u);
    Image rgb = To24(std::move(img));
    EXPECT_EQ(Rgb24(rgb, 0, 0), (std::array<int, 3>{127, 0, 255}));
    EXPECT_EQ(Rgb24(rgb, 1, 0), (std::array<int, 3>{0, 254, 1}));

    // A two-colour picture claiming 300 colours still gets two.
    ByteWriter mono = BmpHead(3, 1, 1, 0, 300, 54 + 1200);
    for (unsigned i = 0; i < 300; ++i) mono.bytes({i & 255, 0, 0, 0});
    mono.bytes({0x40, 0, 0, 0});
    img = ReadBmpBytes(mono.b, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.colorsUsed(), 2u);
    rgb = To24(std::move(img));
    EXPECT_EQ(Rgb24(rgb, 1, 0), (std::array<int, 3>{0, 0, 1}));
}

TEST(BmpRead, RleCommandsPlacePixels) {
    Status st;
    // RLE8: a run, end of line, a delta, a run, end of line, a run; no
    // end-of-bitmap code at all.
    Image a = ReadBmpBytes(RleFile(4, 4, 8, {3, 5, 0, 0, 0, 2, 1, 1, 2, 7, 0, 0, 1, 8}), st);
    ASSERT_TRUE(a) << st.error;
    ExpectRow(a, 0, {5, 5, 5, 0});
    ExpectRow(a, 1, {0, 0, 0, 0});
    ExpectRow(a, 2, {0, 7, 7, 0});
    ExpectRow(a, 3, {8, 0, 0, 0});

    // RLE4: three pixels absolute, then a run starting at the odd fourth pixel.
    Image b = ReadBmpBytes(RleFile(6, 1, 4, {0, 3, 0x12, 0x30, 3, 0x45, 0, 1}), st);
    ASSERT_TRUE(b) << st.error;
    ExpectRow(b, 0, {0x12, 0x34, 0x54, 0});

    // RLE4: an absolute stretch of odd byte count is padded to a word.
    Image c = ReadBmpBytes(RleFile(8, 1, 4, {0, 5, 0x12, 0x34, 0x50, 0, 2, 0x77, 0, 1}), st);
    ASSERT_TRUE(c) << st.error;
    ExpectRow(c, 0, {0x12, 0x34, 0x57, 0x70});

    // RLE8: an absolute stretch of odd length is padded to a word.
    Image d = ReadBmpBytes(RleFile(5, 1, 8, {0, 3, 1, 2, 3, 0, 2, 9, 0, 1}), st);
    ASSERT_TRUE(d) << st.error;
    ExpectRow(d, 0, {1, 2, 3, 9, 9});
}

// Built byte by byte to go past every edge; the checks are that the reader
// stays inside its picture (the sanitizers watch) and keeps what fits.
TEST(BmpRead, HostileRunLengthData) {
    Status st;
    const struct {
        int bits;
        Bytes stream;
        Bytes row0;
    } cases[] = {
        {8, {255, 9, 0, 1}, {9, 9, 9, 9}},                         // run longer than the picture
        {8, {2, 4, 0, 2, 255, 255, 3, 3, 0, 1}, {4, 4, 0, 0}},     // delta far below the picture
        {8, {2, 4, 0, 2, 255, 0, 3, 3, 0, 1}, {4, 4, 0, 0}},       // delta far to the right
        {8, {0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 0, 1}, {0, 0, 0, 0}},   // lines past the top
        {8, {2, 4, 0, 200, 1, 2, 3}, {4, 4}},                      // absolute stretch past the data
        {4, {255, 0x9A, 0, 1}, {0x9A, 0x9A}},                      // RLE4 run past the picture
        {4, {2, 0x44, 0, 2, 255, 255, 3, 0x33, 0, 1}, {0x44, 0}},  // RLE4 delta out
        {4, {2, 0x44, 0, 255, 0x12, 0x34}, {0x44}},                // RLE4 absolute past the data
        {4, {0, 0, 0, 0, 0, 0, 7, 0x55}, {0, 0}},                  // RLE4 lines past the top
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Hex(c.stream.data(), c.stream.size()));
        Image img = ReadBmpBytes(RleFile(4, 2, c.bits, c.stream), st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.width(), 4);
        EXPECT_EQ(img.height(), 2);
        ExpectRow(img, 0, c.row0);
    }

    Bytes longAbsolute = {0, 254};
    for (unsigned i = 1; i <= 254; ++i) longAbsolute.push_back(uint8_t(i));
    longAbsolute.insert(longAbsolute.end(), {0, 1});
    Image img = ReadBmpBytes(RleFile(4, 1, 8, longAbsolute), st);
    ASSERT_TRUE(img) << st.error;
    ExpectRow(img, 0, {1, 2, 3, 4});
    img = ReadBmpBytes(RleFile(4, 1, 4, longAbsolute), st);
    ASSERT_TRUE(img) << st.error;
    ExpectRow(img, 0, {0x01, 0x02});
}

TEST(BmpRead, BrokenFilesSayWhy) {
    auto Cut = [](Bytes b, size_t n) {
        b.resize(n);
        return b;
    };
    Status st;
    Bytes pixels(16, 0x55);
    const struct {
        const char* what;
        Bytes file;
        const char* error;
    } cases[] = {
        {"absurd size", BmpHead(100000, 100000, 24, 0, 0, 54).append(pixels).b, "The picture is too large !"},
        {"negative width", BmpHead(-4, 2, 24, 0, 0, 54).append(pixels).b, "Not a valid BMP file"},
        {"offset past end", BmpHead(2, 2, 24, 0, 0, 5000).append(pixels).b, kNotBmp},
        {"header only", BmpHead(2, 2, 24, 0, 0, 54).b, kNotBmp},
        {"table cut off", BmpHead(2, 2, 8, 0, 0, 1078).append(pixels).b, kNotBmp},
        {"depth 2", BmpHead(2, 2, 2, 0, 0, 54).append(pixels).b, kNotBmp},
        {"compression 4", BmpHead(2, 2, 24, 4, 0, 54).append(pixels).b,
         "Can't read data, unsupported compression !"},
        {"RLE8 at 4 bits", BmpHead(2, 2, 4, 1, 0, 54).append(pixels).b,
         "Can't read data, unsupported compression !"},
        {"bit fields at 24 bits", BmpHead(2, 2, 24, 3, 0, 54).append(pixels).b,
         "Can't read data, unsupported compression !"},
        {"header cut short", Cut(BmpHead(2, 2, 24, 0, 0, 54).b, 30), kNoHeader},
        {"header size 8", ByteWriter().bytes({'B', 'M'}).le32(0).le32(0).le32(22).le32(8).append(pixels).b,
         kNoHeader},
        {"not BM", ByteWriter().bytes({'B', 'A'}).append(BmpHead(2, 2, 24, 0, 0, 54).b).append(pixels).b,
         kNoHeader},
        {"empty", Bytes(), kNoHeader},
    };
    for (const auto& c : cases) {
        st = Status();
        EXPECT_TRUE(ReadBmpBytes(c.file, st).empty()) << c.what;
        EXPECT_EQ(st.error, c.error) << c.what;
    }
}

TEST(BmpRead, ShortPixelDataLeavesZeros) {
    Bytes file = BmpHead(2, 2, 24, 0, 0, 54).bytes({1, 2, 3, 4, 5, 6, 0, 0, 7}).b;
    Status st;
    Image img = ReadBmpBytes(file, st);
    ASSERT_TRUE(img) << st.error;
    ExpectRow(img, 0, {1, 2, 3, 4, 5, 6, 0, 0});
    ExpectRow(img, 1, {7, 0, 0, 0, 0, 0, 0, 0});
}

TEST(BmpRead, MissingFileNamesIt) {
    TempDir dir;
    const std::string path = dir.file("nothing-here.bmp");
    Status st;
    EXPECT_TRUE(lg::ReadBmp(path, st).empty());
    EXPECT_EQ(st.error, "Can't open file: " + path);
}

// ---------------------------------------------------------------- writing

namespace {

Image Patterned(int w, int h, int bits) {
    Image img = Image::Create(w, h, bits, 0);
    for (uint32_t i = 0; i < img.colorsUsed(); ++i)
        img.setPaletteEntry(int(i), uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7));
    const int usedBytes = int((int64_t(w) * bits + 7) / 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < usedBytes; ++x) img.row(y)[x] = uint8_t(x * 31 + y * 17 + 5);
    return img;
}

}  // namespace

TEST(BmpWrite, RoundTripsEveryWorkingDepth) {
    TempDir dir;
    for (int bits : {1, 4, 8, 24})
        for (int w : {1, 3, 13}) {
            SCOPED_TRACE("depth " + std::to_string(bits) + " width " + std::to_string(w));
            Image img = Patterned(w, 5, bits);
            const std::string path = dir.file("rt.bmp");
            Status st;
            ASSERT_TRUE(lg::WriteBmp(path, img, st)) << st.error;
            Image back = lg::ReadBmp(path, st);
            ASSERT_TRUE(back) << st.error;
            EXPECT_EQ(st.info, "None");
            ASSERT_EQ(back.size(), img.size());
            EXPECT_EQ(std::memcmp(back.data(), img.data(), img.size()), 0);
        }
}

TEST(BmpWrite, FileLayout) {
    TempDir dir;
    Status st;
    const std::string p24 = dir.file("rgb.bmp"), p8 = dir.file("idx.bmp");
    ASSERT_TRUE(lg::WriteBmp(p24, Patterned(3, 2, 24), st)) << st.error;
    Bytes f = ReadBytes(p24);
    ASSERT_EQ(f.size(), 78u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(lg::GetLE32(&f[2]), 78u);
    EXPECT_EQ(lg::GetLE32(&f[10]), 54u);
    EXPECT_EQ(lg::GetLE32(&f[14]), 40u);

    ASSERT_TRUE(lg::WriteBmp(p8, Patterned(3, 2, 8), st)) << st.error;
    f = ReadBytes(p8);
    ASSERT_EQ(f.size(), 1078u + 8);
    EXPECT_EQ(lg::GetLE32(&f[2]), 1086u);
    EXPECT_EQ(lg::GetLE32(&f[10]), 1078u);
}

TEST(BmpWrite, ReplacesAnExistingFileAndLeavesNoTemporaries) {
    TempDir dir;
    const std::string path = dir.file("pic.bmp");
    WriteBytes(path, Bytes(500, 'x'));
    Status st;
    ASSERT_TRUE(lg::WriteBmp(path, Patterned(3, 2, 24), st)) << st.error;
    EXPECT_EQ(ReadBytes(path).size(), 78u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"pic.bmp"});
}

TEST(BmpWrite, FailureNeverDestroysTheTarget) {
    TempDir dir;
    Status st;
    const std::string lost = dir.file("no-such-dir") + "/pic.bmp";
    EXPECT_FALSE(lg::WriteBmp(lost, Patterned(3, 2, 24), st));
    EXPECT_EQ(st.error, "Can't create file: " + lost);

    const std::string path = dir.file("keep.bmp");
    const Bytes original(300, 'k');
    WriteBytes(path, original);
    st = Status();
    EXPECT_FALSE(lg::WriteBmp(path, Image(), st));
    EXPECT_EQ(st.error, "Can't create file: " + path);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.bmp"});
}
