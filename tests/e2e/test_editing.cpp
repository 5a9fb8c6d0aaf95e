// End-to-end: editing and saving from the window. Every image command runs
// in the real viewer and is saved. Geometry, point operations and the box
// resample are compared with what ImageMagick makes of the same picture
// (make_edit_refs.sh); the effects with the effect functions themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "../support.h"
#include "dialog_driver.h"
#include "driver.h"
#include "e2e_support.h"

#include "core/convert.h"
#include "formats/bmp.h"
#include "ops/color_adjust.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "settings/ini.h"

namespace {

// A fresh directory with a copy of one of the test pictures.
std::string Workplace(const std::string& test, const std::string& picture, const std::string& as) {
    std::string dir = DataDir() + "\\edit-" + test;
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA((DataDir() + "\\" + picture).c_str(), (dir + "\\" + as).c_str(), FALSE);
    return dir;
}

lg::Image Load(const std::string& path) {
    lg::Status st;
    return lg::ReadBmp(path, st);
}

// The saved 24-bit picture holds exactly the reference's pixels.
::testing::AssertionResult MatchesReference(const lg::Image& got, const std::string& refPath) {
    lgtest::Ppm ref;
    if (!lgtest::ReadPpm(refPath, ref)) return ::testing::AssertionFailure() << "cannot read " << refPath;
    if (!got) return ::testing::AssertionFailure() << "the saved picture cannot be read";
    if (got.width() != ref.width || got.height() != ref.height || got.bitCount() != 24)
        return ::testing::AssertionFailure() << got.width() << "x" << got.height() << "x" << got.bitCount()
                                             << " instead of " << ref.width << "x" << ref.height << "x24";
    int wrong = 0;
    std::string first;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            const uint8_t* g = got.topRow(y) + 3 * x;  // blue, green, red
            const uint8_t* r = &ref.rgb[(size_t(y) * ref.width + x) * 3];
            const bool off = g[2] != r[0] || g[1] != r[1] || g[0] != r[2];
            if (off && wrong++ == 0)
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(g[2]) + "," +
                        std::to_string(g[1]) + "," + std::to_string(g[0]) + " instead of " + std::to_string(r[0]) +
                        "," + std::to_string(r[1]) + "," + std::to_string(r[2]);
        }
    if (wrong) return ::testing::AssertionFailure() << wrong << " pixels differ, first " << first;
    return ::testing::AssertionSuccess();
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

class Editing : public ViewerTest {
protected:
    void Open(const std::string& ini, const std::string& test, const std::string& picture = "gradient24.bmp") {
        WriteIni(ini);
        dir = Workplace(test, picture, "pic.bmp");
        file = dir + "\\pic.bmp";
        ASSERT_TRUE(e2e::Start(Exe(), file, dir, v));
        ASSERT_TRUE(e2e::WaitForTitle(v, "pic.bmp")) << "the picture is not shown: " << e2e::Title(v.window);
        ASSERT_TRUE(e2e::Sync(v));
    }
    // Answers the dialog with this caption by `answer`, waits for it to go and
    // for the command that showed it to finish.
    void Answer(const std::string& caption, const std::function<void(HWND)>& answer) {
        HWND d = e2e::FindDialog(v, caption, e2e::kStepMs);
        ASSERT_NE(d, nullptr) << "no dialog \"" << caption << "\"";
        answer(d);
        ASSERT_TRUE(e2e::WaitGone(d, e2e::kStepMs)) << "\"" << caption << "\" stays open";
        ASSERT_TRUE(e2e::Sync(v)) << "the command behind \"" << caption << "\" does not finish";
    }
    // Save, in place: written by the time the command has finished.
    void Save() {
        e2e::SendCommand(v, 40145);
        Answer("Save ...", [](HWND d) { e2e::Click(d, IDOK); });
        ASSERT_TRUE(e2e::WaitForFile(file)) << file;
    }
    std::string Message() {
        HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
        if (!box) return "(no message box)";
        std::string text = e2e::MessageBoxText(box);
        EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK)) << "the box \"" << text << "\" stays";
        return text;
    }
    // A drag with the left button from `from` to `to`, in picture pixels.
    void Drag(POINT from, POINT to) {
        const int top = PictureTop(v.window);
        PostMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, top + from.y));
        PostMessageA(v.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, top + to.y));
        PostMessageA(v.window, WM_LBUTTONUP, 0, MAKELPARAM(to.x, top + to.y));
        ASSERT_TRUE(e2e::Sync(v));
    }
    std::string dir, file;
};

