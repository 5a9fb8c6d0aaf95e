// lumagrove: the converter. `lumagrove INPUT /c=OUTPUT` reads INPUT by its
// content and writes OUTPUT in the type its name ends with.
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/convert_file.h"
#include "formats/libraries.h"

namespace {

constexpr const char kUsage[] =
    "usage: lumagrove INPUT /c=OUTPUT\n"
    "       lumagrove --version\n"
    "Converts the picture INPUT into OUTPUT.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string input, output;
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "/version") == 0)) {
        std::printf("lumagrove 0.1 (%s)\n", lg::LibraryVersions().c_str());
        return 0;
    }
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
    std::string message;
    if (!lg::ConvertFile(input, output, &message)) {
        std::fprintf(stderr, "lumagrove: %s\n", message.c_str());
        return 1;
    }
    return 0;
}
