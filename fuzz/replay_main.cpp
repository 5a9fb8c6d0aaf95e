// Runs a fuzz target over files without libFuzzer, for builds with another
// compiler: every file named on the command line, and every file below each
// directory named there (a corpus, or crash files to reproduce).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool RunOne(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "can't read %s\n", p.string().c_str());
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    size_t done = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
#ifdef _WIN32
        if (!arg.empty() && arg[0] == '/') arg = "Z:" + arg;  // a Unix path seen from Wine
#endif
        std::error_code ec;
        fs::path p(arg);
        if (fs::is_directory(p, ec)) {
            std::vector<fs::path> files;
            for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
                 it.increment(ec))
                if (it->is_regular_file(ec)) files.push_back(it->path());
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files) {
                ok = RunOne(f) && ok;
                ++done;
            }
        } else if (fs::is_regular_file(p, ec)) {
            ok = RunOne(p) && ok;
            ++done;
        } else {
            std::fprintf(stderr, "no such file or directory: %s\n", arg.c_str());
            ok = false;
        }
    }
    std::printf("replayed %zu inputs\n", done);
    return ok && done > 0 ? 0 : 1;
}