void Ok(HWND d) { e2e::Click(d, IDOK); }

// The control's text once it is `expected`, or as it is when the wait runs out.
std::string TextWhenSettled(HWND d, int id, const std::string& expected) {
    std::string text;
    e2e::WaitUntil([&] { return (text = e2e::ControlText(d, id)) == expected; });
    return text;
}

// Turns "Preserve aspect ratio" off before both sizes are typed, and waits
// until it is off: typed sizes are sent and would overtake the posted click.
void AspectOff(HWND d) {
    if (e2e::IsChecked(d, 1168)) e2e::Click(d, 1168);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::IsChecked(d, 1168); })) << "aspect ratio stays on";
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

// One picture through the geometry and colour commands, each result saved
// and compared with ImageMagick's result for the previous step
// (make_edit_refs.sh names the steps and their ImageMagick options).
struct RefStep {
    const char* ref;
    int command;
    const char* dialog;  // null: none
    std::function<void(HWND)> answer;
};

TEST_F(Editing, ImageCommandsSaveWhatImageMagickMakes) {
    Open("[Others]\nAskOverwriteSave=0\n", "chain", "edit24.bmp");
    const std::string refs = DataDir() + "\\editref\\";
    const RefStep steps[] = {
        {"01-negative", 40068, nullptr, nullptr},
        {"02-rbg", 40085, nullptr, nullptr},
        {"03-bgr", 40086, nullptr, nullptr},
        {"04-brg", 40087, nullptr, nullptr},
        {"05-grb", 40088, nullptr, nullptr},
        {"06-gbr", 40089, nullptr, nullptr},
        {"07-flip", 40043, nullptr, nullptr},
        {"08-flop", 40044, nullptr, nullptr},
        {"09-rotate-left", 40041, nullptr, nullptr},
        {"10-rotate-right", 40042, nullptr, nullptr},
        {"11-brightness", 40069, "Brightness",
         [](HWND d) {  // two page steps and one line step back: 9
             e2e::ScrollControl(d, 1093, SB_PAGERIGHT);
             e2e::ScrollControl(d, 1093, SB_PAGERIGHT);
             e2e::ScrollControl(d, 1093, SB_LINELEFT);
             EXPECT_EQ(TextWhenSettled(d, 1094, "9"), "9");
             Ok(d);
         }},
        {"12-contrast", 40090, "Contrast",
         [](HWND d) {
             e2e::ScrollControl(d, 1095, SB_THUMBPOSITION, 20);
             EXPECT_EQ(TextWhenSettled(d, 1096, "20"), "20");
             Ok(d);
         }},
        {"13-gamma", 40091, "Gamma Correction",
         [](HWND d) {
             e2e::ScrollControl(d, 1173, SB_THUMBPOSITION, 150);
             EXPECT_EQ(TextWhenSettled(d, 1172, "1.50"), "1.50");
             Ok(d);
         }},
        // Nearest neighbour to twice the size: each pixel becomes a 2 x 2
        // block, as ImageMagick's -sample makes it.
        {"14-resize", 40050, "Resize image",
         [](HWND d) {
             AspectOff(d);
             e2e::SetControlText(d, 1050, "128");
             e2e::SetControlText(d, 1052, "96");
             Ok(d);
         }},
    };
    for (const RefStep& s : steps) {
        SCOPED_TRACE(s.ref);
        e2e::SendCommand(v, s.command);
        if (s.dialog) ASSERT_NO_FATAL_FAILURE(Answer(s.dialog, s.answer));
        else ASSERT_TRUE(e2e::Sync(v)) << "the command does not finish";
        ASSERT_NO_FATAL_FAILURE(Save());
        EXPECT_TRUE(MatchesReference(Load(file), refs + s.ref + ".ppm"));
    }
    {
        // Crop to the selection dragged from (5, 4) to (45, 34): 40 x 30 at (5, 4).
        SCOPED_TRACE("15-crop");
        ASSERT_NO_FATAL_FAILURE(Drag(POINT{5, 4}, POINT{45, 34}));
        ASSERT_NO_FATAL_FAILURE(Command(40122));
        ASSERT_NO_FATAL_FAILURE(Save());
        EXPECT_TRUE(MatchesReference(Load(file), refs + "15-crop.ppm"));
    }
    // Halving both sides averages each 2 x 2 block (a box filter), as
    // ImageMagick's box filter does; both round a mean that ends in .5 up
    // (make_edit_refs.sh rounds ImageMagick's fractions), so no tolerance.
    SCOPED_TRACE("16-resample");
    e2e::SendCommand(v, 40097);
    ASSERT_NO_FATAL_FAILURE(Answer("Resample image (Smooth)", [](HWND d) {
        AspectOff(d);
        e2e::Click(d, 1262);  // the triangle filter: stored, unused when shrinking
        e2e::SetControlText(d, 1050, "20");
        e2e::SetControlText(d, 1052, "15");
        Ok(d);
    }));
    ASSERT_NO_FATAL_FAILURE(Save());
    EXPECT_TRUE(MatchesReference(Load(file), refs + "16-resample.ppm"));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "ResampleFilter", 0), 2);
}

