// Long jobs on several threads: the fork-join run and its row bands, and every
// operation giving the same bytes on 1, 2 and 7 threads. The work threshold is
// lowered so that small pictures of odd sizes are split too.
#include "ops_pictures.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ops/color_adjust.h"
#include "ops/effects.h"
#include "ops/fine_rotate.h"
#include "ops/geometry.h"
#include "ops/quantize.h"
#include "ops/resize.h"
#include "formats/row_bands.h"
#include "platform/threads.h"

using lg::Image;
using lg::Rect;
using namespace opstest;
namespace platform = lg::platform;

namespace {

// Thread count and threshold for one test, put back afterwards.
struct Threads {
    explicit Threads(int n, int64_t work = 1) {
        platform::SetThreadCount(n);
        platform::SetWorkPerThread(work);
    }
    ~Threads() {
        platform::SetThreadCount(0);
        platform::SetWorkPerThread(0);
    }
};

// The operation's picture on 2 and on 7 threads is the one-thread picture.
::testing::AssertionResult SameOnEveryThreadCount(const std::function<Image()>& op) {
    Image one;
    {
        Threads t(1);
        one = op();
    }
    if (!one) return ::testing::AssertionFailure() << "no picture on one thread";
    for (int n : {2, 7}) {
        Threads t(n);
        const Image many = op();
        ::testing::AssertionResult same = SameBlock(one, many);
        if (!same) return same << " on " << n << " threads";
    }
    return ::testing::AssertionSuccess();
}

// In-place operations run on a copy of `src`.
std::function<Image()> InPlace(const Image& src, std::function<bool(Image&)> f) {
    return [&src, f] {
        Image img = src.Duplicate();
        return f(img) ? std::move(img) : Image();
    };
}

}  // namespace

TEST(Threads, EveryJobRunsOnceAndErrorsComeBack) {
    std::vector<std::atomic<int>> runs(7);
    platform::RunConcurrently(7, [&](int i) { ++runs[size_t(i)]; });
    for (auto& r : runs) EXPECT_EQ(r.load(), 1);
    EXPECT_THROW(platform::RunConcurrently(3, [](int i) {
                     if (i == 2) throw std::runtime_error("job 2");
                 }),
                 std::runtime_error);
    // Nested: inside a job the bands stay on the job's thread.
    Threads t(4);
    std::atomic<int> inner{0};
    platform::RunConcurrently(2, [&](int) { inner += platform::BandCount(100, 1 << 20); });
    EXPECT_EQ(inner.load(), 2);
}

TEST(Threads, BandsCoverEveryRowOnceAndSmallWorkStaysWhole) {
    for (int n : {1, 2, 7}) {
        Threads t(n);
        for (int rows : {1, 2, 5, 13, 100}) {
            std::vector<std::atomic<int>> seen(static_cast<size_t>(rows));
            std::atomic<int> bands{0};
            platform::ForEachBand(rows, 1, [&](int first, int end) {
                ++bands;
                for (int y = first; y < end; ++y) ++seen[size_t(y)];
            });
            for (auto& s : seen) EXPECT_EQ(s.load(), 1) << n << " threads, " << rows << " rows";
            EXPECT_EQ(bands.load(), std::min(n, rows));
        }
    }
    Threads t(7, 0);  // the usual threshold: 100 x 100 pixels are one band
    EXPECT_EQ(platform::BandCount(100, 100), 1);
    EXPECT_EQ(platform::BandCount(4000, 6000), 7);
    EXPECT_GE(platform::ProcessorCount(), 1);
}

