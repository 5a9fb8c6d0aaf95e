#include "devices/logic/device_logic.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "core/strings.h"
#include "formats/format_table.h"

namespace lg {
PrintRect ComputePrintRect(int mode, int pageW, int pageH, int rx, int ry, int w, int h, float sx, float sy) {
    PrintRect r;
    const double W = pageW, H = pageH;
    switch (mode) {
    case kPrintHorizontalFit:
        r.width = pageW - 10;
        if (w > 0 && rx > 0) r.height = int(W * h * ry / (double(w) * rx));
        break;
    case kPrintVerticalFit:
        r.height = pageH - 10;
        if (h > 0 && ry > 0) r.width = int(H * w * rx / (double(h) * ry));
        break;
    case kPrintScale:
        r.width = int(double(w) * double(sx));
        r.height = int(double(h) * double(sy));
        break;
    default:
        r.width = pageW - 10;
        r.height = pageH - 10;
        break;
    }
    return r;
}

float ParseScaleFactor(const std::string& text) { return float(std::atof(text.c_str())); }

namespace {

// The save types automatic capture offers, in the Save dialog's order.
const std::vector<const SaveType*>& CaptureTypes() {
    static const std::vector<const SaveType*> types = [] {
        std::vector<const SaveType*> t;
        for (const SaveType* s : SaveTypes())
            if (s->capture) t.push_back(s);
        return t;
    }();
    return types;
}

}  // namespace

int CaptureTypeCount() { return int(CaptureTypes().size()); }

const char* CaptureTypeName(int outputType) {
    return CaptureTypes()[size_t(outputType >= 0 && outputType < CaptureTypeCount() ? outputType : 0)]->ending;
}

std::string CaptureTypeText(int outputType) {
    return Format(CaptureTypes()[size_t(outputType)]->listText, Msg(MsgId::Files));
}

std::string WithBackslash(const std::string& dir) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir;
    return dir + "\\";
}

std::string CaptureFileName(const std::string& dir, int outputType, const LocalTime& t) {
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "lumagcapture_date_%02d_%02d_%02d_time_%02d_%02d_%02d", t.day, t.month,
                  t.year, t.hour, t.minute, t.second);
    return WithBackslash(dir) + stamp + "." + CaptureTypeName(outputType);
}

bool LooksLikeAvi(const uint8_t* head, size_t n) {
    return n >= 10 && std::memcmp(head, "RIFF", 4) == 0 && head[8] == 'A' && head[9] == 'V';
}

double ExtractSpaceMB(int bitsPerPixel, int width, int height, int frames) {
    // In floating point: a file's fields can make the product overflow any integer.
    const double bytes = double(bitsPerPixel / 8) * double(width) * double(height) * double(frames);
    return bytes / 1048576.0;
}

std::string AviInformationText(int width, int height, int bits, int frames, const std::string& dir) {
    return Format("Width:\t\t%d\nHeight:\t\t%d\nBitsPerPixel:\t%d\nFrames:\t\t%d\n"
                  "Extract directory:\t%s\t\n\nSpace required:\t%.2f MB\n",
                  width, height, bits, frames, CutToChars(dir, 260).c_str(),
                  ExtractSpaceMB(bits, width, height, frames));
}

std::string ExtractFrameName(const std::string& dir, const std::string& baseName, int frame) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", frame);
    return WithBackslash(dir) + baseName + "_lumagrove_extract_" + number + ".bmp";
}

std::string BaseNameWithoutExtension(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    return dot == std::string::npos ? base : base.substr(0, dot);
}

}  // namespace lg