struct Step {
    const char* name;
    int command;
    const char* dialog;                          // null: none
    std::function<void(HWND)> answer;
    std::function<lg::Image(const lg::Image&)> expect;
};

// The effects and depth commands, each result saved and compared with the
// effect itself applied to the previous result: the command must reach the
// effect with the picture, the area and the parameters the settings give.
TEST_F(Editing, EffectCommandsThenSaveGiveTheEffectsResult) {
    Open("[Others]\nAskOverwriteSave=0\n", "effects", "edit24.bmp");
    const Step steps[] = {
        {"sharpen", 40149, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectSharpen); }},
        {"blur", 40150, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectBlur); }},
        {"oil paint", 40152, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectOilPaint); }},
        {"median", 40154, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectMedian); }},
        {"pixelize", 40156, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectPixelize); }},
        {"fine rotation", 40159, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectFineRotate); }},
        {"edges", 40153, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectEdges); }},
        {"emboss", 40151, nullptr, nullptr, [](const lg::Image& i) { return Effect(i, lg::kEffectEmboss); }},
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
        if (s.dialog) ASSERT_NO_FATAL_FAILURE(Answer(s.dialog, s.answer));
        else ASSERT_TRUE(e2e::Sync(v)) << "the command does not finish";
        want = s.expect(want);
        ASSERT_TRUE(want);
        ASSERT_NO_FATAL_FAILURE(Save());
        EXPECT_TRUE(SamePicture(Load(file), want));
    }
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Effects", "Blur", 0), 5);
}

// A resize or resample to a size the buffer limits refuse says so and keeps
// the picture and the undo copy of the edit before it: saving right after
// gives the edited picture, Undo still brings back the one before it.
TEST_F(Editing, FailedResizeAndResampleKeepThePictureAndItsUndoCopy) {
    Open("[Others]\nAskOverwriteSave=0\n", "resize-fails", "edit24.bmp");
    const lg::Image original = Load(file);
    ASSERT_TRUE(original);
    ASSERT_NO_FATAL_FAILURE(Command(40068));  // Negative: the undo copy is the original
    ASSERT_NO_FATAL_FAILURE(Save());
    const lg::Image negative = Load(file);
    ASSERT_FALSE(SamePicture(negative, original));
    const std::string title = e2e::Title(v.window);
    for (int command : {40050, 40097}) {
        SCOPED_TRACE(command);
        e2e::SendCommand(v, command);
        ASSERT_NO_FATAL_FAILURE(Answer(command == 40050 ? "Resize image" : "Resample image (Smooth)", [](HWND d) {
            AspectOff(d);
            e2e::SetControlText(d, 1050, "300000");  // wider than any picture may be
            e2e::SetControlText(d, 1052, "40");
            Ok(d);
        }));
        EXPECT_EQ(Message(), command == 40050 ? "Resize error !" : "Resample error !");
        ASSERT_TRUE(e2e::Sync(v));
        EXPECT_EQ(e2e::Title(v.window), title);
        ASSERT_NO_FATAL_FAILURE(Save());
        EXPECT_TRUE(SamePicture(Load(file), negative));
    }
    ASSERT_NO_FATAL_FAILURE(Command(40120));  // Undo
    ASSERT_NO_FATAL_FAILURE(Save());
    EXPECT_TRUE(SamePicture(Load(file), original));
}