// The page warmer keeps every byte as it was and never touches bytes the
// filling thread has claimed: with half of a block claimed from the start,
// it touches every page of the other half and none of this one. Both
// directions, the claimed half filled in steps meanwhile.
TEST(Threads, PageWarmerKeepsBytesAndClearOfTheFiller) {
    Threads t(2);
    const size_t size = size_t(24) << 20, half = size / 2;
    std::vector<uint8_t> block(size);
    for (bool upwards : {true, false}) {
        SCOPED_TRACE(upwards ? "filled upwards" : "filled downwards");
        for (size_t i = 0; i < size; ++i) block[i] = uint8_t(i * 7 + 3);
        size_t touched = 0;
        {
            platform::PageWarmer w(block.data(), block.data() + size, upwards, half);
            // The filler's half: written from its end in 64 KB steps.
            for (size_t done = 0; done < half; done += 65536) {
                w.Reach(done + 65536);
                uint8_t* p = upwards ? block.data() + done : block.data() + size - done - 65536;
                std::memset(p, 0xEE, 65536);
            }
            while (!w.Stopped()) std::this_thread::yield();  // it stops at the claimed half
            touched = w.TouchedPages();
        }
        EXPECT_EQ(touched * 4096, size - half);
        for (size_t i = 0; i < size; ++i) {
            const bool filled = upwards ? i < half : i >= size - half;
            if (block[i] != (filled ? 0xEE : uint8_t(i * 7 + 3))) {
                ADD_FAILURE() << "byte " << i << " changed";
                break;
            }
        }
    }
}

// A producer hands bands of rows to a consumer through a few buffers: every
// band arrives once, in order, with what was produced and zero padding, on
// one thread and two; a producer that stops ends the run after the bands
// before it, a consumer that fails sees no more bands but the rest is
// still produced. A side job runs beside the caller except inside a job.
TEST(Threads, RowBandsArriveInOrderAndFailuresEndThem) {
    const int rows = 103, bandRows = 10;
    const size_t rowBytes = 7;  // the last byte of each row is padding
    for (int n : {1, 2}) {
        Threads t(n);
        for (int produceFails : {-1, 5, 0}) {
            for (int consumeFails : {-1, 3}) {
                SCOPED_TRACE(std::to_string(n) + " threads, produce fails at " + std::to_string(produceFails) +
                             ", consume at " + std::to_string(consumeFails));
                std::vector<int> produced, consumed;
                bool badBand = false;
                const lg::BandProducer produce = [&](int top, int count, uint8_t* band) {
                    if (top / bandRows == produceFails) return false;
                    produced.push_back(top);
                    for (int i = 0; i < count; ++i) std::memset(band + size_t(i) * rowBytes, top + i, rowBytes - 1);
                    return true;
                };
                const lg::BandConsumer consume = [&](int top, int count, const uint8_t* band) {
                    consumed.push_back(top);
                    badBand |= count != std::min(bandRows, rows - top);
                    for (int i = 0; i < count; ++i)
                        for (size_t x = 0; x < rowBytes; ++x)
                            badBand |= band[size_t(i) * rowBytes + x] != (x + 1 < rowBytes ? uint8_t(top + i) : 0);
                    return top / bandRows != consumeFails;
                };
                lg::RowBandsResult result;
                ASSERT_TRUE(lg::RunRowBands(rows, bandRows, rowBytes, produce, consume, result));
                const int made = produceFails < 0 ? 11 : produceFails;
                const int taken = consumeFails < 0 ? made : std::min(made, consumeFails + 1);
                ASSERT_EQ(produced.size(), size_t(made));
                ASSERT_EQ(consumed.size(), size_t(taken));
                for (int b = 0; b < made; ++b) EXPECT_EQ(produced[size_t(b)], b * bandRows);
                for (int b = 0; b < taken; ++b) EXPECT_EQ(consumed[size_t(b)], b * bandRows);
                EXPECT_FALSE(badBand);
                EXPECT_EQ(result.produced, produceFails < 0);
                EXPECT_EQ(result.consumed, consumeFails < 0 || consumeFails >= made);
            }
        }
    }
    Threads t(2);
    std::atomic<int> beside{0};
    EXPECT_TRUE(platform::RunBeside([&] { ++beside; }, [&] { ++beside; }));
    EXPECT_EQ(beside.load(), 2);
    platform::RunConcurrently(2, [&](int) { EXPECT_FALSE(platform::RunBeside([&] { ++beside; }, [&] { ++beside; })); });
    EXPECT_EQ(beside.load(), 2);
}

