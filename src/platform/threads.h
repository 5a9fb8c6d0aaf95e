// Work on several processors: a fork-join run of a few threads, the split of
// a picture's rows into bands for it, and a wake-up signal between threads.
// The number of threads is what the processor reports unless a test sets it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace lg::platform {

// Logical processors of this machine, at least 1.
int ProcessorCount();

// Threads that long jobs use: ProcessorCount() unless set. `count` <= 0
// goes back to the processor's number. Set it only while no job runs.
int ThreadCount();
void SetThreadCount(int count);

// Runs job(0) .. job(n - 1) at once, job 0 on the calling thread, and
// returns when all have ended. A thread that cannot be started leaves its job
// to the caller, after job 0. The first exception a job throws is thrown
// again here once every job has ended. Inside a job, nested runs and bands
// stay on their own thread, so that no job splits into threads again.
void RunConcurrently(int n, const std::function<void(int)>& job);

// A producer and its consumer: runs `side` on a thread of its own while `main`
// runs on the calling thread, and returns true once both have ended. Inside a
// concurrent job, with one thread set (SetThreadCount(1)) or when no thread
// can be started it runs neither and returns false: the caller then does the
// work on its own. `side` must come to an end by itself once `main` has ended,
// whatever way main ends. The first exception either throws is thrown again
// once both have ended.
bool RunBeside(const std::function<void()>& main, const std::function<void()>& side);

// The least work (pixel visits) worth a thread of its own; tests lower it to
// split small pictures. `work` <= 0 goes back to the usual quarter megapixel.
void SetWorkPerThread(int64_t work);

// True on a thread started by RunConcurrently, or inside job 0.
bool InsideConcurrentJob();

// Splits rows 0 .. rows - 1 into one band per thread and calls band(first,
// end) for each, in parallel. `workPerRow` is a rough cost of one row in
// pixel visits: work of less than about a quarter of a megapixel stays on the
// calling thread in one band, since handing it over costs more than it saves.
void ForEachBand(int rows, int64_t workPerRow, const std::function<void(int first, int end)>& band);
// The number of bands ForEachBand makes of such work, and the same split with
// each band's number (0 .. BandCount - 1) passed along.
int BandCount(int rows, int64_t workPerRow);
void ForEachNumberedBand(int rows, int64_t workPerRow,
                         const std::function<void(int index, int first, int end)>& band);

// Faults in the pages of a fresh block on another processor while the caller
// fills it from one end. Where the first write of a page costs more than the
// caller's own work on it (12 us a page seen under Wine: a 72 MB picture pays
// 230 ms before a pixel is decoded), the block then fills in about the time
// its decode takes. The helper starts at the far end and stops where it
// would meet the caller, who says before each write how far it reaches.
// Touching keeps every byte as it is. No helper is started for blocks under
// 4 MB, on one processor, or inside a concurrent job (every processor is
// busy there already).
class PageWarmer {
public:
    // `fillsUpwards`: the caller writes from `begin` towards `end`, else
    // from `end` down to `begin`; `claimed`: the bytes from its end it is
    // about to write already (as Reach).
    PageWarmer(uint8_t* begin, uint8_t* end, bool fillsUpwards, size_t claimed = 0);
    ~PageWarmer();  // stops the helper and waits for it
    PageWarmer(const PageWarmer&) = delete;
    PageWarmer& operator=(const PageWarmer&) = delete;
    // The caller is about to write the first `bytes` bytes from its end of
    // the block (counted from where it started); waits while the helper
    // still touches a page among them.
    void Reach(size_t bytes);
    // Whether the helper has stopped (or never started), and the pages it
    // touched then (tests).
    bool Stopped() const;
    size_t TouchedPages() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A wake-up between threads: Raise() sets it, Wait() returns when it is set
// (then clears it) or after `ms` milliseconds, saying which.
class Signal {
public:
    Signal();
    ~Signal();
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    void Raise();
    bool Wait(unsigned ms);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace lg::platform
