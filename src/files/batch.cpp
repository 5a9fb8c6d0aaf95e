#include "files/batch.h"

#include <cctype>

#include "core/messages.h"
#include "files/file_ops.h"
#include "formats/load.h"
#include "formats/save.h"
#include "formats/status.h"
#include "platform/platform.h"

namespace lg {
namespace {

struct BatchType {
    const char* text;
    const char* word;
};
constexpr BatchType kTypes[kBatchTypeCount] = {
    {"JPG - JPEG %s", "JPG"},
    {"GIF - Compuserve GIF", "GIF"},
    {"BMP - Windows Bitmap", "BMP"},
    {"PNG - Portable Network Graphics", "PNG"},
    {"TIF - Tagged Image File Format", "TIF"},
    {"LWF - LuRaTech Wavelet", "LWF"},
    {"PCX - Zsoft Paintbrush", "PCX"},
    {"ICO - Windows Icon", "ICO"},
    {"EMF - Enhanced Windows Metafile", "EMF"},
};

const BatchType& TypeAt(int type) { return kTypes[type >= 0 && type < kBatchTypeCount ? type : 0]; }

bool SameWord(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

}  // namespace

std::string BatchTypeText(int type) {
    if (type == 0) return Format(kTypes[0].text, Msg(MsgId::Files));
    return TypeAt(type).text;
}

const char* BatchTypeWord(int type) { return TypeAt(type).word; }

int BatchTypeOf(const std::string& word) {
    std::string w = word;
    if (!w.empty() && w[0] == '.') w.erase(0, 1);
    for (int i = 0; i < kBatchTypeCount; ++i)
        if (SameWord(w, kTypes[i].word)) return i;
    if (SameWord(w, "JPEG")) return 0;
    if (SameWord(w, "TIFF")) return 4;
    return -1;
}

std::string BatchOutputName(const std::string& outDir, const std::string& input, const char* word) {
    std::string base = platform::BaseNameOf(input);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    return Format("%s%s.%s", outDir.c_str(), base.c_str(), word);
}

BatchSummary RunBatch(const std::vector<std::string>& files, const std::string& outDir, int type,
                      const BatchUi& ui, bool paletteDisplay) {
    BatchSummary sum;
    if (files.empty()) return sum;
    const char* word = BatchTypeWord(type);
    const std::string dir = CreateDirectoryPath(outDir);
    const int n = int(files.size());
    for (int i = 1; i <= n; ++i) {
        const std::string& file = files[size_t(i - 1)];
        if (ui.starting) ui.starting(i, n);
        if (ui.stopRequested && ui.stopRequested()) {
            sum.stopped = true;
            break;
        }
        ui.line(Format("%s: %s", Msg(MsgId::Converting), file.c_str()));
        Status st;
        Image img = LoadQuiet(file, st);
        std::string result;
        if (!img) {
            result = Format("%s: %s", Msg(MsgId::ErrorCantLoad), file.c_str());
        } else {
            const std::string out = BatchOutputName(dir, file, word);
            std::string message;
            if (platform::FileExists(out)) result = Format("%s: %s", Msg(MsgId::DestinationExists), out.c_str());
            else if (!SaveImage(img, out, paletteDisplay, &message))
                result = Format("%s: %s", Msg(MsgId::CantSave), out.c_str());
            else result = Msg(MsgId::BatchOk);
        }
        if (result == Msg(MsgId::BatchOk)) ++sum.converted;
        else ++sum.errors;
        ui.line(result);
    }
    return sum;
}

std::string BatchSummaryLine(const BatchSummary& s) { return Format("%d %s", s.errors, Msg(MsgId::Errors)); }

}  // namespace lg