TEST(Threads, ResizeAndResampleGiveTheOneThreadBytes) {
    for (int bits : {1, 4, 8, 24}) {
        const Image src = Pattern(53, 41, bits, 7u + unsigned(bits));
        for (auto [w, h] : {std::pair{131, 97}, {17, 11}, {53, 19}, {29, 41}})
            EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::ResizeImage(src, w, h); }))
                << bits << " bits to " << w << "x" << h;
    }
    for (int bits : {8, 24}) {
        const Image src = Pattern(47, 39, bits, 3u);
        for (int filter = 1; filter <= 5; ++filter)
            EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::ResampleImage(src, 119, 101, filter); }))
                << bits << " bits, filter " << filter;
        // Area average: both sizes down, one kept, and shrinking by odd factors.
        for (auto [w, h] : {std::pair{11, 9}, {47, 13}, {12, 39}, {3, 1}})
            EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::ResampleImage(src, w, h, 5); }))
                << bits << " bits to " << w << "x" << h;
    }
}

TEST(Threads, TurnsAndFlipsGiveTheOneThreadBytes) {
    for (int bits : {1, 4, 8, 24}) {
        const Image src = Pattern(157, 43, bits, 11u + unsigned(bits));  // wider than a 64-pixel tile
        SCOPED_TRACE(bits);
        EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::RotateRight(src); }));
        EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::RotateLeft(src); }));
        EXPECT_TRUE(SameOnEveryThreadCount(InPlace(src, lg::FlipVertical)));
        EXPECT_TRUE(SameOnEveryThreadCount(InPlace(src, lg::FlipHorizontal)));
    }
}

TEST(Threads, EffectsAndFineRotationGiveTheOneThreadBytes) {
    const Image src = Pattern(67, 45, 24, 5u);
    const Rect whole{0, 0, 67, 45}, part{5, 3, 41, 37};
    struct Case {
        int code, p1, p2;
    };
    const Case cases[] = {{lg::kEffectBlur, 3, 0},    {lg::kEffectBlur, 33, 0},     {lg::kEffectEmboss, 0, 0},
                          {lg::kEffectOilPaint, 5, 0}, {lg::kEffectEdges, 0, 0},    {lg::kEffectMedian, 3, 0},
                          {lg::kEffectMedian, 7, 0},  {lg::kEffectPixelize, 4, 3},  {lg::kEffectSharpen, 40, 0},
                          {lg::kEffectFineRotate, 10, 0}, {lg::kEffectFineRotate, -33, 1}};
    for (const Case& c : cases)
        for (const Rect& r : {whole, part})
            EXPECT_TRUE(SameOnEveryThreadCount(
                InPlace(src, [&](Image& img) { return lg::ApplyEffect(img, c.code, r, c.p1, c.p2); })))
                << "effect " << c.code << " (" << c.p1 << ") on " << r.w << "x" << r.h;
}

TEST(Threads, ColourAdjustmentsAndReductionGiveTheOneThreadBytes) {
    const Image src = Pattern(71, 49, 24, 9u);
    EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::Brighten(src, 40); }));
    EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::GammaCorrect(src, 1.7); }));
    EXPECT_TRUE(SameOnEveryThreadCount(InPlace(src, lg::ToGreyscale)));
    EXPECT_TRUE(SameOnEveryThreadCount(InPlace(src, [](Image& i) { return lg::SwapChannels(i, lg::ChannelSwap(2)); })));
    // Counts past 65535 in one cell: a flat picture counted in bands.
    const Image flat = Flat24(301, 263, {200, 10, 90});
    for (int colours : {256, 16, 2}) {
        EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::Quantize(src, colours); })) << colours;
        EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::Quantize(flat, colours); })) << colours;
    }
}

// The better reduction: histogram, k-means passes, the inverse map made in
// advance and the exact mapping of few colours, all split into bands.
TEST(Threads, BetterReductionGivesTheOneThreadBytes) {
    const Image src = Pattern(71, 49, 24, 9u), wide = Pattern(157, 43, 24, 4u);
    const Image flat = Flat24(301, 263, {200, 10, 90});
    for (int colours : {256, 16, 2}) {
        for (const Image* pic : {&src, &wide, &flat})
            EXPECT_TRUE(SameOnEveryThreadCount([&] { return lg::Quantize(*pic, colours, lg::Reduction::Better); }))
                << colours;
    }
}
