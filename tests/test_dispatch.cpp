// The load and save dispatchers: quiet loading by content, conversions,
// messages, Append extension, and files left intact on failure.
#include "support.h"

#include "core/convert.h"
#include "formats/convert_file.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/save.h"
#include "platform/platform.h"

namespace {

using lgtest::TempDir;

lg::Image Gradient24(int w, int h) {
    lg::Image img = lg::Image::Create(w, h, 24, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.topRow(y) + 3 * x;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t((x + y) * 3);
        }
    return img;
}

lg::Image Palette4(int w, int h) {
    lg::Image img = lg::Image::Create(w, h, 4, 16);
    for (int i = 0; i < 16; ++i) img.setPaletteEntry(i, uint8_t(i * 16), uint8_t(255 - i * 16), 7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t& b = img.row(y)[x / 2];
            b = uint8_t(x % 2 ? (b & 0xF0) | ((x + y) & 15) : (b & 0x0F) | (((x + y) & 15) << 4));
        }
    return img;
}

class Dispatch : public ::testing::Test {
protected:
    lgtest::ScratchSettings settings;
    TempDir dir;
};

TEST_F(Dispatch, QuietLoaderReadsByContentWhateverTheName) {
    lg::Status st;
    ASSERT_TRUE(lg::WriteBmp(dir.file("really-a-bmp.png"), Gradient24(9, 5), st));
    lg::Image img = lg::LoadQuiet(dir.file("really-a-bmp.png"), {}, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.width(), 9);
    EXPECT_EQ(img.bitCount(), 24);
}

TEST_F(Dispatch, QuietLoaderFailures) {
    lg::Status st;
    EXPECT_FALSE(lg::LoadQuiet(dir.file("missing.bmp"), {}, st));
    EXPECT_EQ(st.error, "Can't read file header !\n\nUnsupported file type !");
    lgtest::WriteBytes(dir.file("text.txt"), lgtest::Bytes(100, 'z'));
    EXPECT_FALSE(lg::LoadQuiet(dir.file("text.txt"), {}, st));
    lgtest::Bytes wavelet(40, 0);  // a type this build has no reader for
    std::memcpy(wavelet.data(), "WV\x02\0GE", 6);
    lgtest::WriteBytes(dir.file("a.lwf"), wavelet);
    EXPECT_FALSE(lg::LoadQuiet(dir.file("a.lwf"), {}, st));
    EXPECT_EQ(st.error, "This file type is not supported in this build");
    EXPECT_FALSE(lg::LoadQuiet(dir.str(), {}, st));  // a directory
}

TEST_F(Dispatch, QuietLoaderWidensSixteenBitFiles) {
    // 2x1 pixels, 16 bits, no compression: 0x7FFF (white) and 0x001F (blue).
    lgtest::ByteWriter w = lgtest::BmpHead(2, 1, 16, 0, 0, 54);
    w.le16(0x7FFF).le16(0x001F);
    lgtest::WriteBytes(dir.file("a.bmp"), w.b);
    lg::Status st;
    lg::Image img = lg::LoadQuiet(dir.file("a.bmp"), {}, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.bitCount(), 24);
    EXPECT_EQ(img.row(0)[0], 248);
    EXPECT_EQ(img.row(0)[3], 248);
    EXPECT_EQ(img.row(0)[5], 0);
}

TEST_F(Dispatch, SaveTypeComesFromTheLastThreeCharacters) {
    std::string msg;
    lg::Image img = Gradient24(4, 4);
    EXPECT_TRUE(lg::SaveImage(img, dir.file("out.BMP"), {}, &msg)) << msg;
    EXPECT_FALSE(lg::SaveImage(img, dir.file("pics.bmp.old"), {}, &msg));
    EXPECT_EQ(msg, "Unsupported save type");
    EXPECT_FALSE(lg::SaveImage(img, dir.file("x.tiff"), {}, &msg));
    EXPECT_EQ(msg, "Unsupported save type");
    EXPECT_FALSE(lg::SaveImage(img, dir.file("ab"), {}, &msg));
    EXPECT_EQ(msg, "Unsupported save type");
    EXPECT_FALSE(lg::SaveImage(lg::Image(), dir.file("x.bmp"), {}, &msg));
}

TEST_F(Dispatch, BmpFailureCarriesTheWritersText) {
    std::string msg;
    std::string target = dir.file("no-such-dir/out.bmp");
    EXPECT_FALSE(lg::SaveImage(Gradient24(2, 2), target, {}, &msg));
    EXPECT_EQ(msg, "BMP Save error ! - Can't create file: " + target);
}

TEST_F(Dispatch, FailedSaveLeavesTheExistingFile) {
    lgtest::WriteBytes(dir.file("keep.gif"), lgtest::Bytes{'o', 'l', 'd'});
    std::string msg;
    // The GIF route fails in this build or at the writer; either way the old file stays.
    bool ok = lg::SaveImage(Gradient24(3, 3), dir.file("keep.gif"), {}, &msg);
    if (!ok) {
        EXPECT_EQ(lgtest::ReadBytes(dir.file("keep.gif")), (lgtest::Bytes{'o', 'l', 'd'}));
    }
    EXPECT_EQ(dir.entries().size(), 1u) << "no temporary file left behind";
}

TEST_F(Dispatch, SavingNeverChangesTheCallersPicture) {
    lg::Image img = Palette4(7, 3);
    lg::Image before = img.Duplicate();
    std::string msg;
    lg::SaveImage(img, dir.file("a.jpg"), {}, &msg);
    lg::SaveImage(img, dir.file("a.gif"), {}, &msg);
    lg::SaveImage(img, dir.file("a.bmp"), {}, &msg);
    ASSERT_EQ(img.size(), before.size());
    EXPECT_EQ(std::memcmp(img.data(), before.data(), img.size()), 0);
}

TEST(AppendExtension, Cases) {
    EXPECT_EQ(lg::AppendExtension("photo", 4), "photo.png");
    EXPECT_EQ(lg::AppendExtension("photo.PNG", 4), "photo.PNG");
    EXPECT_EQ(lg::AppendExtension("pics.png.old", 4), "pics.png.old");
    EXPECT_EQ(lg::AppendExtension("x.tiff", 5), "x.tiff");
    EXPECT_EQ(lg::AppendExtension("x.tiff", 1), "x.tiff.jpg");
    EXPECT_EQ(lg::AppendExtension("x.jpeg", 3), "x.jpeg.bmp");
    EXPECT_EQ(lg::AppendExtension("x", 0), "x");
    EXPECT_EQ(lg::AppendExtension("x", 10), "x.webp");
    EXPECT_EQ(lg::AppendExtension("x", 11), "x");
    std::string filters = lg::SaveFilterString();
    EXPECT_EQ(filters.substr(0, 18), "(*.JPG) JPEG - Fil");
    EXPECT_EQ(std::count(filters.begin(), filters.end(), '\0'), 21);
}

TEST_F(Dispatch, ConvertReportsWhichStepFailed) {
    lg::Status st;
    ASSERT_TRUE(lg::WriteBmp(dir.file("in.bmp"), Gradient24(5, 5), st));
    std::string msg;
    EXPECT_EQ(lg::ConvertFile(dir.file("in.bmp"), dir.file("out.bmp"), {}, &msg), lg::ConvertResult::Ok);
    EXPECT_EQ(lg::ConvertFile(dir.file("nothing.bmp"), dir.file("out2.bmp"), {}, &msg),
              lg::ConvertResult::LoadFailed);
    EXPECT_NE(msg.find("Error! Can't load"), std::string::npos);
    EXPECT_EQ(lg::ConvertFile(dir.file("in.bmp"), dir.file("out.xyz"), {}, &msg), lg::ConvertResult::SaveFailed);
    EXPECT_EQ(msg, "Unsupported save type");
}

TEST_F(Dispatch, InteractiveLoadAsksBeforeRenamingAndFollowsTheNewName) {
    lg::Status st;
    ASSERT_TRUE(lg::WriteBmp(dir.file("photo.gif"), Gradient24(3, 3), st));
    std::vector<std::string> asked;
    lg::LoadUi ui;
    ui.askYesNo = [&](const std::string& q) {
        asked.push_back(q);
        return true;
    };
    std::string name = dir.file("photo.gif");
    lg::PictureFacts facts;
    lg::Image img = lg::LoadPicture(name, lg::LoadRequest(), ui, facts);
    ASSERT_TRUE(img) << facts.messageText;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Warning !\nThe file: '" + dir.file("photo.gif") +
                            "' is a BMP File with incorrect extension !\nRename ?");
    EXPECT_EQ(name, dir.file("photo.bmp"));
    EXPECT_TRUE(lg::platform::FileExists(dir.file("photo.bmp")));
    EXPECT_EQ(facts.infoText, "None");
    EXPECT_EQ(facts.bitCount, 24);
}

