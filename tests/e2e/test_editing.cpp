// End-to-end: editing and saving from the window. Every image command runs
// in the real viewer and is saved; the saved file must hold what the same
// operation gives when called directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "dialog_driver.h"
#include "driver.h"

#include "core/convert.h"
#include "formats/bmp.h"
#include "ops/color_adjust.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "ops/resize.h"
#include "settings/ini.h"

namespace {

std::string FromEnv(const char* name) {
    const char* v = std::getenv(name);
    std::string p = v ? v : "";
    if (!p.empty() && p[0] == '/') p = "Z:" + p;  // Unix paths reach Wine through drive Z:
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

std::string Settings() { return e2e::WindowsDirectory() + "\\LUMAGR32.INI"; }

// A fresh directory with a copy of one of the test pictures.
std::string Workplace(const std::string& test, const std::string& picture, const std::string& as) {
    std::string dir = FromEnv("LUMAGROVE_E2E_DATA") + "\\edit-" + test;
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA((FromEnv("LUMAGROVE_E2E_DATA") + "\\" + picture).c_str(), (dir + "\\" + as).c_str(), FALSE);
    return dir;
}

lg::Image Load(const std::string& path) {
    lg::Status st;
    return lg::ReadBmp(path, st);
}

// Same size, depth, pixels and colours.
::testing::AssertionResult SamePicture(const lg::Image& got, const lg::Image& want) {
    if (!got || !want) return ::testing::AssertionFailure() << "missing picture";
    if (got.width() != want.width() || got.height() != want.height() || got.bitCount() != want.bitCount())
        return ::testing::AssertionFailure() << got.width() << "x" << got.height() << "x" << got.bitCount()
                                             << " instead of " << want.width() << "x" << want.height() << "x"
                                             << want.bitCount();
    const size_t bytes = lg::PixelRowBytes(want.width(), want.bitCount());
    for (int y = 0; y < want.height(); ++y)
        if (memcmp(got.row(y), want.row(y), bytes) != 0) return ::testing::AssertionFailure() << "row " << y;
    if (want.bitCount() <= 8)
        for (int i = 0; i < (1 << want.bitCount()); ++i)
            if (memcmp(got.palette() + 4 * i, want.palette() + 4 * i, 3) != 0)
                return ::testing::AssertionFailure() << "colour " << i;
    return ::testing::AssertionSuccess();
}

class Editing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FromEnv("LUMAGROVE_EXE").empty());
        DeleteFileA(Settings().c_str());
    }
    void TearDown() override { e2e::Stop(v); }

    void Open(const std::string& ini, const std::string& test, const std::string& picture = "gradient24.bmp") {
        std::ofstream(Settings(), std::ios::binary) << ini;
        dir = Workplace(test, picture, "pic.bmp");
        file = dir + "\\pic.bmp";
        ASSERT_TRUE(e2e::Start(FromEnv("LUMAGROVE_EXE"), file, dir, v));
        e2e::Settle(v, 300);
    }
    // Answers the dialog with this caption by `answer`, then waits for it to go.
    void Answer(const std::string& caption, const std::function<void(HWND)>& answer) {
        HWND d = e2e::FindDialog(v, caption, 10000);
        ASSERT_NE(d, nullptr) << caption;
        answer(d);
        EXPECT_TRUE(e2e::WaitGone(d)) << caption;
        e2e::Settle(v);
    }
    void Save() {
        e2e::SendCommand(v, 40145);
        Answer("Save ...", [](HWND d) { e2e::Click(d, IDOK); });
    }
    std::string Message() {
        HWND box = e2e::FindMessageBox(v, 10000);
        if (!box) return "(none)";
        std::string text = e2e::MessageBoxText(box);
        e2e::AnswerMessageBox(box, IDOK);
        return text;
    }

    e2e::Viewer v;
    std::string dir, file;
};

void Ok(HWND d) { e2e::Click(d, IDOK); }

// The control's text once the dialog has worked through what was sent to it.
std::string TextWhenSettled(HWND d, int id, const std::string& expected) {
    std::string text;
    for (int i = 0; i < 100 && (text = e2e::ControlText(d, id)) != expected; ++i) Sleep(50);
    return text;
}

