// lumagrove: the converter. `lumagrove INPUT /c=OUTPUT` reads INPUT by its
// content and writes OUTPUT in the type its name ends with.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/convert.h"
#include "formats/bmp.h"

namespace {

constexpr const char kUsage[] =
    "usage: lumagrove INPUT /c=OUTPUT\n"
    "Converts the picture INPUT into OUTPUT.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (i > 1 && std::strncmp(a, "/c=", 3) == 0) output = a + 3;
        else if (i == 1) input = a;
        else {
            std::fprintf(stderr, "lumagrove: unknown option %s\n%s", a, kUsage);
            return 2;
        }
    }
    if (input.empty() || output.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    lg::Status st;
    lg::Image img = lg::WidenToWorkingDepth(lg::ReadBmp(input, st));
    if (!img) {
        std::fprintf(stderr, "Error! Can't load: %s: %s\n", input.c_str(),
                     st.error.empty() ? "Decode error !" : st.error.c_str());
        return 1;
    }
    lg::Status out;
    if (!lg::WriteBmp(output, img, out)) {
        std::fprintf(stderr, "BMP %s: %s\n", out.error.c_str(), output.c_str());
        return 1;
    }
    return 0;
}
