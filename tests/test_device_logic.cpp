#include "support.h"

#include <set>

#include "shell/logic/associations.h"
#include "devices/logic/device_logic.h"

using lgtest::Bytes;

namespace {

// A bitmap block as another program puts it on the clipboard.
Bytes ClipboardDib(int w, int h, int bits, uint32_t compression, uint32_t clrUsed, const Bytes& tail) {
    Bytes b(40 + tail.size(), 0);
    if (!tail.empty()) std::memcpy(&b[40], tail.data(), tail.size());
    lg::PutLE32(&b[0], 40);
    lg::PutLE32(&b[4], uint32_t(w));
    lg::PutLE32(&b[8], uint32_t(h));
    lg::PutLE16(&b[12], 1);
    lg::PutLE16(&b[14], uint16_t(bits));
    lg::PutLE32(&b[16], compression);
    lg::PutLE32(&b[32], clrUsed);
    return b;
}

void Le32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

void Append(Bytes& b, std::initializer_list<uint8_t> bytes) {
    for (uint8_t x : bytes) b.push_back(x);
}

}  // namespace

TEST(ClipboardDib, FourBitsWithZeroColoursUsedGetSixteen) {
    Bytes tail;
    for (int i = 0; i < 16; ++i) Le32(tail, uint32_t(i * 0x111111));
    Append(tail, {0x12, 0, 0, 0, 0xF0, 0, 0, 0});  // two rows of 2 pixels
    Bytes b = ClipboardDib(2, 2, 4, 0, 0, tail);
    lg::Image img = lg::PictureFromPackedDib(b.data(), b.size());
    ASSERT_TRUE(img);
    EXPECT_EQ(img.bitCount(), 4);
    EXPECT_EQ(img.colorsUsedField(), 16u);
    EXPECT_EQ(img.row(0)[0], 0x12);
    EXPECT_EQ(img.row(1)[0], 0xF0);
    EXPECT_EQ(img.palette()[4 * 15], 0xFF);
}

TEST(ClipboardDib, ShortColourTableIsWidenedToTheDepth) {
    Bytes tail;
    Le32(tail, 0x00102030);
    Le32(tail, 0x00405060);
    Append(tail, {1, 0, 0, 0});
    Bytes b = ClipboardDib(1, 1, 8, 0, 2, tail);
    lg::Image img = lg::PictureFromPackedDib(b.data(), b.size());
    ASSERT_TRUE(img);
    EXPECT_EQ(img.colorsUsedField(), 256u);
    EXPECT_EQ(img.palette()[4], 0x60);
    EXPECT_EQ(img.palette()[8], 0);  // the added entries are black
    EXPECT_EQ(img.row(0)[0], 1);
}