// Explosion exchanges pixels at random: the same pixels, somewhere else.
TEST_F(Editing, ExplosionKeepsEveryPixel) {
    Open("[Others]\nAskOverwriteSave=0\n", "explode");
    lg::Image before = Load(file);
    ASSERT_NO_FATAL_FAILURE(Command(40155));
    ASSERT_NO_FATAL_FAILURE(Save());
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
    ASSERT_NO_FATAL_FAILURE(Command(40068));
    ASSERT_NO_FATAL_FAILURE(Command(40120));
    ASSERT_NO_FATAL_FAILURE(Save());
    EXPECT_TRUE(SamePicture(Load(file), original));

    ASSERT_NO_FATAL_FAILURE(Command(40047));  // zoom in
    e2e::SendCommand(v, 40041);
    EXPECT_EQ(Message(), "Not available if ZOOM active !");
    ASSERT_NO_FATAL_FAILURE(Command(40048));
    ASSERT_NO_FATAL_FAILURE(Command(40041));
    EXPECT_TRUE(e2e::WaitForTitle(v, "(48x64x24BPP)"));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - pic.bmp (48x64x24BPP)");
}

TEST_F(Editing, BrightnessPreviewsLiveAndCancelRestores) {
    Open("", "brightness");
    const lg::Image original = Load(file);
    ASSERT_TRUE(original);
    const int top = PictureTop(v.window);
    // Two places of the shown picture, blue, green, red each.
    auto shown = [&] {
        e2e::Capture cap;
        std::vector<int> out;
        if (!e2e::CaptureClient(v.window, cap) || cap.width <= 40 || cap.height <= top + 30) return out;
        for (POINT p : {POINT{5, 5}, POINT{40, 30}})
            out.insert(out.end(), cap.at(p.x, p.y + top), cap.at(p.x, p.y + top) + 3);
        return out;
    };
    // The same places of the file, each channel raised by `add` and held at 255.
    auto file_pixels = [&](int add) {
        std::vector<int> out;
        for (POINT p : {POINT{5, 5}, POINT{40, 30}})
            for (int c = 0; c < 3; ++c) out.push_back(std::min(255, original.topRow(p.y)[3 * p.x + c] + add));
        return out;
    };
    e2e::SendCommand(v, 40069);
    HWND d = e2e::FindDialog(v, "Brightness", e2e::kStepMs);
    ASSERT_NE(d, nullptr);
    e2e::ScrollControl(d, 1093, SB_THUMBPOSITION, 100);
    std::vector<int> seen;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (seen = shown()) == file_pixels(100); }))
        << "the preview does not show the picture raised by 100";
    EXPECT_EQ(seen, file_pixels(100));
    e2e::Click(d, IDCANCEL);
    ASSERT_TRUE(e2e::WaitGone(d, e2e::kStepMs));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_TRUE(e2e::WaitUntil([&] { return (seen = shown()) == file_pixels(0); }))
        << "cancel does not bring the picture back";
    EXPECT_EQ(seen, file_pixels(0));
}

