#include "gtest_mingw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/convert.h"
#include "formats/bmp.h"
#include "ops/quantize.h"
#include "settings/saved_options.h"
#include "settings/settings.h"
#include "support.h"

using lg::Image;

namespace {

using Rgb = std::array<int, 3>;

Image Make24(int w, int h, const std::function<Rgb(int, int)>& colour) {
    Image img = Image::Create(w, h, 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = colour(x, y);
            uint8_t* p = img.topRow(y) + 3 * x;
            p[0] = uint8_t(c[2]);
            p[1] = uint8_t(c[1]);
            p[2] = uint8_t(c[0]);
        }
    return img;
}

Image Noise(int w, int h, uint32_t seed) {
    return Make24(w, h, [&](int, int) {
        Rgb c;
        for (int& v : c) v = int(((seed = seed * 1664525u + 1013904223u) >> 8) & 255);
        return c;
    });
}

// Smooth ramps with a fine diagonal pattern, like a photo.
Image Photo(int w, int h) {
    return Make24(w, h, [&](int x, int y) {
        int r = 255 * x / std::max(1, w - 1), g = 255 * y / std::max(1, h - 1);
        return Rgb{r, g, ((x * 7 + y * 13) % 256 + r) / 2};
    });
}

int IndexAt(const Image& img, int x, int y) {
    const uint8_t* row = img.topRow(y);
    switch (img.bitCount()) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    default: return row[x];
    }
}

Rgb Shown(const Image& img, int x, int y) {
    if (img.bitCount() == 24) return lgtest::Rgb24(img, x, y);
    const uint8_t* e = img.palette() + 4 * IndexAt(img, x, y);
    return {e[2], e[1], e[0]};
}

double MeanError(const Image& src24, const Image& other) {
    double sum = 0;
    for (int y = 0; y < src24.height(); ++y)
        for (int x = 0; x < src24.width(); ++x) {
            Rgb a = Shown(src24, x, y), b = Shown(other, x, y);
            for (int c = 0; c < 3; ++c) sum += std::abs(a[c] - b[c]);
        }
    return sum / (3.0 * src24.width() * src24.height());
}

bool SameBytes(const Image& a, const Image& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// The centre value of the histogram cell holding a colour.
Rgb CellCentre(Rgb c) { return {(c[0] & ~7) + 4, (c[1] & ~3) + 2, (c[2] & ~7) + 4}; }

// The palette median cut makes for colours held the given number of times.
std::set<Rgb> PaletteOf(const std::vector<std::pair<Rgb, int>>& counts, int colors) {
    std::vector<Rgb> pixels;
    for (const auto& [c, n] : counts) pixels.insert(pixels.end(), size_t(n), c);
    Image src = Make24(int(pixels.size()), 1, [&](int x, int) { return pixels[size_t(x)]; });
    uint8_t table[1024];
    int made = lg::MedianCutPalette(src, colors, table);
    std::set<Rgb> out;
    for (int i = 0; i < made; ++i) out.insert({table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    EXPECT_EQ(size_t(made), out.size()) << "entries repeat";
    return out;
}

// Plain Floyd-Steinberg as the textbook states it, for comparison: a whole
// plane of error sums in sixteenths, rows in buffer order with alternating
// direction, each error sent 7/16 ahead, 3/16 below behind, 5/16 below and
// 1/16 below ahead; sums limited as the viewer does; the entry nearest to the
// centre of the corrected colour's cell found by trying them all.
std::vector<int> ModelIndices(const Image& src, const uint8_t* table, int entries) {
    auto limit = [](int e) {
        int m = std::abs(e), v = m < 16 ? m : m < 48 ? 16 + (m - 16) / 2 : 32;
        return e < 0 ? -v : v;
    };
    const int w = src.width(), h = src.height();
    std::vector<int> acc(size_t(w) * size_t(h + 1) * 3, 0), out(size_t(w) * size_t(h));
    auto at = [&](int x, int y, int c) -> int& { return acc[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)]; };
    for (int y = 0; y < h; ++y) {
        const int dir = y % 2 ? -1 : 1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            int v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = std::clamp(limit((at(x, y, c) + 8) >> 4) + src.row(y)[3 * x + c], 0, 255);
            const int centre[3] = {(v[0] & ~7) + 4, (v[1] & ~3) + 2, (v[2] & ~7) + 4};
            int best = 0, bestDist = INT_MAX;
            for (int k = 0; k < entries; ++k) {
                const uint8_t* e = table + 4 * k;
                int db = 2 * (centre[0] - e[0]), dg = 3 * (centre[1] - e[1]), dr = centre[2] - e[2];
                int d = db * db + dg * dg + dr * dr;
                if (d < bestDist) best = k, bestDist = d;
            }
            out[size_t(y) * size_t(w) + size_t(x)] = best;
            const bool ahead = x + dir >= 0 && x + dir < w, behind = x - dir >= 0 && x - dir < w;
            for (int c = 0; c < 3; ++c) {
                int err = v[c] - table[4 * best + c];
                if (ahead) at(x + dir, y, c) += 7 * err;
                if (behind) at(x - dir, y + 1, c) += 3 * err;
                at(x, y + 1, c) += 5 * err;
                if (ahead) at(x + dir, y + 1, c) += err;
            }
        }
    }
    return out;
}

struct Mode {
    int colors, bits;
};
constexpr Mode kModes[] = {{256, 8}, {16, 4}, {2, 1}};

}  // namespace