TEST(ClipboardDib, PackedDepthsBecomeTwentyFourBits) {
    struct Case {
        const char* name;
        int bits;
        uint32_t compression;
        std::vector<uint32_t> masks;  // BI_BITFIELDS masks after the header
        uint32_t pixel;
        uint8_t b, g, r;
    };
    const Case cases[] = {
        {"555 plain", 16, 0, {}, 0x7C00 | (0x10 << 5) | 0x01, 0x08, 0x80, 0xF8},
        {"565 masks", 16, 3, {0xF800, 0x07E0, 0x001F}, 0xF800 | (0x3F << 5), 0x00, 0xFC, 0xF8},
        {"32 plain", 32, 0, {}, 0x00123456, 0x56, 0x34, 0x12},
        {"32 masks", 32, 3, {0xFF0000, 0xFF00, 0xFF}, 0xAA102030, 0x30, 0x20, 0x10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes tail;
        for (uint32_t m : c.masks) Le32(tail, m);
        Le32(tail, c.pixel);  // one pixel: a 16-bit one is padded to 4 bytes anyway
        Bytes b = ClipboardDib(1, 1, c.bits, c.compression, 0, tail);
        lg::Image img = lg::PictureFromPackedDib(b.data(), b.size());
        ASSERT_TRUE(img);
        EXPECT_EQ(img.bitCount(), 24);
        EXPECT_EQ(img.colorsUsedField(), 0u);
        EXPECT_EQ(img.row(0)[0], c.b);
        EXPECT_EQ(img.row(0)[1], c.g);
        EXPECT_EQ(img.row(0)[2], c.r);
    }
}

TEST(ClipboardDib, TopDownRowsAreStoredBottomUp) {
    Bytes tail = {1, 2, 3, 0, 4, 5, 6, 0};  // top row first
    Bytes b = ClipboardDib(1, -2, 24, 0, 0, tail);
    lg::Image img = lg::PictureFromPackedDib(b.data(), b.size());
    ASSERT_TRUE(img);
    EXPECT_EQ(img.height(), 2);
    EXPECT_EQ(img.topRow(0)[0], 1);
    EXPECT_EQ(img.topRow(1)[0], 4);
}

TEST(ClipboardDib, RefusesWhatIsNoUsableBitmap) {
    struct Case {
        const char* name;
        Bytes block;
    };
    Bytes rle = ClipboardDib(2, 2, 8, 1, 1, Bytes(4 + 8, 0));
    Bytes cut = ClipboardDib(100, 100, 24, 0, 0, Bytes(100, 0));
    Bytes noMasks = ClipboardDib(1, 1, 32, 3, 0, Bytes(4, 0));
    Bytes depth = ClipboardDib(1, 1, 2, 0, 0, Bytes(64, 0));
    Bytes empty = ClipboardDib(0, 5, 24, 0, 0, Bytes(64, 0));
    Bytes huge = ClipboardDib(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0, Bytes(64, 0));
    Bytes header = ClipboardDib(1, 1, 24, 0, 0, Bytes(4, 0));
    lg::PutLE32(&header[0], 12);
    const Case cases[] = {{"rle", rle},     {"cut short", cut}, {"masks missing", noMasks},
                          {"depth 2", depth}, {"width 0", empty}, {"huge", huge},
                          {"core header", header}, {"too short", Bytes(20, 0)}};
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(lg::PictureFromPackedDib(c.block.data(), c.block.size(), &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
}

TEST(PrintRect, PlacementModes) {
    struct Case {
        int mode, W, H, rx, ry, w, h;
        float sx, sy;
        int width, height;
    };
    const Case cases[] = {
        {0, 4800, 6600, 600, 600, 100, 50, 1, 1, 4790, 2400},   // height follows the full width
        {1, 4800, 6600, 600, 600, 100, 50, 1, 1, 13200, 6590},  // runs off the page, unclipped
        {2, 4800, 6600, 600, 600, 100, 50, 2.5f, 2.5f, 250, 125},
        {3, 4800, 6600, 600, 600, 100, 50, 1, 1, 4790, 6590},
        {7, 4800, 6600, 600, 600, 100, 50, 1, 1, 4790, 6590},   // unknown modes stretch
        {0, 4800, 6600, 600, 300, 100, 100, 1, 1, 4790, 2400},  // unequal resolutions
        {1, 4800, 6600, 300, 600, 100, 100, 1, 1, 3300, 6590},
        {2, 4800, 6600, 600, 600, 3, 3, 0.5f, 0, 1, 0},         // truncated toward zero
    };
    for (const Case& c : cases) {
        lg::PrintRect r = lg::ComputePrintRect(c.mode, c.W, c.H, c.rx, c.ry, c.w, c.h, c.sx, c.sy);
        EXPECT_EQ(r.width, c.width) << "mode " << c.mode;
        EXPECT_EQ(r.height, c.height) << "mode " << c.mode;
    }
    EXPECT_FLOAT_EQ(lg::ParseScaleFactor("2.5"), 2.5f);
    EXPECT_FLOAT_EQ(lg::ParseScaleFactor("1.00x"), 1.0f);
    EXPECT_FLOAT_EQ(lg::ParseScaleFactor("abc"), 0.0f);
}

TEST(Capture, FileNamesAndTypes) {
    lg::LocalTime t{2026, 12, 9, 4, 5, 6};
    EXPECT_EQ(lg::CaptureFileName("C:\\TEMP", 0, t), "C:\\TEMP\\lumagcapture_date_09_12_2026_time_04_05_06.JPG");
    EXPECT_EQ(lg::CaptureFileName("D:\\shots\\", 3, t), "D:\\shots\\lumagcapture_date_09_12_2026_time_04_05_06.PNG");
    const char* names[] = {"JPG", "GIF", "BMP", "PNG", "TIF", "PCX", "ICO"};
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(lg::CaptureTypeName(i), names[i]);
    EXPECT_STREQ(lg::CaptureTypeName(9), "JPG");
    EXPECT_STREQ(lg::CaptureTypeName(-1), "JPG");
}

TEST(Extract, SpaceRequiredAndInformationText) {
    EXPECT_NEAR(lg::ExtractSpaceMB(24, 320, 240, 100), 21.97, 0.005);
    EXPECT_EQ(lg::ExtractSpaceMB(4, 320, 240, 100), 0.0);  // bits / 8 is an integer division
    EXPECT_NEAR(lg::ExtractSpaceMB(32, 4000, 4000, 5000), 305175.78, 0.01);  // no 32-bit overflow
    EXPECT_EQ(lg::AviInformationText(320, 240, 24, 100, "C:\\TEMP\\"),
              "Width:\t\t320\nHeight:\t\t240\nBitsPerPixel:\t24\nFrames:\t\t100\n"
              "Extract directory:\tC:\\TEMP\\\t\n\nSpace required:\t21.97 MB\n");
    EXPECT_EQ(lg::ExtractFrameName("C:\\out", "clip", 7), "C:\\out\\clip_lumagrove_extract_007.bmp");
    EXPECT_EQ(lg::ExtractFrameName("C:\\out\\", "clip", 1234), "C:\\out\\clip_lumagrove_extract_1234.bmp");
    EXPECT_EQ(lg::BaseNameWithoutExtension("Z:\\a.b\\movie.x.avi"), "movie.x");
    EXPECT_EQ(lg::BaseNameWithoutExtension("noext"), "noext");
}

TEST(Extract, AviTest) {
    const uint8_t avi[] = "RIFF\x10\0\0\0AVI LIST";
    const uint8_t wave[] = "RIFF\x10\0\0\0WAVEfmt ";
    EXPECT_TRUE(lg::LooksLikeAvi(avi, 15));
    EXPECT_FALSE(lg::LooksLikeAvi(wave, 15));
    EXPECT_FALSE(lg::LooksLikeAvi(avi, 9));
}

// ---- file associations

namespace {

using lg::RegWrite;

RegWrite Set(const std::string& k, const std::string& v) { return RegWrite{RegWrite::SetDefault, k, v}; }
RegWrite Del(const std::string& k) { return RegWrite{RegWrite::DeleteKey, k, ""}; }

const lg::AssocRow& Row(const char* key) {
    for (const lg::AssocRow& r : lg::AssociationRows())
        if (std::string(r.key) == key) return r;
    static lg::AssocRow none{};
    ADD_FAILURE() << "no row " << key;
    return none;
}

std::string Show(const std::vector<RegWrite>& w) {
    std::string s;
    for (const RegWrite& x : w) s += (x.kind == RegWrite::SetDefault ? "set " : "del ") + x.key + "=" + x.value + "\n";
    return s;
}

}  // namespace

TEST(Associations, RowsAndControlsAreUnique) {
    const auto& rows = lg::AssociationRows();
    EXPECT_EQ(rows.size(), 35u);
    std::set<int> controls;
    std::set<std::string> keys;
    for (const auto& r : rows) {
        EXPECT_TRUE(controls.insert(r.control).second) << r.label;
        EXPECT_TRUE(keys.insert(r.key).second) << r.label;
    }
    EXPECT_STREQ(rows.front().key, "JPG");
    EXPECT_STREQ(rows[3].key, "UseThumbBMP");  // applied right after BMP
    EXPECT_STREQ(rows.back().key, "WEBP");
    // A row for every picture type with a reader, WebP included.
    for (int f = 0; f < lg::kFormatCount; ++f) {
        const lg::FormatInfo& info = lg::FormatOf(f);
        if (!info.read || !info.renameExt) continue;
        const std::string ext = info.renameExt + 1;
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const lg::AssocRow& r) {
            return (" " + std::string(r.extensions) + " ").find(" " + ext + " ") != std::string::npos;
        })) << ext;
    }
}

