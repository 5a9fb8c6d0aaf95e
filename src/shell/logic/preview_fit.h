// Where a picture goes in a preview area: never enlarged, shrunk to fit with
// its aspect ratio kept (rounded), centred.
#pragma once

namespace lg {

struct PreviewRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The area is areaWidth x areaHeight less a 2-pixel margin.
PreviewRect FitPreview(int picWidth, int picHeight, int areaWidth, int areaHeight);

}  // namespace lg