TEST(Quantize, ResultShapeForEveryModeAndSize) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {13, 1}, {7, 3}, {33, 5}, {64, 17}};
    for (Mode m : kModes)
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << m.colors << " colours, " << w << "x" << h);
            Image src = Noise(w, h, uint32_t(w * 31 + h));
            src.setResolution(2835, 1417);
            std::string why;
            Image out = lg::Quantize(src, m.colors, &why);
            ASSERT_TRUE(out) << why;
            EXPECT_EQ(out.width(), w);
            EXPECT_EQ(out.height(), h);
            EXPECT_EQ(out.bitCount(), m.bits);
            EXPECT_EQ(out.colorsUsedField(), uint32_t(m.colors));
            EXPECT_EQ(out.xResolution(), 2835);
            EXPECT_EQ(out.yResolution(), 1417);
            uint8_t table[1024];
            const int usable = m.bits == 1 ? 2 : lg::MedianCutPalette(src, m.colors, table);
            const size_t used = (size_t(w) * size_t(m.bits) + 7) / 8;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) ASSERT_LT(IndexAt(out, x, y), usable) << x << "," << y;
                // Nothing past the last pixel: not in the rest of a partial
                // byte, nor in the row padding.
                const uint8_t* row = out.topRow(y);
                const unsigned spare = (w * m.bits) % 8 ? (1u << (8 - (w * m.bits) % 8)) - 1 : 0;
                EXPECT_EQ(row[used - 1] & spare, 0u);
                for (size_t i = used; i < out.stride(); ++i) ASSERT_EQ(row[i], 0) << "padding, row " << y;
            }
        }
}

TEST(Quantize, FewColoursGetTheirCellCentres) {
    // 200 colours in distinct cells, off the centres: one entry per cell at
    // its centre, the rest of the table black.
    std::vector<Rgb> colours;
    std::set<Rgb> centres;
    for (int i = 0; centres.size() < 200; ++i) {
        Rgb c{(i * 37) % 256, (i * 91 + 1) % 256, (i * 53 + 3) % 256};
        if (centres.insert(CellCentre(c)).second) colours.push_back(c);
    }
    Image src = Make24(40, 25, [&](int x, int y) { return colours[size_t(y * 40 + x) % colours.size()]; });
    Image out = lg::Quantize(src, 256, nullptr);
    ASSERT_TRUE(out);
    std::set<Rgb> table;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = out.palette() + 4 * i;
        if (i < 200) table.insert({e[2], e[1], e[0]});
        else EXPECT_EQ(lg::GetLE32(e), 0u) << "entry " << i << " beyond the colours found";
    }
    EXPECT_EQ(table, centres);

    // Colours at the centres leave no error to spread and come back exactly.
    for (int colors : {256, 16}) {
        std::vector<Rgb> exact;
        for (int i = 0; i < colors; ++i)
            exact.push_back(CellCentre({(i * 73) % 256, (i * 29 + 100) % 256, (i * 151) % 256}));
        Image pic = Make24(31, 19, [&](int x, int y) { return exact[size_t(x * 3 + y * 5) % exact.size()]; });
        Image got = lg::Quantize(pic, colors, nullptr);
        ASSERT_TRUE(got);
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 31; ++x)
                ASSERT_EQ(Shown(got, x, y), Shown(pic, x, y)) << colors << " colours, " << x << "," << y;
    }

    // One colour: one entry, every index 0, although dithering runs.
    Image flat = lg::Quantize(Make24(9, 4, [](int, int) { return Rgb{10, 10, 10}; }), 256, nullptr);
    ASSERT_TRUE(flat);
    EXPECT_EQ(Shown(flat, 0, 0), (Rgb{12, 10, 12}));
    EXPECT_EQ(lg::GetLE32(flat.palette() + 4), 0u);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) ASSERT_EQ(IndexAt(flat, x, y), 0);
}

