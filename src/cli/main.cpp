// lumagrove: the converter. `lumagrove INPUT /c=OUTPUT` reads INPUT by its
// content and writes OUTPUT in the type its name ends with. Each argument is
// one word: the first is the input, later ones are options whose value runs
// to the end of the argument, so paths may hold slashes and blanks.
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/convert_file.h"
#include "formats/libraries.h"

namespace {

constexpr const char kUsage[] =
    "usage: lumagrove INPUT /c=OUTPUT   convert INPUT into the type OUTPUT ends with\n"
    "       lumagrove --version         show the version and the libraries in use\n";

bool StartsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// Options that only mean something to the viewer window.
bool IsViewerOption(const char* a) {
    static const char* const kViewer[] = {"/hidden", "/fs", "/bf", "/one", "/slideshow=", "/pos=(", "/title="};
    for (const char* o : kViewer)
        if (StartsWith(a, o)) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "/version") == 0)) {
        std::printf("lumagrove 0.1 (%s)\n", lg::LibraryVersions().c_str());
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::string input, output;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (i == 1 && !IsViewerOption(a) && !StartsWith(a, "/c=")) {
            input = a;
        } else if (StartsWith(a, "/c=")) {
            output = a + 3;
            haveOutput = true;
        } else if (IsViewerOption(a)) {
            std::fprintf(stderr, "lumagrove: %s belongs to the viewer window (LUMAGR32.EXE); ignored\n", a);
        } else {
            std::fprintf(stderr, "lumagrove: unknown option %s\n%s", a, kUsage);
            return 2;
        }
    }
    if (input.empty() || !haveOutput || output.empty()) {
        std::fputs(input.empty() ? "lumagrove: no input file\n" : "lumagrove: no output file (/c=OUTPUT)\n",
                   stderr);
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string message;
    if (lg::ConvertFile(input, output, &message) != lg::ConvertResult::Ok) {
        std::fprintf(stderr, "lumagrove: %s\n", message.c_str());
        return 1;
    }
    return 0;
}
