// Hostile headers: a file of a few dozen bytes that claims a 30000 x 30000
// picture is refused before anything large is allocated, and the caller's
// limits reach every reader. Natively (under AddressSanitizer) the peak of
// the bytes allocated during each read is measured through the allocator's
// hooks, libraries' own allocations included.
#include "support.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <cstring>

#include "core/limits.h"
#include "formats/codec.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/jpeg.h"
#include "platform/platform.h"

#if defined(__SANITIZE_ADDRESS__)
#define LG_MEASURES_ALLOCATION 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LG_MEASURES_ALLOCATION 1
#endif
#endif
#ifdef LG_MEASURES_ALLOCATION
// The sanitizer runtime's allocator interface (sanitizer/allocator_interface.h).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                               void (*onFree)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

using namespace lgtest;

namespace {

// Net bytes allocated since Start(), and their highest point.
class AllocationMeter {
public:
    static bool available() {
#ifdef LG_MEASURES_ALLOCATION
        return true;
#else
        return false;
#endif
    }
    void start() {
#ifdef LG_MEASURES_ALLOCATION
        static const int installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
        (void)installed;
#endif
        live_ = 0;
        peak_ = 0;
        on_ = true;
    }
    int64_t stop() {
        on_ = false;
        return peak_;
    }

private:
#ifdef LG_MEASURES_ALLOCATION
    static void OnMalloc(const volatile void*, size_t size) {
        if (!on_) return;
        const int64_t now = live_ += int64_t(size);
        int64_t p = peak_.load();
        while (now > p && !peak_.compare_exchange_weak(p, now)) {
        }
    }
    static void OnFree(const volatile void* ptr) {
        if (on_ && ptr) live_ -= int64_t(__sanitizer_get_allocated_size(ptr));
    }
#endif
    static inline std::atomic<bool> on_{false};
    static inline std::atomic<int64_t> live_{0}, peak_{0};
};

// Bytes in either order, and text, for hand-made headers.
struct Writer {
    Bytes b;
    Writer& u8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
    Writer& le16(unsigned v) { u8(v & 0xFF); return u8((v >> 8) & 0xFF); }
    Writer& le32(uint32_t v) { le16(v & 0xFFFF); return le16(v >> 16); }
    Writer& be16(unsigned v) { u8((v >> 8) & 0xFF); return u8(v & 0xFF); }
    Writer& be32(uint32_t v) { be16(v >> 16); return be16(v & 0xFFFF); }
    Writer& bytes(std::initializer_list<unsigned> vs) {
        for (unsigned v : vs) u8(v);
        return *this;
    }
    Writer& text(const char* s) {
        while (*s) u8(uint8_t(*s++));
        return *this;
    }
    Writer& append(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    Writer& w(const ByteWriter& o) { return append(o.b); }
};

// CRC-32 of PNG chunks (ISO 3309 polynomial, bit by bit).
uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void PngChunk(Writer& out, const char* type, const Bytes& data) {
    Writer body;
    body.text(type).append(data);
    out.be32(uint32_t(data.size())).append(body.b).be32(Crc32(body.b.data(), body.b.size()));
}

// An uncompressed 8-bit grey TIFF file of the given size whose data is laid
// out by the given LONG entries (strips or tiles), in tag order.
Bytes GreyTiff(uint32_t width, uint32_t height, const std::vector<std::pair<unsigned, uint32_t>>& layout) {
    Writer tif;
    tif.bytes({'I', 'I', 42, 0}).le32(8).le16(uint16_t(5 + layout.size()));
    tif.le16(256).le16(4).le32(1).le32(width);
    tif.le16(257).le16(4).le32(1).le32(height);
    for (unsigned tag : {258u, 259u, 262u}) tif.le16(tag).le16(3).le32(1).le16(tag == 258 ? 8 : 1).le16(0);
    for (const auto& e : layout) tif.le16(e.first).le16(4).le32(1).le32(e.second);
    tif.le32(0);
    return tif.b;
}

constexpr uint32_t kSide = 30000;

struct HugeClaim {
    const char* name;
    int format;
    Bytes bytes;
    std::string refusal;  // the reader's own text for the file
};

std::vector<HugeClaim> HugeClaims() {
    std::vector<HugeClaim> cases;
    const std::string bmpBad = "Not a valid BMP file";
    cases.push_back({"BMP 8-bit raw", lg::kFormatBmp, BmpHead(kSide, kSide, 8, 0, 0, 54).b, bmpBad});
    cases.push_back({"BMP RLE8", lg::kFormatBmp, Writer().w(BmpHead(kSide, kSide, 8, 1, 0, 54)).bytes({0, 1}).b, bmpBad});
    cases.push_back({"BMP RLE4", lg::kFormatBmp, Writer().w(BmpHead(kSide, kSide, 4, 2, 0, 54)).bytes({0, 1}).b, bmpBad});
    cases.push_back({"BMP 24-bit", lg::kFormatBmp, BmpHead(kSide, kSide, 24, 0, 0, 54).b, "The picture is too large !"});
    cases.push_back({"PBM raw", lg::kFormatPbm, Writer().text("P4 30000 30000\n").bytes({0xFF, 0}).b, "Not a valid PBM file"});
    cases.push_back({"PBM plain", lg::kFormatPbm, Writer().text("P1 30000 30000\n0101").b, "Not a valid PBM file"});
    cases.push_back({"PGM raw", lg::kFormatPgm, Writer().text("P5 30000 30000 255\n").bytes({1, 2, 3}).b, "Not a valid PGM file"});
    cases.push_back({"PPM plain", lg::kFormatPpm, Writer().text("P3 30000 30000 255\n1 2 3").b, "The picture is too large !"});
    {
        Writer psd;  // greyscale, 8 bits; raw and run-length data
        psd.text("8BPS").be16(1).bytes({0, 0, 0, 0, 0, 0}).be16(1).be32(kSide).be32(kSide).be16(8).be16(1);
        psd.be32(0).be32(0).be32(0);
        Writer raw = psd, rle = psd;
        raw.be16(0).bytes({1, 2, 3, 4});
        rle.be16(1).be16(2).be16(2).bytes({0x81, 7});
        cases.push_back({"Photoshop raw", lg::kFormatPsd, raw.b, "This is not a valid Adobe Photoshop File !"});
        cases.push_back({"Photoshop RLE", lg::kFormatPsd, rle.b, "This is not a valid Adobe Photoshop File !"});
    }
    for (uint32_t type : {1u, 2u}) {
        Writer ras;  // 8 bits, no colour map: standard and byte-encoded
        ras.be32(0x59A66A95).be32(kSide).be32(kSide).be32(8).be32(0).be32(type).be32(0).be32(0);
        ras.bytes({0x80, 0xFF, 0x00, 5});
        cases.push_back({type == 1 ? "Sun raster raw" : "Sun raster RLE", lg::kFormatRas, ras.b,
                         "This is not a valid RAS File."});
    }
    {
        Writer tga;  // grey, raw and run-length
        tga.bytes({0, 0, 3, 0, 0, 0, 0, 0}).le16(0).le16(0).le16(kSide).le16(kSide).bytes({8, 0x20});
        Writer rle = tga;
        rle.b[2] = 11;
        tga.bytes({1, 2, 3});
        rle.bytes({0xFF, 9});
        cases.push_back({"Targa raw", lg::kFormatTga, tga.b, "Can't read data !"});
        cases.push_back({"Targa RLE", lg::kFormatTga, rle.b, "Can't read data !"});
    }
    for (uint16_t side : {uint16_t(kSide), uint16_t(10000)}) {
        Writer bmhd;  // one plane, ByteRun1
        bmhd.be16(side).be16(side).be16(0).be16(0).bytes({1, 0, 1, 0}).be16(0).bytes({10, 11}).be16(side).be16(side);
        Writer body;
        body.text("ILBM").text("BMHD").be32(20).append(bmhd.b).text("CMAP").be32(6).bytes({0, 0, 0, 255, 255, 255});
        body.text("BODY").be32(2).bytes({0x81, 0});
        Writer iff;
        iff.text("FORM").be32(uint32_t(body.b.size())).append(body.b);
        cases.push_back({side == kSide ? "IFF 30000" : "IFF 10000", lg::kFormatIff, iff.b, "Not a valid IFF file"});
    }
    {
        Writer gif;  // no colour table; an LZW stream of one block
        gif.text("GIF89a").le16(kSide).le16(kSide).bytes({0, 0, 0});
        gif.u8(0x2C).le16(0).le16(0).le16(kSide).le16(kSide).u8(0).u8(8).bytes({2, 0x00, 0x01, 0}).u8(0x3B);
        cases.push_back({"GIF", lg::kFormatGif, gif.b, "This is not a valid GIF file !"});
    }
    {
        Writer png;  // 8-bit grey, a zlib stream that stops after its header
        png.bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
        Writer ihdr;
        ihdr.be32(kSide).be32(kSide).bytes({8, 0, 0, 0, 0});
        PngChunk(png, "IHDR", ihdr.b);
        PngChunk(png, "IDAT", {0x78, 0x9C, 0x63, 0x00});
        PngChunk(png, "IEND", {});
        cases.push_back({"PNG", lg::kFormatPng, png.b, "This is not a valid PNG File !"});
    }
    {
        Writer jpg;  // grey, baseline; no tables, a scan of two bytes
        jpg.bytes({0xFF, 0xD8, 0xFF, 0xC0}).be16(11).u8(8).be16(kSide).be16(kSide).bytes({1, 1, 0x11, 0});
        jpg.bytes({0xFF, 0xDA}).be16(8).bytes({1, 1, 0x00, 0, 63, 0}).bytes({0x12, 0x34, 0xFF, 0xD9});
        cases.push_back({"JPEG", lg::kFormatJpeg, jpg.b, "This is not a valid JPEG/JFIF file !"});
    }
    {
        // 8-bit grey, uncompressed, one strip of one byte
        cases.push_back({"TIFF", lg::kFormatTif, GreyTiff(kSide, kSide, {{273, 8}, {279, 1}}), "This is not a valid TIFF File !"});
    }
    {
        // Lossy, 16383 x 16383 (the format's largest), 805 MB of pixels: the
        // key frame's header and ten bytes of a first partition.
        Writer vp8;
        vp8.bytes({0x50, 0x01, 0x00, 0x9D, 0x01, 0x2A}).le16(16383).le16(16383);
        vp8.b.resize(20, 0);
        Writer webp;
        webp.bytes({'R', 'I', 'F', 'F'}).le32(4 + 8 + 20).bytes({'W', 'E', 'B', 'P', 'V', 'P', '8', ' '}).le32(20).append(vp8.b);
        cases.push_back({"WebP", lg::kFormatWebp, webp.b, "This is not a valid WebP file !"});
    }
    {
        Writer ico;  // one 8-bit image whose header claims the picture
        ico.le16(0).le16(1).le16(1).bytes({0, 0, 0, 0}).le16(1).le16(8).le32(40).le32(22);
        ico.le32(40).le32(kSide).le32(2 * kSide).le16(1).le16(8).le32(0).le32(0).le32(0).le32(0).le32(0).le32(0);
        cases.push_back({"Icon", lg::kFormatIcoCur, ico.b, "Unsupported icon image"});
    }
    return cases;
}

}  // namespace

TEST(HostileHeaders, TinyFilesClaimingHugePicturesAreRefusedWithoutAllocating) {
    TempDir dir;
    AllocationMeter meter;
    for (const HugeClaim& c : HugeClaims()) {
        SCOPED_TRACE(c.name);
        // PCX and DCX headers alone take 128 bytes and more; every other file is under 100.
        ASSERT_LT(c.bytes.size(), 100u);
        const std::string path = dir.file("claim.bin");
        WriteBytes(path, c.bytes);
        lg::Status st;
        meter.start();
        lg::Image img = ReadAs(c.format, path, st);
        const int64_t peak = meter.stop();
        EXPECT_FALSE(img);
        EXPECT_EQ(st.error, c.refusal);
        if (AllocationMeter::available()) {
            EXPECT_LT(peak, int64_t(1) << 20);
        }
    }
}

// The lossless turn reads every coefficient of a file at once: the same
// claim is refused there before the library allocates, and nothing is written.
TEST(HostileHeaders, ALosslessTurnRefusesTheSameTinyJpeg) {
    TempDir dir;
    Bytes jpg;
    for (const HugeClaim& c : HugeClaims())
        if (c.format == lg::kFormatJpeg) jpg = c.bytes;
    ASSERT_FALSE(jpg.empty());
    lg::SaveOptions opt;
    opt.jpegGrayscale = true;  // as the file is, so that the turn is tried
    const std::string out = dir.file("turned.jpg");
    AllocationMeter meter;
    lg::Status st;
    meter.start();
    const lg::JpegTurnResult r = lg::SaveJpegTurnedBlocks(jpg.data(), jpg.size(), 0, 0, 5 /* 90 degrees */, opt, out, st);
    const int64_t peak = meter.stop();
    EXPECT_EQ(r, lg::JpegTurnResult::Failed);
    EXPECT_FALSE(lg::platform::FileExists(out));
    if (AllocationMeter::available()) {
        EXPECT_LT(peak, int64_t(1) << 20);
    }
}

TEST(HostileHeaders, PcxHeaderClaimingAHugePictureIsRefused) {
    TempDir dir;
    Writer pcx;  // 8 bits, one plane: 128-byte header, two bytes of data
    pcx.bytes({10, 5, 1, 8}).le16(0).le16(0).le16(kSide - 1).le16(kSide - 1).le16(72).le16(72);
    pcx.b.resize(65, 0);
    pcx.u8(1).le16(kSide).le16(1);
    pcx.b.resize(128, 0);
    pcx.bytes({0xFF, 0});
    const std::string path = dir.file("claim.pcx");
    WriteBytes(path, pcx.b);
    AllocationMeter meter;
    lg::Status st;
    meter.start();
    lg::Image img = ReadAs(lg::kFormatPcx, path, st);
    const int64_t peak = meter.stop();
    EXPECT_FALSE(img);
    EXPECT_EQ(st.error, "Not a valid PCX file");
    if (AllocationMeter::available()) {
        EXPECT_LT(peak, int64_t(1) << 20);
    }
}

// The meter itself: a real picture of 1000 x 1000 at 8 bits costs its megabyte.
TEST(HostileHeaders, TheMeterSeesAPicturesBuffer) {
    if (!AllocationMeter::available()) GTEST_SKIP() << "allocation is measured in the sanitizer build";
    TempDir dir;
    Bytes bmp = BmpHead(1000, 1000, 8, 0, 0, 54 + 1024).b;
    bmp.resize(54 + 1024 + 1000 * 1000, 7);
    WriteBytes(dir.file("real.bmp"), bmp);
    AllocationMeter meter;
    lg::Status st;
    meter.start();
    lg::Image img = ReadAs(lg::kFormatBmp, dir.file("real.bmp"), st);
    const int64_t peak = meter.stop();
    ASSERT_TRUE(img) << st.error;
    EXPECT_GE(peak, 1000 * 1000);
}

TEST(HostileHeaders, TheCallersLimitsReachTheReaders) {
    TempDir dir;
    Bytes bmp = BmpHead(300, 200, 24, 0, 0, 54).b;
    bmp.resize(54 + 900 * 200, 0x40);
    WriteBytes(dir.file("p.bmp"), bmp);
    lg::ReadOptions opt;
    lg::Status st;
    EXPECT_TRUE(ReadAs(lg::kFormatBmp, dir.file("p.bmp"), st, opt)) << st.error;

    opt.limits.maxSide = 299;  // one pixel narrower than the picture
    EXPECT_FALSE(ReadAs(lg::kFormatBmp, dir.file("p.bmp"), st, opt));
    EXPECT_EQ(st.error, "The picture is too large !");
    opt.limits.maxSide = 300;
    opt.limits.maxBuffer = 54 + 900 * 200 - 1;  // header and rows need 40 + 180000 bytes
    EXPECT_TRUE(ReadAs(lg::kFormatBmp, dir.file("p.bmp"), st, opt)) << st.error;
    opt.limits.maxBuffer = 40 + 900 * 200 - 1;
    EXPECT_FALSE(ReadAs(lg::kFormatBmp, dir.file("p.bmp"), st, opt));
    EXPECT_EQ(st.error, "The picture is too large !");

    // The interactive load passes them on and names the failure.
    std::string name = dir.file("p.bmp");
    lg::LoadRequest req;
    req.silent = true;
    req.limits.maxSide = 100;
    lg::PictureFacts facts;
    EXPECT_FALSE(lg::LoadPicture(name, req, lg::LoadUi(), facts));
    EXPECT_NE(facts.messageText.find("The picture is too large !"), std::string::npos) << facts.messageText;
}

TEST(HostileHeaders, ASkipPastTheEndFailsWhateverItsSize) {
    const uint8_t data[16] = {};
    lg::ByteSource in = lg::ByteSource::FromMemory(data, sizeof data);
    in.seek(6);
    // tell() + n wraps round to 4 for this n.
    EXPECT_FALSE(in.skip(UINT64_MAX - 1));
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.byte(), -1);
    in.rewind();
    in.seek(6);
    EXPECT_TRUE(in.skip(10));
    EXPECT_TRUE(in.atEnd());
}