TEST_F(Dispatch, SilentOrSettingOffMeansNoQuestion) {
    lg::Status st;
    ASSERT_TRUE(lg::WriteBmp(dir.file("photo.gif"), Gradient24(3, 3), st));
    int asked = 0;
    lg::LoadUi ui;
    ui.askYesNo = [&](const std::string&) { return ++asked, true; };
    std::string name = dir.file("photo.gif");
    lg::PictureFacts facts;
    lg::LoadRequest silent;
    silent.silent = true;
    EXPECT_TRUE(lg::LoadPicture(name, silent, ui, facts));
    lg::LoadRequest off;
    off.renameExtension = false;
    EXPECT_TRUE(lg::LoadPicture(name, off, ui, facts));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(name, dir.file("photo.gif"));
}

TEST_F(Dispatch, FailedLoadWordsTheMessageAndClearsTheWindow) {
    lgtest::ByteWriter w = lgtest::BmpHead(4, 4, 8, 7, 0, 1078);  // compression 7 does not exist
    lgtest::WriteBytes(dir.file("bad.bmp"), w.b);
    std::vector<std::string> shown;
    int cleared = 0;
    lg::LoadUi ui;
    ui.inform = [&](const std::string& t) { shown.push_back(t); };
    ui.clearWindow = [&] { ++cleared; };
    std::string name = dir.file("bad.bmp");
    lg::PictureFacts facts;
    EXPECT_FALSE(lg::LoadPicture(name, lg::LoadRequest(), ui, facts));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], name + " : BMP Decode error !\n\nCan't read data, unsupported compression !");
    EXPECT_EQ(cleared, 1);

    std::string missing = dir.file("none.bmp");
    EXPECT_FALSE(lg::LoadPicture(missing, lg::LoadRequest(), ui, facts));
    EXPECT_EQ(shown.back(), missing + " : Can't read file header !\n\nUnsupported file type !");
}

