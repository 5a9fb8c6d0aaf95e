#include "shell/logic/associations.h"

#include <sstream>

#include "shell/resource_ids.h"

namespace lg {
namespace {

using R = AssocRule;

std::vector<std::string> Words(const char* list) {
    std::vector<std::string> out;
    std::istringstream in(list ? list : "");
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

RegWrite Set(const std::string& key, const std::string& value) { return RegWrite{RegWrite::SetDefault, key, value}; }
RegWrite Delete(const std::string& key) { return RegWrite{RegWrite::DeleteKey, key, ""}; }

// Each extension of the row named `cls`.
void NameExtensions(const AssocRow& row, const std::string& cls, std::vector<RegWrite>& out) {
    for (const std::string& e : Words(row.extensions)) out.push_back(Set("." + e, cls));
}

void OpenAndPlay(const std::string& cls, const std::string& open, const std::string& play,
                 std::vector<RegWrite>& out) {
    out.push_back(Set(cls + "\\shell\\open\\command", open));
    out.push_back(Set(cls + "\\shell\\play\\command", play));
}

// The media player commands a Windows 98 system had for video and sound.
void ActiveMovieCommands(const std::string& cls, const AssocContext& c, std::vector<RegWrite>& out) {
    std::string w = c.windowsDir;
    if (w.empty() || w.back() != '\\') w += "\\";
    const std::string base = w + "rundll32.exe " + w + "SYSTEM\\AMOVIE.OCX,RunDll ";
    OpenAndPlay(cls, base + "/open %1", base + "/play /close %1", out);
}

}  // namespace

const std::vector<AssocRow>& AssociationRows() {
    static const std::vector<AssocRow> rows = {
        {"JPG/JPEG", IDC_ASSOC_JPG, "JPG", "jpg jpeg", R::Plain, nullptr, "jpegfile"},
        {"GIF", IDC_ASSOC_GIF, "GIF", "gif", R::Plain, nullptr, "giffile"},
        {"BMP", IDC_ASSOC_BMP, "BMP", "bmp", R::Bmp, "Paint.Picture", nullptr},
        {"&Use Thumbnail for BMPs", IDC_ASSOC_THUMBNAIL, "UseThumbBMP", "", R::None, nullptr, nullptr},
        {"DIB", IDC_ASSOC_DIB, "DIB", "dib", R::Plain, nullptr, nullptr},
        {"RLE", IDC_ASSOC_RLE, "RLE", "rle", R::Plain, nullptr, nullptr},
        {"PCX", IDC_ASSOC_PCX, "PCX", "pcx", R::Plain, nullptr, "PCXImage.Document"},
        {"DCX", IDC_ASSOC_DCX, "DCX", "dcx", R::Plain, nullptr, "DCXImage.Document"},
        {"PNG", IDC_ASSOC_PNG, "PNG", "png", R::Plain, nullptr, nullptr},
        {"TIF/TIFF", IDC_ASSOC_TIF, "TIF", "tif tiff", R::Plain, nullptr, "TIFImage.Document"},
        {"PCD", IDC_ASSOC_PCD, "PCD", "pcd", R::Plain, nullptr, nullptr},
        {"TGA", IDC_ASSOC_TGA, "TGA", "tga", R::Plain, nullptr, nullptr},
        {"RAS/SUN", IDC_ASSOC_RAS, "RAS", "ras sun", R::Plain, nullptr, nullptr},
        {"ICO", IDC_ASSOC_ICO, "ICO", "ico", R::IconClass, "icofile", "Symbol"},
        {"CUR", IDC_ASSOC_CUR, "CUR", "cur", R::IconClass, "curfile", "Cursor"},
        {"ANI", IDC_ASSOC_ANI, "ANI", "ani", R::IconClass, "anifile", "Animated Cursor"},
        {"AVI", IDC_ASSOC_AVI, "AVI", "avi", R::MediaA, "avifile", nullptr},
        {"WAV", IDC_ASSOC_WAV, "WAV", "wav", R::MediaB, "SoundRec", nullptr},
        {"MID/RMI", IDC_ASSOC_MID, "MID", "mid", R::MediaB, "midfile", nullptr},
        {"WMF", IDC_ASSOC_WMF, "WMF", "wmf", R::Plain, nullptr, nullptr},
        {"EMF", IDC_ASSOC_EMF, "EMF", "emf", R::Plain, nullptr, nullptr},
        {"PBM", IDC_ASSOC_PBM, "PBM", "pbm", R::Plain, nullptr, nullptr},
        {"PGM", IDC_ASSOC_PGM, "PGM", "pgm", R::Plain, nullptr, nullptr},
        {"PPM", IDC_ASSOC_PPM, "PPM", "ppm", R::Plain, nullptr, nullptr},
        {"IFF/LBM", IDC_ASSOC_IFF, "IFF", "iff lbm", R::Plain, nullptr, nullptr},
        {"PSD", IDC_ASSOC_PSD, "PSD", "psd", R::Plain, nullptr, nullptr},
        {"CLP", IDC_ASSOC_CLP, "CLP", "clp", R::Plain, nullptr, nullptr},
        {"EPS", IDC_ASSOC_EPS, "EPS", "eps", R::Plain, nullptr, nullptr},
        {"CAM", IDC_ASSOC_CAM, "CAM", "cam", R::Plain, nullptr, nullptr},
        {"LWF", IDC_ASSOC_LWF, "LWF", "lwf", R::Plain, nullptr, nullptr},
        {"MPG/MPEG", IDC_ASSOC_MPG, "MPG", "mpg mpeg", R::MediaC, "mpegfile", nullptr},
        {"MOV", IDC_ASSOC_MOV, "MOV", "mov", R::MediaC, "movfile", nullptr},
        {"AIF", IDC_ASSOC_AIF, "AIF", "aif", R::MediaC, "aifffile", nullptr},
        {"G3", IDC_ASSOC_G3, "G3", "g3", R::Plain, nullptr, nullptr},
        {"WEBP", IDC_ASSOC_WEBP, "WEBP", "webp", R::Plain, nullptr, nullptr},
    };
    return rows;
}

std::string QuotedOpenCommand(const std::string& exe) { return "\"" + exe + "\" \"%1\""; }
std::string PlainOpenCommand(const std::string& exe) { return exe + " %1"; }
std::string IconReference(const std::string& exe, int icon) { return exe + "," + std::to_string(icon); }

std::vector<RegWrite> TickedWrites(const AssocRow& row, const AssocContext& c) {
    std::vector<RegWrite> out;
    const std::string cls = row.className ? row.className : "";
    const std::string quoted = QuotedOpenCommand(c.exePath);
    switch (row.rule) {
    case R::Plain: NameExtensions(row, kProgramClass, out); break;
    case R::Bmp:
        if (c.thumbnailBmp) {
            // The shell keeps drawing each bitmap as its own icon; opening it comes to us.
            out.push_back(Set(cls + "\\shell\\open\\command", PlainOpenCommand(c.exePath)));
            out.push_back(Set(cls + "\\DefaultIcon", "%1"));
            NameExtensions(row, cls, out);
            out.push_back(Delete(".bmp\\ShellNew"));
        } else {
            NameExtensions(row, kProgramClass, out);
        }
        break;
    case R::IconClass:
        out.push_back(Set(cls + "\\shell\\open\\command", PlainOpenCommand(c.exePath)));
        out.push_back(Set(cls + "\\DefaultIcon", "%1"));
        break;
    case R::MediaA:
    case R::MediaB:
        NameExtensions(row, cls, out);
        OpenAndPlay(cls, quoted, quoted, out);
        break;
    case R::MediaC:
        if (c.windows98) {
            NameExtensions(row, cls, out);
            OpenAndPlay(cls, quoted, quoted, out);
        } else {
            NameExtensions(row, kProgramClass, out);
        }
        break;
    case R::None: break;
    }
    return out;
}

std::vector<RegWrite> RestoreWrites(const AssocRow& row, const AssocContext& c) {
    std::vector<RegWrite> out;
    const std::string cls = row.className ? row.className : "";
    switch (row.rule) {
    case R::Plain:
        if (c.windows98 && row.restoreName) {
            NameExtensions(row, row.restoreName, out);
        } else {
            for (const std::string& e : Words(row.extensions)) out.push_back(Delete("." + e));
        }
        break;
    case R::Bmp: {
        const std::string paint = c.pbrushPath.empty() ? "PBRUSH.EXE" : c.pbrushPath;
        NameExtensions(row, cls, out);
        out.push_back(Set(cls + "\\shell\\open\\command", paint + " %1"));
        out.push_back(Set(cls + "\\DefaultIcon", paint + ",1"));
        break;
    }
    case R::IconClass:
        NameExtensions(row, cls, out);
        out.push_back(Set(cls, row.restoreName));
        out.push_back(Set(cls + "\\DefaultIcon", "%1"));
        out.push_back(Delete(cls + "\\shell"));
        break;
    case R::MediaA:
        if (c.windows98) ActiveMovieCommands(cls, c, out);
        else OpenAndPlay(cls, "MPLAYER.EXE %1", "MPLAYER.EXE %1", out);
        break;
    case R::MediaB:
        if (c.windows98) ActiveMovieCommands(cls, c, out);
        else OpenAndPlay(cls, "MPLAYER.EXE %1", "MPLAYER.EXE /play /close %1", out);
        break;
    case R::MediaC:
        if (c.windows98) {
            ActiveMovieCommands(cls, c, out);
        } else {
            for (const std::string& e : Words(row.extensions)) out.push_back(Delete("." + e));
        }
        break;
    case R::None: break;
    }
    return out;
}

std::vector<std::string> SplitOtherExtensions(const std::string& text) {
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ') continue;
        if (i > start) names.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return names;
}

std::vector<RegWrite> ProgramClassWrites(const std::string& caption, const std::string& exe) {
    return {Set(kProgramClass, caption), Set(std::string(kProgramClass) + "\\shell\\open\\command",
                                             QuotedOpenCommand(exe))};
}

}  // namespace lg
