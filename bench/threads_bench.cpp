// The image operations alone, in memory, on one thread and on every
// processor: a 6000 x 4000 picture of random-walk colours (a 1000 x 750 one
// for the enlargement), the best of RUNS runs (default 3) of each operation
// per thread count; WORD picks the operations whose name holds it.
//   threads_bench [RUNS [WORD]]
// bench/ops.sh builds and runs it after the comparison with the peers.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "ops/resize.h"
#include "platform/threads.h"

namespace {

using Clock = std::chrono::steady_clock;

lg::Image Picture(int w, int h) {
    lg::Image img = lg::Image::Create(w, h, 24, 0);
    uint32_t seed = 1;
    int v[3] = {128, 128, 128};
    for (int y = 0; y < h; ++y) {
        uint8_t* p = img.row(y);
        for (int x = 0; x < 3 * w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int& c = v[x % 3];
            c = std::min(255, std::max(0, c + int(seed >> 29) - 3));
            p[x] = uint8_t(c);
        }
    }
    return img;
}

// `setup` runs before each timed run, outside the time: the effects work in
// place on a fresh copy of the picture, and copying 72 MB (page faults
// included) would otherwise be most of what is timed, on one thread.
double BestMs(int runs, const std::function<void()>& setup, const std::function<void()>& op) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (setup) setup();
        const auto t0 = Clock::now();
        op();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return best;
}

struct Op {
    const char* name;
    std::function<void()> setup, run;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const lg::Image big = Picture(6000, 4000), small = Picture(1000, 750);
    const lg::Rect whole{0, 0, 6000, 4000};
    lg::Image copy;
    const std::function<void()> fresh = [&] { copy = big.Duplicate(); };
    auto effect = [&](int effect, int value) {
        return [&copy, &whole, effect, value] { lg::ApplyEffect(copy, effect, whole, value, 0); };
    };
    const Op ops[] = {
        {"shrink to 25 %", nullptr, [&] { lg::ResampleImage(big, 1500, 1000, lg::kFilterBSpline); }},
        {"enlarge 2.5x cubic (1000x750)", nullptr, [&] { lg::ResampleImage(small, 2500, 1875, lg::kFilterMitchellCubic); }},
        {"90 degree turn", nullptr, [&] { lg::RotateRight(big); }},
        {"fine rotation 10 degrees", fresh, effect(lg::kEffectFineRotate, 10)},
        {"blur 3", fresh, effect(lg::kEffectBlur, 3)},
        {"median 3", fresh, effect(lg::kEffectMedian, 3)},
        {"sharpen 50", fresh, effect(lg::kEffectSharpen, 50)},
        {"reduce to 256 colours", nullptr, [&] { lg::Quantize(big, 256); }},
    };
    const int all = lg::platform::ProcessorCount();
    std::printf("%-32s %10s %10s %7s   (%d processors)\n", "operation", "1 thread", "all", "ratio", all);
    for (const Op& op : ops) {
        if (argc > 2 && std::string(op.name).find(argv[2]) == std::string::npos) continue;
        lg::platform::SetThreadCount(1);
        const double one = BestMs(runs, op.setup, op.run);
        lg::platform::SetThreadCount(0);
        const double many = BestMs(runs, op.setup, op.run);
        std::printf("%-32s %8.0f ms %7.0f ms %7.2f\n", op.name, one, many, many / one);
    }
    return 0;
}
