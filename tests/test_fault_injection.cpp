// Failing disks, in process: every write path aimed at a full file system and
// at a read-only one. tests/fault_injection.sh mounts both (a tmpfs it fills,
// and one it remounts read-only) and runs these with LG_FAULT_FULL,
// LG_FAULT_READONLY and LG_FAULT_INPUTS (an animated GIF and a three-page TIFF
// from ImageMagick, each page and frame larger than the room left) set; without them they are skipped. After every failure
// the file that was there is byte for byte as before, nothing else stands in
// the directory, and the caller was told.
#include "support.h"

#include <cstdlib>
#include <map>

#include "files/file_ops.h"
#include "formats/animation.h"
#include "formats/codec.h"
#include "formats/pages.h"
#include "formats/save.h"
#include "platform/platform.h"
#include "settings/ini.h"

using namespace lgtest;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string Join(const std::string& dir, const std::string& name) {
#ifdef _WIN32
    return dir + "\\" + name;
#else
    return dir + "/" + name;
#endif
}

// Every file of a directory with its size and a checksum of its bytes
// (FNV-1a), as one line each.
std::string Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        const Bytes b = ReadBytes(e.path().string());
        uint64_t h = 1469598103934665603ull;
        for (uint8_t c : b) h = (h ^ c) * 1099511628211ull;
        files[e.path().filename().string()] = std::to_string(b.size()) + " " + std::to_string(h);
    }
    std::string out;
    for (const auto& f : files) out += f.first + " " + f.second + "\n";
    return out;
}

// Full: a mount with `original` in it and no free block. Read-only: the same
// file on a mount that refuses every change.
struct Mounts {
    std::string full, readOnly, inputs;
    bool ready() const { return !full.empty() && !readOnly.empty() && !inputs.empty(); }
};

Mounts FromEnvironment() { return {Env("LG_FAULT_FULL"), Env("LG_FAULT_READONLY"), Env("LG_FAULT_INPUTS")}; }

#define NEED_MOUNTS(m)                                                                   \
    const Mounts m = FromEnvironment();                                                  \
    if (!m.ready()) GTEST_SKIP() << "run by tests/fault_injection.sh with its mounts";

lg::Image Noise(int w, int h) {
    lg::Image img = lg::Image::Create(w, h, 24, 0);
    uint32_t x = 12345;
    for (size_t i = 0; i < img.pixelBytes(); ++i) {
        x = x * 1103515245u + 12345u;
        img.pixels()[i] = uint8_t(x >> 16);
    }
    return img;
}

}  // namespace

TEST(FaultInjection, EveryWriterLeavesTheOriginalOnAFullOrReadOnlyDisk) {
    NEED_MOUNTS(m);
    const lg::Image img = Noise(400, 300);
    for (const std::string& dir : {m.full, m.readOnly}) {
        const auto before = Snapshot(dir);
        for (int t = 1; t <= lg::SaveTypeCount(); ++t) {
            const std::string ext = lg::SaveTypeExtension(t);
            // Over the file of that type that is there (the script made one for
            // every type), and as a new name.
            ASSERT_NE(before.find("original" + ext + " "), std::string::npos) << ext;
            for (const std::string& name : {"original" + ext, "new" + ext}) {
                SCOPED_TRACE(dir + " " + name);
                std::string message;
                const bool ok = lg::SaveImage(img, Join(dir, name), lg::SaveOptions(), &message);
                EXPECT_FALSE(ok);
                if (!ok) {
                    EXPECT_FALSE(message.empty());
                }
                EXPECT_EQ(Snapshot(dir), before);
            }
        }
    }
}

TEST(FaultInjection, SettingsCopyMoveRenameAndDeleteLoseNothing) {
    NEED_MOUNTS(m);
    TempDir scratch;
    const std::string source = scratch.file("source.bin");
    Bytes big(256 * 1024);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + (i >> 9));
    WriteBytes(source, big);
    for (const std::string& dir : {m.full, m.readOnly}) {
        SCOPED_TRACE(dir);
        const auto before = Snapshot(dir);
        // The settings file: a key that makes it longer than the space left.
        EXPECT_FALSE(lg::ini::WriteString(Join(dir, "settings.ini"), "Viewing", "Key", std::string(200000, 'x')));
        // Copy and move over the original, and to a new name.
        EXPECT_FALSE(lg::CopyFileSafely(source, Join(dir, "original.bmp")));
        EXPECT_FALSE(lg::CopyFileSafely(source, Join(dir, "copy.bin")));
        EXPECT_EQ(lg::MoveFileSafely(source, Join(dir, "moved.bin")), lg::MoveOutcome::CopyFailed);
        EXPECT_EQ(ReadBytes(source), big);
        EXPECT_EQ(Snapshot(dir), before);
    }
    // Rename and delete need a directory that takes changes.
    const auto before = Snapshot(m.readOnly);
    EXPECT_FALSE(lg::platform::RemoveFile(Join(m.readOnly, "original.bmp")));
    std::string name = Join(m.readOnly, "misnamed.gif");  // a BMP file
    EXPECT_FALSE(lg::RenameToProperExtension(name, lg::kFormatBmp));
    EXPECT_EQ(name, Join(m.readOnly, "misnamed.gif"));
    EXPECT_EQ(Snapshot(m.readOnly), before);
}

TEST(FaultInjection, PageAndFrameExtractionLeaveNoPartialFile) {
    NEED_MOUNTS(m);
    for (const std::string& dir : {m.full, m.readOnly}) {
        SCOPED_TRACE(dir);
        const auto before = Snapshot(dir);
        // Pages of a three-page TIFF.
        lg::PictureFacts facts;
        lg::Status st;
        const std::string tif = Join(m.inputs, "pages.tif");
        lg::ReadOptions opt;
        lg::Image first = ReadAs(lg::kFormatTif, tif, st, opt, &facts);
        ASSERT_TRUE(first) << st.error;
        ASSERT_EQ(facts.pageCount, 3);
        lg::Image current;
        EXPECT_EQ(lg::ExtractAllPages(tif, lg::kFormatTif, dir, facts, current, nullptr), 0);
        // Frames of an animated GIF.
        lg::Animation anim;
        ASSERT_TRUE(lg::LoadAnimation(Join(m.inputs, "anim.gif"), anim, st)) << st.error;
        ASSERT_GE(anim.frames.size(), 3u);
        EXPECT_EQ(lg::ExtractFrames(anim, lg::PrepareExtractDirectory(dir), Join(m.inputs, "anim.gif"), nullptr), 0);
        EXPECT_EQ(Snapshot(dir), before);
    }
}
