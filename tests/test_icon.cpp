// Icons, cursors and animated cursors: files from icotool and ImageMagick,
// the mask rule, the chooser, the icon writer read back by ourselves
// and by independent tools, and animated cursors built here chunk by chunk.
#include "raster_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "formats/ani.h"
#include "formats/animation.h"
#include "formats/icon.h"
#include "formats/load.h"
#include "formats/save.h"

using lg::Image;
using lg::Status;
using namespace lgtest;

namespace {

Image LoadFile(const std::string& path, Status& st, std::function<int(const lg::IconSet&)> chooser = nullptr) {
    lg::ReadOptions opt;
    opt.quiet = !chooser;
    opt.chooseIcon = std::move(chooser);
    return ReadAs(lg::kFormatIcoCur, path, st, opt);
}

// A picture of the given depth whose pixel (x, y) has index (x + 3y + seed) mod colours.
Image Pattern(int w, int h, int bits, int seed) {
    const uint32_t colours = bits <= 8 ? 1u << bits : 0;
    Image img = Image::Create(w, h, bits, colours);
    for (uint32_t i = 0; i < colours; ++i) img.setPaletteEntry(int(i), uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 5));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned v = unsigned(x + 3 * y + seed);
            uint8_t* row = img.row(y);
            if (bits == 1) row[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
            else if (bits == 4) row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4));
            else if (bits == 8) row[x] = uint8_t(v);
            else for (int c = 0; c < 3; ++c) row[3 * x + c] = uint8_t(v * (c + 1) * 7);
        }
    return img;
}

bool SamePixels(const Image& a, const Image& b) {
    return a && b && a.width() == b.width() && a.height() == b.height() && a.bitCount() == b.bitCount() &&
           std::memcmp(a.pixels(), b.pixels(), a.pixelBytes()) == 0 &&
           std::memcmp(a.palette(), b.palette(), std::min(a.paletteBytes(), b.paletteBytes())) == 0;
}

// An icon file of one image: 40-byte header with the given colours-used
// field, its colour table, colour rows and mask rows as given.
Bytes HandIcon(int w, int h, int bits, uint32_t colorsUsed, const Bytes& colourRows, const Bytes& maskRows,
               unsigned type = 1) {
    const uint32_t table = 4 * (colorsUsed ? colorsUsed : (bits <= 8 ? 1u << bits : 0));
    const uint32_t size = 40 + table + uint32_t(colourRows.size() + maskRows.size());
    ByteWriter f;
    f.le16(0).le16(type).le16(1);
    f.u8(unsigned(w)).u8(unsigned(h)).u8(0).u8(0).le16(1).le16(unsigned(bits)).le32(size).le32(22);
    f.le32(40).le32(uint32_t(w)).le32(uint32_t(2 * h)).le16(1).le16(unsigned(bits)).le32(0).le32(0);
    f.le32(0).le32(0).le32(colorsUsed).le32(0);
    for (uint32_t i = 0; i < table / 4; ++i) f.u8(i).u8(i).u8(i).u8(0);
    return f.append(colourRows).append(maskRows).b;
}

}  // namespace

// ---------------------------------------------------------------- reading

TEST(IconRead, MatchesIndependentFilesWithMaskedPixelsWhite) {
    // 1, 4, 8, 24 and 32 bits from icotool, a cursor, and ImageMagick's
    // two-image file (its first image); a transparent corner in each.
    for (const char* name : {"ic_b1.ico", "ic_b4.ico", "ic_b8.ico", "ic_b24.ico", "ic_b32.ico", "ic_cur8.cur",
                             "ic_multi.ico"}) {
        SCOPED_TRACE(name);
        Status st;
        Image img = LoadFile(DataPath(name), st);
        ASSERT_TRUE(img) << st.error;
        std::string ref = name;
        ref.replace(ref.size() - 3, 3, "ppm");
        rastertest::ExpectPicture(std::move(img), ref);
    }
}

