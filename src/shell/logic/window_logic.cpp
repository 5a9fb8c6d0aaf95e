#include "shell/logic/window_logic.h"

#include <algorithm>

#include "formats/status.h"

namespace lg {

WindowPlacement StartPlacement(int rememberedX, int rememberedY, const Rect& workArea,
                               int screenWidth, int screenHeight) {
    WindowPlacement p;
    p.x = std::max(rememberedX, workArea.left);
    p.y = std::max(rememberedY, workArea.top);
    if (p.x >= screenWidth) p.x = 0;
    if (p.y >= screenHeight) p.y = 0;
    p.width = kDefaultWindowWidth;
    p.height = std::min(kDefaultWindowWidth, (screenHeight / 13) * 6);
    return p;
}

std::string DisplayNameOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string PictureTitle(const std::string& fileName, int width, int height, int bitCount,
                         const std::string& titleOverride) {
    if (!titleOverride.empty()) return Format("%s - %s", kProductName, titleOverride.c_str());
    return Format("%s - %s (%dx%dx%dBPP)", kProductName, DisplayNameOf(fileName).c_str(), width,
                  height, bitCount);
}

}  // namespace lg