TEST(Associations, WritesForTickedAndGivenBackRows) {
    lg::AssocContext nt;
    nt.exePath = "C:\\Lg\\LUMAGR32.EXE";
    nt.windowsDir = "C:\\WINDOWS";
    nt.pbrushPath = "C:\\WINDOWS\\PBRUSH.EXE";
    lg::AssocContext w98 = nt;
    w98.windows98 = true;
    lg::AssocContext noThumb = nt;
    noThumb.thumbnailBmp = false;
    const std::string quoted = "\"C:\\Lg\\LUMAGR32.EXE\" \"%1\"", plain = "C:\\Lg\\LUMAGR32.EXE %1";
    const std::string amovie = "C:\\WINDOWS\\rundll32.exe C:\\WINDOWS\\SYSTEM\\AMOVIE.OCX,RunDll ";
    struct Case {
        const char* key;
        bool ticked;
        const lg::AssocContext* c;
        std::vector<RegWrite> want;
    };
    const std::vector<Case> cases = {
        {"JPG", true, &nt, {Set(".jpg", "Lumagrove32"), Set(".jpeg", "Lumagrove32")}},
        {"JPG", false, &nt, {Del(".jpg"), Del(".jpeg")}},
        {"JPG", false, &w98, {Set(".jpg", "jpegfile"), Set(".jpeg", "jpegfile")}},
        {"PNG", false, &w98, {Del(".png")}},
        {"RAS", false, &w98, {Del(".ras"), Del(".sun")}},
        {"BMP", true, &nt, {Set("Paint.Picture\\shell\\open\\command", plain), Set("Paint.Picture\\DefaultIcon", "%1"),
                            Set(".bmp", "Paint.Picture"), Del(".bmp\\ShellNew")}},
        {"BMP", true, &noThumb, {Set(".bmp", "Lumagrove32")}},
        {"BMP", false, &nt, {Set(".bmp", "Paint.Picture"),
                             Set("Paint.Picture\\shell\\open\\command", "C:\\WINDOWS\\PBRUSH.EXE %1"),
                             Set("Paint.Picture\\DefaultIcon", "C:\\WINDOWS\\PBRUSH.EXE,1")}},
        {"UseThumbBMP", true, &nt, {}},
        {"CUR", true, &nt, {Set("curfile\\shell\\open\\command", plain), Set("curfile\\DefaultIcon", "%1")}},
        {"ANI", false, &nt, {Set(".ani", "anifile"), Set("anifile", "Animated Cursor"), Set("anifile\\DefaultIcon", "%1"),
                             Del("anifile\\shell")}},
        {"AVI", true, &nt, {Set(".avi", "avifile"), Set("avifile\\shell\\open\\command", quoted),
                            Set("avifile\\shell\\play\\command", quoted)}},
        {"AVI", false, &nt, {Set("avifile\\shell\\open\\command", "MPLAYER.EXE %1"),
                             Set("avifile\\shell\\play\\command", "MPLAYER.EXE %1")}},
        {"AVI", false, &w98, {Set("avifile\\shell\\open\\command", amovie + "/open %1"),
                              Set("avifile\\shell\\play\\command", amovie + "/play /close %1")}},
        {"WAV", false, &nt, {Set("SoundRec\\shell\\open\\command", "MPLAYER.EXE %1"),
                             Set("SoundRec\\shell\\play\\command", "MPLAYER.EXE /play /close %1")}},
        {"MID", true, &nt, {Set(".mid", "midfile"), Set("midfile\\shell\\open\\command", quoted),
                            Set("midfile\\shell\\play\\command", quoted)}},
        {"MPG", true, &nt, {Set(".mpg", "Lumagrove32"), Set(".mpeg", "Lumagrove32")}},
        {"MOV", true, &w98, {Set(".mov", "movfile"), Set("movfile\\shell\\open\\command", quoted),
                             Set("movfile\\shell\\play\\command", quoted)}},
        {"AIF", false, &nt, {Del(".aif")}},
    };
    for (const Case& c : cases) {
        const lg::AssocRow& row = Row(c.key);
        auto got = c.ticked ? lg::TickedWrites(row, *c.c) : lg::RestoreWrites(row, *c.c);
        EXPECT_EQ(Show(got), Show(c.want)) << c.key << (c.ticked ? " ticked" : " given back");
    }
}

TEST(Associations, OtherExtensionsAndProgramClass) {
    EXPECT_EQ(lg::SplitOtherExtensions("JPE CPT"), (std::vector<std::string>{"JPE", "CPT"}));
    EXPECT_EQ(lg::SplitOtherExtensions(" a  b "), (std::vector<std::string>{"a", "b"}));  // no empty names
    EXPECT_TRUE(lg::SplitOtherExtensions("").empty());
    auto w = lg::ProgramClassWrites("Lumagrove", "C:\\x\\LUMAGR32.EXE");
    EXPECT_EQ(Show(w), "set Lumagrove32=Lumagrove\nset Lumagrove32\\shell\\open\\command=\"C:\\x\\LUMAGR32.EXE\" \"%1\"\n");
    EXPECT_EQ(lg::IconReference("C:\\x\\LUMAGR32.EXE", 3), "C:\\x\\LUMAGR32.EXE,3");
}
