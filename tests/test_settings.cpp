#include "support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <set>

#include "platform/platform.h"
#include "settings/ini.h"
#include "settings/saved_options.h"
#include "settings/settings.h"

using namespace lgtest;
namespace ini = lg::ini;

namespace {

const char kSample[] =
    "; settings\n"
    "[Viewing]\n"
    "ZoomFactor = 25\n"
    "; keep me\n"
    "ViewAll=1\n"
    "Empty=\n"
    "\n"
    "[JPEG]\n"
    "Save Quality=70\n";

std::string Get(const std::string& text, const std::string& section, const std::string& key) {
    std::string v = "<missing>";
    return ini::Lookup(text, section, key, &v) ? v : "<missing>";
}

// Every test of the program runs with its settings file in a scratch
// directory, whatever the test itself does.
class ScratchSettingsForTheRun : public ::testing::Environment {
public:
    void SetUp() override { scratch_ = std::make_unique<ScratchSettings>(); }
    void TearDown() override { scratch_.reset(); }

private:
    std::unique_ptr<ScratchSettings> scratch_;
};

::testing::Environment* const kScratchRun = ::testing::AddGlobalTestEnvironment(new ScratchSettingsForTheRun);

#ifdef _WIN32
std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
#endif

}  // namespace

TEST(IniLookup, SectionsAndKeysIgnoreCase) {
    EXPECT_EQ(Get(kSample, "Viewing", "ZoomFactor"), "25");
    EXPECT_EQ(Get(kSample, "VIEWING", "zoomfactor"), "25");
    EXPECT_EQ(Get(kSample, "jpeg", "SAVE QUALITY"), "70");
    EXPECT_EQ(Get(kSample, "viewing", "viewall"), "1");
}

TEST(IniLookup, MissingAndEmptyAreDifferent) {
    EXPECT_EQ(Get(kSample, "Viewing", "Empty"), "");
    EXPECT_EQ(Get(kSample, "Viewing", "Nothing"), "<missing>");
    EXPECT_EQ(Get(kSample, "JPEG", "ZoomFactor"), "<missing>");  // only in another section
    EXPECT_EQ(Get(kSample, "Others", "ViewAll"), "<missing>");
    EXPECT_EQ(Get(kSample, "Viewing", "; keep me"), "<missing>");
    EXPECT_EQ(Get("", "Viewing", "ZoomFactor"), "<missing>");
    EXPECT_TRUE(ini::Lookup(kSample, "Viewing", "Empty", nullptr));
}

TEST(IniParseInt, LeadingSignAndDigits) {
    const struct {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"42", true, 42}, {" 12abc", true, 12}, {"-7", true, -7}, {"+5", true, 5}, {"0", true, 0},
        {"abc", false, 0}, {"", false, 0},      {" ", false, 0},  {"-", false, 0}, {"x12", false, 0},
    };
    for (const auto& c : cases) {
        int v = -999;
        EXPECT_EQ(ini::ParseInt(c.text, &v), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(v, c.value) << '"' << c.text << '"';
        }
    }
}

TEST(IniUpdate, ReplacesInPlaceKeepingEverythingElse) {
    const std::string out = ini::Update(kSample, "Viewing", "ViewAll", "0");
    EXPECT_EQ(out,
              "; settings\n[Viewing]\nZoomFactor = 25\n; keep me\nViewAll=0\nEmpty=\n\n[JPEG]\n"
              "Save Quality=70\n");
    // Any spelling finds the one key; no second line appears.
    const std::string again = ini::Update(out, "VIEWING", "zoomFACTOR", "30");
    EXPECT_EQ(Get(again, "Viewing", "ZoomFactor"), "30");
    EXPECT_EQ(again.size(), out.size() - std::string("ZoomFactor = 25").size() + std::string("zoomFACTOR=30").size());
}

TEST(IniUpdate, NewKeyGoesToTheEndOfItsSection) {
    EXPECT_EQ(ini::Update(kSample, "viewing", "FitForBigImages", "1"),
              "; settings\n[Viewing]\nZoomFactor = 25\n; keep me\nViewAll=1\nEmpty=\nFitForBigImages=1\n\n"
              "[JPEG]\nSave Quality=70\n");
    EXPECT_EQ(ini::Update(kSample, "JPEG", "Save Grayscale", "0"), std::string(kSample) + "Save Grayscale=0\n");
    EXPECT_EQ(ini::Update("[A]\nx=1", "A", "y", "2"), "[A]\nx=1\ny=2\n");
    EXPECT_EQ(ini::Update("[A]\n[B]\nz=3\n", "A", "y", "2"), "[A]\ny=2\n[B]\nz=3\n");
}