TEST_F(Dispatch, MediaFilesGoToThePlayerWithTheirOwnWarning) {
    lgtest::Bytes wav(44, 0);
    std::memcpy(wav.data(), "RIFF", 4);
    std::memcpy(wav.data() + 8, "WAVE", 4);
    lgtest::WriteBytes(dir.file("x.bmp"), wav);
    std::vector<std::string> shown, played;
    lg::LoadUi ui;
    ui.inform = [&](const std::string& t) { shown.push_back(t); };
    ui.openMedia = [&](const std::string& f) { return played.push_back(f), true; };
    std::string name = dir.file("x.bmp");
    lg::PictureFacts facts;
    lg::LoadRequest req;
    req.renameExtension = false;  // the media warning comes regardless
    EXPECT_FALSE(lg::LoadPicture(name, req, ui, facts));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "This file has a incorrect extension !");
    EXPECT_EQ(played, std::vector<std::string>{name});
}

// The name goes up in the title before a file is read, and before anything is
// shown or asked about it; a picture handed over decoded needs no interim
// title.
TEST_F(Dispatch, TitleShowsTheNameWhileReadingAndBeforeAnyMessage) {
    lg::Status st;
    ASSERT_TRUE(lg::WriteBmp(dir.file("a.bmp"), Gradient24(3, 3), st));
    std::vector<std::string> events;
    lg::LoadUi ui;
    ui.setTitle = [&](const std::string& t) { events.push_back("title " + t); };
    ui.inform = [&](const std::string&) { events.push_back("inform"); };
    lg::PictureFacts facts;
    std::string name = dir.file("a.bmp");
    ASSERT_TRUE(lg::LoadPicture(name, lg::LoadRequest(), ui, facts));
    EXPECT_EQ(events, std::vector<std::string>{"title " + name});

    events.clear();
    lg::DecodedPicture ready;
    ready.picture = Gradient24(3, 3);
    ui.takeDecoded = [&](const std::string&, int, lg::DecodedPicture& out) {
        out = std::move(ready);
        return true;
    };
    ASSERT_TRUE(lg::LoadPicture(name, lg::LoadRequest(), ui, facts));
    EXPECT_TRUE(events.empty());

    ready = lg::DecodedPicture();
    ready.failure = lg::DecodedPicture::Failure::Read;
    ready.error = "found ahead";
    EXPECT_FALSE(lg::LoadPicture(name, lg::LoadRequest(), ui, facts));
    EXPECT_EQ(events, (std::vector<std::string>{"title " + name, "inform"}));

    events.clear();  // a file that cannot be read at all: the message alone
    name = dir.file("none.bmp");
    EXPECT_FALSE(lg::LoadPicture(name, lg::LoadRequest(), ui, facts));
    EXPECT_EQ(events, std::vector<std::string>{"inform"});
}

}  // namespace