// Median cut on hand-made histograms; the answers follow from the cutting
// rules (cell widths 8, 4, 8; side lengths weighted 16 blue, 12 green, 8 red).
TEST(MedianCut, WeightsCutOrderAndTies) {
    // Counts stop at 65535: 100000 and 70000 pixels weigh alike, so the
    // shared entry of two neighbouring cells lies exactly between them.
    EXPECT_EQ(PaletteOf({{{4, 2, 4}, 100000}, {{12, 2, 4}, 70000}, {{4, 2, 252}, 1}}, 2),
              (std::set<Rgb>{{8, 2, 4}, {4, 2, 252}}));
    // The mean is rounded: (2 * 4 + 12) / 3 = 6.67 gives 7.
    EXPECT_EQ(PaletteOf({{{4, 2, 4}, 2}, {{12, 2, 4}, 1}, {{4, 2, 252}, 1}}, 2),
              (std::set<Rgb>{{7, 2, 4}, {4, 2, 252}}));
    // Red (3 cells x 8) and green (2 cells x 12) tie: green is cut, so the
    // two colours of green cell 0 share an entry.
    EXPECT_EQ(PaletteOf({{{4, 2, 4}, 1}, {{28, 2, 4}, 1}, {{4, 10, 4}, 1}}, 2),
              (std::set<Rgb>{{16, 2, 4}, {4, 10, 4}}));
    // Green (4 cells x 12) and blue (3 cells x 16) tie: green again.
    EXPECT_EQ(PaletteOf({{{4, 2, 4}, 1}, {{4, 2, 28}, 1}, {{4, 18, 4}, 1}}, 2),
              (std::set<Rgb>{{4, 2, 16}, {4, 18, 4}}));
    // While boxes are few the one with more colours is cut first: the dense
    // low-blue cluster (27 cells, small) before the wide sparse one, which
    // then gets one more cut and keeps green cells 0 and 15 together.
    std::vector<std::pair<Rgb, int>> clusters;
    for (int b = 0; b < 3; ++b)
        for (int g = 0; g < 3; ++g)
            for (int r = 0; r < 3; ++r) clusters.push_back({{8 * r + 4, 4 * g + 2, 8 * b + 4}, 1});
    for (int g : {0, 15, 30}) clusters.push_back({{4, 4 * g + 2, 252}, 1});
    std::set<Rgb> four = PaletteOf(clusters, 4);
    EXPECT_EQ(std::count_if(four.begin(), four.end(), [](const Rgb& c) { return c[2] == 252; }), 2);
    EXPECT_TRUE(four.count({4, 32, 252})) << "green 2 and 62 averaged";
    // Equal sizes: the first box (low blue) is cut, the other stays whole.
    EXPECT_EQ(PaletteOf({{{4, 2, 4}, 1}, {{12, 2, 4}, 1}, {{4, 2, 252}, 1}, {{12, 2, 252}, 1}}, 3),
              (std::set<Rgb>{{4, 2, 4}, {12, 2, 4}, {8, 2, 252}}));
}

