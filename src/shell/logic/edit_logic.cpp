#include "shell/logic/edit_logic.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "formats/save.h"
#include "shell/logic/texts.h"

namespace lg {

DepthChoice DepthDialogChoice(int bitCount) {
    DepthChoice c;
    if (bitCount <= 8) {
        c.enable256 = false;
        c.preselected = kDepth16;
    }
    if (bitCount <= 4) {
        c.enable16 = false;
        c.preselected = kDepth2;
    }
    return c;
}

int ColorsOfDepthButton(int button) { return button == kDepth16 ? 16 : button == kDepth2 ? 2 : 256; }

int FilterRadio(int filter) { return filter >= 1 && filter <= 4 ? kFirstFilterRadio + filter - 1 : kLastFilterRadio; }

int FilterOfRadio(int radio) {
    return radio >= kFirstFilterRadio && radio < kLastFilterRadio ? radio - kFirstFilterRadio + 1 : 5;
}

namespace {

size_t NameStart(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? 0 : cut + 1;
}

}  // namespace

std::string ProposedSaveName(const std::string& fileName) {
    if (fileName == kClipboardName) return "Clipboard";
    if (fileName == kScanImageName) return "ScanImage";
    std::string base = fileName.substr(NameStart(fileName));
    size_t dot = base.find_last_of('.');
    return dot == std::string::npos ? base : base.substr(0, dot);
}

int SaveFilterForName(const std::string& fileName) {
    std::string base = fileName.substr(NameStart(fileName));
    size_t dot = base.find_last_of('.');
    if (dot == std::string::npos) return 1;
    const int type = SaveTypeOfExtension(base.substr(dot));
    return type ? type : 1;
}

std::string ChosenDirectory(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return std::string();
    if (cut == 2 && path[1] == ':') return path.substr(0, 3);  // "C:\" keeps its separator
    return path.substr(0, cut);
}

OptionField CheckField(int control, Setting s) {
    return OptionField{control, s, FieldKind::Check, 0, nullptr, 0, nullptr, -1};
}
OptionField NumberField(int control, Setting s, int highest, const char* whenEmpty) {
    return OptionField{control, s, FieldKind::Number, 0, nullptr, highest, whenEmpty, -1};
}
OptionField TextField(int control, Setting s) {
    return OptionField{control, s, FieldKind::Text, 0, nullptr, 0, nullptr, -1};
}
OptionField RadioField(int control, Setting s, int value, int fallback, const char* whenMissing) {
    return OptionField{control, s, FieldKind::Radio, value, whenMissing, 0, nullptr, fallback};
}
OptionField ScrollField(int control, Setting s, int valueText, int highest) {
    return OptionField{control, s, FieldKind::Scroll, valueText, nullptr, highest, nullptr, -1};
}

// To add a page: a dialog template (DS_CONTROL | WS_CHILD, caption = tab
// text) and one entry here listing its controls; the sheet reads, shows and
// writes them. A page with work of its own (registry, buttons) can instead
// be added to the sheet with its own dialog procedure in options_sheet.cpp.
const std::vector<OptionPage>& PropertyPages() {
    static const std::vector<OptionPage> pages = {
        {"OPTVIEWING",
         {CheckField(1401, Setting::FitForBigImages), CheckField(1402, Setting::UseResample),
          NumberField(1403, Setting::ZoomFactor, 0, "10"), CheckField(1404, Setting::RememberWinPos),
          CheckField(1405, Setting::UseUndo), CheckField(1406, Setting::ToolBarActive)}},
        {"OPTFULLSCREEN",
         {RadioField(1411, Setting::ShowFullScreen, 0, 1), RadioField(1412, Setting::ShowFullScreen, 1, 1),
          RadioField(1413, Setting::ShowFullScreen, 2, 1), CheckField(1414, Setting::ShowFullScreenName),
          CheckField(1415, Setting::ViewingHideCursor)}},
        {"OPTFILES",
         {CheckField(1421, Setting::ViewAll), CheckField(1422, Setting::NotNotifyLoopDir),
          CheckField(1423, Setting::RenameExtension), CheckField(1424, Setting::AskOverwriteSave)}},
        {"OPTCOPYMOVE",
         {CheckField(1431, Setting::AskCopy), CheckField(1432, Setting::AskMove), TextField(1433, Setting::CopyDir),
          TextField(1434, Setting::MoveDir), CheckField(1435, Setting::AskDelete),
          CheckField(1436, Setting::DelToRecycle), CheckField(1437, Setting::JumpAfterDelete)}},
        {"OPTLOADING",
         {CheckField(1441, Setting::JpegLoadGrayscale), RadioField(1442, Setting::PhotoCdLoadingSize, 0, 1),
          RadioField(1443, Setting::PhotoCdLoadingSize, 1, 1), RadioField(1444, Setting::PhotoCdLoadingSize, 2, 1),
          CheckField(1445, Setting::GifAnimate), CheckField(1446, Setting::GifNone)}},
        {"OPTDIRS",
         {TextField(1451, Setting::Dir1), TextField(1452, Setting::Dir2), TextField(1453, Setting::Dir3),
          TextField(1454, Setting::Dir4), TextField(1455, Setting::Dir5)}},
    };
    return pages;
}

const std::vector<OptionPage>& SaveOptionPages() {
    static const std::vector<OptionPage> pages = {
        {"SAVEJPEGGIF",
         {ScrollField(1501, Setting::JpegSaveQuality, 1502, 100), CheckField(1503, Setting::JpegSaveGrayscale),
          CheckField(1504, Setting::JpegSaveProgressive), CheckField(1505, Setting::GifSaveTransparent),
          CheckField(1506, Setting::GifSaveInterlaced), NumberField(1507, Setting::GifTransparency, 255)}},
        {"SAVELWF",
         {NumberField(1511, Setting::LwfCompressionRate), RadioField(1512, Setting::LwfSaveOption, 1, 2, "2"),
          RadioField(1513, Setting::LwfSaveOption, 2, 2, "2"), TextField(1514, Setting::LwfCompressionFileSize)}},
        {"SAVETIFF",
         {RadioField(1521, Setting::TiffSaveCompression, 0, 1, "1"),
          RadioField(1522, Setting::TiffSaveCompression, 1, 1, "1"),
          RadioField(1523, Setting::TiffSaveCompression, 2, 1, "1"),
          RadioField(1524, Setting::TiffSaveCompression, 6, 1, "1"),
          RadioField(1525, Setting::TiffSaveCompression, 5, 1, "1"),
          RadioField(1526, Setting::TiffSaveCompression, 3, 1, "1"),
          RadioField(1527, Setting::TiffSaveCompression, 4, 1, "1")}},
    };
    return pages;
}

namespace {

// An integer as the settings reader takes it: leading digits (with a sign),
// else the default.
bool LeadingInt(const char* text, int* out) {
    char* end = nullptr;
    // 64 bits everywhere (`long` is 32 bits on Windows and 64 elsewhere), then
    // saturated like the settings reader rather than cut to the low 32 bits.
    const long long v = std::strtoll(text, &end, 10);
    if (end == text) return false;
    *out = int(std::clamp<long long>(v, -INT_MAX, INT_MAX));
    return true;
}

std::string Decimal(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", v);
    return buf;
}

// The value of a key as its users read it, in the form the page writes.
std::string Normalised(const OptionField& f, const char* text) {
    const char* def = InfoOf(f.setting).def;
    if (!text) text = def;
    if (f.kind == FieldKind::Text) return text;
    int v = 0;
    if (!LeadingInt(text, &v) && !LeadingInt(def, &v)) v = 0;
    if (f.kind == FieldKind::Check) return v ? "1" : "0";
    return Decimal(v);
}

const char* StoredText(const std::map<Setting, const char*>& stored, Setting s) {
    auto it = stored.find(s);
    return it == stored.end() ? nullptr : it->second;
}

}  // namespace

OptionValues EffectiveValues(const OptionPage& page, const std::map<Setting, const char*>& stored) {
    OptionValues v;
    for (const OptionField& f : page.fields) v[f.setting] = Normalised(f, StoredText(stored, f.setting));
    return v;
}

OptionValues ShownValues(const OptionPage& page, const std::map<Setting, const char*>& stored) {
    OptionValues v;
    for (const OptionField& f : page.fields) {
        const char* text = StoredText(stored, f.setting);
        std::string shown = Normalised(f, text ? text : f.whenMissing);
        if ((f.kind == FieldKind::Number || f.kind == FieldKind::Scroll) && f.highest > 0 &&
            std::atoi(shown.c_str()) > f.highest)
            shown = Decimal(f.highest);
        if (f.kind == FieldKind::Radio && f.fallback >= 0) {
            bool matched = false;
            for (const OptionField& g : page.fields)
                matched = matched || (g.setting == f.setting && g.kind == FieldKind::Radio &&
                                      Decimal(g.value) == shown);
            if (!matched) shown = Decimal(f.fallback);
        }
        v[f.setting] = shown;
    }
    return v;
}

std::string NumberFieldText(const OptionField& f, const std::string& typed) {
    int v = 0;
    if (!LeadingInt(typed.c_str(), &v)) return f.whenEmpty ? f.whenEmpty : Normalised(f, nullptr);
    if (f.highest > 0 && v > f.highest) v = f.highest;
    return Decimal(v);
}

std::vector<std::pair<Setting, std::string>> OptionWrites(const OptionValues& before, const OptionValues& after) {
    std::vector<std::pair<Setting, std::string>> out;
    for (const auto& kv : after) {
        auto it = before.find(kv.first);
        if (it != before.end() && it->second == kv.second) continue;
        out.emplace_back(kv.first, kv.second);
        // A position no longer remembered starts the next run at the corner.
        if (kv.first == Setting::RememberWinPos && kv.second == "0") {
            out.emplace_back(Setting::XKoord, "0");
            out.emplace_back(Setting::YKoord, "0");
        }
    }
    return out;
}

}  // namespace lg
