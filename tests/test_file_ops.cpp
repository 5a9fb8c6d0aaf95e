// File operations that must not lose data, the batch worker over generated
// pictures, and the slideshow's list files and advancing rules.
#include "support.h"

#include "files/batch.h"
#include "files/file_ops.h"
#include "files/natural_order.h"
#include "files/slide_list.h"
#include "formats/load.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/threads.h"

namespace {

using namespace lg;
using lgtest::Bytes;
using lgtest::TempDir;
namespace fs = std::filesystem;

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 31 + seed);
    return b;
}

TEST(FileOps, CopyReplacesOnlyWhenComplete) {
    TempDir d;
    const Bytes big = Pattern(3 << 20, 5);  // more than one copy buffer
    lgtest::WriteBytes(d.file("src.bmp"), big);
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(d.file("src.bmp"), stamp);
    lgtest::WriteBytes(d.file("old.bmp"), Pattern(10, 9));
    fs::permissions(d.file("old.bmp"), fs::perms::owner_read, fs::perm_options::replace);  // read-only target
    ASSERT_TRUE(CopyFileSafely(d.file("src.bmp"), d.file("old.bmp")));
    EXPECT_EQ(lgtest::ReadBytes(d.file("old.bmp")), big);
    const auto drift = fs::last_write_time(d.file("old.bmp")) - stamp;  // the file system's own precision
    EXPECT_LT(std::chrono::abs(std::chrono::duration_cast<std::chrono::milliseconds>(drift)).count(), 1000);

    // A source that cannot be read leaves the target and no temporary file.
    lgtest::WriteBytes(d.file("keep.bmp"), Pattern(10, 1));
    EXPECT_FALSE(CopyFileSafely(d.file("missing.bmp"), d.file("keep.bmp")));
    EXPECT_FALSE(CopyFileSafely(d.file("src.bmp"), d.file("no/such/dir/x.bmp")));
    EXPECT_EQ(lgtest::ReadBytes(d.file("keep.bmp")), Pattern(10, 1));
    EXPECT_EQ(d.entries(), (std::vector<std::string>{"keep.bmp", "old.bmp", "src.bmp"}));

    // Onto itself, even by another spelling of the path: refused, file intact.
    EXPECT_FALSE(CopyFileSafely(d.file("src.bmp"), d.str() + "/./src.bmp"));
    EXPECT_EQ(MoveFileSafely(d.file("src.bmp"), d.str() + "/./src.bmp"), MoveOutcome::CopyFailed);
    EXPECT_EQ(lgtest::ReadBytes(d.file("src.bmp")), big);
}

TEST(FileOps, MoveIntoNewDirectories) {
    TempDir d;
    lgtest::WriteBytes(d.file("a.png"), Pattern(100, 2));
    const std::string dest = CreateDirectoryPath(d.file("x/y/z"));
    EXPECT_EQ(dest.back(), platform::PathSeparator());
    EXPECT_TRUE(platform::IsDirectory(dest));
    const std::string target = CopyMoveTarget(dest, d.file("a.png"));
    EXPECT_EQ(target, dest + "a.png");
    EXPECT_EQ(MoveFileSafely(d.file("a.png"), target), MoveOutcome::Moved);
    EXPECT_FALSE(platform::FileExists(d.file("a.png")));
    EXPECT_EQ(lgtest::ReadBytes(target), Pattern(100, 2));
    EXPECT_EQ(CopyMoveTarget("", "C:/pics/a.png"), "a.png");  // no destination: the current directory
}

TEST(FileOps, RenameNeverReplaces) {
    TempDir d;
    lgtest::WriteBytes(d.file("a.gif"), Pattern(8, 1));
    lgtest::WriteBytes(d.file("b.gif"), Pattern(8, 2));
    EXPECT_FALSE(platform::RenameNoReplace(d.file("a.gif"), d.file("b.gif")));
    EXPECT_EQ(lgtest::ReadBytes(d.file("b.gif")), Pattern(8, 2));
    EXPECT_TRUE(platform::RenameNoReplace(d.file("a.gif"), d.file("c.gif")));
    EXPECT_EQ(d.entries(), (std::vector<std::string>{"b.gif", "c.gif"}));
}