TEST(IconRead, MaskRulePaintsTheLastEntryWhite) {
    struct Case {
        int bits;
        uint32_t colorsUsed;
        int wantIndex;
    } cases[] = {{4, 0, 15}, {8, 0, 255}, {8, 16, 255} /* a short table grows to hold the white entry */};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits * 1000 + int(c.colorsUsed));
        const int stride = int(lg::RowStride(32, c.bits));
        Bytes colour(size_t(stride) * 32, 0x11), mask(size_t(4) * 32, 0xFF);
        TempDir dir;
        WriteBytes(dir.file("m.ico"), HandIcon(32, 32, c.bits, c.colorsUsed, colour, mask));
        Status st;
        Image img = LoadFile(dir.file("m.ico"), st);
        ASSERT_TRUE(img) << st.error;
        ASSERT_EQ(img.bitCount(), c.bits);
        ASSERT_EQ(img.height(), 32);
        std::vector<uint8_t> idx(32);
        for (int y = 0; y < 32; ++y) {
            lg::UnpackIndices(img.row(y), c.bits, 32, idx.data());
            for (uint8_t v : idx) ASSERT_EQ(v, c.wantIndex);
        }
        const uint8_t* e = img.palette() + 4 * c.wantIndex;
        EXPECT_EQ(e[0] + e[1] + e[2], 3 * 255);
    }
}

