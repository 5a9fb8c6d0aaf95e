#include "formats/save.h"

#include "core/messages.h"
#include "core/strings.h"
#include "formats/format_table.h"
#include "ops/quantize.h"

namespace lg {
namespace {

const SaveType* SaveTypeAt(int filterIndex) {
    if (filterIndex < 1 || filterIndex > SaveTypeCount()) return nullptr;
    return SaveTypes()[size_t(filterIndex - 1)];
}

}  // namespace

bool SaveImage(const Image& img, const std::string& outName, const SaveOptions& opt, std::string* message) {
    std::string ignored;
    std::string& msg = message ? *message : ignored;
    if (!img) {
        msg = Msg(MsgId::NoPicture);
        return false;
    }
    const SaveType* type = SaveTypeOfName(outName);
    if (!type) {
        msg = Msg(MsgId::UnsupportedSaveType);
        return false;
    }
    const std::string ending = type->ending;
    // The conversion copy the writer needs; the caller's picture stays as it is.
    std::string failure;
    const Image copy = type->copy ? type->copy(img, opt, failure) : Image();
    if (!failure.empty()) {
        msg = failure;
        return false;
    }
    Status st;
    if (!type->write) {
        st.error = Msg(MsgId::NotInThisBuild);
        msg = SaveFailureText(ending, st);
        return false;
    }
    if (!type->write(outName, copy ? copy : img, opt, st)) {
        msg = SaveFailureText(ending, st);
        return false;
    }
    return true;
}

std::string SaveFailureText(const std::string& ending, const Status& st) {
    const char* word = Msg(MsgId::SaveError);
    if (ending == "BMP" || ending == "TIF" || !st.error.empty())
        return Format("%s %s - %s", ending.c_str(), word, st.error.c_str());
    return Format("%s %s", ending.c_str(), word);
}

// Dot or not: "pics.png.old" is none, "x.tiff" is none either.
const SaveType* SaveTypeOfName(const std::string& outName) {
    const SaveType* type = nullptr;
    for (const SaveType* t : SaveTypes())
        if (EndsWithNoCase(outName, t->ending)) type = t;
    return type;
}

SaveOptions KeepingMetadata(SaveOptions opt, const PictureFacts& facts) {
    opt.exif = &facts.exif;
    opt.icc = &facts.icc;
    opt.resetOrientation = facts.orientationApplied != 0 || facts.turned;
    return opt;
}

int SaveTypeCount() { return int(SaveTypes().size()); }

std::string SaveTypeExtension(int filterIndex) {
    const SaveType* t = SaveTypeAt(filterIndex);
    if (!t) return std::string();
    std::string ext = std::string(".") + t->ending;
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return ext;
}

int SaveTypeOfExtension(const std::string& extension) {
    for (int i = 1; i <= SaveTypeCount(); ++i)
        if (EqualNoCase(extension, SaveTypeExtension(i))) return i;
    return 0;
}

std::string SaveFilterString() {
    std::string out;
    for (const SaveType* t : SaveTypes()) {
        out += Format(t->filter, Msg(MsgId::Files));
        out += '\0';
        out += t->patterns;
        out += '\0';
    }
    out += '\0';
    return out;
}

std::string AppendExtension(const std::string& name, int filterIndex) {
    const std::string ext = SaveTypeExtension(filterIndex);
    if (ext.empty()) return name;
    if (name.find(ext) != std::string::npos || name.find(UpperCase(ext)) != std::string::npos) return name;
    return name + ext;
}

Image ReduceForPalette(const Image& img, std::string& failure) {
    Image copy = ReduceColors(img, 256);
    if (!copy) failure = Msg(MsgId::CantQuantize256);
    return copy;
}

}  // namespace lg