lg::Image Effect(const lg::Image& src, int code, int p1 = -1) {
    lg::Image img = src.Duplicate();
    lg::EffectArgs a = lg::EffectArguments(code, lg::EffectSettings());
    if (p1 >= 0) a.p1 = p1;
    lg::ApplyEffectToPicture(img, code, lg::WholePicture(img), a.p1, a.p2);
    return img;
}

lg::Image InPlace(const lg::Image& src, const std::function<bool(lg::Image&)>& op) {
    lg::Image img = src.Duplicate();
    op(img);
    return img;
}

struct Step {
    const char* name;
    int command;
    const char* dialog;                          // null: none
    std::function<void(HWND)> answer;
    std::function<lg::Image(const lg::Image&)> expect;
};

// One picture through every command of the Image menu, each result saved
// and compared with the operation itself applied to the previous result.
TEST_F(Editing, EveryImageCommandThenSaveGivesTheOperationsResult) {
    Open("[Others]\nAskOverwriteSave=0\n", "chain");
    const Step steps[] = {
        {"negative", 40068, nullptr, nullptr, [](const lg::Image& i) { return InPlace(i, lg::Negative); }},
        {"swap RBG", 40085, nullptr, nullptr,
         [](const lg::Image& i) { return InPlace(i, [](lg::Image& m) { return lg::SwapChannels(m, lg::ChannelSwap::RgbToRbg); }); }},
        {"swap BGR", 40086, nullptr, nullptr,
         [](const lg::Image& i) { return InPlace(i, [](lg::Image& m) { return lg::SwapChannels(m, lg::ChannelSwap::RgbToBgr); }); }},
        {"swap BRG", 40087, nullptr, nullptr,
         [](const lg::Image& i) { return InPlace(i, [](lg::Image& m) { return lg::SwapChannels(m, lg::ChannelSwap::RgbToBrg); }); }},
        {"swap GRB", 40088, nullptr, nullptr,
         [](const lg::Image& i) { return InPlace(i, [](lg::Image& m) { return lg::SwapChannels(m, lg::ChannelSwap::RgbToGrb); }); }},
        {"swap GBR", 40089, nullptr, nullptr,
         [](const lg::Image& i) { return InPlace(i, [](lg::Image& m) { return lg::SwapChannels(m, lg::ChannelSwap::RgbToGbr); }); }},
        {"vertical flip", 40043, nullptr, nullptr, [](const lg::Image& i) { return InPlace(i, lg::FlipVertical); }},
        {"horizontal flip", 40044, nullptr, nullptr, [](const lg::Image& i) { return InPlace(i, lg::FlipHorizontal); }},
        {"rotate left", 40041, nullptr, nullptr, [](const lg::Image& i) { return lg::RotateLeft(i); }},
        {"rotate right", 40042, nullptr, nullptr, [](const lg::Image& i) { return lg::RotateRight(i); }},
        {"sharpen", 40149, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectSharpen); }},
        {"blur", 40150, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectBlur); }},
        {"oil paint", 40152, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectOilPaint); }},
        {"median", 40154, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectMedian); }},
        {"pixelize", 40156, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectPixelize); }},
        {"fine rotation", 40159, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectFineRotate); }},
        {"edges", 40153, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectEdges); }},
        {"brightness", 40069, "Brightness",
         [](HWND d) {  // two page steps and one line step back: 9
             e2e::ScrollControl(d, 1093, SB_PAGERIGHT);
             e2e::ScrollControl(d, 1093, SB_PAGERIGHT);
             e2e::ScrollControl(d, 1093, SB_LINELEFT);
             EXPECT_EQ(TextWhenSettled(d, 1094, "9"), "9");
             Ok(d);
         },
         [](const lg::Image& i) { return lg::Brighten(i, 9); }},
        {"contrast", 40090, "Contrast",
         [](HWND d) {
             e2e::ScrollControl(d, 1095, SB_THUMBPOSITION, 20);
             EXPECT_EQ(TextWhenSettled(d, 1096, "20"), "20");
             Ok(d);
         },
         [](const lg::Image& i) { return lg::Contrast(i, 20); }},
        {"gamma", 40091, "Gamma Correction",
         [](HWND d) {
             e2e::ScrollControl(d, 1173, SB_THUMBPOSITION, 150);
             EXPECT_EQ(TextWhenSettled(d, 1172, "1.50"), "1.50");
             Ok(d);
         },
         [](const lg::Image& i) { return lg::GammaCorrect(i, 1.5); }},
        {"emboss", 40151, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectEmboss); }},
        {"resize", 40050, "Resize image",
         [](HWND d) {
             if (e2e::IsChecked(d, 1168)) e2e::Click(d, 1168);
             e2e::SetControlText(d, 1050, "50");
             e2e::SetControlText(d, 1052, "30");
             Ok(d);
         },
         [](const lg::Image& i) { return lg::ResizeImage(i, 50, 30); }},
        {"resample", 40097, "Resample image (Smooth)",
         [](HWND d) {
             e2e::Click(d, 1262);
             e2e::SetControlText(d, 1050, "80");
             e2e::SetControlText(d, 1052, "60");
             Ok(d);
         },
         [](const lg::Image& i) { return lg::ResamplePicture(i, 80, 60, lg::kFilterTriangle, false); }},
        {"decrease depth", 40096, "Decrease color depth",
         [](HWND d) {
             e2e::Click(d, 1179);
             Ok(d);
         },
         [](const lg::Image& i) { return lg::Quantize(i, 16); }},
        {"greyscale", 40067, nullptr, nullptr, [](const lg::Image& i) { return InPlace(i, lg::ToGreyscale); }},
        {"palette editor closed", 40075, "Palette entries", [](HWND d) { e2e::Click(d, IDCANCEL); },
         [](const lg::Image& i) { return i.Duplicate(); }},
        {"8 bits", 40094, nullptr, nullptr, [](const lg::Image& i) { return lg::Expand4To8(i); }},
        {"setup", 40160, "Set Parameters:",
         [](HWND d) {
             e2e::SetControlText(d, 1271, "4");  // even: stored as 5
             Ok(d);
         },
         [](const lg::Image& i) { return i.Duplicate(); }},
        {"blur 5 on 8 bits", 40150, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectBlur, 5); }},
    };
    lg::Image want = Load(file);
    ASSERT_TRUE(want);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        e2e::SendCommand(v, s.command);
        if (s.dialog) Answer(s.dialog, s.answer);
        else e2e::Settle(v);
        want = s.expect(want);
        ASSERT_TRUE(want);
        Save();
        EXPECT_TRUE(SamePicture(Load(file), want));
    }
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "ResampleFilter", 0), 2);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Effects", "Blur", 0), 5);
}