TEST(FileOps, PositionAfterRemoval) {
    const struct { int former, left, pos; } cases[] = {
        {5, 11, 4}, {0, 11, -1}, {11, 11, 10}, {0, 1, 0}, {1, 1, 0}, {0, 0, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(PositionAfterRemoval(c.former, c.left), c.pos) << c.former << "," << c.left;
}

// Worker threads for one test, put back afterwards.
struct Threads {
    explicit Threads(int n) { platform::SetThreadCount(n); }
    ~Threads() { platform::SetThreadCount(0); }
};

class Batch : public ::testing::Test {
protected:
    std::string In(const std::string& rel) { return lgtest::DataPath("batch/" + rel); }
    BatchSummary Run(const std::vector<std::string>& files, int type, int stopAt = 0) {
        BatchUi ui;
        ui.starting = [this](int i, int n) { captions.push_back(std::to_string(i) + "/" + std::to_string(n)); };
        ui.stopRequested = [this, stopAt] { return stopAt && int(captions.size()) > stopAt; };
        ui.line = [this](const std::string& l) { lines.push_back(l); };
        return RunBatch(files, out.str() + "/new/", type, ui, {});
    }
    TempDir out;
    std::vector<std::string> lines, captions;
};

TEST_F(Batch, ConvertsAndReportsEveryFile) {
    const std::vector<std::string> files = {In("one/pic1.jpg"), In("one/broken.jpg"), In("two/pic1.png"),
                                            In("one/pic2.jpg")};
    BatchSummary s = Run(files, 3);
    EXPECT_EQ(s.converted, 2);
    EXPECT_EQ(s.errors, 2);
    EXPECT_EQ(BatchSummaryLine(s), "2 errors");
    const std::string dir = out.str() + "/new/";
    const std::vector<std::string> expected = {
        "Converting: " + files[0], "... Ok",
        "Converting: " + files[1], "Error! Can't load: " + files[1],
        "Converting: " + files[2], "Error: Destination file already exists: " + dir + "pic1.PNG",
        "Converting: " + files[3], "... Ok",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(captions, (std::vector<std::string>{"1/4", "2/4", "3/4", "4/4"}));
    Status st;
    Image img = LoadQuiet(dir + "pic2.PNG", {}, st);
    ASSERT_TRUE(img) << st.error;
    EXPECT_EQ(img.width(), 12);
    EXPECT_EQ(img.height(), 10);

    // A second run finds every output there and touches none of them.
    const auto before = fs::last_write_time(dir + "pic1.PNG");
    lines.clear();
    EXPECT_EQ(Run({files[0]}, 3).errors, 1);
    EXPECT_EQ(fs::last_write_time(dir + "pic1.PNG"), before);
}

TEST_F(Batch, StopsAfterTheFileInHand) {
    Threads one(1);  // one after the other: Stop before file 4 leaves it alone
    std::vector<std::string> files;
    for (int i = 1; i <= 5; ++i) files.push_back(In("one/pic" + std::to_string(i) + ".jpg"));
    BatchSummary s = Run(files, 2, 3);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.converted, 3);
    EXPECT_EQ(s.errors, 0);
    EXPECT_EQ(out.entries(), std::vector<std::string>{"new"});
    EXPECT_TRUE(platform::FileExists(out.str() + "/new/pic3.BMP"));
    EXPECT_FALSE(platform::FileExists(out.str() + "/new/pic4.BMP"));
}

TEST_F(Batch, WorkersReportInInputOrderAndNeverWriteOneNameTwice) {
    // Inputs that vanish or cannot be read, and three that make pic1.PNG:
    // the first readable one writes it, the later ones find it there.
    const std::string gone = out.file("gone.jpg");
    lgtest::WriteBytes(gone, Pattern(100, 3));
    const std::vector<std::string> files = {In("one/broken.jpg"), In("one/pic1.jpg"), In("one/pic2.jpg"),
                                            out.file("missing.jpg"), In("two/pic1.png"), gone,
                                            In("one/pic3.jpg"), In("one/pic1.jpg"), In("one/pic4.jpg")};
    const std::string dir = out.str() + "/new/";
    std::vector<std::string> serial;
    for (int n : {1, 2, 7}) {
        SCOPED_TRACE(n);
        Threads t(n);
        fs::remove_all(dir);
        lines.clear();
        captions.clear();
        BatchSummary s = Run(files, 3);
        EXPECT_EQ(s.converted, 4);
        EXPECT_EQ(s.errors, 5);
        EXPECT_FALSE(s.stopped);
        if (n == 1) serial = lines;
        else EXPECT_EQ(lines, serial);
        EXPECT_EQ(captions.size(), files.size());
        // pic1.PNG is the JPEG's picture (11 x 9), not the PNG's (9 x 7).
        Status st;
        Image img = LoadQuiet(dir + "pic1.PNG", {}, st);
        ASSERT_TRUE(img) << st.error;
        EXPECT_EQ(img.width(), 11);
    }
    ASSERT_EQ(serial.size(), 2 * files.size());
    EXPECT_EQ(serial[1], "Error! Can't load: " + files[0]);
    EXPECT_EQ(serial[7], "Error! Can't load: " + files[3]);
    EXPECT_EQ(serial[9], "Error: Destination file already exists: " + dir + "pic1.PNG");
    EXPECT_EQ(serial[11], "Error! Can't load: " + gone);
    EXPECT_EQ(serial[15], "Error: Destination file already exists: " + dir + "pic1.PNG");
    EXPECT_EQ(out.entries(), (std::vector<std::string>{"gone.jpg", "new"}));
}

TEST_F(Batch, StopOnWorkersFinishesTheFilesInFlightAndReportsEachOnce) {
    Threads t(7);
    std::vector<std::string> files;
    for (int k = 0; k < 4; ++k)
        for (int i = 1; i <= 5; ++i) files.push_back(In("one/pic" + std::to_string(i) + ".jpg"));
    BatchSummary s = Run(files, 2, 2);  // distinct names only for the first five
    EXPECT_TRUE(s.stopped);
    EXPECT_GE(s.converted, 2);
    const size_t reported = size_t(s.converted + s.errors);
    ASSERT_EQ(lines.size(), 2 * reported);
    for (size_t i = 0; i < reported; ++i) EXPECT_EQ(lines[2 * i], "Converting: " + files[i]);
    // Every output there is complete and was reported written.
    for (int i = 1; i <= 5; ++i) {
        const std::string name = out.str() + "/new/pic" + std::to_string(i) + ".BMP";
        EXPECT_EQ(platform::FileExists(name), size_t(i) <= reported) << name;
        Status st;
        if (platform::FileExists(name)) {
            EXPECT_TRUE(LoadQuiet(name, {}, st)) << st.error;
        }
    }
}

TEST(BatchTypes, WordsAndNames) {
    const struct { int type; const char* word; } cases[] = {{0, "JPG"}, {3, "PNG"}, {8, "EMF"}, {9, "WEBP"}, {10, "JPG"}, {-1, "JPG"}};
    for (const auto& c : cases) EXPECT_STREQ(BatchTypeWord(c.type), c.word) << c.type;
    EXPECT_EQ(BatchTypeText(0), "JPG - JPEG Files");
    EXPECT_EQ(BatchTypeOf("png"), 3);
    EXPECT_EQ(BatchTypeOf(".TIFF"), 4);
    EXPECT_EQ(BatchTypeOf("webp"), 9);
    EXPECT_EQ(BatchTypeOf("avif"), -1);
    const std::string sep(1, platform::PathSeparator());
    EXPECT_EQ(BatchOutputName("OUT" + sep, "A" + sep + "x.y.bmp", "PNG"), "OUT" + sep + "x.y.PNG");
}

TEST(SlideList, ReadsWhatWasWrittenAndOddLines) {
    TempDir d;
    const std::string longPath = "C:\\" + std::string(300, 'p') + ".jpg";
    {
        std::ofstream f(d.file("list.txt"), std::ios::binary);
        f << "C:\\a.jpg\r\n\n  \nC:\\b c.png\n" << longPath << "\nC:\\last.gif";  // no final line break
    }
    std::vector<std::string> list;
    ASSERT_TRUE(ReadSlideList(d.file("list.txt"), list));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0], "C:\\a.jpg");
    EXPECT_EQ(list[1], "  ");
    EXPECT_EQ(list[2], "C:\\b c.png");
    EXPECT_EQ(list[3], longPath.substr(0, 259));
    EXPECT_EQ(list[4], "C:\\last.gif");
    EXPECT_FALSE(ReadSlideList(d.file("missing.txt"), list));

    ASSERT_TRUE(WriteSlideList(d.file("out.lst"), list));
    std::vector<std::string> back;
    ASSERT_TRUE(ReadSlideList(d.file("out.lst"), back));
    EXPECT_EQ(back, list);
    EXPECT_FALSE(WriteSlideList(d.file("no/dir/out.lst"), list));
}

