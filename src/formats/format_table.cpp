#include "formats/format_table.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "core/bytes.h"
#include "core/strings.h"
#include "formats/ani.h"
#include "formats/bmp.h"
#include "formats/fax_g3.h"
#include "formats/gif.h"
#include "formats/icon.h"
#include "formats/iff.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "formats/pcx.h"
#include "formats/photocd.h"
#include "formats/png.h"
#include "formats/pnm.h"
#include "formats/psd.h"
#include "formats/side_formats.h"
#include "formats/sunras.h"
#include "formats/targa.h"
#include "formats/tiff.h"
#include "formats/webp.h"

namespace lg {
namespace {

// ---- detection: each type's test on the first 20 bytes ----------------------

bool Is(const uint8_t* p, const char* s) { return std::memcmp(p, s, std::strlen(s)) == 0; }
bool IsBytes(const uint8_t* p, std::initializer_list<uint8_t> bytes) {
    size_t i = 0;
    for (uint8_t b : bytes)
        if (p[i++] != b) return false;
    return true;
}
bool TargaDepth(uint8_t d) { return d == 8 || d == 15 || d == 16 || d == 24 || d == 32; }

bool IsJpeg(const uint8_t* b, const std::string&) {
    return Is(b + 6, "JFIF") || Is(b + 6, "Exif") || IsBytes(b, {0xFF, 0xD8, 0xFF});
}
bool IsGif(const uint8_t* b, const std::string&) { return Is(b, "GIF8"); }
bool IsBmp(const uint8_t* b, const std::string&) { return Is(b, "BM"); }
bool IsTif(const uint8_t* b, const std::string&) { return Is(b, "II") || Is(b, "MM"); }
bool IsPng(const uint8_t* b, const std::string&) { return Is(b + 1, "PNG"); }
bool IsRas(const uint8_t* b, const std::string&) { return IsBytes(b, {0x59, 0xA6, 0x6A, 0x95}); }
bool IsPcx(const uint8_t* b, const std::string&) {
    return b[0] == 0x0A && (b[1] == 0 || b[1] == 2 || b[1] == 3 || b[1] == 5);
}
bool IsIcoCur(const uint8_t* b, const std::string&) {
    return (IsBytes(b, {0, 0, 1, 0}) || IsBytes(b, {0, 0, 2, 0})) && !TargaDepth(b[16]);
}
bool IsMetafile(const uint8_t* b, const std::string&) {
    return IsBytes(b, {1, 0, 0, 0}) || IsBytes(b, {0xD7, 0xCD, 0xC6, 0x9A}) || IsBytes(b, {1, 0, 9, 0});
}
bool IsPcd(const uint8_t* b, const std::string&) {
    return Is(b, "PCD_OPA") || IsBytes(b, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
}
bool IsAni(const uint8_t* b, const std::string&) { return Is(b, "RIFF") && Is(b + 8, "ACON"); }
// RIFF again: the form type tells WebP from video, sound and animated
// cursors; the size must at least hold the form type and one chunk header.
bool IsWebp(const uint8_t* b, const std::string&) {
    return Is(b, "RIFF") && Is(b + 8, "WEBP") && GetLE32(b + 4) >= 12;
}
bool IsMedia(const uint8_t* b, const std::string&) {
    if (Is(b, "RIFF") && (Is(b + 8, "AV") || Is(b + 8, "WA") || Is(b + 8, "RM"))) return true;
    if (Is(b, "MThd") || IsBytes(b, {0, 0, 1})) return true;
    for (const char* atom : {"mdat", "skip", "moov", "pnot", "free"})
        if (Is(b + 4, atom)) return true;
    return Is(b, "FORM") && Is(b + 8, "AIFF");
}
// A fax file has no signature: its name decides, after the strong signatures.
bool IsG3(const uint8_t*, const std::string& name) { return EndsWithNoCase(name, "G3"); }
bool IsPpm(const uint8_t* b, const std::string&) { return b[0] == 'P' && (b[1] == '6' || b[1] == '3'); }
bool IsPgm(const uint8_t* b, const std::string&) { return b[0] == 'P' && (b[1] == '5' || b[1] == '2'); }
bool IsPbm(const uint8_t* b, const std::string&) { return b[0] == 'P' && (b[1] == '4' || b[1] == '1'); }
bool IsIff(const uint8_t* b, const std::string&) { return Is(b, "FORM"); }
bool IsPsd(const uint8_t* b, const std::string&) { return Is(b, "8BPS"); }
bool IsClp(const uint8_t* b, const std::string&) { return b[0] == 'P' && b[1] == 0xC3; }
bool IsEps(const uint8_t* b, const std::string&) { return IsBytes(b, {0xC5, 0xD0, 0xD3, 0xC6}); }
bool IsDcx(const uint8_t* b, const std::string&) { return IsBytes(b, {0xB1, 0x68, 0xDE, 0x3A}); }
bool IsCam(const uint8_t* b, const std::string&) { return IsBytes(b, {0x07, 0x20, 0x4D}); }
bool IsLwf(const uint8_t* b, const std::string&) { return IsBytes(b, {'W', 'V', 2, 0, 'G', 'E'}); }
// The weakest test comes last: two bytes and a plausible depth.
bool IsTga(const uint8_t* b, const std::string&) { return (b[1] == 0 || b[1] == 1) && TargaDepth(b[16]); }

// ---- the table, by format index ---------------------------------------------

constexpr MsgId kFiles = MsgId::Files;

const FormatInfo kFormats[kFormatCount] = {
    {"JPEG", 10, IsJpeg, "JPG JPEG", nullptr, "JPEG/JFIF", ".jpg", LoadJpeg, nullptr,
     {{2, "(*.JPG) JPEG - %s", kFiles, "*.jpg;*.jpeg", nullptr}},
     {1, "JPG", "JPEG", "(*.JPG) JPEG - %s", "*.jpg;*.jpeg", "JPG - JPEG %s", true, "SAVEJPEGGIF",
      JpegSaveCopy, SaveJpeg}},
    {"GIF", 20, IsGif, "GIF", nullptr, "GIF - LZW", ".gif", LoadGif, nullptr,
     {{3, "(*.GIF) Compuserve GIF", kNoWord, "*.gif", nullptr}},
     {2, "GIF", nullptr, "(*.GIF) Compuserve GIF", "*.gif", "GIF - Compuserve GIF", true, "SAVEJPEGGIF",
      GifSaveCopy, SaveGif}},
    {"BMP", 30, IsBmp, "BMP DIB RLE", nullptr, nullptr, ".bmp", PlainReader<ReadBmpFrom>, nullptr,
     {{4, "(*.BMP) Windows %s OS/2 Bitmap", MsgId::Or, "*.bmp", nullptr},
      {12, "(*.RLE) Windows RLE", kNoWord, "*.rle", nullptr},
      {13, "(*.DIB) Windows %s OS/2 DIB", MsgId::Or, "*.dib", nullptr}},
     {3, "BMP", nullptr, "(*.BMP) Windows Bitmap", "*.bmp", "BMP - Windows Bitmap", true, nullptr, nullptr,
      SaveBmp}},
    {"PNG", 50, IsPng, "PNG", nullptr, "PNG - ZIP", ".png", PlainReader<ReadPngFrom>, nullptr,
     {{6, "(*.PNG) Portable Network Graphics", kNoWord, "*.png", nullptr}},
     {4, "PNG", nullptr, "(*.PNG) Portable Network Graphics", "*.png", "PNG - Portable Network Graphics", true,
      nullptr, nullptr, SavePng}},
    {"PCX", 70, IsPcx, "PCX", nullptr, nullptr, ".pcx", LoadPcx, nullptr,
     {{8, "(*.PCX) Zsoft Paintbrush", kNoWord, "*.pcx;*.dcx", nullptr}},
     {7, "PCX", nullptr, "(*.PCX) Zsoft Paintbrush", "*.pcx", "PCX - Zsoft Paintbrush", true, nullptr, nullptr,
      SavePcx}},
    {"RAS", 60, IsRas, "RAS SUN", nullptr, nullptr, ".ras", PlainReader<ReadSunRasterFrom>, nullptr,
     {{11, "(*.RAS) Sun Raster %s", kFiles, "*.ras;*.sun", nullptr}},
     {}},
    {"TIF", 40, IsTif, "TIF TIFF", "CPT", nullptr, ".tif", LoadTiff, ReadTiffFrom,
     {{5, "(*.TIF) Tagged Image File Format", kNoWord, "*.tif;*.tiff", nullptr},
      {24, "(*.CPT) Corel PhotoPaint 6.0 %s", kFiles, "*.cpt", nullptr}},
     {5, "TIF", "TIFF", "(*.TIF) Tagged Image File Format", "*.tif", "TIF - Tagged Image File Format", true,
      "SAVETIFF", TiffSaveCopy, SaveTiff}},
    {"PCD", 100, IsPcd, "PCD", nullptr, "Photo CD - None", ".pcd", LoadPhotoCd, nullptr,
     {{10, "(*.PCD) Kodak Photo CD", kNoWord, "*.pcd", nullptr}},
     {}},
    {"TGA", 240, IsTga, "TGA", nullptr, nullptr, ".tga", PlainReader<ReadTargaFrom>, nullptr,
     {{9, "(*.TGA) Truevision Targa", kNoWord, "*.tga", nullptr}},
     {}},
    {"ICO/CUR", 80, IsIcoCur, "ICO CUR", nullptr, "Windows ICON/CURSOR - None", nullptr, LoadIcon, nullptr,
     {{14, "(*.ICO) Windows Icons", kNoWord, "*.ico", nullptr},
      {15, "(*.CUR) Windows Cursors", kNoWord, "*.cur", nullptr}},
     {8, "ICO", nullptr, "(*.ICO) Windows Icon", "*.ico", "ICO - Windows Icon", true, nullptr, nullptr, SaveIcon}},
    {"", 120, IsMedia, "AVI RMI WAV MID MPG MPEG MOV AIF", nullptr, nullptr, nullptr, nullptr, nullptr,
     {{17, "(*.WAV,*.MID,*.RMI,*.AIF) Sound %s", kFiles, "*.wav;*.mid;*.rmi;*.aif", "*.wav;*.mid;*.rmi"},
      {28, "(*.AVI) Video %s Windows", MsgId::For, "*.avi", nullptr},
      {29, "(*.MPG,*.MPEG) MPEG %s", kFiles, "*.mpg;*.mpeg", nullptr},
      {30, "(*.MOV) Apple QuickTime Movie", kNoWord, "*.mov", nullptr}},
     {}},
    {"WMF/EMF", 90, IsMetafile, "WMF EMF", nullptr, nullptr, ".wmf", LoadMetafile, nullptr,
     {{18, "(*.WMF,*.EMF) Windows Metafiles", kNoWord, "*.wmf;*.emf", nullptr}},
     {9, "EMF", nullptr, "(*.EMF) Enhanced Windows Metafile", "*.emf", "EMF - Enhanced Windows Metafile", false,
      nullptr, EmfSaveCopy, SaveEmf}},
    {"PPM", 140, IsPpm, "PPM", nullptr, "Portable Pixelmap - None", ".ppm", LoadPpm, nullptr,
     {{19, "(*.PPM) Portable Pixelmap", kNoWord, "*.ppm", nullptr}},
     {}},
    {"PGM", 150, IsPgm, "PGM", nullptr, "Portable Greymap - None", ".pgm", LoadPgm, nullptr,
     {{20, "(*.PGM) Portable Greymap", kNoWord, "*.pgm", nullptr}},
     {}},
    {"PBM", 160, IsPbm, "PBM", nullptr, "Portable Bitmap - None", ".pbm", LoadPbm, nullptr,
     {{21, "(*.PBM) Portable Bitmap", kNoWord, "*.pbm", nullptr}},
     {}},
    {"IFF", 170, IsIff, "IFF LBM", nullptr, nullptr, ".iff", PlainReader<ReadIffFrom>, nullptr,
     {{22, "(*.IFF,*.LBM) Amiga Interchange File Format", kNoWord, "*.iff;*.lbm", nullptr}},
     {}},
    {"PSD", 180, IsPsd, "PSD", nullptr, nullptr, ".psd", PlainReader<ReadPsdFrom>, nullptr,
     {{23, "(*.PSD) Adobe Photoshop %s", kFiles, "*.psd", nullptr}},
     {}},
    {"ANI", 110, IsAni, "ANI", nullptr, "Windows animated cursor - None", ".ani", LoadAni, nullptr,
     {{16, "(*.ANI) Animated Cursors", kNoWord, "*.ani", nullptr}},
     {}},
    // A DCX file is renamed to .dcx: giving it the PCX ending would make the
    // name lie about a multipage file. The PCX row of the Open list shows it.
    {"DCX", 210, IsDcx, "DCX", nullptr, nullptr, ".dcx", LoadDcx, ReadDcxPageAt, {}, {}},
    {"CLP", 190, IsClp, "CLP", nullptr, "Windows Clipboard - None", ".clp", LoadClipboardFile, nullptr,
     {{25, "(*.CLP) Windows Clipboard", kNoWord, "*.clp", nullptr}},
     {}},
    {"EPS", 200, IsEps, "EPS", nullptr, nullptr, ".eps", LoadEpsPreview, nullptr,
     {{26, "(*.EPS) Encapsulated PostScript (Preview)", kNoWord, "*.eps", nullptr}},
     {}},
    {"CAM", 220, IsCam, "CAM", nullptr, "JPEG/JFIF", ".cam", LoadCasio, nullptr,
     {{27, "(*.CAM) Casio Camera File", kNoWord, "*.cam", nullptr}},
     {}},
    {"LWF", 230, IsLwf, "LWF", nullptr, nullptr, ".lwf", nullptr, nullptr,
     {{7, "(*.LWF) LuRaTech Wavelet", kNoWord, "*.lwf", nullptr}},
     {6, "LWF", nullptr, "(*.LWF) LuRaTech Wavelet", "*.lwf", "LWF - LuRaTech Wavelet", false, "SAVELWF", nullptr,
      nullptr}},
    {"G3", 130, IsG3, "G3", nullptr, "Group 3 FAX Encoding", ".g3", PlainReader<ReadFaxG3From>, nullptr,
     {{31, "(*.G3) G3 FAX %s", kFiles, "*.g3", ""}},
     {}},
    {"WEBP", 115, IsWebp, "WEBP", nullptr, nullptr, ".webp", LoadWebp, nullptr,
     {{32, "(*.WEBP) WebP", kNoWord, "*.webp", nullptr}},
     {10, "WEBP", nullptr, "(*.WEBP) WebP", "*.webp", "WEBP - WebP", true, "SAVEWEBP", WebpSaveCopy, SaveWebp}},
};

// The blank-separated words of an endings list.
std::vector<std::string> Words(const char* list) {
    std::vector<std::string> out;
    for (const char* p = list; p && *p;) {
        const char* end = std::strchr(p, ' ');
        const size_t n = end ? size_t(end - p) : std::strlen(p);
        if (n) out.emplace_back(p, n);
        p += n;
        while (*p == ' ') ++p;
    }
    return out;
}

// Format indexes in the order detection tries them.
const std::vector<int>& DetectionOrder() {
    static const std::vector<int> order = [] {
        std::vector<int> o;
        for (int f = 0; f < kFormatCount; ++f) o.push_back(f);
        std::stable_sort(o.begin(), o.end(),
                         [](int a, int b) { return kFormats[a].detectOrder < kFormats[b].detectOrder; });
        return o;
    }();
    return order;
}

std::string Described(const char* description, MsgId word) {
    return word == kNoWord ? std::string(description) : Format(description, Msg(word));
}

std::vector<FilterEntry> BuildOpenFilters() {
    std::vector<const OpenFilterRow*> rows;
    for (const FormatInfo& f : kFormats)
        for (const OpenFilterRow& r : f.open)
            if (r.row) rows.push_back(&r);
    std::stable_sort(rows.begin(), rows.end(), [](const OpenFilterRow* a, const OpenFilterRow* b) {
        return a->row < b->row;
    });
    std::vector<FilterEntry> out(1);
    std::string all, allAdded;
    auto append = [](std::string& list, const std::string& more) {
        if (more.empty()) return;
        if (!list.empty()) list += ';';
        list += more;
    };
    for (const OpenFilterRow* r : rows) {
        out.push_back({Described(r->description, r->word), r->patterns, r->patterns});
        append(all, r->patterns);
        append(allAdded, r->addAll ? r->addAll : r->patterns);
    }
    out[0] = {Format("Lumagrove - %s", Msg(MsgId::Files)), all, allAdded};
    out.push_back({Format("%s (*.*)", Msg(MsgId::AllFiles)), "*.*", "*.*"});
    return out;
}

}  // namespace

const FormatInfo& FormatOf(int format) { return kFormats[format]; }

int DetectFormat(const uint8_t* head, size_t size, const std::string& fileName) {
    if (size < kSignatureBytes) return kFormatUnknown;
    for (int f : DetectionOrder())
        if (kFormats[f].detect(head, fileName)) return f;
    return kFormatUnknown;
}

int DetectSourceFormat(ByteSource& in, const std::string& fileName) {
    uint8_t head[kSignatureBytes];
    const size_t got = in.read(head, sizeof head);
    in.rewind();
    return DetectFormat(head, got, fileName);
}

int DetectFileFormat(const std::string& path) {
    ByteSource in = ByteSource::OpenFile(path);
    return in.ok() ? DetectSourceFormat(in, path) : kFormatUnknown;
}

bool HasAcceptedEnding(int format, const std::string& fileName) {
    if (format < 0 || format >= kFormatCount) return false;
    for (const char* list : {kFormats[format].endings, kFormats[format].alsoAccepted})
        for (const std::string& e : Words(list))
            if (EndsWithNoCase(fileName, e)) return true;
    return false;
}

bool CountsAsPicture(const std::string& name) {
    for (const FormatInfo& f : kFormats)
        for (const std::string& e : Words(f.endings))
            if (EndsWithNoCase(name, e)) return true;
    return false;
}

const std::vector<FilterEntry>& OpenFilters() {
    static const std::vector<FilterEntry> filters = BuildOpenFilters();
    return filters;
}

std::string OpenFilterString() {
    std::string out;
    for (const FilterEntry& f : OpenFilters()) {
        out += f.description;
        out += '\0';
        out += f.patterns;
        out += '\0';
    }
    out += '\0';
    return out;
}

const std::vector<const SaveType*>& SaveTypes() {
    static const std::vector<const SaveType*> types = [] {
        std::vector<const SaveType*> t;
        for (const FormatInfo& f : kFormats)
            if (f.save.index) t.push_back(&f.save);
        std::sort(t.begin(), t.end(), [](const SaveType* a, const SaveType* b) { return a->index < b->index; });
        return t;
    }();
    return types;
}

}  // namespace lg
