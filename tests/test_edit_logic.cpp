// The editing and saving dialogs' arithmetic and the options pages' tables.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "formats/format_table.h"
#include "shell/logic/edit_logic.h"

namespace {

using lg::Setting;

TEST(DepthDialog, OffersOnlyFewerColoursThanThePictureHas) {
    struct Case { int bits; bool e256, e16; int pre; };
    const Case cases[] = {{24, true, true, lg::kDepth256}, {8, false, true, lg::kDepth16}, {4, false, false, lg::kDepth2}};
    for (const Case& c : cases) {
        lg::DepthChoice d = lg::DepthDialogChoice(c.bits);
        EXPECT_EQ(d.enable256, c.e256) << c.bits;
        EXPECT_EQ(d.enable16, c.e16) << c.bits;
        EXPECT_EQ(d.preselected, c.pre) << c.bits;
    }
    EXPECT_EQ(lg::ColorsOfDepthButton(lg::kDepth256), 256);
    EXPECT_EQ(lg::ColorsOfDepthButton(lg::kDepth16), 16);
    EXPECT_EQ(lg::ColorsOfDepthButton(lg::kDepth2), 2);
}

TEST(ResizeDialog, FilterRadiosRoundTripAndOddValuesMeanBSpline) {
    for (int f = 1; f <= 5; ++f) EXPECT_EQ(lg::FilterOfRadio(lg::FilterRadio(f)), f);
    EXPECT_EQ(lg::FilterRadio(0), 1265);
    EXPECT_EQ(lg::FilterRadio(9), 1265);
    EXPECT_EQ(lg::FilterOfRadio(0), 5);  // no button checked
}

TEST(SaveDialog, ProposedNameAndPreselectedType) {
    struct Case { const char* name; const char* proposed; int filter; };
    const Case cases[] = {
        {"photo.jpg", "photo", 1},          {"C:\\pics\\tree.GIF", "tree", 2},
        {"a.b.bmp", "a.b", 3},              {"x.Png", "x", 4},
        {"scan.tif", "scan", 5},            {"w.lwf", "w", 6},
        {"p.pcx", "p", 7},                  {"i.ico", "i", 8},
        {"m.emf", "m", 9},                  {"raw.ppm", "raw", 1},
        {"noext", "noext", 1},              {"dir.v2\\noext", "noext", 1},
        {"<Clipboard>", "Clipboard", 1},    {"<ScanImage>", "ScanImage", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lg::ProposedSaveName(c.name), c.proposed) << c.name;
        EXPECT_EQ(lg::SaveFilterForName(c.name), c.filter) << c.name;
    }
    EXPECT_EQ(lg::ChosenDirectory("C:\\out\\a.png"), "C:\\out");
    EXPECT_EQ(lg::ChosenDirectory("C:\\a.png"), "C:\\");
    EXPECT_EQ(lg::ChosenDirectory("a.png"), "");
}

// Every page's controls are distinct, every key sits on one page only, and
// no page edits a key another dialog owns.
TEST(OptionPages, ControlsAndKeysAreDistinct) {
    std::set<Setting> keys;
    std::set<int> controls;
    for (const auto* pages : {&lg::PropertyPages(), &lg::SaveOptionPages()})
        for (const lg::OptionPage& p : *pages) {
            std::set<Setting> onPage;
            for (const lg::OptionField& f : p.fields) {
                EXPECT_TRUE(controls.insert(f.control).second) << p.templateName << " " << f.control;
                if (onPage.insert(f.setting).second) {
                    EXPECT_TRUE(keys.insert(f.setting).second) << p.templateName << " " << lg::InfoOf(f.setting).key;
                }
            }
        }
    for (Setting owned : {Setting::ResampleFilter, Setting::ResizeAspectRatio, Setting::AlwaysFit,
                          Setting::FileSortOrder, Setting::SaveIndex, Setting::EffectBlur})
        EXPECT_EQ(keys.count(owned), 0u) << lg::InfoOf(owned).key;
}

// The save options sheet holds the page each written type names, and no other.
TEST(OptionPages, SaveSheetHoldsThePagesTheSaveTypesName) {
    std::set<std::string> named, sheet;
    for (const lg::SaveType* t : lg::SaveTypes())
        if (t->optionsPage) named.insert(t->optionsPage);
    for (const lg::OptionPage& p : lg::SaveOptionPages()) sheet.insert(p.templateName);
    EXPECT_EQ(named, sheet);
}

const lg::OptionPage& Page(const char* name) {
    for (const auto* pages : {&lg::PropertyPages(), &lg::SaveOptionPages()})
        for (const lg::OptionPage& p : *pages)
            if (std::string(p.templateName) == name) return p;
    ADD_FAILURE() << name;
    return lg::PropertyPages()[0];
}

TEST(OptionPages, ShownValuesFollowDefaultsAndPageRules) {
    const lg::OptionPage& tiff = Page("SAVETIFF");
    // A missing compression shows LZW while saving reads it as none, so OK
    // writes what the page showed.
    EXPECT_EQ(lg::ShownValues(tiff, {})[Setting::TiffSaveCompression], "1");
    EXPECT_EQ(lg::EffectiveValues(tiff, {})[Setting::TiffSaveCompression], "0");
    EXPECT_EQ(lg::ShownValues(tiff, {{Setting::TiffSaveCompression, "4"}})[Setting::TiffSaveCompression], "4");
    EXPECT_EQ(lg::ShownValues(tiff, {{Setting::TiffSaveCompression, "0"}})[Setting::TiffSaveCompression], "0");

    const lg::OptionPage& full = Page("OPTFULLSCREEN");
    EXPECT_EQ(lg::ShownValues(full, {{Setting::ShowFullScreen, "7"}})[Setting::ShowFullScreen], "1");
    EXPECT_EQ(lg::ShownValues(full, {{Setting::ShowFullScreen, "2"}})[Setting::ShowFullScreen], "2");
    EXPECT_EQ(lg::ShownValues(full, {})[Setting::ViewingHideCursor], "0");
    EXPECT_EQ(lg::ShownValues(full, {{Setting::ViewingHideCursor, "5"}})[Setting::ViewingHideCursor], "1");
    // Beyond 32 bits a value saturates as the settings reader takes it (on);
    // its low 32 bits alone would be 0 (off).
    EXPECT_EQ(lg::ShownValues(full, {{Setting::ViewingHideCursor, "4294967296"}})[Setting::ViewingHideCursor], "1");
    EXPECT_EQ(lg::ShownValues(full, {{Setting::ViewingHideCursor, "-4294967296"}})[Setting::ViewingHideCursor], "1");

    const lg::OptionPage& jpeg = Page("SAVEJPEGGIF");
    auto shown = lg::ShownValues(jpeg, {{Setting::GifTransparency, "300"}});
    EXPECT_EQ(shown[Setting::GifTransparency], "255");
    EXPECT_EQ(shown[Setting::JpegSaveQuality], "80");
    EXPECT_EQ(lg::ShownValues(Page("OPTLOADING"), {})[Setting::PhotoCdLoadingSize], "2");
    EXPECT_EQ(lg::ShownValues(Page("OPTLOADING"), {{Setting::PhotoCdLoadingSize, "9"}})[Setting::PhotoCdLoadingSize],
              "1");
}

TEST(OptionPages, NumberFieldsStoreDecimalsAndTheirEmptyValue) {
    const lg::OptionField zoom = lg::NumberField(1, Setting::ZoomFactor, 0, "10");
    const lg::OptionField transp = lg::NumberField(2, Setting::GifTransparency, 255);
    EXPECT_EQ(lg::NumberFieldText(zoom, ""), "10");
    EXPECT_EQ(lg::NumberFieldText(zoom, "abc"), "10");
    EXPECT_EQ(lg::NumberFieldText(zoom, "25"), "25");
    EXPECT_EQ(lg::NumberFieldText(transp, "999"), "255");
    EXPECT_EQ(lg::NumberFieldText(transp, "4294967297"), "255");  // not its low 32 bits, 1
    EXPECT_EQ(lg::NumberFieldText(zoom, "99999999999"), "2147483647");
    EXPECT_EQ(lg::NumberFieldText(transp, ""), "0");
}

TEST(OptionPages, OkWritesOnlyChangedKeys) {
    lg::OptionValues before = {{Setting::UseUndo, "1"}, {Setting::ZoomFactor, "10"}, {Setting::RememberWinPos, "1"}};
    EXPECT_TRUE(lg::OptionWrites(before, before).empty());
    lg::OptionValues after = before;
    after[Setting::ZoomFactor] = "25";
    auto w = lg::OptionWrites(before, after);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].first, Setting::ZoomFactor);
    EXPECT_EQ(w[0].second, "25");
    after[Setting::RememberWinPos] = "0";
    w = lg::OptionWrites(before, after);
    std::set<Setting> written;
    for (auto& kv : w) written.insert(kv.first);
    EXPECT_EQ(written, (std::set<Setting>{Setting::ZoomFactor, Setting::RememberWinPos, Setting::XKoord,
                                          Setting::YKoord}));
}

}  // namespace