TEST(Quantize, MappingMatchesPlainFloydSteinberg) {
    // Noise drives large errors through the limit; the photo-like ramp keeps
    // them small. Odd sizes, so rows end in both directions.
    const Image pictures[] = {Noise(61, 37, 5), Photo(97, 43)};
    for (const Image& src : pictures)
        for (Mode m : kModes) {
            SCOPED_TRACE(testing::Message() << m.colors << " colours, width " << src.width());
            uint8_t table[1024];
            const int made = lg::MedianCutPalette(src, m.colors, table);
            Image out = lg::Quantize(src, m.colors, nullptr);
            ASSERT_TRUE(out);
            if (m.bits > 1) {
                EXPECT_EQ(std::memcmp(out.palette(), table, 4 * size_t(made)), 0);
            }
            const std::vector<int> want = ModelIndices(src, table, made);
            // Black and white may stand for the two means in either order.
            const int flip = m.bits == 1 ? IndexAt(out, 0, src.height() - 1) ^ want[0] : 0;
            for (int y = 0; y < src.height(); ++y)
                for (int x = 0; x < src.width(); ++x)
                    ASSERT_EQ(IndexAt(out, x, src.height() - 1 - y) ^ flip,
                              want[size_t(y) * size_t(src.width()) + size_t(x)])
                        << "stored row " << y << ", column " << x;
        }
}

TEST(Quantize, SourceUnchangedAndCallsRepeatExactly) {
    Image src = Photo(123, 77);
    Image before = src.Duplicate();
    for (Mode m : kModes) {
        Image first = lg::Quantize(src, m.colors, nullptr);
        // A different picture between the calls must leave no trace.
        Image other = lg::Quantize(Noise(50, 40, 9), m.colors, nullptr);
        Image second = lg::Quantize(src, m.colors, nullptr);
        ASSERT_TRUE(first && other && second);
        EXPECT_TRUE(SameBytes(first, second)) << m.colors << " colours";
    }
    EXPECT_TRUE(SameBytes(src, before));
}

TEST(Quantize, TwoColoursAreBlackAndWhiteWithTheDarkSideBlack) {
    // Left dark, right light. In the second picture the cut puts the light
    // colour first (lower blue), which must not turn the picture negative.
    const Rgb pairs[][2] = {{{20, 20, 30}, {230, 220, 240}}, {{0, 0, 250}, {100, 110, 0}}};
    for (const auto& pair : pairs) {
        Image out = lg::Quantize(Make24(40, 10, [&](int x, int) { return pair[x < 20 ? 0 : 1]; }), 2, nullptr);
        ASSERT_TRUE(out);
        EXPECT_EQ(lg::GetLE32(out.palette()), 0u);
        EXPECT_EQ(lg::GetLE32(out.palette() + 4), 0x00FFFFFFu);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 40; ++x) ASSERT_EQ(IndexAt(out, x, y), x < 20 ? 0 : 1) << x << "," << y;
    }
    // A single colour is black or white by its brightness.
    for (int v : {40, 220}) {
        Image out = lg::Quantize(Make24(11, 3, [&](int, int) { return Rgb{v, v, v}; }), 2, nullptr);
        ASSERT_TRUE(out);
        for (int x = 0; x < 11; ++x) EXPECT_EQ(IndexAt(out, x, 1), v > 128 ? 1 : 0) << "grey " << v;
    }
}

TEST(Quantize, PalettePicturesAreExpandedFirst) {
    Image grey = Image::Create(37, 9, 8, 0);
    lg::FillGreyRamp(grey.palette());
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 37; ++x) grey.row(y)[x] = uint8_t(x * 7);
    Image out = lg::Quantize(grey, 16, nullptr);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.bitCount(), 4);
    EXPECT_LT(MeanError(lg::Expand8To24(grey), out), 6.0);

    Image four = Image::Create(5, 5, 4, 0);
    for (int i = 0; i < 16; ++i) four.setPaletteEntry(i, uint8_t(i * 16), 0, uint8_t(255 - i * 16));
    for (int y = 0; y < 5; ++y) four.row(y)[1] = 0x3C;
    Image out4 = lg::Quantize(four, 256, nullptr);
    ASSERT_TRUE(out4);
    EXPECT_EQ(out4.bitCount(), 8);
    EXPECT_LT(MeanError(lg::Expand4To24(four), out4), 8.0);
}

