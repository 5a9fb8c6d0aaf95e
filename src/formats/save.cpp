#include "formats/save.h"

#include <algorithm>

#include "core/convert.h"
#include "core/messages.h"
#include "formats/bmp.h"
#include "formats/gif.h"
#include "formats/icon.h"
#include "formats/metafile.h"
#include "formats/pcx.h"
#include "formats/jpeg.h"
#include "formats/png.h"
#include "formats/status.h"
#include "formats/tiff.h"
#include "ops/quantize.h"
#include "settings/settings.h"

namespace lg {
namespace {

struct SaveType {
    const char* ending;       // last three characters of the upper-cased name
    const char* extension;
    const char* description;  // filter description; %s takes "Files"
    const char* patterns;
};

const SaveType kSaveTypes[kSaveTypeCount] = {
    {"JPG", ".jpg", "(*.JPG) JPEG - %s", "*.jpg;*.jpeg"},
    {"GIF", ".gif", "(*.GIF) Compuserve GIF", "*.gif"},
    {"BMP", ".bmp", "(*.BMP) Windows Bitmap", "*.bmp"},
    {"PNG", ".png", "(*.PNG) Portable Network Graphics", "*.png"},
    {"TIF", ".tif", "(*.TIF) Tagged Image File Format", "*.tif"},
    {"LWF", ".lwf", "(*.LWF) LuRaTech Wavelet", "*.lwf"},
    {"PCX", ".pcx", "(*.PCX) Zsoft Paintbrush", "*.pcx"},
    {"ICO", ".ico", "(*.ICO) Windows Icon", "*.ico"},
    {"EMF", ".emf", "(*.EMF) Enhanced Windows Metafile", "*.emf"},
};

// The writer of each ending; null where this build has none yet.
using WriterFn = bool (*)(const std::string& path, const Image& img, const SaveOptions& opt, Status& st);

bool WriteBmpEntry(const std::string& path, const Image& img, const SaveOptions&, Status& st) {
    return WriteBmp(path, img, st);
}

WriterFn WriterFor(const std::string& ending) {
    if (ending == "BMP") return WriteBmpEntry;
    if (ending == "GIF") return WriteGifPicture;
    if (ending == "PCX") return WritePcx;
    if (ending == "JPG") return WriteJpeg;
    if (ending == "PNG") return WritePng;
    if (ending == "TIF") return WriteTiffPicture;
    if (ending == "ICO") return WriteIconPicture;
    if (ending == "EMF") return WriteEmfPicture;
    return nullptr;
}

// "BMP Save error ! - reason" and the like, as each type words it.
std::string FailureText(const std::string& ending, const Status& st) {
    const char* word = Msg(MsgId::SaveError);
    if (ending == "BMP" || ending == "TIF" || !st.error.empty())
        return Format("%s %s - %s", ending.c_str(), word, st.error.c_str());
    return Format("%s %s", ending.c_str(), word);
}

}  // namespace

SaveOptions ReadSaveOptions() {
    SaveOptions o;
    o.jpegQuality = ReadSetting(Setting::JpegSaveQuality);
    o.jpegGrayscale = ReadSetting(Setting::JpegSaveGrayscale) != 0;
    o.jpegProgressive = ReadSetting(Setting::JpegSaveProgressive) != 0;
    o.gifInterlaced = ReadSetting(Setting::GifSaveInterlaced) != 0;
    o.gifTransparent = ReadSetting(Setting::GifSaveTransparent) ? ReadSetting(Setting::GifTransparency) : -1;
    o.tiffCompression = ReadSetting(Setting::TiffSaveCompression);
    return o;
}

bool SaveImage(const Image& img, const std::string& outName, bool paletteDisplay, std::string* message) {
    std::string ignored;
    std::string& msg = message ? *message : ignored;
    if (!img) {
        msg = Msg(MsgId::NoPicture);
        return false;
    }
    SaveOptions opt = ReadSaveOptions();
    const std::string upper = UpperCase(outName);
    const std::string ending = upper.size() >= 3 ? upper.substr(upper.size() - 3) : upper;
    const int depth = img.bitCount();

    // The conversion copy each writer needs; the caller's picture stays as it is.
    Image copy;
    if (ending == "JPG" && (depth == 1 || depth == 4)) {
        copy = depth == 1 ? Expand1To8(img) : Expand4To8(img);
    } else if (ending == "TIF" && opt.tiffCompression == 6 && depth < 24) {
        copy = depth == 1 ? Expand1To24(img) : depth == 4 ? Expand4To24(img) : Expand8To24(img);
    } else if ((ending == "GIF" || (ending == "EMF" && paletteDisplay)) && depth == 24) {
        copy = ReduceColors(img, 256);
        if (!copy) {
            msg = Msg(MsgId::CantQuantize256);
            return false;
        }
    } else if (ending == "LWF" && depth < 24) {
        copy = ExpandTo24(img.Duplicate());
    }
    if (ending == "GIF" && opt.gifTransparent >= 0) {
        if (depth == 4) opt.gifTransparent = std::min(opt.gifTransparent, 15);
        if (depth == 1) opt.gifTransparent = std::min(opt.gifTransparent, 1);
    }
    const Image& toWrite = copy ? copy : img;

    bool known = false;
    for (const SaveType& t : kSaveTypes) known = known || ending == t.ending;
    if (!known) {
        msg = Msg(MsgId::UnsupportedSaveType);
        return false;
    }
    Status st;
    WriterFn write = WriterFor(ending);
    if (!write) {
        st.error = Msg(MsgId::NotInThisBuild);
        msg = FailureText(ending, st);
        return false;
    }
    if (!write(outName, toWrite, opt, st)) {
        msg = FailureText(ending, st);
        return false;
    }
    return true;
}

const char* SaveTypeExtension(int filterIndex) {
    if (filterIndex < 1 || filterIndex > kSaveTypeCount) return nullptr;
    return kSaveTypes[filterIndex - 1].extension;
}

std::string SaveFilterString() {
    std::string out;
    for (const SaveType& t : kSaveTypes) {
        out += Format(t.description, Msg(MsgId::Files));
        out += '\0';
        out += t.patterns;
        out += '\0';
    }
    out += '\0';
    return out;
}

std::string AppendExtension(const std::string& name, int filterIndex) {
    const char* ext = SaveTypeExtension(filterIndex);
    if (!ext) return name;
    if (name.find(ext) != std::string::npos || name.find(UpperCase(ext)) != std::string::npos) return name;
    return name + ext;
}

}  // namespace lg