TEST_F(Editing, ReplacingAskedAndNoSavesNothing) {
    Open("[Others]\nAskOverwriteSave=1\n", "overwrite");
    lg::Image original = Load(file);
    ASSERT_NO_FATAL_FAILURE(Command(40068));
    e2e::SendCommand(v, 40145);
    ASSERT_NO_FATAL_FAILURE(Answer("Save ...", Ok));
    HWND box = e2e::FindMessageBox(v, e2e::kStepMs);
    ASSERT_NE(box, nullptr) << "no question before replacing";
    std::string q = e2e::MessageBoxText(box);
    EXPECT_EQ(q.rfind("Replace file: ", 0), 0u) << q;
    EXPECT_NE(q.find("pic.bmp ?"), std::string::npos) << q;
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(e2e::Sync(v));
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
    std::string out = DataDir() + "\\saveas";
    CreateDirectoryA(out.c_str(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(std::string("[Others]\nAskOverwriteSave=0\nSaveIndex=") + std::to_string(c.index) + "\n" + c.options,
             "saveas");
        if (c.blackAndWhite) {
            e2e::SendCommand(v, 40096);
            ASSERT_NO_FATAL_FAILURE(Answer("Decrease color depth", [](HWND d) {
                e2e::Click(d, 1180);
                Ok(d);
            }));
        }
        static const char* const kExtensions[] = {"", ".jpg", ".gif", ".bmp", ".png", ".tif", ".lwf", ".pcx"};
        const std::string target = out + "\\" + c.name, written = target + kExtensions[c.index];
        DeleteFileA(written.c_str());  // check_saved.sh must not find an older run's file
        e2e::SendCommand(v, 40011);
        ASSERT_NO_FATAL_FAILURE(Answer("Save Picture As ...", [&](HWND d) {
            e2e::SetControlText(d, 1148, target);
            e2e::SetControlText(d, 1152, target);
            Ok(d);
        }));
        EXPECT_TRUE(e2e::WaitForFile(written)) << written << " is not written";
        EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "SaveIndex", 0), c.index);
        e2e::Stop(v);
    }
    // The wavelet type cannot be written: said so, nothing written.
    Open("[Others]\nSaveIndex=6\n", "saveas");
    e2e::SendCommand(v, 40011);
    ASSERT_NO_FATAL_FAILURE(Answer("Save Picture As ...", [&](HWND d) {
        e2e::SetControlText(d, 1148, out + "\\wave");
        e2e::SetControlText(d, 1152, out + "\\wave");
        Ok(d);
    }));
    EXPECT_NE(Message().find("LWF"), std::string::npos);
    ASSERT_TRUE(e2e::Sync(v));
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
    const std::set<std::string> start = Entries(IniPath());  // as the start-up left it
    e2e::SendCommand(v, 40002);
    ASSERT_NO_FATAL_FAILURE(Answer("Lumagrove Properties", [](HWND sheet) {
        e2e::SetControlText(sheet, 1403, "25");
        e2e::Click(sheet, 1405);  // undo off
        e2e::ShowSheetPage(sheet, 1);
        e2e::Click(sheet, 1413);  // full screen: fit all
        e2e::ShowSheetPage(sheet, 5);
        Ok(sheet);
    }));
    const std::set<std::string> changed = Entries(IniPath());
    EXPECT_EQ(Minus(changed, start),
              (std::set<std::string>{"Viewing/ZoomFactor=25", "Viewing/ShowFullScreen=2", "Others/UseUndo=0"}));
    EXPECT_EQ(Minus(start, changed), (std::set<std::string>{"Viewing/ZoomFactor=10", "Others/UseUndo=1"}));

    e2e::SendCommand(v, 40002);
    ASSERT_NO_FATAL_FAILURE(Answer("Lumagrove Properties", [](HWND sheet) {
        e2e::SetControlText(sheet, 1403, "50");
        e2e::ShowSheetPage(sheet, 2);
        e2e::Click(sheet, 1421);
        e2e::Click(sheet, IDCANCEL);
    }));
    EXPECT_EQ(Entries(IniPath()), changed);
}

// An effect acts on the dragged selection only, which stays for the next
// command; cut puts the selection on the clipboard and blackens it.
TEST_F(Editing, EffectAndCutOnTheSelection) {
    Open("[Others]\nAskOverwriteSave=0\n", "selection");
    lg::Image want = Load(file);
    ASSERT_NO_FATAL_FAILURE(Drag(POINT{5, 5}, POINT{25, 20}));
    const lg::Rect sel{5, want.height() - 5 - 15, 20, 15};  // rows counted from the bottom
    ASSERT_NO_FATAL_FAILURE(Command(40150));
    ASSERT_NO_FATAL_FAILURE(Save());
    lg::ApplyEffectToPicture(want, lg::kEffectBlur, sel, 3, 0);
    EXPECT_TRUE(SamePicture(Load(file), want));

    ASSERT_NO_FATAL_FAILURE(Command(40121));
    ASSERT_NO_FATAL_FAILURE(Save());
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
    const std::string plain = "Lumagrove - pic.bmp (64x48x24BPP)";
    auto width = [&] { return e2e::WindowRect(v.window).right - e2e::WindowRect(v.window).left; };
    ASSERT_NO_FATAL_FAILURE(Command(40037));
    EXPECT_TRUE(e2e::WaitUntil([&] { return width() > 600; })) << "not fitted: " << width() << " wide";
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "AlwaysFit", 0), 1);
    EXPECT_NE(e2e::Title(v.window), plain);
    ASSERT_NO_FATAL_FAILURE(Command(40037));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Title(v.window) == plain; })) << e2e::Title(v.window);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "AlwaysFit", 1), 0);
    e2e::Stop(v);

    // /bf stores the choice and fits at once.
    ASSERT_TRUE(e2e::Start(Exe(), file + " /bf", dir, v));
    ASSERT_TRUE(e2e::WaitForTitle(v, "pic.bmp"));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_TRUE(e2e::WaitUntil([&] { return width() > 600; })) << "not fitted: " << width() << " wide";
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "AlwaysFit", 0), 1);
}

