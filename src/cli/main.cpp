// lumagrove: the converter. `lumagrove INPUT /c=OUTPUT` reads INPUT by its
// content and writes OUTPUT in the type its name ends with. Each argument is
// one word: the first is the input, later ones are options whose value runs
// to the end of the argument, so paths may hold slashes and blanks.
// `lumagrove FILE... /batch=DIR [/type=PNG]` converts many files into DIR.
// Like the viewer's conversion mode, it reads and writes with the options of
// the settings file (LUMAGR32.INI).
#include <cstdio>
#include <cstring>
#include <string>

#include <vector>

#include "files/batch.h"
#include "formats/convert_file.h"
#include "formats/libraries.h"
#include "settings/saved_options.h"

namespace {

constexpr const char kUsage[] =
    "usage: lumagrove INPUT /c=OUTPUT   convert INPUT into the type OUTPUT ends with\n"
    "       lumagrove FILE... /batch=DIR [/type=T]\n"
    "                                   convert every FILE into DIR as type T (JPG, GIF, BMP,\n"
    "                                   PNG, TIF, PCX, ICO; default JPG); existing files are kept\n"
    "       lumagrove --version         show the version and the libraries in use\n";

bool StartsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// Options that only mean something to the viewer window.
bool IsViewerOption(const char* a) {
    static const char* const kViewer[] = {"/hidden", "/fs", "/bf", "/one", "/slideshow=", "/pos=(", "/title="};
    for (const char* o : kViewer)
        if (StartsWith(a, o)) return true;
    return false;
}

// The batch form: one line per file and result, then the error count.
int RunBatchForm(const std::vector<std::string>& inputs, const std::string& dir, const std::string& typeWord) {
    int type = typeWord.empty() ? 0 : lg::BatchTypeOf(typeWord);
    if (type < 0) {
        std::fprintf(stderr, "lumagrove: unknown output type %s\n", typeWord.c_str());
        return 2;
    }
    lg::BatchUi ui;
    ui.line = [](const std::string& text) { std::printf("%s\n", text.c_str()); };
    lg::BatchSummary s = lg::RunBatch(inputs, dir, type, ui, lg::SavedConvertOptions());
    std::printf("%s\n", lg::BatchSummaryLine(s).c_str());
    return s.errors ? 1 : 0;
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
    std::string input, output, batchDir, batchType;
    std::vector<std::string> inputs;
    bool haveOutput = false, batch = false;
    for (int i = 1; i < argc; ++i)
        if (StartsWith(argv[i], "/batch=")) batch = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (StartsWith(a, "/batch=")) {
            batchDir = a + 7;
        } else if (batch && StartsWith(a, "/type=")) {
            batchType = a + 6;
        } else if (batch && !IsViewerOption(a) && !StartsWith(a, "/c=")) {
            inputs.push_back(a);  // any number of inputs, absolute paths included
        } else if (i == 1 && !IsViewerOption(a) && !StartsWith(a, "/c=")) {
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
    lg::ApplySavedReduction();
    if (batch) {
        if (inputs.empty() || batchDir.empty() || haveOutput) {
            std::fputs("lumagrove: the batch form needs input files and /batch=DIR (and no /c=)\n", stderr);
            return 2;
        }
        return RunBatchForm(inputs, batchDir, batchType);
    }
    if (input.empty() || !haveOutput || output.empty()) {
        std::fputs(input.empty() ? "lumagrove: no input file\n" : "lumagrove: no output file (/c=OUTPUT)\n",
                   stderr);
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string message;
    if (lg::ConvertFile(input, output, lg::SavedConvertOptions(), &message) != lg::ConvertResult::Ok) {
        std::fprintf(stderr, "lumagrove: %s\n", message.c_str());
        return 1;
    }
    return 0;
}
