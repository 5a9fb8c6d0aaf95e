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
        {RESOURCE_NAME(DLG_OPT_VIEWING),
         {CheckField(IDC_OPTVIEW_FIT_BIG, Setting::FitForBigImages),
          CheckField(IDC_OPTVIEW_RESAMPLE, Setting::UseResample),
          NumberField(IDC_OPTVIEW_ZOOM_STEP, Setting::ZoomFactor, 0, "10"),
          CheckField(IDC_OPTVIEW_REMEMBER_POSITION, Setting::RememberWinPos),
          CheckField(IDC_OPTVIEW_UNDO, Setting::UseUndo), CheckField(IDC_OPTVIEW_TOOLBAR, Setting::ToolBarActive),
          CheckField(IDC_OPTVIEW_PRELOAD, Setting::Preload),

          CheckField(IDC_OPTVIEW_AUTO_ROTATE, Setting::AutoRotate)}},
        {RESOURCE_NAME(DLG_OPT_FULL_SCREEN),
         {RadioField(IDC_OPTFULL_NORMAL, Setting::ShowFullScreen, 0, 1),
          RadioField(IDC_OPTFULL_FIT_LARGE, Setting::ShowFullScreen, 1, 1),
          RadioField(IDC_OPTFULL_FIT_ALL, Setting::ShowFullScreen, 2, 1),
          CheckField(IDC_OPTFULL_SHOW_NAME, Setting::ShowFullScreenName),
          CheckField(IDC_OPTFULL_HIDE_CURSOR, Setting::ViewingHideCursor)}},
        {RESOURCE_NAME(DLG_OPT_FILES),
         {CheckField(IDC_OPTFILES_VIEW_ALL, Setting::ViewAll), CheckField(IDC_OPTFILES_WRAP, Setting::NotNotifyLoopDir),
          CheckField(IDC_OPTFILES_RENAME_EXTENSION, Setting::RenameExtension),
          CheckField(IDC_OPTFILES_ASK_REPLACE, Setting::AskOverwriteSave)}},
        {RESOURCE_NAME(DLG_OPT_COPY_MOVE),
         {CheckField(IDC_OPTCOPY_ASK_COPY, Setting::AskCopy), CheckField(IDC_OPTCOPY_ASK_MOVE, Setting::AskMove),
          TextField(IDC_OPTCOPY_COPY_DIR, Setting::CopyDir), TextField(IDC_OPTCOPY_MOVE_DIR, Setting::MoveDir),
          CheckField(IDC_OPTCOPY_ASK_DELETE, Setting::AskDelete),
          CheckField(IDC_OPTCOPY_RECYCLE, Setting::DelToRecycle),
          CheckField(IDC_OPTCOPY_NEXT_AFTER_DELETE, Setting::JumpAfterDelete)}},
        {RESOURCE_NAME(DLG_OPT_LOADING),
         {CheckField(IDC_OPTLOAD_GRAYSCALE, Setting::JpegLoadGrayscale),
          RadioField(IDC_OPTLOAD_PCD_SMALL, Setting::PhotoCdLoadingSize, 0, 1),
          RadioField(IDC_OPTLOAD_PCD_MEDIUM, Setting::PhotoCdLoadingSize, 1, 1),
          RadioField(IDC_OPTLOAD_PCD_LARGE, Setting::PhotoCdLoadingSize, 2, 1),
          CheckField(IDC_OPTLOAD_GIF_ANIMATE, Setting::GifAnimate),
          CheckField(IDC_OPTLOAD_GIF_FIRST_ONLY, Setting::GifNone)}},
        {RESOURCE_NAME(DLG_OPT_DIRECTORIES),
         {TextField(IDC_OPTDIRS_DIR_1, Setting::Dir1), TextField(IDC_OPTDIRS_DIR_2, Setting::Dir2),
          TextField(IDC_OPTDIRS_DIR_3, Setting::Dir3), TextField(IDC_OPTDIRS_DIR_4, Setting::Dir4),
          TextField(IDC_OPTDIRS_DIR_5, Setting::Dir5)}},
    };
    return pages;
}

const std::vector<OptionPage>& SaveOptionPages() {
    static const std::vector<OptionPage> pages = {
        {RESOURCE_NAME(DLG_SAVE_JPEG_GIF),
         {ScrollField(IDC_SAVE_JPEG_QUALITY, Setting::JpegSaveQuality, IDC_SAVE_JPEG_QUALITY_VALUE, 100),
          CheckField(IDC_SAVE_JPEG_GRAYSCALE, Setting::JpegSaveGrayscale),
          CheckField(IDC_SAVE_JPEG_PROGRESSIVE, Setting::JpegSaveProgressive),
          CheckField(IDC_SAVE_GIF_TRANSPARENT, Setting::GifSaveTransparent),
          CheckField(IDC_SAVE_GIF_INTERLACED, Setting::GifSaveInterlaced),
          NumberField(IDC_SAVE_GIF_TRANSPARENCY, Setting::GifTransparency, 255)}},
        {RESOURCE_NAME(DLG_SAVE_LWF),
         {NumberField(IDC_SAVE_LWF_RATE, Setting::LwfCompressionRate),
          RadioField(IDC_SAVE_LWF_BY_RATE, Setting::LwfSaveOption, 1, 2, "2"),
          RadioField(IDC_SAVE_LWF_BY_SIZE, Setting::LwfSaveOption, 2, 2, "2"),
          TextField(IDC_SAVE_LWF_SIZE, Setting::LwfCompressionFileSize)}},
        {RESOURCE_NAME(DLG_SAVE_TIFF),
         {RadioField(IDC_SAVE_TIFF_NONE, Setting::TiffSaveCompression, 0, 1, "1"),
          RadioField(IDC_SAVE_TIFF_LZW, Setting::TiffSaveCompression, 1, 1, "1"),
          RadioField(IDC_SAVE_TIFF_PACKBITS, Setting::TiffSaveCompression, 2, 1, "1"),
          RadioField(IDC_SAVE_TIFF_JPEG, Setting::TiffSaveCompression, 6, 1, "1"),
          RadioField(IDC_SAVE_TIFF_HUFFMAN, Setting::TiffSaveCompression, 5, 1, "1"),
          RadioField(IDC_SAVE_TIFF_FAX3, Setting::TiffSaveCompression, 3, 1, "1"),
          RadioField(IDC_SAVE_TIFF_FAX4, Setting::TiffSaveCompression, 4, 1, "1")}},
        {RESOURCE_NAME(DLG_SAVE_WEBP),
         {ScrollField(IDC_SAVE_WEBP_QUALITY, Setting::WebpSaveQuality, IDC_SAVE_WEBP_QUALITY_VALUE, 100),
          CheckField(IDC_SAVE_WEBP_LOSSLESS, Setting::WebpSaveLossless)}},
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