// Explosion exchanges pixels at random: the same pixels, somewhere else.
TEST_F(Editing, ExplosionKeepsEveryPixel) {
    Open("[Others]\nAskOverwriteSave=0\n", "explode");
    lg::Image before = Load(file);
    e2e::SendCommand(v, 40155);
    e2e::Settle(v);
    Save();
    lg::Image after = Load(file);
    ASSERT_TRUE(after);
    auto pixels = [](const lg::Image& img) {
        std::vector<uint32_t> p;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const uint8_t* q = img.row(y) + 3 * x;
                p.push_back(q[0] | q[1] << 8 | q[2] << 16);
            }
        std::sort(p.begin(), p.end());
        return p;
    };
    EXPECT_FALSE(SamePicture(after, before));
    EXPECT_EQ(pixels(after), pixels(before));
}

TEST_F(Editing, UndoRestoresTheOriginalAndRotationWaitsForZoom100) {
    Open("[Others]\nAskOverwriteSave=0\nUseUndo=1\n", "undo");
    lg::Image original = Load(file);
    e2e::SendCommand(v, 40068);
    e2e::Settle(v);
    e2e::SendCommand(v, 40120);
    e2e::Settle(v);
    Save();
    EXPECT_TRUE(SamePicture(Load(file), original));

    e2e::SendCommand(v, 40047);  // zoom in
    e2e::Settle(v);
    e2e::SendCommand(v, 40041);
    EXPECT_EQ(Message(), "Not available if ZOOM active !");
    e2e::SendCommand(v, 40048);
    e2e::Settle(v);
    e2e::SendCommand(v, 40041);
    e2e::Settle(v);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - pic.bmp (48x64x24BPP)");
}