TEST(IniUpdate, NewSectionGoesToTheEnd) {
    EXPECT_EQ(ini::Update(kSample, "Others", "UseUndo", "1"), std::string(kSample) + "[Others]\nUseUndo=1\n");
    EXPECT_EQ(ini::Update("", "Others", "UseUndo", "1"), "[Others]\nUseUndo=1\n");
    EXPECT_EQ(ini::Update("[A]\nx=1", "B", "y", "2"), "[A]\nx=1\n[B]\ny=2\n");
}

TEST(IniUpdate, EmptyValueIsStoredAndFound) {
    const std::string out = ini::Update(kSample, "Viewing", "ZoomFactor", "");
    EXPECT_EQ(Get(out, "Viewing", "ZoomFactor"), "");
}

TEST(IniFile, WriteThenReadBack) {
    TempDir dir;
    const std::string file = dir.file("test.ini");
    EXPECT_EQ(ini::ReadString(file, "A", "k", "def"), "def");  // no file yet
    EXPECT_EQ(ini::ReadInt(file, "A", "k", 17), 17);

    ASSERT_TRUE(ini::WriteString(file, "Viewing", "ZoomFactor", "25"));
    ASSERT_TRUE(ini::WriteString(file, "JPEG", "Save Quality", " 12abc"));
    ASSERT_TRUE(ini::WriteString(file, "JPEG", "Name", "abc"));
    ASSERT_TRUE(ini::WriteString(file, "JPEG", "Blank", ""));
    ASSERT_TRUE(ini::WriteString(file, "viewing", "zoomfactor", "40"));

    EXPECT_EQ(ini::ReadInt(file, "Viewing", "ZoomFactor", 0), 40);
    EXPECT_EQ(ini::ReadInt(file, "jpeg", "save quality", 0), 12);
    EXPECT_EQ(ini::ReadInt(file, "JPEG", "Name", 5), 5);
    EXPECT_EQ(ini::ReadInt(file, "JPEG", "Blank", 6), 6);
    EXPECT_EQ(ini::ReadInt(file, "JPEG", "Missing", 7), 7);
    EXPECT_EQ(ini::ReadString(file, "JPEG", "Blank", "def"), "");
    EXPECT_EQ(ini::ReadString(file, "JPEG", "Name", "def"), "abc");
    EXPECT_EQ(ini::ReadString(file, "Nowhere", "Name", "def"), "def");

    std::string text;
    ASSERT_TRUE(lg::ReadWholeFile(file, text));
    EXPECT_EQ(text, "[Viewing]\nzoomfactor=40\n[JPEG]\nSave Quality= 12abc\nName=abc\nBlank=\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.ini"});  // no temporary left beside it
}

TEST(IniFile, AFileThatCannotBeReadWholeIsNotReplaced) {
    TempDir dir;
    const std::string file = dir.file("big.ini");
    { std::ofstream(file, std::ios::binary) << "[A]\nk=1\n"; }
    fs::resize_file(file, lg::kMaxWholeFileBytes + 1);  // a sparse tail: too big to read whole
    EXPECT_FALSE(ini::WriteString(file, "A", "k", "2"));
    EXPECT_EQ(fs::file_size(file), lg::kMaxWholeFileBytes + 1);
    EXPECT_EQ(ini::ReadString(file, "A", "k", "def"), "def");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.ini"});
}

TEST(IniFile, WriteIntoMissingDirectoryFails) {
    TempDir dir;
    EXPECT_FALSE(ini::WriteString(dir.file("none") + "/x.ini", "A", "k", "v"));
    EXPECT_TRUE(dir.entries().empty());
}

// The table of keys, with the settings directory moved to a scratch place;
// both builds must follow the redirect.
class SettingsTable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(lg::platform::SettingsDirectory(), home_); }

    ScratchSettings scratch_;
    const std::string home_ = scratch_.home();
};

TEST(SettingsPlace, WithoutTheRedirectTheSystemsOwnPlace) {
    ScratchSettings restoreAfter;
    SetEnv("LUMAGROVE_HOME", "");
#ifdef _WIN32
    // The Windows directory, as Windows and Wine publish it to every process.
    const char* windir = std::getenv("windir");
    ASSERT_NE(windir, nullptr);
    EXPECT_EQ(Lower(lg::platform::SettingsDirectory()), Lower(windir));
    EXPECT_EQ(Lower(lg::SettingsFilePath()), Lower(std::string(windir) + "\\LUMAGR32.INI"));
#else
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdgBefore = xdg ? xdg : "";
    SetEnv("XDG_CONFIG_HOME", "/nowhere/conf");
    EXPECT_EQ(lg::platform::SettingsDirectory(), "/nowhere/conf/lumagrove");
    EXPECT_EQ(lg::SettingsFilePath(), "/nowhere/conf/lumagrove/LUMAGR32.INI");
    SetEnv("XDG_CONFIG_HOME", xdgBefore);
#endif
}

