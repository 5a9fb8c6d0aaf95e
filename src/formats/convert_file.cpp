#include "formats/convert_file.h"

#include "core/convert.h"
#include "formats/bmp.h"

namespace lg {

Image LoadQuiet(const std::string& path, Status& st) {
    Image img = ReadBmp(path, st);
    if (!img) return img;
    int depth = img.bitCount();
    img = WidenToWorkingDepth(std::move(img));
    if (!img) st.error = Format("Can't convert %d bits per pixel", depth);
    return img;
}

bool ConvertFile(const std::string& input, const std::string& output, std::string* message) {
    Status st;
    Image img = LoadQuiet(input, st);
    if (!img) {
        *message = Format("%s: %s (%s)", "Error! Can't load", input.c_str(), st.error.c_str());
        return false;
    }
    Status out;
    if (!WriteBmp(output, img, out)) {
        *message = Format("BMP %s", out.error.c_str());
        return false;
    }
    return true;
}

}  // namespace lg