TEST_F(Editing, BrightnessPreviewsLiveAndCancelRestores) {
    Open("", "brightness");
    lg::Image original = Load(file);
    lg::Image bright = lg::Brighten(original, 100);
    HWND bar = FindWindowExA(v.window, nullptr, "ToolbarWindow32", nullptr);
    RECT r = {};
    if (bar && IsWindowVisible(bar)) GetWindowRect(bar, &r);
    const int top = r.bottom - r.top;
    auto shown = [&](int x, int y) {
        e2e::Capture cap;
        EXPECT_TRUE(e2e::CaptureClient(v.window, cap));
        const uint8_t* c = cap.at(x, y + top);
        return std::vector<int>{c[0], c[1], c[2]};
    };
    auto pixel = [](const lg::Image& img, int x, int y) {
        const uint8_t* p = img.topRow(y) + 3 * x;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    e2e::SendCommand(v, 40069);
    HWND d = e2e::FindDialog(v, "Brightness", 10000);
    ASSERT_NE(d, nullptr);
    e2e::ScrollControl(d, 1093, SB_THUMBPOSITION, 100);
    Sleep(500);
    EXPECT_EQ(shown(5, 5), pixel(bright, 5, 5));
    EXPECT_EQ(shown(40, 30), pixel(bright, 40, 30));
    e2e::Click(d, IDCANCEL);
    EXPECT_TRUE(e2e::WaitGone(d));
    e2e::Settle(v, 300);
    EXPECT_EQ(shown(5, 5), pixel(original, 5, 5));
    EXPECT_EQ(shown(40, 30), pixel(original, 40, 30));
}

TEST_F(Editing, ReplacingAskedAndNoSavesNothing) {
    Open("[Others]\nAskOverwriteSave=1\n", "overwrite");
    lg::Image original = Load(file);
    e2e::SendCommand(v, 40068);
    e2e::Settle(v);
    e2e::SendCommand(v, 40145);
    Answer("Save ...", Ok);
    HWND box = e2e::FindMessageBox(v, 10000);
    ASSERT_NE(box, nullptr);
    std::string q = e2e::MessageBoxText(box);
    EXPECT_EQ(q.rfind("Replace file: ", 0), 0u) << q;
    EXPECT_NE(q.find("pic.bmp ?"), std::string::npos) << q;
    e2e::AnswerMessageBox(box, IDNO);
    e2e::Settle(v);
    EXPECT_TRUE(SamePicture(Load(file), original));
}

// Save as in every type with its options; check_saved.sh reads the files
// back with ImageMagick.
TEST_F(Editing, SaveAsEveryTypeWithItsOptions) {
    struct Case {
        const char* name;
        int index;
        const char* options;
        bool blackAndWhite;
    };
    const Case cases[] = {
        {"q50", 1, "[JPEG]\nSave Quality=50\n", false},
        {"progressive", 1, "[JPEG]\nSave Progressive=1\n", false},
        {"grey", 1, "[JPEG]\nSave Grayscale=1\n", false},
        {"interlaced", 2, "[MultiGIF]\nSaveInterlaced=1\nSaveTransparent=1\nTransparency=5\n", false},
        {"plain", 2, "", false},
        {"plain", 3, "", false},
        {"plain", 4, "", false},
        {"none", 5, "[TIFF]\nSave Compression=0\n", false},
        {"lzw", 5, "[TIFF]\nSave Compression=1\n", false},
        {"packbits", 5, "[TIFF]\nSave Compression=2\n", false},
        {"jpeg", 5, "[TIFF]\nSave Compression=6\n", false},
        {"fax3", 5, "[TIFF]\nSave Compression=3\n", true},
        {"fax4", 5, "[TIFF]\nSave Compression=4\n", true},
        {"huffman", 5, "[TIFF]\nSave Compression=5\n", true},
        {"plain", 7, "", false},
    };
    std::string out = FromEnv("LUMAGROVE_E2E_DATA") + "\\saveas";
    CreateDirectoryA(out.c_str(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(std::string("[Others]\nAskOverwriteSave=0\nSaveIndex=") + std::to_string(c.index) + "\n" + c.options,
             "saveas");
        if (c.blackAndWhite) {
            e2e::SendCommand(v, 40096);
            Answer("Decrease color depth", [](HWND d) {
                e2e::Click(d, 1180);
                Ok(d);
            });
        }
        e2e::SendCommand(v, 40011);
        std::string target = out + "\\" + c.name;
        Answer("Save Picture As ...", [&](HWND d) {
            e2e::SetControlText(d, 1148, target);
            e2e::SetControlText(d, 1152, target);
            Ok(d);
        });
        EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "SaveIndex", 0), c.index);
        e2e::Stop(v);
    }
    // The wavelet type cannot be written: said so, nothing written.
    Open("[Others]\nSaveIndex=6\n", "saveas");
    e2e::SendCommand(v, 40011);
    Answer("Save Picture As ...", [&](HWND d) {
        e2e::SetControlText(d, 1148, out + "\\wave");
        e2e::SetControlText(d, 1152, out + "\\wave");
        Ok(d);
    });
    EXPECT_NE(Message().find("LWF"), std::string::npos);
    EXPECT_EQ(GetFileAttributesA((out + "\\wave.lwf").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The settings file as "section/key=value" entries.
std::set<std::string> Entries(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::set<std::string> out;
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') section = line.substr(1, line.find(']') - 1);
        else out.insert(section + "/" + line);
    }
    return out;
}

// Entries of `a` that `b` lacks.
std::set<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::set<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

TEST_F(Editing, OptionsSheetWritesExactlyTheChangedKeysAndCancelNone) {
    Open("[Viewing]\nZoomFactor=10\n[Others]\nUseUndo=1\n", "options");
    const std::set<std::string> start = Entries(Settings());  // as the start-up left it
    e2e::SendCommand(v, 40002);
    Answer("Lumagrove Properties", [](HWND sheet) {
        e2e::SetControlText(sheet, 1403, "25");
        e2e::Click(sheet, 1405);  // undo off
        e2e::ShowSheetPage(sheet, 1);
        e2e::Click(sheet, 1413);  // full screen: fit all
        e2e::ShowSheetPage(sheet, 5);
        Ok(sheet);
    });
    const std::set<std::string> changed = Entries(Settings());
    EXPECT_EQ(Minus(changed, start),
              (std::set<std::string>{"Viewing/ZoomFactor=25", "Viewing/ShowFullScreen=2", "Others/UseUndo=0"}));
    EXPECT_EQ(Minus(start, changed), (std::set<std::string>{"Viewing/ZoomFactor=10", "Others/UseUndo=1"}));

    e2e::SendCommand(v, 40002);
    Answer("Lumagrove Properties", [](HWND sheet) {
        e2e::SetControlText(sheet, 1403, "50");
        e2e::ShowSheetPage(sheet, 2);
        e2e::Click(sheet, 1421);
        e2e::Click(sheet, IDCANCEL);
    });
    EXPECT_EQ(Entries(Settings()), changed);
}

// An effect acts on the dragged selection only, which stays for the next
// command; cut puts the selection on the clipboard and blackens it.
TEST_F(Editing, EffectAndCutOnTheSelection) {
    Open("[Others]\nAskOverwriteSave=0\n", "selection");
    lg::Image want = Load(file);
    HWND bar = FindWindowExA(v.window, nullptr, "ToolbarWindow32", nullptr);
    RECT r = {};
    if (bar && IsWindowVisible(bar)) GetWindowRect(bar, &r);
    const int top = r.bottom - r.top;
    PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, top + 5));
    PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(25, top + 20));
    PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(25, top + 20));
    e2e::Settle(v);
    const lg::Rect sel{5, want.height() - 5 - 15, 20, 15};  // rows counted from the bottom
    e2e::SendCommand(v, 40150);
    e2e::Settle(v);
    Save();
    lg::ApplyEffectToPicture(want, lg::kEffectBlur, sel, 3, 0);
    EXPECT_TRUE(SamePicture(Load(file), want));

    e2e::SendCommand(v, 40121);
    e2e::Settle(v);
    Save();
    lg::Image part = lg::CropRect(want, sel);
    lg::FillRect(want, sel, 0);
    EXPECT_TRUE(SamePicture(Load(file), want));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(memcmp(GlobalLock(dib), part.data(), part.size()), 0);
    GlobalUnlock(dib);
    CloseClipboard();
}