TEST(IconRead, RefusesBrokenFilesWithTheirTexts) {
    TempDir dir;
    const Bytes good = HandIcon(8, 8, 4, 0, Bytes(32, 0), Bytes(32, 0));
    struct Case {
        const char* what;
        Bytes bytes;
        const char* error;
    };
    Bytes badType = good, cut = good, farOffset = good, shortDir = good;
    badType[2] = 3;
    cut.resize(good.size() - 10);
    farOffset[6 + 12] = 0xF0;
    shortDir.resize(10);
    // Two directory entries naming the same bytes: more resource bytes than the file holds.
    ByteWriter twice;
    twice.le16(0).le16(1).le16(2).append(Bytes(good.begin() + 6, good.begin() + 22));
    twice.append(Bytes(good.begin() + 6, good.begin() + 22)).append(Bytes(good.begin() + 22, good.end()));
    twice.b[6 + 12] = twice.b[22 + 12] = 38;
    Case cases[] = {{"same image twice", twice.b, "Error reading file"},
                    {"type 3", badType, "Error reading file header"},
                    {"image cut short", cut, "Error reading file"},
                    {"offset past the end", farOffset, "Error seeking in file"},
                    {"directory cut short", shortDir, "Error reading file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir.file("b.ico"), c.bytes);
        Status st;
        EXPECT_FALSE(LoadFile(dir.file("b.ico"), st));
        EXPECT_EQ(st.error, c.error);
    }
}

TEST(IconRead, ChooserIsAskedOnlyInteractivelyAndForSeveralImages) {
    lg::IconSet seen;
    int calls = 0;
    auto chooser = [&](const lg::IconSet& set) {
        ++calls;
        seen = set;
        return 1;
    };
    Status st;
    lg::ReadOptions quietOpt;
    quietOpt.quiet = true;
    quietOpt.chooseIcon = chooser;
    Image quiet = ReadAs(lg::kFormatIcoCur, DataPath("ic_multi.ico"), st, quietOpt);
    ASSERT_TRUE(quiet);
    EXPECT_EQ(quiet.width(), 37);
    EXPECT_EQ(calls, 0);
    Image chosen = LoadFile(DataPath("ic_multi.ico"), st, chooser);
    ASSERT_TRUE(chosen) << st.error;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(chosen.width(), 16);
    ASSERT_EQ(seen.images.size(), 2u);
    EXPECT_EQ(lg::IconChoiceText(seen.images[0]), "37 x 21  -  256 colors");
    Image single = LoadFile(DataPath("ic_b4.ico"), st, chooser);
    ASSERT_TRUE(single);
    EXPECT_EQ(calls, 1);
    lg::IconImage four;
    four.width = four.height = 32;
    four.bitCount = 4;
    EXPECT_EQ(lg::IconChoiceText(four), "32 x 32  -  16 colors");
}

// The interactive load asks through its user interface, except for the
// slideshow's single pictures and the Open dialog's preview.
TEST(IconRead, InteractiveLoadAsksTheChooserOfItsUi) {
    int calls = 0;
    lg::LoadUi ui;
    ui.chooseIcon = [&](const lg::IconSet&) {
        ++calls;
        return 1;
    };
    struct Case {
        const char* what;
        bool noMultiImage, openInProgress;
        int calls, width;
    };
    const Case cases[] = {
        {"viewer", false, false, 1, 16},
        {"slideshow", true, false, 0, 37},
        {"preview", false, true, 0, 37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        calls = 0;
        lg::LoadRequest req;
        req.noMultiImage = c.noMultiImage;
        req.openInProgress = c.openInProgress;
        std::string name = DataPath("ic_multi.ico");
        lg::PictureFacts facts;
        Image img = lg::LoadPicture(name, req, ui, facts);
        ASSERT_TRUE(img);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(img.width(), c.width);
    }
}

// ---------------------------------------------------------------- writing

TEST(IconWrite, RoundTripsAndOneBitWhiteBecomesTransparent) {
    TempDir dir;
    for (int bits : {4, 8, 24}) {
        SCOPED_TRACE(bits);
        Image img = Pattern(37, 21, bits, bits);
        ASSERT_TRUE(lg::WriteIcon(dir.file("w.ico"), img));
        Status st;
        Image back = LoadFile(dir.file("w.ico"), st);
        EXPECT_TRUE(SamePixels(img, back)) << st.error;
    }
    // 1 bit: index 1 (white here) is the mask; read back it is painted white
    // again, and the colour rows are all index 0.
    Image bw = Pattern(20, 9, 1, 0);
    bw.setPaletteEntry(0, 0, 0, 0);
    bw.setPaletteEntry(1, 255, 255, 255);
    const Bytes file = lg::BuildIconFile(bw);
    ASSERT_EQ(file.size(), 22u + 40 + 8 + 2 * 4 * 9);
    for (size_t i = 22 + 48; i < 22 + 48 + 36; ++i) ASSERT_EQ(file[i], 0) << "colour rows";
    EXPECT_EQ(std::memcmp(file.data() + 22 + 48 + 36, bw.pixels(), bw.pixelBytes()), 0) << "mask rows";
    EXPECT_EQ(file[6 + 2], 2) << "colour count";
    ASSERT_TRUE(lg::WriteIcon(dir.file("bw.ico"), bw));
    Status st;
    EXPECT_TRUE(SamePixels(bw, LoadFile(dir.file("bw.ico"), st)));
    // Through the save dispatcher, by the name's ending.
    std::string msg;
    Image p8 = Pattern(16, 16, 8, 2);
    ASSERT_TRUE(lg::SaveImage(p8, dir.file("s.ico"), {}, &msg)) << msg;
    EXPECT_TRUE(SamePixels(p8, LoadFile(dir.file("s.ico"), st)));
}

// Native only: a Windows test cannot start the build host's tools.
#ifndef _WIN32
TEST(IconWrite, IcotoolAndImageMagickReadOurIcons) {
    // The native suite always runs this check: the setup installs both tools.
    ASSERT_EQ(std::system("command -v icotool >/dev/null && command -v convert >/dev/null"), 0)
        << "icotool (icoutils) and convert (ImageMagick) are needed";
    TempDir dir;
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        Image img = Pattern(37, 21, bits, 1);
        const std::string ico = dir.file("o.ico");
        ASSERT_TRUE(lg::WriteIcon(ico, img));
        const std::string list = dir.file("o.txt");
        ASSERT_EQ(std::system(("icotool -l '" + ico + "' > '" + list + "'").c_str()), 0);
        const Bytes text = ReadBytes(list);
        const std::string want = "--width=37 --height=21 --bit-depth=" + std::to_string(bits);
        EXPECT_NE(std::string(text.begin(), text.end()).find(want), std::string::npos);
        if (bits == 1) continue;  // all mask: nothing of its colours to compare
        ASSERT_EQ(std::system(("convert 'ico:" + ico + "' -alpha off -depth 8 ppm:'" + dir.file("o.ppm") + "'").c_str()),
                  0);
        Ppm theirs;
        ASSERT_TRUE(ReadPpm(dir.file("o.ppm"), theirs));
        Image ours = lg::ExpandTo24(img.Duplicate());
        int bad = 0;
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x) {
                auto p = Rgb24(ours, x, y);
                const uint8_t* q = theirs.at(x, y);
                bad += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
            }
        EXPECT_EQ(bad, 0);
    }
}
#endif

