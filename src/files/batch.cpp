#include "files/batch.h"

#include "core/messages.h"
#include "core/strings.h"
#include "files/file_ops.h"
#include "formats/format_table.h"
#include "formats/load.h"
#include "formats/save.h"
#include "platform/platform.h"

namespace lg {
namespace {

const SaveType& TypeAt(int type) { return *SaveTypes()[size_t(type >= 0 && type < BatchTypeCount() ? type : 0)]; }

}  // namespace

int BatchTypeCount() { return SaveTypeCount(); }

std::string BatchTypeText(int type) { return Format(TypeAt(type).listText, Msg(MsgId::Files)); }

const char* BatchTypeWord(int type) { return TypeAt(type).ending; }

int BatchTypeOf(const std::string& word) {
    std::string w = word;
    if (!w.empty() && w[0] == '.') w.erase(0, 1);
    for (int i = 0; i < BatchTypeCount(); ++i) {
        const SaveType& t = TypeAt(i);
        if (EqualNoCase(w, t.ending) || (t.otherName && EqualNoCase(w, t.otherName))) return i;
    }
    return -1;
}

std::string BatchOutputName(const std::string& outDir, const std::string& input, const char* word) {
    std::string base = platform::BaseNameOf(input);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    return Format("%s%s.%s", outDir.c_str(), base.c_str(), word);
}

BatchSummary RunBatch(const std::vector<std::string>& files, const std::string& outDir, int type,
                      const BatchUi& ui, const ConvertOptions& opt) {
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
        PictureFacts facts;
        Image img = LoadQuiet(file, opt.read, st, &facts);
        std::string result;
        if (!img) {
            result = Format("%s: %s", Msg(MsgId::ErrorCantLoad), file.c_str());
        } else {
            const std::string out = BatchOutputName(dir, file, word);
            std::string message;
            if (platform::FileExists(out)) result = Format("%s: %s", Msg(MsgId::DestinationExists), out.c_str());
            else if (!SaveImage(img, out, KeepingMetadata(opt.save, facts), &message))
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
