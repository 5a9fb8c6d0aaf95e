// Benchmark helper for the colour reduction.
//   quantize_bench IN.bmp OUT.bmp [COLORS] [better]
//                                           read, reduce (256 colours by default;
//                                           the median cut, or the better
//                                           reduction), write; prints the time
//                                           of each step to stderr
//   quantize_bench --error ORIG.bmp OTHER.bmp
//                                           mean absolute error per channel of
//                                           OTHER (any depth) against ORIG
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/convert.h"
#include "formats/bmp.h"
#include "ops/quantize.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

lg::Image Read24(const char* path) {
    lg::Status st;
    lg::Image img = lg::ReadBmp(path, st);
    if (!img) {
        std::fprintf(stderr, "quantize_bench: %s: %s\n", path, st.error.c_str());
        return img;
    }
    return lg::ExpandTo24(lg::WidenToWorkingDepth(std::move(img)));
}

int MeanError(const char* origPath, const char* otherPath) {
    lg::Image a = Read24(origPath), b = Read24(otherPath);
    if (!a || !b) return 1;
    if (a.width() != b.width() || a.height() != b.height()) {
        std::fprintf(stderr, "quantize_bench: sizes differ\n");
        return 1;
    }
    uint64_t sum = 0;
    const size_t n = 3 * size_t(a.width());
    for (int y = 0; y < a.height(); ++y) {
        const uint8_t* p = a.row(y);
        const uint8_t* q = b.row(y);
        for (size_t i = 0; i < n; ++i) sum += uint64_t(std::abs(int(p[i]) - int(q[i])));
    }
    std::printf("%.3f\n", double(sum) / (double(n) * a.height()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--error") == 0) return MeanError(argv[2], argv[3]);
    const bool better = argc >= 4 && std::strcmp(argv[argc - 1], "better") == 0;
    if (better) --argc;
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: quantize_bench IN.bmp OUT.bmp [COLORS] [better]\n"
                             "       quantize_bench --error ORIG.bmp OTHER.bmp\n");
        return 2;
    }
    const int colors = argc == 4 ? std::atoi(argv[3]) : 256;
    auto t0 = Clock::now();
    lg::Status st;
    lg::Image src = lg::ReadBmp(argv[1], st);
    if (!src) {
        std::fprintf(stderr, "quantize_bench: %s: %s\n", argv[1], st.error.c_str());
        return 1;
    }
    auto t1 = Clock::now();
    std::string why;
    lg::Image out = lg::Quantize(src, colors, better ? lg::Reduction::Better : lg::Reduction::MedianCut, &why);
    if (!out) {
        std::fprintf(stderr, "quantize_bench: %s\n", why.c_str());
        return 1;
    }
    auto t2 = Clock::now();
    if (!lg::WriteBmp(argv[2], out, st)) {
        std::fprintf(stderr, "quantize_bench: %s: %s\n", argv[2], st.error.c_str());
        return 1;
    }
    auto t3 = Clock::now();
    std::fprintf(stderr, "read %.0f ms, reduce %.0f ms, write %.0f ms\n", Ms(t0, t1), Ms(t1, t2), Ms(t2, t3));
    return 0;
}