// ---------------------------------------------------------------- animated cursors

namespace {

struct AniSpec {
    int icons = 3;
    std::vector<uint32_t> rate, seq;  // empty: chunk left out
    bool tablesAfterFrames = false;
    uint32_t steps = 5, defaultRate = 7, flags = 1;
};

void Chunk(ByteWriter& w, const char* id, const Bytes& data) {
    w.bytes({unsigned(id[0]), unsigned(id[1]), unsigned(id[2]), unsigned(id[3])}).le32(uint32_t(data.size()));
    w.append(data);
    if (data.size() % 2) w.u8(0);
}

Bytes Table(const std::vector<uint32_t>& v) {
    ByteWriter w;
    for (uint32_t x : v) w.le32(x);
    return w.b;
}

// Icon i is a 4-bit 8 x 8 picture filled with index i + 1.
Image AniIcon(int i) {
    Image img = Image::Create(8, 8, 4, 16);
    for (int c = 0; c < 16; ++c) img.setPaletteEntry(c, uint8_t(c * 16), uint8_t(c * 8), uint8_t(c));
    std::memset(img.pixels(), (i + 1) * 0x11, img.pixelBytes());
    return img;
}

Bytes BuildAni(const AniSpec& s) {
    ByteWriter anih;
    anih.le32(36).le32(uint32_t(s.icons)).le32(s.steps).le32(8).le32(8).le32(4).le32(1).le32(s.defaultRate).le32(s.flags);
    ByteWriter frames;
    frames.bytes({'f', 'r', 'a', 'm'});
    for (int i = 0; i < s.icons; ++i) Chunk(frames, "icon", lg::BuildIconFile(AniIcon(i)));
    ByteWriter info;
    info.bytes({'I', 'N', 'F', 'O'});
    Chunk(info, "INAM", Bytes{'t', 'e', 's', 't', 0});
    ByteWriter body;
    body.bytes({'A', 'C', 'O', 'N'});
    Chunk(body, "LIST", info.b);
    Chunk(body, "anih", anih.b);
    if (s.tablesAfterFrames) Chunk(body, "LIST", frames.b);
    if (!s.rate.empty()) Chunk(body, "rate", Table(s.rate));
    if (!s.seq.empty()) Chunk(body, "seq ", Table(s.seq));
    if (!s.tablesAfterFrames) Chunk(body, "LIST", frames.b);
    ByteWriter riff;
    Chunk(riff, "RIFF", body.b);
    return riff.b;
}

// Which icon frame j shows: its single colour index minus 1.
int IconOf(const lg::AnimationFrame& f) {
    if (!f.image) return -1;
    return (f.image.pixels()[0] & 15) - 1;
}

}  // namespace