TEST(Quantize, RefusesWhatItCannotReduce) {
    std::string why;
    EXPECT_FALSE(lg::Quantize(Image(), 256, &why));
    EXPECT_FALSE(why.empty());
    why.clear();
    EXPECT_FALSE(lg::Quantize(Image::Create(8, 8, 1, 0), 2, &why));
    EXPECT_FALSE(why.empty());
    Image src = Photo(8, 8);
    for (int bad : {0, 1, 257, -3}) EXPECT_FALSE(lg::Quantize(src, bad, nullptr)) << bad;
}

// A photo-like picture from ImageMagick, reduced to 256 colours by it and by
// us (through our BMP writer and reader): ours must not be clearly worse.
TEST(Quantize, DitherQualityComparesWithImageMagick) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows test cannot start ImageMagick on the build host; the native suite runs this";
#else
    ASSERT_EQ(std::system("convert -version >/dev/null 2>&1"), 0) << "convert (ImageMagick) is needed";
    lgtest::TempDir dir;
    const std::string photo = dir.file("photo.bmp"), theirs = dir.file("im.bmp"), ours = dir.file("ours.bmp");
    const std::string make = "convert -seed 7 -size 320x240 plasma:fractal -blur 0x1 '(' -size 320x240 "
                             "gradient:skyblue-darkgreen ')' -compose overlay -composite BMP3:'" + photo + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string reduce = "convert '" + photo + "' -dither FloydSteinberg -colors 256 BMP3:'" + theirs + "'";
    ASSERT_EQ(std::system(reduce.c_str()), 0);

    lg::Status st;
    Image src = lg::ReadBmp(photo, st);
    ASSERT_TRUE(src) << st.error;
    ASSERT_EQ(src.bitCount(), 24);
    Image im = lg::ExpandTo24(lg::WidenToWorkingDepth(lg::ReadBmp(theirs, st)));
    ASSERT_TRUE(im) << st.error;
    ASSERT_TRUE(lg::WriteBmp(ours, lg::Quantize(src, 256, nullptr), st)) << st.error;
    Image back = lg::ReadBmp(ours, st);
    ASSERT_TRUE(back) << st.error;
    ASSERT_EQ(back.bitCount(), 8);

    const double ourError = MeanError(src, back), imError = MeanError(src, im);
    RecordProperty("mean_error_ours", std::to_string(ourError));
    RecordProperty("mean_error_imagemagick", std::to_string(imError));
    EXPECT_GT(ourError, 0.0);
    EXPECT_LE(ourError, imError * 1.15) << "ImageMagick " << imError;
#endif
}

// ---- The method choice and the better reduction ----------------------------