TEST(SlideList, AFileBeyondAnyListIsRefusedWhole) {
    TempDir d;
    const std::string path = d.file("huge.lst");
    { std::ofstream(path, std::ios::binary) << "C:\\a.jpg\n"; }
    lgtest::fs::resize_file(path, lg::kMaxSlideListBytes + 1);  // a sparse tail of zero bytes
    std::vector<std::string> list{"kept"};
    EXPECT_FALSE(ReadSlideList(path, list));
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
    lgtest::fs::resize_file(path, lg::kMaxSlideListBytes);
    ASSERT_TRUE(ReadSlideList(path, list));
    ASSERT_EQ(list.size(), 3u);  // the zeros make one more line, cut to 259
    EXPECT_EQ(list[1], "C:\\a.jpg");
    EXPECT_EQ(list[2], std::string(259, '\0'));
}

TEST(SlideList, DelaysAndSteps) {
    const struct { const char* text; int ms; const char* stored; } delays[] = {
        {"2.5", 2500, "2.5"}, {"0", 5000, "5.0"}, {"abc", 5000, "5.0"}, {"-3", 5000, "5.0"}, {"10", 10000, "10.0"},
    };
    for (const auto& c : delays) {
        EXPECT_EQ(SlideDelayMs(c.text), c.ms) << c.text;
        EXPECT_EQ(SlideDelayText(c.text), c.stored) << c.text;
    }
    const struct { int index, count; bool back, loop; int next; } steps[] = {
        {0, 3, false, false, 1}, {2, 3, false, true, 0}, {2, 3, false, false, -1},
        {0, 3, true, true, 2},   {0, 3, true, false, -1}, {2, 3, true, false, 1}, {0, 0, false, true, -1},
    };
    for (const auto& c : steps)
        EXPECT_EQ(NextSlideIndex(c.index, c.count, c.back, c.loop), c.next) << c.index << (c.back ? " back" : "");
}

