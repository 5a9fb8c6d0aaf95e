// The directory list: which files count, the sort orders on a real directory,
// finding the shown file, the step decisions and the recent directories.
#include "support.h"

#include "files/dir_list.h"
#include "formats/format_table.h"
#include "platform/collate.h"
#include "platform/files.h"

namespace {

using namespace lg;
using lgtest::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> Names(const DirList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.at(i).name);
    return out;
}

TEST(DirList, WhichNamesCount) {
    const struct { const char* name; bool counts; } cases[] = {
        {"photo.jpeg", true}, {"PHOTO.JPG", true}, {"scanG3", true}, {"PHOTOGIF", true}, {"a.Tiff", true},
        {"clip.aif", true},   {"readme.TXT", false}, {"photo.jpg.bak", false}, {"g", false}, {"", false},
        {"scan.cpt", false},  // taken as a TIFF when opened, but not walked to
    };
    for (const auto& c : cases) EXPECT_EQ(CountsAsPicture(c.name), c.counts) << c.name;
    EXPECT_EQ(ExtensionOf("a.b.PNG"), ".PNG");
    EXPECT_EQ(ExtensionOf("scanG3"), "");
}

TEST(DirList, CollationPutsCaseAfterLetters) {
    // Letters decide before case; names differing only in case put lower case first.
    const struct { const char* a; const char* b; int sign; } cases[] = {
        {"a.bmp", "B.bmp", -1}, {"B.bmp", "c.bmp", -1}, {"img1.bmp", "img10.png", -1},
        {"img10.png", "img2.png", -1}, {"abc", "ABC", -1}, {"x.BMP", "x.bmp", 1}, {"same", "same", 0},
    };
    for (const auto& c : cases) {
        auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
        EXPECT_EQ(sign(CollateCaseSensitive(c.a, c.b)), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(sign(platform::CollateNames(c.a, c.b)), c.sign) << "system: " << c.a << " / " << c.b;
    }
}

// Numbers by value, letters without case; equal names still in one fixed order.
TEST(DirList, NaturalNameOrder) {
    using V = std::vector<std::string>;
    // The expected order, worked out by hand as the Windows file manager lists them.
    const V expected = {
        "a.jpg",   "a1.jpg",  "a01.jpg",  "a2.jpg",     "A2.jpg",   "a10.jpg",  "a010b.jpg",
        "a10c.jpg", "a99999999999999999999.jpg", "a100000000000000000000.jpg", "b.jpg",
        "IMG_2.jpg", "img_9.JPG", "IMG_10.jpg", "img_10a.jpg", "IMG_100.jpg", "x1y2.png", "x1y10.png",
        "x2y1.png",
    };
    // Any starting order sorts the same: reversed, rotated, and a shuffle.
    std::vector<V> starts = {V(expected.rbegin(), expected.rend()), expected};
    std::rotate(starts[1].begin(), starts[1].begin() + 7, starts[1].end());
    starts.push_back({"x2y1.png", "a01.jpg", "IMG_100.jpg", "a1.jpg", "b.jpg", "a2.jpg", "x1y10.png",
                      "a10.jpg", "IMG_10.jpg", "A2.jpg", "a100000000000000000000.jpg", "img_9.JPG", "a.jpg",
                      "a010b.jpg", "img_10a.jpg", "a10c.jpg", "x1y2.png", "IMG_2.jpg",
                      "a99999999999999999999.jpg"});
    for (const V& start : starts) {
        DirList list;
        for (const std::string& n : start) {
            list.order.push_back(int(list.records.size()));
            list.records.push_back(DirEntry{n, 0, 0});
        }
        SortDirList(list, kNaturalNameOrder);
        EXPECT_EQ(Names(list), expected);
    }
    auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
    const struct { const char* a; const char* b; int sign; } pairs[] = {
        {"a1", "a01", -1}, {"a01", "a1", 1}, {"a1", "a1", 0}, {"a001x", "a01y", -1}, {"a01x", "a001x", -1},
        {"Img", "img", 1}, {"0", "00", -1}, {"", "0", -1}, {"9", "a", -1}, {"a0", "a", 1},
    };
    for (const auto& p : pairs) EXPECT_EQ(sign(CompareNatural(p.a, p.b)), p.sign) << p.a << " / " << p.b;
    EXPECT_TRUE(SortsList(kNaturalNameOrder));
    EXPECT_FALSE(SortsList(kNoSort));
    EXPECT_FALSE(SortsList(10));
}

// Files with sizes and times of the test's choosing, plus things that must not count.
class SortedDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto base = fs::file_time_type::clock::now() - std::chrono::hours(24);
        const struct { const char* name; size_t size; int minutes; } files[] = {
            {"img10.png", 30, 5}, {"img2.png", 10, 1}, {"Img1.bmp", 20, 3}, {"b.BMP", 5, 3}, {"a.bmp", 40, 9},
        };
        for (const auto& f : files) {
            lgtest::WriteBytes(dir.file(f.name), lgtest::Bytes(f.size, 7));
            fs::last_write_time(dir.file(f.name), base + std::chrono::minutes(f.minutes));
        }
        lgtest::WriteBytes(dir.file("readme.txt"), lgtest::Bytes(3, 1));
        fs::create_directory(dir.file("x.gif"));
    }
    DirList Read(int order) {
        DirList list;
        EXPECT_TRUE(ReadDirList(list, dir.str(), false, true, order));
        return list;
    }
    TempDir dir;
};