TEST_F(Editing, OpenDialogLoadsTheChosenFile) {
    Open("", "open");
    CopyFileA((DataDir() + "\\palette8.bmp").c_str(), (dir + "\\other.bmp").c_str(), FALSE);
    e2e::SendCommand(v, 40001);
    ASSERT_NO_FATAL_FAILURE(Answer("Open", [&](HWND d) {
        EXPECT_TRUE(e2e::IsChecked(d, 1290));  // preview on by default
        e2e::SetControlText(d, 1148, "other.bmp");  // the dialog starts in the picture's folder
        e2e::SetControlText(d, 1152, "other.bmp");
        // Preview off and on again: stored each time, and the named file is shown.
        auto stored = [&] { return lg::ini::ReadInt(IniPath(), "Preview", "Active", -1); };
        e2e::Click(d, 1290);
        EXPECT_TRUE(e2e::WaitUntil([&] { return stored() == 0; })) << "preview off is not stored";
        e2e::Click(d, 1290);
        EXPECT_TRUE(e2e::WaitUntil([&] { return stored() == 1; })) << "preview on is not stored";
        // The preview area, cut out of the whole dialog's picture: the 40 x 30
        // picture, never enlarged, on white.
        HWND preview = e2e::Control(d, 1291);
        RECT pr = {};
        GetClientRect(preview, &pr);
        MapWindowPoints(preview, d, reinterpret_cast<POINT*>(&pr), 2);
        int coloured = 0;
        EXPECT_TRUE(e2e::WaitUntil([&] {
            e2e::Capture all;
            coloured = 0;
            if (!e2e::CaptureClient(d, all)) return false;
            for (int y = std::max(0L, pr.top); y < std::min(LONG(all.height), pr.bottom); ++y)
                for (int x = std::max(0L, pr.left); x < std::min(LONG(all.width), pr.right); ++x)
                    coloured += all.at(x, y)[0] != 255 || all.at(x, y)[1] != 255 || all.at(x, y)[2] != 255;
            return coloured > 40 * 30 / 2;
        })) << "the preview shows " << coloured << " coloured pixels";
        Ok(d);
    }));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - other.bmp (40x30x8BPP)");
    // Cancel keeps the picture.
    e2e::SendCommand(v, 40001);
    ASSERT_NO_FATAL_FAILURE(Answer("Open", [](HWND d) { e2e::Click(d, IDCANCEL); }));
    EXPECT_EQ(e2e::Title(v.window), "Lumagrove - other.bmp (40x30x8BPP)");
}

TEST_F(Editing, SaveDialogOptionsButtonOpensTheSaveProperties) {
    Open("", "saveoptions");
    e2e::SendCommand(v, 40011);
    HWND save = e2e::FindDialog(v, "Save Picture As ...", e2e::kStepMs);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(e2e::ControlText(save, 1038), "Options");
    e2e::Click(save, 1038);
    ASSERT_NO_FATAL_FAILURE(Answer("Lumagrove Save Properties", [](HWND sheet) {
        EXPECT_EQ(e2e::ControlText(sheet, 1502), "80");
        e2e::ScrollControl(sheet, 1501, SB_PAGERIGHT);  // 85
        e2e::ScrollControl(sheet, 1501, SB_LINELEFT);   // 84
        EXPECT_EQ(TextWhenSettled(sheet, 1502, "84"), "84");
        e2e::ShowSheetPage(sheet, 2);                   // TIFF: LZW when nothing is stored
        EXPECT_TRUE(e2e::IsChecked(sheet, 1522));
        e2e::Click(sheet, 1523);
        Ok(sheet);
    }));
    e2e::Click(save, IDCANCEL);
    ASSERT_TRUE(e2e::WaitGone(save, e2e::kStepMs));
    ASSERT_TRUE(e2e::Sync(v));
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "JPEG", "Save Quality", 0), 84);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "TIFF", "Save Compression", -1), 2);
    EXPECT_EQ(lg::ini::ReadInt(IniPath(), "Others", "SaveIndex", -1), -1);  // cancelled: not stored
}

