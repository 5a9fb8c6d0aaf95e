#include "formats/format_table.h"

#include <cstring>
#include <vector>

#include "core/bytes.h"
#include "formats/status.h"
#include "core/messages.h"

namespace lg {
namespace {

const FormatInfo kFormats[kFormatCount] = {
    {"JPEG", "JPG JPEG", "JPEG/JFIF", ".jpg"},
    {"GIF", "GIF", "GIF - LZW", ".gif"},
    {"BMP", "BMP DIB RLE", nullptr, ".bmp"},
    {"PNG", "PNG", "PNG - ZIP", ".png"},
    {"PCX", "PCX", nullptr, ".pcx"},
    {"RAS", "RAS SUN", nullptr, ".ras"},
    {"TIF", "TIF TIFF CPT", nullptr, ".tif"},
    {"PCD", "PCD", "Photo CD - None", ".pcd"},
    {"TGA", "TGA", nullptr, ".tga"},
    {"ICO/CUR", "ICO CUR", "Windows ICON/CURSOR - None", nullptr},
    {"", "AVI RMI WAV MID MPG MPEG MOV AIF", nullptr, nullptr},
    {"WMF/EMF", "WMF EMF", nullptr, ".wmf"},
    {"PPM", "PPM", "Portable Pixelmap - None", ".ppm"},
    {"PGM", "PGM", "Portable Greymap - None", ".pgm"},
    {"PBM", "PBM", "Portable Bitmap - None", ".pbm"},
    {"IFF", "IFF LBM", nullptr, ".iff"},
    {"PSD", "PSD", nullptr, ".psd"},
    {"ANI", "ANI", "Windows animated cursor - None", ".ani"},
    // A DCX file is renamed to .dcx: giving it the PCX ending would make the
    // name lie about a multipage file.
    {"DCX", "DCX", nullptr, ".dcx"},
    {"CLP", "CLP", "Windows Clipboard - None", ".clp"},
    {"EPS", "EPS", nullptr, ".eps"},
    {"CAM", "CAM", "JPEG/JFIF", ".cam"},
    {"LWF", "LWF", nullptr, ".lwf"},
    {"G3", "G3", "Group 3 FAX Encoding", ".g3"},
};

bool Is(const uint8_t* p, const char* s) { return std::memcmp(p, s, std::strlen(s)) == 0; }
bool IsBytes(const uint8_t* p, std::initializer_list<uint8_t> bytes) {
    size_t i = 0;
    for (uint8_t b : bytes)
        if (p[i++] != b) return false;
    return true;
}
bool TargaDepth(uint8_t d) { return d == 8 || d == 15 || d == 16 || d == 24 || d == 32; }

}  // namespace

const FormatInfo& FormatOf(int format) { return kFormats[format]; }

int DetectFormat(const uint8_t* b, size_t size, const std::string& fileName) {
    if (size < kSignatureBytes) return kFormatUnknown;
    if (Is(b + 6, "JFIF") || Is(b + 6, "Exif")) return kFormatJpeg;
    if (IsBytes(b, {0xFF, 0xD8, 0xFF})) return kFormatJpeg;
    if (Is(b, "GIF8")) return kFormatGif;
    if (Is(b, "BM")) return kFormatBmp;
    if (Is(b, "II") || Is(b, "MM")) return kFormatTif;
    if (Is(b + 1, "PNG")) return kFormatPng;
    if (IsBytes(b, {0x59, 0xA6, 0x6A, 0x95})) return kFormatRas;
    if (b[0] == 0x0A && (b[1] == 0 || b[1] == 2 || b[1] == 3 || b[1] == 5)) return kFormatPcx;
    if ((IsBytes(b, {0, 0, 1, 0}) || IsBytes(b, {0, 0, 2, 0})) && !TargaDepth(b[16])) return kFormatIcoCur;
    if (IsBytes(b, {1, 0, 0, 0}) || IsBytes(b, {0xD7, 0xCD, 0xC6, 0x9A}) || IsBytes(b, {1, 0, 9, 0}))
        return kFormatMetafile;
    if (Is(b, "PCD_OPA") || IsBytes(b, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})) return kFormatPcd;
    if (Is(b, "RIFF") && Is(b + 8, "ACON")) return kFormatAni;
    if (Is(b, "RIFF") && (Is(b + 8, "AV") || Is(b + 8, "WA") || Is(b + 8, "RM"))) return kFormatMedia;
    if (Is(b, "MThd")) return kFormatMedia;
    if (IsBytes(b, {0, 0, 1})) return kFormatMedia;
    if (Is(b + 4, "mdat") || Is(b + 4, "skip") || Is(b + 4, "moov") || Is(b + 4, "pnot") || Is(b + 4, "free"))
        return kFormatMedia;
    if (Is(b, "FORM") && Is(b + 8, "AIFF")) return kFormatMedia;
    if (fileName.size() >= 2) {
        std::string tail = fileName.substr(fileName.size() - 2);
        if (tail == "G3" || tail == "g3") return kFormatG3;
    }
    if (b[0] == 'P') {
        switch (b[1]) {
        case '6': case '3': return kFormatPpm;
        case '5': case '2': return kFormatPgm;
        case '4': case '1': return kFormatPbm;
        default: break;
        }
    }
    if (Is(b, "FORM")) return kFormatIff;
    if (Is(b, "8BPS")) return kFormatPsd;
    if (b[0] == 'P' && b[1] == 0xC3) return kFormatClp;
    if (IsBytes(b, {0xC5, 0xD0, 0xD3, 0xC6})) return kFormatEps;
    if (IsBytes(b, {0xB1, 0x68, 0xDE, 0x3A})) return kFormatDcx;
    if (IsBytes(b, {0x07, 0x20, 0x4D})) return kFormatCam;
    if (IsBytes(b, {'W', 'V', 2, 0, 'G', 'E'})) return kFormatLwf;
    if ((b[1] == 0 || b[1] == 1) && TargaDepth(b[16])) return kFormatTga;
    return kFormatUnknown;
}