TEST_F(SettingsTable, DefaultsWithoutAFile) {
    EXPECT_EQ(lg::ReadSetting(lg::Setting::ZoomFactor), 10);
    EXPECT_EQ(lg::ReadSetting(lg::Setting::JpegSaveQuality), 80);
    EXPECT_EQ(lg::ReadSetting(lg::Setting::CaptureAutoTimer), 600);
    EXPECT_EQ(lg::ReadSetting(lg::Setting::ZoomFactor, 33), 33);
    EXPECT_EQ(lg::ReadSettingText(lg::Setting::CopyDir1), "C:\\TEMP");
    EXPECT_EQ(lg::ReadSettingText(lg::Setting::OpenDir), "");
    EXPECT_EQ(lg::ReadSettingText(lg::Setting::OpenDir, "x"), "x");
    for (int i = 0; i < int(lg::Setting::Count); ++i) {
        const lg::SettingInfo& info = lg::InfoOf(lg::Setting(i));
        EXPECT_EQ(lg::ReadSettingText(lg::Setting(i)), info.def) << info.key;
    }
}

TEST(SettingsKeys, EveryKeyIsNamedOnce) {
    std::set<std::string> seen;
    for (int i = 0; i < int(lg::Setting::Count); ++i) {
        const lg::SettingInfo& info = lg::InfoOf(lg::Setting(i));
        ASSERT_NE(std::string(info.section), "");
        ASSERT_NE(std::string(info.key), "");
        std::string id = std::string(info.section) + "/" + info.key;
        for (char& c : id) c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(id).second) << "twice: " << id;
    }
}

TEST_F(SettingsTable, WrittenValuesReadBack) {
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::ZoomFactor, 25));  // creates the directory too
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::JpegSaveQuality, 55));
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::OpenDir, "C:\\PICS\\NEW"));
    EXPECT_EQ(lg::ReadSetting(lg::Setting::ZoomFactor), 25);
    EXPECT_EQ(lg::ReadSetting(lg::Setting::JpegSaveQuality), 55);
    EXPECT_EQ(lg::ReadSettingText(lg::Setting::OpenDir), "C:\\PICS\\NEW");
    EXPECT_EQ(lg::ReadSetting(lg::Setting::ViewAll), 1);  // untouched keys keep their defaults

    EXPECT_EQ(lg::SettingsFilePath(), lg::platform::JoinPath(home_, "LUMAGR32.INI"));
    std::string text;
    ASSERT_TRUE(lg::ReadWholeFile(lg::SettingsFilePath(), text));
    EXPECT_EQ(Get(text, "Viewing", "ZoomFactor"), "25");
    EXPECT_EQ(Get(text, "JPEG", "Save Quality"), "55");
    EXPECT_NE(text.find("Save Quality=55"), std::string::npos);
    EXPECT_EQ(Get(text, "Copy-Move", "OpenDir"), "C:\\PICS\\NEW");

    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(home_)) files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"LUMAGR32.INI"});
}

// What the quiet loader and the save dispatcher get from the settings file.
TEST_F(SettingsTable, SavedOptionsComeFromTheirKeys) {
    lg::ConvertOptions d = lg::SavedConvertOptions();
    EXPECT_EQ(d.save.jpegQuality, 80);
    EXPECT_EQ(d.read.pcdSize, 2);
    EXPECT_EQ(d.save.gifTransparent, -1);
    const struct { lg::Setting key; int value; } writes[] = {
        {lg::Setting::JpegSaveQuality, 35}, {lg::Setting::JpegSaveGrayscale, 1}, {lg::Setting::JpegSaveProgressive, 1},
        {lg::Setting::GifSaveInterlaced, 1}, {lg::Setting::GifTransparency, 200}, {lg::Setting::TiffSaveCompression, 6},
        {lg::Setting::JpegLoadGrayscale, 1}, {lg::Setting::PhotoCdLoadingSize, 0}};
    for (const auto& w : writes) ASSERT_TRUE(lg::WriteSetting(w.key, w.value));
    lg::ConvertOptions o = lg::SavedConvertOptions(true);
    EXPECT_EQ(o.save.jpegQuality, 35);
    EXPECT_TRUE(o.save.jpegGrayscale && o.save.jpegProgressive && o.save.gifInterlaced && o.save.paletteDisplay);
    EXPECT_EQ(o.save.gifTransparent, -1) << "a transparency index counts only with SaveTransparent";
    EXPECT_EQ(o.save.tiffCompression, 6);
    EXPECT_TRUE(o.read.grayscale);
    EXPECT_EQ(o.read.pcdSize, 0);
    ASSERT_TRUE(lg::WriteSetting(lg::Setting::GifSaveTransparent, 1));
    EXPECT_EQ(lg::SavedSaveOptions().gifTransparent, 200);
}
