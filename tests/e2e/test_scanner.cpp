// End-to-end: Acquire through Wine's TWAIN source manager (TWAIN_32.DLL) and
// the test source built beside this program (twain_source.cpp), which hands
// over a BMP file ImageMagick made. Wine's manager loads its sources from
// C:\windows\twain_64\sane.ds (twain_32 for 32-bit programs); Wine as Debian
// ships it has only a placeholder there, no SANE source, so the test puts the
// test source in its place while it runs and puts the placeholder back after.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"
#include "shown.h"

namespace fs = std::filesystem;

namespace {

class Scanner : public ViewerTest {
protected:
    void TearDown() override {
        ViewerTest::TearDown();
        if (!placed.empty()) {
            fs::remove(placed);
            if (fs::exists(saved)) fs::rename(saved, placed);
        }
    }
    // The test source in the manager's place, the viewer started on
    // palette8.bmp, the source set to deliver gradient24.bmp the way `mode` says.
    void StartWithSource(const std::string& test, const std::string& mode) {
        dir = fs::temp_directory_path() / ("lumagrove_scan_" + test);
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_FALSE(Env("LUMAGROVE_TWAIN_SOURCE").empty()) << "LUMAGROVE_TWAIN_SOURCE not set";
        const fs::path sources = fs::path(e2e::WindowsDirectory()) / (sizeof(void*) == 8 ? "twain_64" : "twain_32");
        fs::create_directories(sources);
        placed = sources / "sane.ds";
        saved = dir / "sane.ds.placeholder";
        if (fs::exists(placed)) fs::rename(placed, saved);
        fs::copy_file(WinPath(Env("LUMAGROVE_TWAIN_SOURCE")), placed);
        fs::copy_file(DataDir() + "\\palette8.bmp", dir / "palette8.bmp");
        log = dir / "source.log";
        SetEnvironmentVariableA("LUMAGROVE_SCAN_BMP", (DataDir() + "\\gradient24.bmp").c_str());
        SetEnvironmentVariableA("LUMAGROVE_SCAN_LOG", log.string().c_str());
        SetEnvironmentVariableA("LUMAGROVE_SCAN_MODE", mode.c_str());
        // The source is our own DLL, whatever Wine builds in under that name.
        const std::string overrides = Env("WINEDLLOVERRIDES");
        SetEnvironmentVariableA("WINEDLLOVERRIDES", (overrides.empty() ? "" : overrides + ";").append("sane.ds=n").c_str());
        WriteIni("");
        const bool started = e2e::Start(Exe(), (dir / "palette8.bmp").string(), dir.string(), v);
        SetEnvironmentVariableA("WINEDLLOVERRIDES", overrides.empty() ? nullptr : overrides.c_str());
        ASSERT_TRUE(started);
        ASSERT_TRUE(e2e::WaitForTitle(v, "palette8.bmp"));
        title = e2e::Title(v.window);
    }
    std::string Log() {
        std::ifstream f(log);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    // A failed acquisition says so and keeps the picture; the source was
    // disabled and closed.
    void ExpectFailureKeepsThePicture(const std::string& sourceLog) {
        e2e::SendCommand(v, 40107);
        HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
        ASSERT_NE(box, nullptr) << "no message box";
        const std::string text = e2e::MessageBoxText(box);
        EXPECT_EQ(text.rfind("The scanner delivered no picture.", 0), 0u) << text;
        ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::Title(v.window), title);
        EXPECT_EQ(Log(), sourceLog);
    }
    fs::path dir, log, placed, saved;
    std::string title;
};

TEST_F(Scanner, AcquireShowsThePictureTheSourceDelivers) {
    ASSERT_NO_FATAL_FAILURE(StartWithSource("ok", ""));
    ASSERT_NO_FATAL_FAILURE(Command(40107));
    ASSERT_TRUE(e2e::WaitForTitle(v, "<ScanImage>")) << e2e::Title(v.window);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - <ScanImage> (64x48x24BPP)");
    EXPECT_TRUE(ShowsPicture(v.window, ReadRgb(DataDir() + "\\gradient24.rgb", 64, 48), 0, PictureTop(v.window)));
    // Opened, enabled, one native transfer, and everything closed again.
    EXPECT_EQ(Log(), "open\nenable\ntransfer\nend transfer\ndisable\nclose\n");

    e2e::SendCommand(v, 40145);  // Save proposes the scan's name
    HWND save = e2e::FindDialog(v, "Save ...", e2e::kStepMs);
    ASSERT_NE(save, nullptr) << "no Save dialog";
    // The file name field: the combo box (cmb13) of the explorer dialog, or edt1.
    std::string name;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        name = e2e::ControlText(save, 1148) + e2e::ControlText(save, 1152);
        return name == "ScanImage";
    })) << name;
    e2e::Click(save, IDCANCEL);
    EXPECT_TRUE(e2e::WaitGone(save));
}

TEST_F(Scanner, ARefusedTransferSaysSoAndKeepsThePicture) {
    ASSERT_NO_FATAL_FAILURE(StartWithSource("refused", "fail"));
    ExpectFailureKeepsThePicture("open\nenable\ntransfer refused\nend transfer\ndisable\nclose\n");
}

TEST_F(Scanner, APictureBeyondTheBufferLimitsSaysSoAndKeepsThePicture) {
    ASSERT_NO_FATAL_FAILURE(StartWithSource("huge", "huge"));
    ExpectFailureKeepsThePicture("open\nenable\ntransfer\nend transfer\ndisable\nclose\n");
}

}  // namespace
