#include "shell/logic/window_logic.h"

#include <algorithm>

namespace lg {

WindowPlacement StartPlacement(int rememberedX, int rememberedY, const WorkArea& workArea,
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

}  // namespace lg