// Every reader that takes its sides from the file honours the caller's limit
// on them: each file of the test data is refused as too large with a limit
// one pixel under its longer side. (G3 and Photo CD pictures have sizes the
// formats fix; metafiles are drawn, not read.)
TEST(HostileHeaders, EveryReaderRefusesAPictureOverTheCallersSideLimit) {
    int tried = 0;
    std::set<int> formats;
    for (const auto& e : std::filesystem::directory_iterator(TestDataDir())) {
        if (!e.is_regular_file()) continue;
        const std::string f = e.path().string();
        const int format = lg::DetectFileFormat(f);
        if (format == lg::kFormatUnknown || format == lg::kFormatG3 || format == lg::kFormatPcd ||
            format == lg::kFormatMetafile || format == lg::kFormatMedia || !lg::FormatOf(format).read)
            continue;
        lg::ReadOptions opt;
        lg::Status st;
        const lg::Image whole = lg::LoadQuiet(f, opt, st);
        if (!whole) continue;  // the damaged files of the test data
        SCOPED_TRACE(f);
        opt.limits.maxSide = std::max(whole.width(), whole.height()) - 1;
        if (opt.limits.maxSide < 1) continue;
        EXPECT_FALSE(lg::LoadQuiet(f, opt, st));
        EXPECT_EQ(st.error, "The picture is too large !");
        ++tried;
        formats.insert(format);
    }
    EXPECT_GE(formats.size(), 15u);
    EXPECT_GT(tried, 100);
}