TEST_F(Editing, BestFitTogglesFittingAndIsStored) {
    Open("", "bestfit");
    e2e::SendCommand(v, 40037);
    e2e::Settle(v, 500);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "AlwaysFit", 0), 1);
    RECT r = e2e::WindowRect(v.window);
    EXPECT_GT(r.right - r.left, 600) << e2e::Title(v.window);
    EXPECT_NE(e2e::Title(v.window), "Lumagrove - pic.bmp (64x48x24BPP)");
    e2e::SendCommand(v, 40037);
    e2e::Settle(v, 500);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "AlwaysFit", 1), 0);
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - pic.bmp (64x48x24BPP)");
    e2e::Stop(v);

    // /bf stores the choice and fits at once.
    ASSERT_TRUE(e2e::Start(FromEnv("LUMAGROVE_EXE"), file + " /bf", dir, v));
    e2e::Settle(v, 500);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "AlwaysFit", 0), 1);
    EXPECT_GT(e2e::WindowRect(v.window).right - e2e::WindowRect(v.window).left, 600);
}

TEST_F(Editing, OpenDialogLoadsTheChosenFile) {
    Open("", "open");
    CopyFileA((FromEnv("LUMAGROVE_E2E_DATA") + "\\palette8.bmp").c_str(), (dir + "\\other.bmp").c_str(), FALSE);
    e2e::SendCommand(v, 40001);
    Answer("Open", [&](HWND d) {
        EXPECT_TRUE(e2e::IsChecked(d, 1290));  // preview on by default
        e2e::SetControlText(d, 1148, "other.bmp");  // the dialog starts in the picture's folder
        e2e::SetControlText(d, 1152, "other.bmp");
        // Preview off and on again: stored each time, and the named file is shown.
        e2e::Click(d, 1290);
        Sleep(300);
        EXPECT_EQ(lg::ini::ReadInt(Settings(), "Preview", "Active", -1), 0);
        e2e::Click(d, 1290);
        Sleep(800);
        EXPECT_EQ(lg::ini::ReadInt(Settings(), "Preview", "Active", -1), 1);
        // The preview area, cut out of the whole dialog's picture.
        HWND preview = e2e::Control(d, 1291);
        RECT pr = {};
        GetClientRect(preview, &pr);
        MapWindowPoints(preview, d, reinterpret_cast<POINT*>(&pr), 2);
        e2e::Capture all;
        EXPECT_TRUE(e2e::CaptureClient(d, all));
        int coloured = 0;
        for (int y = std::max(0L, pr.top); y < std::min(LONG(all.height), pr.bottom); ++y)
            for (int x = std::max(0L, pr.left); x < std::min(LONG(all.width), pr.right); ++x)
                coloured += all.at(x, y)[0] != 255 || all.at(x, y)[1] != 255 || all.at(x, y)[2] != 255;
        EXPECT_GT(coloured, 40 * 30 / 2);  // the 40 x 30 picture, never enlarged, on white
        Ok(d);
    });
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - other.bmp (40x30x8BPP)");
    // Cancel keeps the picture.
    e2e::SendCommand(v, 40001);
    Answer("Open", [](HWND d) { e2e::Click(d, IDCANCEL); });
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - other.bmp (40x30x8BPP)");
}