TEST_F(SortedDir, EveryOrder) {
    using V = std::vector<std::string>;
    const V byName = {"a.bmp", "b.BMP", "Img1.bmp", "img10.png", "img2.png"};
    const V bySize = {"b.BMP", "img2.png", "Img1.bmp", "img10.png", "a.bmp"};
    EXPECT_EQ(Names(Read(0)), byName);
    EXPECT_EQ(Names(Read(4)), V(byName.rbegin(), byName.rend()));
    EXPECT_EQ(Names(Read(2)), bySize);
    EXPECT_EQ(Names(Read(6)), V(bySize.rbegin(), bySize.rend()));

    // Dates: Img1.bmp and b.BMP share one; their relative order is free.
    V byDate = Names(Read(1));
    ASSERT_EQ(byDate.size(), 5u);
    EXPECT_EQ(byDate[0], "img2.png");
    EXPECT_EQ(V(byDate.begin() + 3, byDate.end()), (V{"img10.png", "a.bmp"}));
    V newest = Names(Read(5));
    EXPECT_EQ(newest.front(), "a.bmp");
    EXPECT_EQ(newest.back(), "img2.png");

    // Extensions: the bitmaps (".bmp" before ".BMP") before the PNGs.
    for (int order : {3, 7}) {
        V byExt = Names(Read(order));
        auto bitmaps = order == 3 ? V(byExt.begin(), byExt.begin() + 3) : V(byExt.begin() + 2, byExt.end());
        std::sort(bitmaps.begin(), bitmaps.end());
        EXPECT_EQ(bitmaps, (V{"Img1.bmp", "a.bmp", "b.BMP"})) << order;
        auto pos = [&](const char* n) { return std::find(byExt.begin(), byExt.end(), n) - byExt.begin(); };
        EXPECT_EQ(pos("a.bmp") < pos("b.BMP"), order == 3) << order;
    }

    // No sort: the system's own enumeration, still without the directory and the text file.
    V unsorted = Names(Read(kNoSort));
    std::sort(unsorted.begin(), unsorted.end());
    V all = byName;
    std::sort(all.begin(), all.end());
    EXPECT_EQ(unsorted, all);
}

TEST_F(SortedDir, ReadAgainOnlyWhenForcedOrMoved) {
    DirList list = Read(0);
    ASSERT_EQ(list.count(), 5);
    lgtest::WriteBytes(dir.file("new.gif"), lgtest::Bytes(4, 0));
    EXPECT_FALSE(ReadDirList(list, dir.str(), false, true, 0));
    EXPECT_EQ(list.count(), 5);
    EXPECT_TRUE(ReadDirList(list, dir.str(), true, true, 0));
    EXPECT_EQ(list.count(), 6);
    EXPECT_TRUE(ReadDirList(list, dir.str(), true, false, 0));  // walking turned off
    EXPECT_EQ(list.count(), 0);
    DirList missing;
    EXPECT_TRUE(ReadDirList(missing, dir.file("nowhere"), false, true, 0));
    EXPECT_EQ(missing.count(), 0);
}