TEST(AniRead, StepsFollowSequenceAndRateOnlyBeforeTheFrames) {
    struct Case {
        const char* what;
        AniSpec spec;
        std::vector<int> icons;
        std::vector<uint32_t> delays;
    } cases[] = {
        {"rate and seq before fram", {3, {1, 2, 3, 4, 5}, {0, 1, 2, 1, 0}, false}, {0, 1, 2, 1, 0}, {1, 2, 3, 4, 5}},
        {"no rate, seq", {3, {}, {2, 2, 0, 1, 0}, false}, {2, 2, 0, 1, 0}, {7, 7, 7, 7, 7}},
        {"neither", {3, {}, {}, false, 3}, {0, 1, 2}, {7, 7, 7}},
        // The icons are placed as the list is read, so a later sequence comes
        // too late (steps 3 and 4 name icons that do not exist); the delays
        // are set at the end, so a later rate chunk still counts.
        {"tables after fram", {3, {9, 9, 9, 9, 9}, {0, 1, 2, 1, 0}, true}, {0, 1, 2, -1, -1}, {9, 9, 9, 9, 9}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir.file("a.ani"), BuildAni(c.spec));
        lg::Animation anim;
        Status st;
        ASSERT_TRUE(lg::LoadAniFrames(dir.file("a.ani"), anim, st)) << st.error;
        EXPECT_TRUE(anim.cursorDelays);
        EXPECT_EQ(anim.canvasWidth, 8);
        ASSERT_EQ(anim.frames.size(), c.icons.size());
        for (size_t j = 0; j < c.icons.size(); ++j) {
            EXPECT_EQ(IconOf(anim.frames[j]), c.icons[j]) << "step " << j;
            EXPECT_EQ(anim.frames[j].delay, c.delays[j]) << "step " << j;
            EXPECT_EQ(anim.frames[j].disposal, 3);
        }
        const Bytes file = BuildAni(c.spec);
        lg::ByteSource in = lg::ByteSource::FromMemory(file.data(), file.size());
        EXPECT_EQ(lg::CountAniSteps(in), int(c.spec.steps));
    }
}

TEST(AniRead, DispatcherPlaysSeveralStepsAndQuietLoadTakesTheFirstIcon) {
    TempDir dir;
    AniSpec spec;
    spec.seq = {2, 1, 0, 1, 2};
    WriteBytes(dir.file("a.ani"), BuildAni(spec));
    lg::ReadOptions opt;
    opt.multiImage = true;
    lg::PictureFacts facts;
    Status st;
    EXPECT_FALSE(ReadAs(lg::kFormatAni, dir.file("a.ani"), st, opt, &facts));
    EXPECT_TRUE(facts.startAnimation);
    EXPECT_EQ(facts.frameCount, 5);
    Image first = lg::LoadQuiet(dir.file("a.ani"), {}, st);
    ASSERT_TRUE(first) << st.error;
    EXPECT_EQ(first.pixels()[0], 0x11) << "icon 0, whatever the sequence";
    lg::Animation anim;
    ASSERT_TRUE(lg::LoadAnimation(dir.file("a.ani"), anim, st)) << st.error;
    EXPECT_EQ(lg::FrameDelayMs(anim, 0), 7u * 16);
}

TEST(AniRead, RefusesWhatIsNotAnIconCursor) {
    TempDir dir;
    AniSpec notIcons;
    notIcons.flags = 0;
    Bytes wave = BuildAni(AniSpec());
    std::memcpy(wave.data() + 8, "WAVE", 4);
    Bytes cut = BuildAni(AniSpec());
    cut.resize(60);
    for (const Bytes& b : {BuildAni(notIcons), wave, cut}) {
        WriteBytes(dir.file("x.ani"), b);
        lg::Animation anim;
        Status st;
        EXPECT_FALSE(lg::LoadAniFrames(dir.file("x.ani"), anim, st));
        EXPECT_EQ(st.error, "This is not a valid animated cursor");
    }
}
