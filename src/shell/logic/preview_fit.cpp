#include "shell/logic/preview_fit.h"

#include <cstdint>

namespace lg {
namespace {

int Scaled(int value, int num, int den) {
    return den > 0 ? int((int64_t(value) * num * 2 + den) / (int64_t(den) * 2)) : 0;
}

}  // namespace

PreviewRect FitPreview(int picWidth, int picHeight, int areaWidth, int areaHeight) {
    PreviewRect r;
    const int aw = areaWidth - 2, ah = areaHeight - 2;
    if (picWidth <= 0 || picHeight <= 0 || aw <= 0 || ah <= 0) return r;
    int w = picWidth, h = picHeight;
    if (ah < h) {
        h = ah;
        w = Scaled(picWidth, ah, picHeight);
    }
    if (w > aw) {
        w = aw;
        h = Scaled(picHeight, aw, picWidth);
    }
    r.width = w;
    r.height = h;
    r.x = (areaWidth - w) / 2;
    r.y = (areaHeight - h) / 2;
    return r;
}

}  // namespace lg
