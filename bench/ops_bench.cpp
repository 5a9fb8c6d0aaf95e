// Benchmark helper for the image operations: reads a BMP, runs one
// operation on the whole picture (on every processor, as the viewer does),
// writes the result as BMP, and prints the time of each step to stderr.
//   ops_bench IN.bmp OUT.bmp resample PERCENT [FILTER]
//   ops_bench IN.bmp OUT.bmp rotate
//   ops_bench IN.bmp OUT.bmp finerotate DEGREES
//   ops_bench IN.bmp OUT.bmp blur|median|sharpen PARAMETER
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/bmp.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/resize.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

int Usage() {
    std::fprintf(stderr, "usage: ops_bench IN.bmp OUT.bmp resample PERCENT [FILTER]\n"
                         "       ops_bench IN.bmp OUT.bmp rotate\n"
                         "       ops_bench IN.bmp OUT.bmp finerotate DEGREES\n"
                         "       ops_bench IN.bmp OUT.bmp blur|median|sharpen PARAMETER\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string op = argv[3];
    const int arg = argc > 4 ? std::atoi(argv[4]) : 0;
    auto t0 = Clock::now();
    lg::Status st;
    lg::Image img = lg::ReadBmp(argv[1], st);
    if (!img) {
        std::fprintf(stderr, "ops_bench: %s: %s\n", argv[1], st.error.c_str());
        return 1;
    }
    auto t1 = Clock::now();
    bool ok = true;
    if (op == "resample") {
        const int filter = argc > 5 ? std::atoi(argv[5]) : lg::kFilterBSpline;
        img = lg::ResampleImage(img, int(int64_t(img.width()) * arg / 100), int(int64_t(img.height()) * arg / 100),
                                filter);
        ok = bool(img);
    } else if (op == "rotate") {
        img = lg::RotateRight(img);
        ok = bool(img);
    } else if (op == "finerotate") {
        ok = lg::ApplyEffect(img, lg::kEffectFineRotate, lg::WholePicture(img), arg, 0);
    } else if (op == "blur" || op == "median" || op == "sharpen") {
        const int code = op == "blur" ? lg::kEffectBlur : op == "median" ? lg::kEffectMedian : lg::kEffectSharpen;
        ok = lg::ApplyEffect(img, code, lg::WholePicture(img), arg, 0);
    } else {
        return Usage();
    }
    if (!ok) {
        std::fprintf(stderr, "ops_bench: %s failed\n", op.c_str());
        return 1;
    }
    auto t2 = Clock::now();
    if (!lg::WriteBmp(argv[2], img, st)) {
        std::fprintf(stderr, "ops_bench: %s: %s\n", argv[2], st.error.c_str());
        return 1;
    }
    auto t3 = Clock::now();
    std::fprintf(stderr, "read %.0f ms, %s %.0f ms, write %.0f ms\n", Ms(t0, t1), op.c_str(), Ms(t1, t2),
                 Ms(t2, t3));
    return 0;
}