// A small tiled picture whose tiles claim 16384 x 16384 bytes each: the tile
// buffers are sized from those tags, so they are measured against the file
// before anything is allocated.
TEST(HostileHeaders, HugeTilesOfASmallPictureAreRefusedWithoutAllocating) {
    // 16 x 16 grey, uncompressed, one tile of one byte
    const Bytes tif = GreyTiff(16, 16, {{322, 16384}, {323, 16384}, {324, 8}, {325, 1}});
    TempDir dir;
    WriteBytes(dir.file("tiles.tif"), tif);
    AllocationMeter meter;
    lg::Status st;
    meter.start();
    EXPECT_FALSE(ReadAs(lg::kFormatTif, dir.file("tiles.tif"), st));
    const int64_t peak = meter.stop();
    EXPECT_EQ(st.error, "This is not a valid TIFF File !");
    if (AllocationMeter::available()) {
        EXPECT_LT(peak, int64_t(1) << 20);
    }
}

// A row of any claimed size is measured against the file without overflow.
TEST(HostileHeaders, ARowClaimOfAnySizeIsMeasuredWithoutOverflow) {
    const lg::ReadLimits limits;
    EXPECT_EQ(lg::CheckClaim(limits, 100, 1000, 1 << 17, 8, 256, uint64_t(1) << 47, 1), lg::Claim::Implausible);
    EXPECT_EQ(lg::CheckClaim(limits, 100, 1000, 2, 8, 256, UINT64_MAX / 2 + 1, 1), lg::Claim::Implausible);
    EXPECT_EQ(lg::CheckClaim(limits, 1000, 10, 10, 8, 256, 10, 1), lg::Claim::Fits);
}
