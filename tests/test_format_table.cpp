// Content detection, accepted endings and the filter lists.
#include "support.h"

#include <cstring>
#include <sstream>

#include "formats/format_table.h"

namespace {

using lgtest::Bytes;

// 20 bytes starting with `prefix`, the rest zero, with byte 16 set.
Bytes Head(std::initializer_list<unsigned> prefix, int byte16 = 0) {
    Bytes b(20, 0);
    size_t i = 0;
    for (unsigned v : prefix) b[i++] = uint8_t(v);
    b[16] = uint8_t(byte16);
    return b;
}

Bytes HeadText(const char* text, size_t at = 0) {
    Bytes b(20, 0);
    std::memcpy(b.data() + at, text, std::strlen(text));
    return b;
}

int Detect(const Bytes& b, const std::string& name = "x") { return lg::DetectFormat(b.data(), b.size(), name); }

TEST(Detect, EverySignature) {
    EXPECT_EQ(Detect(HeadText("JFIF", 6)), lg::kFormatJpeg);
    EXPECT_EQ(Detect(HeadText("Exif", 6)), lg::kFormatJpeg);
    EXPECT_EQ(Detect(Head({0xFF, 0xD8, 0xFF, 0xDB})), lg::kFormatJpeg);
    EXPECT_EQ(Detect(HeadText("GIF89a")), lg::kFormatGif);
    EXPECT_EQ(Detect(HeadText("BM")), lg::kFormatBmp);
    EXPECT_EQ(Detect(HeadText("II*")), lg::kFormatTif);
    EXPECT_EQ(Detect(HeadText("MM")), lg::kFormatTif);
    EXPECT_EQ(Detect(Head({0x89, 'P', 'N', 'G'})), lg::kFormatPng);
    EXPECT_EQ(Detect(Head({0x59, 0xA6, 0x6A, 0x95})), lg::kFormatRas);
    for (unsigned v : {0u, 2u, 3u, 5u}) EXPECT_EQ(Detect(Head({0x0A, v})), lg::kFormatPcx) << v;
    EXPECT_NE(Detect(Head({0x0A, 4})), lg::kFormatPcx);
    EXPECT_EQ(Detect(Head({0, 0, 1, 0}, 0)), lg::kFormatIcoCur);
    EXPECT_EQ(Detect(Head({0, 0, 2, 0}, 1)), lg::kFormatIcoCur);
    EXPECT_EQ(Detect(Head({1, 0, 0, 0})), lg::kFormatMetafile);
    EXPECT_EQ(Detect(Head({0xD7, 0xCD, 0xC6, 0x9A})), lg::kFormatMetafile);
    EXPECT_EQ(Detect(Head({1, 0, 9, 0})), lg::kFormatMetafile);
    EXPECT_EQ(Detect(HeadText("PCD_OPA")), lg::kFormatPcd);
    EXPECT_EQ(Detect(Head({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})), lg::kFormatPcd);
    Bytes riff = HeadText("RIFF");
    std::memcpy(riff.data() + 8, "ACON", 4);
    EXPECT_EQ(Detect(riff), lg::kFormatAni);
    for (const char* kind : {"AVI ", "WAVE", "RMID"}) {
        std::memcpy(riff.data() + 8, kind, 4);
        EXPECT_EQ(Detect(riff), lg::kFormatMedia) << kind;
    }
    EXPECT_EQ(Detect(HeadText("MThd")), lg::kFormatMedia);
    EXPECT_EQ(Detect(Head({0, 0, 1, 0xBA})), lg::kFormatMedia);
    for (const char* atom : {"mdat", "skip", "moov", "pnot", "free"})
        EXPECT_EQ(Detect(HeadText(atom, 4)), lg::kFormatMedia) << atom;
    Bytes form = HeadText("FORM");
    std::memcpy(form.data() + 8, "AIFF", 4);
    EXPECT_EQ(Detect(form), lg::kFormatMedia);
    std::memcpy(form.data() + 8, "ILBM", 4);
    EXPECT_EQ(Detect(form), lg::kFormatIff);
    EXPECT_EQ(Detect(HeadText("P6")), lg::kFormatPpm);
    EXPECT_EQ(Detect(HeadText("P3")), lg::kFormatPpm);
    EXPECT_EQ(Detect(HeadText("P5")), lg::kFormatPgm);
    EXPECT_EQ(Detect(HeadText("P2")), lg::kFormatPgm);
    EXPECT_EQ(Detect(HeadText("P4")), lg::kFormatPbm);
    EXPECT_EQ(Detect(HeadText("P1")), lg::kFormatPbm);
    EXPECT_EQ(Detect(HeadText("8BPS")), lg::kFormatPsd);
    EXPECT_EQ(Detect(Head({'P', 0xC3})), lg::kFormatClp);
    EXPECT_EQ(Detect(Head({0xC5, 0xD0, 0xD3, 0xC6})), lg::kFormatEps);
    EXPECT_EQ(Detect(Head({0xB1, 0x68, 0xDE, 0x3A})), lg::kFormatDcx);
    EXPECT_EQ(Detect(Head({0x07, 0x20, 0x4D})), lg::kFormatCam);
    EXPECT_EQ(Detect(Head({'W', 'V', 2, 0, 'G', 'E'})), lg::kFormatLwf);
    EXPECT_EQ(Detect(Head({0, 0, 2, 0}, 24)), lg::kFormatTga);
    EXPECT_EQ(Detect(Head({0x20, 1, 1, 0}, 8)), lg::kFormatTga);
    EXPECT_EQ(Detect(Head({0x20, 2, 1, 0}, 8)), lg::kFormatUnknown);
}

TEST(Detect, TargaAndCursorAreToldApartByByte16) {
    for (int depth : {8, 15, 16, 24, 32}) EXPECT_EQ(Detect(Head({0, 0, 2, 0}, depth)), lg::kFormatTga) << depth;
    EXPECT_EQ(Detect(Head({0, 0, 1, 0}, 0)), lg::kFormatIcoCur);
}

TEST(Detect, FaxGoesByNameOnlyAfterTheStrongSignatures) {
    Bytes junk = HeadText("P6 junk");  // would be PPM by content
    EXPECT_EQ(Detect(junk, "page.g3"), lg::kFormatG3);
    EXPECT_EQ(Detect(junk, "PAGE.G3"), lg::kFormatG3);
    EXPECT_EQ(Detect(HeadText("BM"), "page.g3"), lg::kFormatBmp);
    EXPECT_EQ(Detect(HeadText("whatever"), "page.g3"), lg::kFormatG3);
}

TEST(Detect, ShortOrMissingFilesFail) {
    Bytes nineteen(19, 0);
    nineteen[0] = 'B';
    nineteen[1] = 'M';
    EXPECT_EQ(lg::DetectFormat(nineteen.data(), nineteen.size(), "x.bmp"), lg::kFormatUnknown);
    lgtest::TempDir dir;
    lgtest::WriteBytes(dir.file("short.bmp"), nineteen);
    EXPECT_EQ(lg::DetectFileFormat(dir.file("short.bmp")), lg::kFormatUnknown);
    EXPECT_EQ(lg::DetectFileFormat(dir.file("missing.bmp")), lg::kFormatUnknown);
    EXPECT_EQ(lg::DetectFileFormat(dir.str()), lg::kFormatUnknown);  // a directory
}

TEST(Endings, AcceptedEndingsNeedNoDot) {
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatJpeg, "photo.jpg"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatJpeg, "PHOTOJPG"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatJpeg, "a.JPEG"));
    EXPECT_FALSE(lg::HasAcceptedEnding(lg::kFormatJpeg, "photo.gif"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatBmp, "x.rle"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatTif, "scan.cpt"));
    EXPECT_TRUE(lg::HasAcceptedEnding(lg::kFormatG3, "fax.g3"));
    EXPECT_FALSE(lg::HasAcceptedEnding(lg::kFormatG3, "fax.g4"));
    EXPECT_FALSE(lg::HasAcceptedEnding(lg::kFormatUnknown, "x.bmp"));
}

