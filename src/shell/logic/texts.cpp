#include "shell/logic/texts.h"

#include <string>

#include "core/messages.h"
#include "core/strings.h"
#include "shell/logic/view_geometry.h"

namespace lg {

bool IsPseudoName(const std::string& fileName) {
    return fileName == kClipboardName || fileName == kScanImageName;
}

std::string DisplayNameOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string PictureTitle(const std::string& fileName, int width, int height, int bitCount,
                         const std::string& titleOverride, int zoomPercent) {
    if (!titleOverride.empty()) return Format("%s - %s", kProductName, titleOverride.c_str());
    const std::string name = DisplayNameOf(fileName);
    if (zoomPercent != 100)
        return Format("%s - %d %% (%dx%d)", name.c_str(), zoomPercent, ZoomedLength(width, zoomPercent),
                      ZoomedLength(height, zoomPercent));
    return Format("%s - %s (%dx%dx%dBPP)", kProductName, name.c_str(), width, height, bitCount);
}

const ToolbarEntry kToolbar[kToolbarEntries] = {
    {0, 40001},  {1, 40011},  {-1, 0},     {2, 40121},  {3, 40053}, {4, 40055}, {-1, 0},
    {5, 40051},  {6, 40047},  {7, 40048},  {8, 40040},  {9, 40039}, {10, 40101}, {11, 40100},
    {-1, 0},     {-1, 0},     {-1, 0},     {-1, 0},     {-1, 0},    {-1, 0},    {-1, 0},
    {-1, 0},     {-1, 0},     {-1, 0},     {12, 40002}, {13, 40036},
};

bool ToolbarButtonEnabled(int command, const ViewFacts& f) {
    switch (command) {
    case 40011:  // Save as
    case 40053:  // Copy
    case 40051:  // Image information
        return f.hasImage;
    case 40121:  // Cut selection
        return f.hasImage && f.selectionWidth >= 1 && f.selectionHeight >= 1;
    case 40055:  // Paste
        return f.clipboardHasDib;
    case 40047:  // Zoom in
    case 40048:  // Zoom out
        return f.hasImage || f.animation;
    case 40040:  // Previous file
    case 40039:  // Next file
        return f.dirCount > 1;
    case 40101:  // Previous page
        return f.multipage && f.page > 0;
    case 40100:  // Next page
        return f.multipage && f.page < f.pageCount - 1;
    default:
        return true;
    }
}

std::string StatusText(const ViewFacts& f) {
    if (!(f.hasImage || f.animation || f.video) || IsPseudoName(f.fileName)) return "";
    if (!f.viewAll) return "1/1";
    if (f.multipage) return Format("Page %d/%d", f.page + 1, f.pageCount);
    if (f.dirCount <= 0) return "0/0";
    return Format("%d/%d", f.dirIndex + 1, f.dirCount);
}

namespace {

int64_t ColorTableBytes(int bits) { return bits >= 1 && bits <= 8 ? int64_t(4) << bits : 0; }

std::string ColorsText(int bits) {
    if (bits >= 24) return Format("16,7 %s   (%d BitsPerPixel)", Msg(MsgId::Million), bits);
    const long colors = bits > 0 ? 1L << bits : 1;
    return Format("%ld   (%d BitsPerPixel)", colors, bits);
}

std::string SizeText(int width, int height) {
    return Format("%d x %d  %s", width, height, Msg(MsgId::Pixels));
}

// 64-bit counts without relying on the C library's "%lld".
std::string BytesText(int64_t n) { return std::to_string(n) + "  Bytes"; }

std::string DirectoryText(const InfoFacts& f, const std::string& name) {
    if (IsPseudoName(f.fileName)) return Format("%s %s", Msg(MsgId::NotAvailableIf), name.c_str());
    if (!f.viewAll) return Msg(MsgId::DirectoryDisabled);
    return Format("%d  %s  %d  %s %s", f.dirIndex + 1, Msg(MsgId::Of), f.dirCount, kProductName,
                  Msg(MsgId::Files));
}

}  // namespace

int64_t PictureMemorySize(int width, int height, int bits, bool animation) {
    const int64_t rows = (int64_t(width) * bits + 31) / 32 * 4 * height;
    return ColorTableBytes(bits) * (animation ? 2 : 1) + rows;
}

std::vector<InfoLine> ImageInfoLines(const InfoFacts& f) {
    const bool pseudo = IsPseudoName(f.fileName);
    const std::string name = DisplayNameOf(f.fileName);
    std::string compression = pseudo ? Msg(MsgId::None) : f.compression;
    if (f.dpi > 1) compression += Format(", %d DPI", f.dpi);
    const int bits = f.animation ? f.loadedBits : f.bits;
    std::string disk = pseudo || f.fileSize < 0 ? std::string(Msg(MsgId::NotAFile)) : BytesText(f.fileSize);
    return {
        {1124, name},
        {1131, compression},
        {1130, SizeText(f.loadedWidth, f.loadedHeight)},
        {1126, SizeText(f.width, f.height)},
        {1125, ColorsText(f.loadedBits)},
        {1127, ColorsText(bits)},
        {1128, disk},
        {1129, BytesText(PictureMemorySize(f.width, f.height, bits, f.animation))},
        {1123, DirectoryText(f, name)},
        {1132, Format("%ld %s", f.loadMilliseconds, Msg(MsgId::Milliseconds))},
    };
}

std::string ReplaceQuestionText(const std::string& target, int64_t targetSize, const std::string& source,
                                int64_t sourceSize) {
    return Format("%s:\n\t%s , %s  bytes\n%s:\n\t%s , %s  bytes\n", Msg(MsgId::ReplaceFile), target.c_str(),
                  std::to_string(targetSize).c_str(), Msg(MsgId::WithFile), source.c_str(),
                  std::to_string(sourceSize).c_str());
}

}  // namespace lg