TEST_F(SortedDir, FindsTheShownFile) {
    DirList list = Read(0);
    const struct { std::string path; int pos; } cases[] = {
        {"a.bmp", 0}, {"IMG10.PNG", 3}, {dir.file("img2.png"), 4}, {"readme.txt", -1}, {"", -1}, {"<Clipboard>", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(FindInDirList(list, c.path), c.pos) << c.path;
}

TEST(DirList, StepDecisions) {
    const struct {
        const char* what;
        NavStep step;
        NavAction action;
        int index;
    } cases[] = {
        {"next in the middle", NavNext(2, 12, true, false), NavAction::Show, 3},
        {"next from an unlisted file", NavNext(-1, 12, true, false), NavAction::Show, 0},
        {"next at the end asks", NavNext(11, 12, true, false), NavAction::AskToFirst, 12},
        {"next at the end, quiet", NavNext(11, 12, true, true), NavAction::Show, 0},
        {"next in a one-file list asks", NavNext(0, 1, true, false), NavAction::AskToFirst, 1},
        {"next with walking off", NavNext(3, 12, false, false), NavAction::Nothing, 3},
        {"previous", NavPrevious(3, 12, true, false, false), NavAction::Show, 2},
        {"previous after a delete stays", NavPrevious(3, 12, true, false, true), NavAction::Show, 3},
        {"previous after deleting the first", NavPrevious(-1, 12, true, false, true), NavAction::AskToLast, -1},
        {"previous at the start asks", NavPrevious(0, 12, true, false, false), NavAction::AskToLast, -1},
        {"previous at the start, quiet", NavPrevious(0, 12, true, true, false), NavAction::Show, 11},
        {"previous beyond a shrunk list", NavPrevious(5, 3, true, false, true), NavAction::Show, 2},
        {"first", NavFirst(12, true), NavAction::Show, 0},
        {"last", NavLast(12, true), NavAction::Show, 11},
        {"first of nothing", NavFirst(0, true), NavAction::Nothing, 0},
        {"last with walking off", NavLast(12, false), NavAction::Nothing, 12},
        {"next in an empty list", NavNext(-1, 0, true, true), NavAction::Nothing, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.step.action, c.action) << c.what;
        EXPECT_EQ(c.step.index, c.index) << c.what;
    }
    EXPECT_EQ(NavCancelled(NavNext(11, 12, true, false)), 11);
    EXPECT_EQ(NavCancelled(NavPrevious(0, 12, true, false, false)), 0);
}

TEST(DirList, RecentDirectories) {
    const struct {
        const char* what;
        RecentDirs before;
        std::string dir;
        RecentDirs after;
        bool changed;
    } cases[] = {
        {"empty directory changes nothing", {"a", "b", "", "", ""}, "", {"a", "b", "", "", ""}, false},
        {"already first", {"a", "b", "", "", ""}, "a", {"a", "b", "", "", ""}, false},
        {"a new one takes the first free slot", {"a", "b", "c", "", ""}, "d", {"a", "b", "c", "d", ""}, true},
        {"a known one moves to the front", {"a", "b", "c", "d", "e"}, "d", {"d", "a", "b", "c", "e"}, true},
        {"full: the oldest goes", {"a", "b", "c", "d", "e"}, "f", {"f", "a", "b", "c", "d"}, true},
        {"a free slot in the middle", {"a", "", "c", "", ""}, "g", {"a", "g", "c", "", ""}, true},
    };
    for (const auto& c : cases) {
        RecentDirs d = c.before;
        EXPECT_EQ(UpdateRecentDirs(d, c.dir), c.changed) << c.what;
        EXPECT_EQ(d, c.after) << c.what;
    }
}

}  // namespace