// JPEG photos turned and flipped by keys and menu commands and saved in
// place: each is written from the file's own blocks and the status field
// says "Lossless"; check_lossless.sh compares the files with jpegtran
// -perfect of the originals. A picture with partial edge blocks is encoded
// again, and the status field says so.
TEST_F(Editing, JpegTurnsAreSavedWithoutLoss) {
    const std::string lossless = DataDir() + "\\lossless";
    CreateDirectoryA(lossless.c_str(), nullptr);
    enum Step { SaveNow = 0 };
    struct Case {
        const char* name;
        const char* original;
        std::vector<int> steps;  // a key, a command id (above 40000) or SaveNow
        const char* status;
    } cases[] = {
        {"rot90", "turn48.jpg", {'R'}, "Lossless"},
        {"rot180", "turn48.jpg", {'R', 40042}, "Lossless"},
        {"rot270", "turn48.jpg", {'L'}, "Lossless"},
        {"fliph", "turn48.jpg", {'H'}, "Lossless"},
        {"flipv", "turn48.jpg", {40043}, "Lossless"},
        {"transpose", "turn48.jpg", {'R', 40044}, "Lossless"},
        {"four", "turn48.jpg", {'R', SaveNow, 'R', SaveNow, 'R', SaveNow, 'R'}, "Lossless"},
        {"cam", "turncam.jpg", {'H'}, "Lossless"},
        {"odd", "turn45.jpg", {'R'}, "Re-encoded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni("[Others]\nAskOverwriteSave=0\n");
        dir = lossless;
        file = dir + "\\" + c.name + ".jpg";
        ASSERT_TRUE(CopyFileA((DataDir() + "\\" + c.original).c_str(), file.c_str(), FALSE));
        ASSERT_TRUE(e2e::Start(Exe(), file, dir, v));
        ASSERT_TRUE(e2e::WaitForTitle(v, std::string(c.name) + ".jpg")) << e2e::Title(v.window);
        ASSERT_TRUE(e2e::Sync(v));
        for (int step : c.steps) {
            if (step == SaveNow) {
                ASSERT_NO_FATAL_FAILURE(Save());
                EXPECT_EQ(StatusOf(v.window), c.status);
            } else if (step > 40000) {
                ASSERT_NO_FATAL_FAILURE(Command(step));
            } else {
                e2e::PressKey(v, step);
                ASSERT_TRUE(e2e::Sync(v));
            }
        }
        ASSERT_NO_FATAL_FAILURE(Save());
        EXPECT_EQ(StatusOf(v.window), c.status);
        e2e::Stop(v);
    }
    // Reached by steps, the photo is the one decoded ahead, then the one kept
    // when the user stepped off it: its turn is saved without loss too.
    SCOPED_TRACE("stepped");
    WriteIni("[Others]\nAskOverwriteSave=0\n[Viewing]\nPreload=1\n");
    ASSERT_TRUE(CopyFileA((DataDir() + "\\turn45.jpg").c_str(), (lossless + "\\zz1.jpg").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((DataDir() + "\\turn48.jpg").c_str(), (lossless + "\\zz2step.jpg").c_str(), FALSE));
    file = lossless + "\\zz1.jpg";
    ASSERT_TRUE(e2e::Start(Exe(), file, dir, v));
    ASSERT_TRUE(e2e::WaitForTitle(v, "zz1.jpg")) << e2e::Title(v.window);
    ASSERT_TRUE(e2e::WaitUntil([&] { return uintptr_t(GetPropA(v.window, "Lumagrove.DecodedAhead")) >= 2; }));
    for (int key : {VK_SPACE, VK_BACK, VK_SPACE, int('R')}) {
        e2e::PressKey(v, key);
        ASSERT_TRUE(e2e::Sync(v));
    }
    ASSERT_TRUE(e2e::WaitForTitle(v, "zz2step.jpg")) << e2e::Title(v.window);
    file = lossless + "\\zz2step.jpg";
    ASSERT_NO_FATAL_FAILURE(Save());
    EXPECT_EQ(StatusOf(v.window), "Lossless");
    e2e::Stop(v);
}

// Acquiring needs the TWAIN source manager and a source; without either the
// user is told which is missing (e2e_scanner acquires from a test source).
TEST_F(Editing, AcquireSaysWhatIsMissing) {
    Open("", "scanner");
    e2e::SendCommand(v, 40107);
    std::string text = Message();
    EXPECT_TRUE(text == "No scanner: the TWAIN source manager (TWAIN_32.DLL) is not installed." ||
                text == "No scanner source is available.")
        << text;
}

}  // namespace
