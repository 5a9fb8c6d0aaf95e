#include "shell/logic/texts.h"

#include <string>

#include "core/messages.h"
#include "core/strings.h"
#include "ops/orientation.h"
#include "shell/logic/view_geometry.h"
#include "shell/resource_ids.h"

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

std::string OrientationText(int tag, int applied) {
    if (applied >= 2 && applied <= 8) return Format("%s (tag value %d)", OrientationWords(applied), applied);
    if (tag >= 1 && tag <= 8) return Format("%s (tag value %d)", OrientationWords(1), tag);
    return OrientationWords(1);
}

std::vector<InfoLine> ImageInfoLines(const InfoFacts& f) {
    const bool pseudo = IsPseudoName(f.fileName);
    const std::string name = DisplayNameOf(f.fileName);
    std::string compression = pseudo ? Msg(MsgId::None) : f.compression;
    if (f.dpi > 1) compression += Format(", %d DPI", f.dpi);
    const int bits = f.animation ? f.loadedBits : f.bits;
    std::string disk = pseudo || f.fileSize < 0 ? std::string(Msg(MsgId::NotAFile)) : BytesText(f.fileSize);
    return {
        {IDC_INFO_NAME, name},
        {IDC_INFO_COMPRESSION, compression},
        {IDC_INFO_ORIGINAL_SIZE, SizeText(f.loadedWidth, f.loadedHeight)},
        {IDC_INFO_CURRENT_SIZE, SizeText(f.width, f.height)},
        {IDC_INFO_ORIGINAL_COLORS, ColorsText(f.loadedBits)},
        {IDC_INFO_CURRENT_COLORS, ColorsText(bits)},
        {IDC_INFO_DISK_SIZE, disk},
        {IDC_INFO_MEMORY_SIZE, BytesText(PictureMemorySize(f.width, f.height, bits, f.animation))},
        {IDC_INFO_DIRECTORY, DirectoryText(f, name)},
        {IDC_INFO_LOAD_TIME, Format("%ld %s", f.loadMilliseconds, Msg(MsgId::Milliseconds))},
        {IDC_INFO_ORIENTATION, OrientationText(f.orientation, f.orientationApplied)},
    };
}

std::string ReplaceQuestionText(const std::string& target, int64_t targetSize, const std::string& source,
                                int64_t sourceSize) {
    return Format("%s:\n\t%s , %s  bytes\n%s:\n\t%s , %s  bytes\n", Msg(MsgId::ReplaceFile), target.c_str(),
                  std::to_string(targetSize).c_str(), Msg(MsgId::WithFile), source.c_str(),
                  std::to_string(sourceSize).c_str());
}

}  // namespace lg