TEST_F(Editing, SaveDialogOptionsButtonOpensTheSaveProperties) {
    Open("", "saveoptions");
    e2e::SendCommand(v, 40011);
    HWND save = e2e::FindDialog(v, "Save Picture As ...", 10000);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(e2e::ControlText(save, 1038), "Options");
    e2e::Click(save, 1038);
    Answer("Lumagrove Save Properties", [](HWND sheet) {
        EXPECT_EQ(e2e::ControlText(sheet, 1502), "80");
        e2e::ScrollControl(sheet, 1501, SB_PAGERIGHT);  // 85
        e2e::ScrollControl(sheet, 1501, SB_LINELEFT);   // 84
        EXPECT_EQ(TextWhenSettled(sheet, 1502, "84"), "84");
        e2e::ShowSheetPage(sheet, 2);                   // TIFF: LZW when nothing is stored
        EXPECT_TRUE(e2e::IsChecked(sheet, 1522));
        e2e::Click(sheet, 1523);
        Ok(sheet);
    });
    e2e::Click(save, IDCANCEL);
    EXPECT_TRUE(e2e::WaitGone(save));
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "JPEG", "Save Quality", 0), 84);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "TIFF", "Save Compression", -1), 2);
    EXPECT_EQ(lg::ini::ReadInt(Settings(), "Others", "SaveIndex", -1), -1);  // cancelled: not stored
}

// Acquiring needs the TWAIN source manager and a source; without either the
// user is told which is missing (transfer from a real source is not built).
TEST_F(Editing, AcquireSaysWhatIsMissing) {
    Open("", "scanner");
    e2e::SendCommand(v, 40107);
    std::string text = Message();
    EXPECT_TRUE(text == "No scanner: the TWAIN source manager (TWAIN_32.DLL) is not installed." ||
                text == "No scanner source is available." || text == "This function is not available yet")
        << text;
}

}  // namespace