int DetectFileFormat(const std::string& path) {
    ByteSource in = ByteSource::OpenFile(path);
    if (!in.ok()) return kFormatUnknown;
    uint8_t head[kSignatureBytes];
    size_t got = in.read(head, sizeof head);
    return DetectFormat(head, got, path);
}

bool HasAcceptedEnding(int format, const std::string& fileName) {
    if (format < 0 || format >= kFormatCount) return false;
    const std::string upper = UpperCase(fileName);
    const char* p = kFormats[format].endings;
    while (*p) {
        const char* end = std::strchr(p, ' ');
        size_t n = end ? size_t(end - p) : std::strlen(p);
        if (upper.size() >= n && upper.compare(upper.size() - n, n, p, n) == 0) return true;
        p += n;
        while (*p == ' ') ++p;
    }
    return false;
}

const FilterEntry* OpenFilters(size_t* count) {
    const char* files = Msg(MsgId::Files);
    static const FilterEntry kFilters[] = {
        {Format("Lumagrove - %s", files),
         "*.jpg;*.jpeg;*.gif;*.bmp;*.tif;*.tiff;*.png;*.pcx;*.tga;*.pcd;*.ras;*.sun;*.rle;*.dib;*.ico;"
         "*.avi;*.wav;*.rmi;*.mid;*.wmf;*.emf;*.pbm;*.pgm;*.ppm;*.iff;*.lbm;*.psd;*.cpt;*.mpg;*.mpeg;"
         "*.mov;*.cur;*.ani;*.dcx;*.clp;*.eps;*.cam;*.lwf;*.aif;*.g3"},
        {Format("(*.JPG) JPEG - %s", files), "*.jpg;*.jpeg"},
        {"(*.GIF) Compuserve GIF", "*.gif"},
        {Format("(*.BMP) Windows %s OS/2 Bitmap", Msg(MsgId::Or)), "*.bmp"},
        {"(*.TIF) Tagged Image File Format", "*.tif;*.tiff"},
        {"(*.PNG) Portable Network Graphics", "*.png"},
        {"(*.LWF) LuRaTech Wavelet", "*.lwf"},
        {"(*.PCX) Zsoft Paintbrush", "*.pcx;*.dcx"},
        {"(*.TGA) Truevision Targa", "*.tga"},
        {"(*.PCD) Kodak Photo CD", "*.pcd"},
        {Format("(*.RAS) Sun Raster %s", files), "*.ras;*.sun"},
        {"(*.RLE) Windows RLE", "*.rle"},
        {Format("(*.DIB) Windows %s OS/2 DIB", Msg(MsgId::Or)), "*.dib"},
        {"(*.ICO) Windows Icons", "*.ico"},
        {"(*.CUR) Windows Cursors", "*.cur"},
        {"(*.ANI) Animated Cursors", "*.ani"},
        {Format("(*.WAV,*.MID,*.RMI,*.AIF) Sound %s", files), "*.wav;*.mid;*.rmi;*.aif"},
        {"(*.WMF,*.EMF) Windows Metafiles", "*.wmf;*.emf"},
        {"(*.PPM) Portable Pixelmap", "*.ppm"},
        {"(*.PGM) Portable Greymap", "*.pgm"},
        {"(*.PBM) Portable Bitmap", "*.pbm"},
        {"(*.IFF,*.LBM) Amiga Interchange File Format", "*.iff;*.lbm"},
        {Format("(*.PSD) Adobe Photoshop %s", files), "*.psd"},
        {Format("(*.CPT) Corel PhotoPaint 6.0 %s", files), "*.cpt"},
        {"(*.CLP) Windows Clipboard", "*.clp"},
        {"(*.EPS) Encapsulated PostScript (Preview)", "*.eps"},
        {"(*.CAM) Casio Camera File", "*.cam"},
        {Format("(*.AVI) Video %s Windows", Msg(MsgId::For)), "*.avi"},
        {Format("(*.MPG,*.MPEG) MPEG %s", files), "*.mpg;*.mpeg"},
        {"(*.MOV) Apple QuickTime Movie", "*.mov"},
        {Format("(*.G3) G3 FAX %s", files), "*.g3"},
        {Format("%s (*.*)", Msg(MsgId::AllFiles)), "*.*"},
    };
    *count = sizeof kFilters / sizeof kFilters[0];
    return kFilters;
}

std::string OpenFilterString() {
    size_t n;
    const FilterEntry* f = OpenFilters(&n);
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += f[i].description;
        out += '\0';
        out += f[i].patterns;
        out += '\0';
    }
    out += '\0';
    return out;
}

}  // namespace lg