namespace {

// FNV-1a over the colour table and the pixel rows.
uint64_t Digest(const Image& img) {
    uint64_t h = 1469598103934665603ull;
    auto eat = [&](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    };
    eat(img.palette(), img.paletteBytes());
    eat(img.pixels(), img.pixelBytes());
    return h;
}

Image ReadTestBmp(const std::string& name) {
    lg::Status st;
    Image img = lg::ReadBmp(lgtest::DataPath(name), st);
    EXPECT_TRUE(img) << name << ": " << st.error;
    return img;
}

// Every pixel of `out` shows exactly the colour of `src`.
::testing::AssertionResult ShowsExactly(const Image& src, const Image& out) {
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (Shown(src, x, y) != Shown(out, x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

// The median cut's results as the program made them before the better
// reduction existed: digests of the whole colour table and pixel block.
struct Reference {
    const char* picture;
    int colors;
    uint64_t digest;
};
constexpr Reference kMedianCutResults[] = {
    {"photo", 256, 0xe1bef6b92454ae7eull},     {"photo", 16, 0x69c120e4c53c028eull},
    {"photo", 2, 0x687fab1fe222a29eull},       {"noise", 256, 0x703d06da08e338edull},
    {"noise", 16, 0xa3a0ba8908084dcdull},      {"noise", 2, 0x6d47671b10f775e5ull},
    {"ops_plasma.bmp", 256, 0x1491459fa183478aull}, {"ops_plasma.bmp", 16, 0x2c01b02b4b567b6aull},
    {"ops_plasma.bmp", 2, 0x88db3dd5f5944e84ull},
};

}  // namespace

// With [Others] BetterReduction at 0 (the default) every reduction is the
// median cut's, byte for byte as before; at 1 the process switches.
TEST(Reduction, SettingOffKeepsTheMedianCutResultsAndOnSwitches) {
    lgtest::ScratchSettings scratch;
    lg::ApplySavedReduction();
    ASSERT_EQ(lg::CurrentReduction(), lg::Reduction::MedianCut);
    const Image photo = Photo(67, 45), noise = Noise(53, 41, 5), plasma = ReadTestBmp("ops_plasma.bmp");
    for (const Reference& r : kMedianCutResults) {
        const Image& src = r.picture[0] == 'p' && r.picture[1] == 'h' ? photo : r.picture[0] == 'n' ? noise : plasma;
        EXPECT_EQ(Digest(lg::Quantize(src, r.colors)), r.digest) << r.picture << " to " << r.colors;
        EXPECT_EQ(Digest(lg::ReduceColors(src, r.colors)), r.digest) << r.picture << " to " << r.colors;
    }

    ASSERT_TRUE(lg::WriteSetting(lg::Setting::BetterReduction, 1));
    lg::ApplySavedReduction();
    EXPECT_EQ(lg::CurrentReduction(), lg::Reduction::Better);
    EXPECT_TRUE(SameBytes(lg::Quantize(photo, 256), lg::Quantize(photo, 256, lg::Reduction::Better)));
    EXPECT_NE(Digest(lg::ReduceColors(photo, 256)), kMedianCutResults[0].digest);
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::BetterReduction, 0));
    lg::ApplySavedReduction();
    EXPECT_EQ(Digest(lg::Quantize(photo, 256)), kMedianCutResults[0].digest);
}

// Pictures ImageMagick reduced to at most 256, 16 and 2 colours keep every
// colour exactly; two colours other than black and white come out black
// where the darker one was.
TEST(BetterReduction, FewColoursComeOutExact) {
    for (int n : {256, 16, 2}) {
        const Image src = ReadTestBmp("red_c" + std::to_string(n) + ".bmp");
        ASSERT_TRUE(src);
        ASSERT_EQ(src.bitCount(), 24);
        if (n > 2) {
            const Image out = lg::Quantize(src, n, lg::Reduction::Better);
            ASSERT_TRUE(out);
            EXPECT_EQ(out.bitCount(), n > 16 ? 8 : 4);
            EXPECT_TRUE(ShowsExactly(src, out)) << n;
            if (n == 16) {
                EXPECT_TRUE(ShowsExactly(src, lg::Quantize(src, 256, lg::Reduction::Better)));
            }
            continue;
        }
        const Image out = lg::Quantize(src, 2, lg::Reduction::Better);
        ASSERT_TRUE(out);
        Rgb dark = Shown(src, 0, 0);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                Rgb c = Shown(src, x, y);
                if (299 * c[0] + 587 * c[1] + 114 * c[2] < 299 * dark[0] + 587 * dark[1] + 114 * dark[2]) dark = c;
            }
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                ASSERT_EQ(Shown(out, x, y), (Shown(src, x, y) == dark ? Rgb{0, 0, 0} : Rgb{255, 255, 255}))
                    << x << "," << y;
    }
    // Black and white stay exact; one colour is one entry.
    const Image bw = Make24(37, 5, [](int x, int y) { return (x + y) % 3 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
    EXPECT_TRUE(ShowsExactly(bw, lg::Quantize(bw, 2, lg::Reduction::Better)));
    const Image one = Make24(9, 4, [](int, int) { return Rgb{12, 200, 77}; });
    EXPECT_TRUE(ShowsExactly(one, lg::Quantize(one, 16, lg::Reduction::Better)));
}

// Every size and depth gives the picture Quantize promises, with indices
// inside the colours made; the source is left alone and a call repeats.
TEST(BetterReduction, ResultShapeSourcesAndRepeats) {
    const std::pair<int, int> sizes[] = {{1, 1}, {13, 1}, {1, 9}, {33, 5}, {64, 17}};
    for (const auto& [w, h] : sizes)
        for (const Mode& m : kModes) {
            const Image src = Noise(w, h, uint32_t(w * 31 + h));
            const Image before = src.Duplicate();
            const Image out = lg::Quantize(src, m.colors, lg::Reduction::Better);
            ASSERT_TRUE(out) << w << "x" << h << " " << m.colors;
            EXPECT_EQ(out.bitCount(), m.bits);
            EXPECT_EQ(out.width(), w);
            EXPECT_EQ(out.height(), h);
            EXPECT_EQ(out.colorsUsedField(), uint32_t(m.colors));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) ASSERT_LT(IndexAt(out, x, y), m.colors);
            EXPECT_TRUE(SameBytes(src, before));
            EXPECT_TRUE(SameBytes(out, lg::Quantize(src, m.colors, lg::Reduction::Better)));
        }
    // Palette pictures are reduced from what they show.
    const Image eight = lg::Quantize(Photo(40, 30), 256, lg::Reduction::MedianCut);
    EXPECT_TRUE(ShowsExactly(eight, lg::Quantize(eight, 256, lg::Reduction::Better)));
    std::string why;
    EXPECT_FALSE(lg::Quantize(Photo(8, 8), 257, lg::Reduction::Better, &why));
    EXPECT_FALSE(why.empty());
}

#ifndef _WIN32
namespace {

// ImageMagick's mean absolute error of `other` against `orig` (0..1).
double CompareMae(const std::string& orig, const std::string& other) {
    const std::string cmd = "compare -metric MAE '" + orig + "' '" + other + "' null: 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[256] = "";
    const size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    buf[n] = 0;
    const char* open = std::strchr(buf, '(');
    return open ? std::atof(open + 1) : -1;
}

}  // namespace
#endif

// On a photo-like picture the better reduction's error, as ImageMagick's
// compare measures it, is below the median cut's at 256 and 16 colours and
// below ImageMagick's own Floyd-Steinberg reduction to 256 colours.
TEST(BetterReduction, MeanErrorBelowMedianCutAndImageMagick) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows test cannot start ImageMagick on the build host; the native suite runs this";
#else
    ASSERT_EQ(std::system("compare -version >/dev/null 2>&1"), 0) << "compare (ImageMagick) is needed";
    lgtest::TempDir dir;
    const std::string photo = lgtest::DataPath("red_photo.bmp");
    const Image src = ReadTestBmp("red_photo.bmp");
    ASSERT_TRUE(src);
    auto errorOf = [&](int colors, lg::Reduction method) {
        const std::string out = dir.file("out.bmp");
        lg::Status st;
        EXPECT_TRUE(lg::WriteBmp(out, lg::Quantize(src, colors, method), st)) << st.error;
        return CompareMae(photo, out);
    };
    const std::string theirs = dir.file("im.bmp");
    const std::string reduce = "convert '" + photo + "' -dither FloydSteinberg -colors 256 BMP3:'" + theirs + "'";
    ASSERT_EQ(std::system(reduce.c_str()), 0);
    const double im = CompareMae(photo, theirs);
    const double better256 = errorOf(256, lg::Reduction::Better), cut256 = errorOf(256, lg::Reduction::MedianCut);
    const double better16 = errorOf(16, lg::Reduction::Better), cut16 = errorOf(16, lg::Reduction::MedianCut);
    RecordProperty("mae_better_256", std::to_string(better256));
    RecordProperty("mae_median_cut_256", std::to_string(cut256));
    RecordProperty("mae_imagemagick_256", std::to_string(im));
    ASSERT_GT(im, 0.0);
    EXPECT_GT(better256, 0.0);
    EXPECT_LT(better256, cut256);
    EXPECT_LT(better256, im);
    EXPECT_LT(better16, cut16);
#endif
}
