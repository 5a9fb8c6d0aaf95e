// End-to-end: paging through a multipage TIFF (put together by tiffcp) and a
// DCX (pages of different sizes and colour tables) in the window and in full
// screen, and extracting every page. Each page shown and each file written is
// compared with ImageMagick's decode of that page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "settings/ini.h"
#include "shown.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNextPage = 40100, kPrevPage = 40101, kFirstPage = 40102, kLastPage = 40103, kExtractPages = 40105;
constexpr int kFullScreen = 40030;

struct PagedFile {
    const char* name;
    int width[3], height[3];
};
const PagedFile kPagedFiles[] = {
    {"paged.tif", {32, 20, 40}, {20, 28, 12}},
    {"paged.dcx", {24, 40, 17}, {16, 30, 9}},
};

// A fresh directory for one test, with copies of the named pictures.
fs::path Workplace(const std::string& test, std::initializer_list<std::string> pictures) {
    const fs::path dir = fs::temp_directory_path() / ("lumagrove_pages_" + test);
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const std::string& p : pictures) fs::copy_file(DataDir() + "\\" + p, dir / p);
    return dir;
}

class Pages : public ViewerTest {
protected:
    RgbPicture Reference(const PagedFile& f, int page) {
        return ReadRgb(DataDir() + "\\" + f.name + "." + std::to_string(page) + ".rgb", f.width[page],
                       f.height[page]);
    }
    // Waits for the status field to read `text`.
    ::testing::AssertionResult StatusIs(const std::string& text) {
        std::string now;
        if (e2e::WaitUntil([&] { return (now = StatusOf(v.window)) == text; })) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the status field reads \"" << now << "\", not \"" << text << "\"";
    }
    // Page `page` of `f` is the picture of the main window: status, size in
    // the title, and every pixel as ImageMagick decodes it.
    void ExpectPageShown(const PagedFile& f, int page) {
        SCOPED_TRACE("page " + std::to_string(page + 1));
        EXPECT_TRUE(StatusIs("Page " + std::to_string(page + 1) + "/3"));
        const std::string size = "(" + std::to_string(f.width[page]) + "x" + std::to_string(f.height[page]) + "x";
        EXPECT_NE(e2e::Title(v.window).find(size), std::string::npos) << e2e::Title(v.window);
        EXPECT_TRUE(ShowsPicture(v.window, Reference(f, page), 0, PictureTop(v.window)));
    }
};

TEST_F(Pages, EveryCommandShowsItsPageInTheWindowAndInFullScreen) {
    for (const PagedFile& f : kPagedFiles) {
        SCOPED_TRACE(f.name);
        const fs::path dir = Workplace("walk", {f.name});
        WriteIni("");
        ASSERT_TRUE(e2e::Start(Exe(), (dir / f.name).string(), dir.string(), v));
        ASSERT_TRUE(e2e::WaitForTitle(v, f.name));
        ASSERT_TRUE(e2e::Sync(v));
        ExpectPageShown(f, 0);
        ASSERT_NO_FATAL_FAILURE(Command(kNextPage));
        ExpectPageShown(f, 1);
        ASSERT_NO_FATAL_FAILURE(Command(kNextPage));
        ExpectPageShown(f, 2);
        ASSERT_NO_FATAL_FAILURE(Command(kNextPage));  // past the last page: it stays
        ExpectPageShown(f, 2);
        ASSERT_NO_FATAL_FAILURE(Command(kPrevPage));
        ExpectPageShown(f, 1);
        ASSERT_NO_FATAL_FAILURE(Command(kFirstPage));
        ExpectPageShown(f, 0);
        ASSERT_NO_FATAL_FAILURE(Command(kPrevPage));  // before the first page: it stays
        ExpectPageShown(f, 0);
        ASSERT_NO_FATAL_FAILURE(Command(kLastPage));
        ExpectPageShown(f, 2);

        // Full screen: the pages are shown there, centred (pictures smaller
        // than the screen keep their size), and the window has the last one
        // afterwards.
        ASSERT_NO_FATAL_FAILURE(Command(kFullScreen));
        HWND full = FullScreenWindowOf(v);
        ASSERT_NE(full, nullptr) << "no full-screen window";
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        for (int page : {0, 1}) {
            ASSERT_NO_FATAL_FAILURE(Command(page == 0 ? kFirstPage : kNextPage));
            SCOPED_TRACE("full screen, page " + std::to_string(page + 1));
            EXPECT_TRUE(ShowsPicture(full, Reference(f, page), (sw - f.width[page]) / 2,
                                     (sh - f.height[page]) / 2));
            EXPECT_TRUE(StatusIs("Page " + std::to_string(page + 1) + "/3"));
        }
        PostMessageA(full, WM_KEYDOWN, VK_ESCAPE, 0);
        ASSERT_TRUE(e2e::WaitGone(full, e2e::kStepMs)) << "full screen stays";
        ASSERT_TRUE(e2e::Sync(v));
        ExpectPageShown(f, 1);

        e2e::SendCommand(v, 40012);  // Exit
        ASSERT_TRUE(e2e::WaitForExit(v, e2e::kStepMs));
        e2e::Stop(v);
    }
}