TEST(Filters, OpenListRowsInTheirPlaces) {
    const std::vector<std::string> expected = {
        "Lumagrove - Files", "(*.JPG) JPEG - Files|*.jpg;*.jpeg", "(*.GIF) Compuserve GIF|*.gif",
        "(*.BMP) Windows or OS/2 Bitmap|*.bmp", "(*.TIF) Tagged Image File Format|*.tif;*.tiff",
        "(*.PNG) Portable Network Graphics|*.png", "(*.LWF) LuRaTech Wavelet|*.lwf",
        "(*.PCX) Zsoft Paintbrush|*.pcx;*.dcx", "(*.TGA) Truevision Targa|*.tga", "(*.PCD) Kodak Photo CD|*.pcd",
        "(*.RAS) Sun Raster Files|*.ras;*.sun", "(*.RLE) Windows RLE|*.rle", "(*.DIB) Windows or OS/2 DIB|*.dib",
        "(*.ICO) Windows Icons|*.ico", "(*.CUR) Windows Cursors|*.cur", "(*.ANI) Animated Cursors|*.ani",
        "(*.WAV,*.MID,*.RMI,*.AIF) Sound Files|*.wav;*.mid;*.rmi;*.aif", "(*.WMF,*.EMF) Windows Metafiles|*.wmf;*.emf",
        "(*.PPM) Portable Pixelmap|*.ppm", "(*.PGM) Portable Greymap|*.pgm", "(*.PBM) Portable Bitmap|*.pbm",
        "(*.IFF,*.LBM) Amiga Interchange File Format|*.iff;*.lbm", "(*.PSD) Adobe Photoshop Files|*.psd",
        "(*.CPT) Corel PhotoPaint 6.0 Files|*.cpt", "(*.CLP) Windows Clipboard|*.clp",
        "(*.EPS) Encapsulated PostScript (Preview)|*.eps", "(*.CAM) Casio Camera File|*.cam",
        "(*.AVI) Video for Windows|*.avi", "(*.MPG,*.MPEG) MPEG Files|*.mpg;*.mpeg",
        "(*.MOV) Apple QuickTime Movie|*.mov", "(*.G3) G3 FAX Files|*.g3", "(*.WEBP) WebP|*.webp", "All files (*.*)|*.*"};
    const std::vector<lg::FilterEntry>& f = lg::OpenFilters();
    ASSERT_EQ(f.size(), expected.size());
    for (size_t i = 1; i < f.size(); ++i) EXPECT_EQ(f[i].description + "|" + f[i].patterns, expected[i]) << i;
    EXPECT_EQ(f[0].description, expected[0]);
    // Every picture pattern once, in whatever order.
    auto sorted = [](const std::string& list) {
        std::vector<std::string> v;
        std::stringstream in(list);
        for (std::string p; std::getline(in, p, ';');) v.push_back(p);
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(f[0].patterns),
              sorted("*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff;*.png;*.pcx;*.tga;*.pcd;*.ras;*.sun;*.rle;*.dib;*.ico;"
                     "*.avi;*.wav;*.rmi;*.mid;*.wmf;*.emf;*.pbm;*.pgm;*.ppm;*.iff;*.lbm;*.psd;*.cpt;*.mpg;*.mpeg;"
                     "*.mov;*.cur;*.ani;*.dcx;*.clp;*.eps;*.cam;*.lwf;*.aif;*.g3;*.webp"));
    std::string s = lg::OpenFilterString();
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s.substr(s.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(std::count(s.begin(), s.end(), '\0'), 67);
}

}  // namespace