TEST(SlideList, AddingAndSortingFiles) {
    TempDir d;
    lgtest::WriteBytes(d.file("b.jpg"), Bytes(30, 0));
    lgtest::WriteBytes(d.file("a.JPEG"), Bytes(10, 0));
    lgtest::WriteBytes(d.file("c.gif"), Bytes(20, 0));
    lgtest::WriteBytes(d.file("d.txt"), Bytes(5, 0));
    fs::create_directory(d.file("e.jpg"));
    auto names = [&](std::vector<std::string> paths) {
        std::vector<std::string> out;
        for (auto& p : paths) out.push_back(platform::BaseNameOf(p));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(names(AddAllFiles(d.str(), 1)), (V{"b.jpg", "a.JPEG"}));  // JPEG row: *.jpg, then *.jpeg
    EXPECT_EQ(names(AddAllFiles(d.str(), 0)), (V{"b.jpg", "a.JPEG", "c.gif"}));
    // Every picture type's patterns in list order, without AIFF sound and fax files.
    EXPECT_EQ(AddAllPatterns(0),
              (V{"*.jpg", "*.jpeg", "*.gif", "*.bmp", "*.tif", "*.tiff", "*.png", "*.lwf", "*.pcx", "*.dcx",
                 "*.tga", "*.pcd", "*.ras", "*.sun", "*.rle", "*.dib", "*.ico", "*.cur", "*.ani", "*.wav",
                 "*.mid", "*.rmi", "*.wmf", "*.emf", "*.ppm", "*.pgm", "*.pbm", "*.iff", "*.lbm", "*.psd",
                 "*.cpt", "*.clp", "*.eps", "*.cam", "*.avi", "*.mpg", "*.mpeg", "*.mov", "*.webp"}));
    EXPECT_EQ(AddAllPatterns(30), V{"*.g3"});
    EXPECT_EQ(AddAllPatterns(31), V{"*.webp"});
    EXPECT_EQ(AddAllPatterns(32), V{"*.*"});
    EXPECT_EQ(AddAllPatterns(33), V{"*.*"});
    EXPECT_EQ(names(NamesFromField(d.str(), "\"c.gif\" \"gone.png\" \"b.jpg\"")), (V{"c.gif", "b.jpg"}));
    EXPECT_EQ(names(NamesFromField(d.str(), "a.JPEG")), (V{"a.JPEG"}));
    EXPECT_TRUE(NamesFromField(d.str(), "gone.png").empty());

    V list = {d.file("b.jpg"), d.file("gone.png"), d.file("a.JPEG"), d.file("c.gif")};
    SortSlideList(list, 2);  // by size; the missing file is dropped
    EXPECT_EQ(names(list), (V{"a.JPEG", "c.gif", "b.jpg"}));
    SortSlideList(list, 4);
    EXPECT_EQ(names(list), (V{"c.gif", "b.jpg", "a.JPEG"}));
    lgtest::WriteBytes(d.file("p10.gif"), lgtest::Bytes(3, 1));
    lgtest::WriteBytes(d.file("P9.gif"), lgtest::Bytes(3, 1));
    V numbered = {d.file("p10.gif"), d.file("c.gif"), d.file("P9.gif")};
    SortSlideList(numbered, kNaturalNameOrder);
    EXPECT_EQ(names(numbered), (V{"c.gif", "P9.gif", "p10.gif"}));
}

}  // namespace