TEST_F(Pages, ExtractAllPagesWritesEveryPageIntoTheChosenDirectory) {
    for (const PagedFile& f : kPagedFiles) {
        SCOPED_TRACE(f.name);
        const fs::path dir = Workplace("extract", {f.name});
        const fs::path out = dir / "out";
        fs::create_directories(out);  // the chooser opens in it
        WriteIni("[Temp]\nPath=" + out.string() + "\n");
        ASSERT_TRUE(e2e::Start(Exe(), (dir / f.name).string(), dir.string(), v));
        ASSERT_TRUE(e2e::WaitForTitle(v, f.name));
        ASSERT_NO_FATAL_FAILURE(Command(kNextPage));
        e2e::SendCommand(v, kExtractPages);
        HWND chooser = e2e::FindDialog(v, "Select a directory ...", e2e::kStepMs);
        ASSERT_NE(chooser, nullptr) << "no directory chooser";
        ASSERT_TRUE(e2e::Sync(v));
        PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(chooser, IDOK)));
        ASSERT_TRUE(e2e::WaitGone(chooser, e2e::kStepMs)) << "the directory chooser stays";
        ASSERT_TRUE(e2e::Sync(v));  // the pages are written within the command
        const std::string base = fs::path(f.name).stem().string();
        for (int p = 0; p < 3; ++p) {
            char name[80];
            std::snprintf(name, sizeof name, "%s_lumagrove_extract_%03d.bmp", base.c_str(), p);
            SCOPED_TRACE(name);
            ASSERT_TRUE(e2e::WaitForFile((out / name).string())) << "not written";
            EXPECT_TRUE(SamePicture(DecodeBmpFile((out / name).string()), Reference(f, p)));
        }
        size_t files = 0;
        for (const auto& e : fs::directory_iterator(out)) files += e.is_regular_file() ? 1 : 0;
        EXPECT_EQ(files, 3u) << "only the pages are written";
        ExpectPageShown(f, 2);  // the last page stays shown
        EXPECT_EQ(lg::ini::ReadString(IniPath(), "Temp", "Path", ""), out.string());
        e2e::Stop(v);
    }
}

// A DCX cut short before its last page, whose table still points there:
// the pages before it come, and the last one says it cannot be read while
// the page shown stays.
TEST_F(Pages, AnUnreadablePageSaysSoAndKeepsThePageShown) {
    const fs::path dir = Workplace("broken", {"paged.dcx"});
    std::vector<char> bytes;
    {
        std::ifstream in(dir / "paged.dcx", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(bytes.size(), 4100u);
    uint32_t last = 0;  // table entry 2: where the last page starts
    for (int i = 0; i < 4; ++i) last |= uint32_t(uint8_t(bytes[12 + i])) << (8 * i);
    ASSERT_GT(last, 4100u);
    ASSERT_LT(last, bytes.size());
    bytes.resize(last);
    std::ofstream(dir / "broken.dcx", std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    WriteIni("");
    ASSERT_TRUE(e2e::Start(Exe(), (dir / "broken.dcx").string(), dir.string(), v));
    ASSERT_TRUE(e2e::WaitForTitle(v, "broken.dcx"));
    const PagedFile& f = kPagedFiles[1];
    ExpectPageShown(f, 0);
    ASSERT_NO_FATAL_FAILURE(Command(kNextPage));
    ExpectPageShown(f, 1);
    e2e::SendCommand(v, kNextPage);
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no message box";
    const std::string text = e2e::MessageBoxText(box);
    EXPECT_EQ(text.rfind("broken.dcx : DCX Decode error !", 0), 0u) << text;
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(e2e::Sync(v));
    ExpectPageShown(f, 1);
    ASSERT_NO_FATAL_FAILURE(Command(kFirstPage));
    ExpectPageShown(f, 0);
}

}  // namespace
