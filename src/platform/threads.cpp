#include "platform/threads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <vector>

#include "platform/thread_os.h"

namespace lg::platform {
namespace {

std::atomic<int> g_threads{0};  // 0: the processor's number
thread_local bool t_inJob = false;

// Below this many pixel visits a band is not worth a thread.
constexpr int64_t kWorkPerThread = 1 << 18;
std::atomic<int64_t> g_workPerThread{kWorkPerThread};

struct Run {
    const std::function<void(int)>* job;
    std::vector<std::exception_ptr> errors;
};

struct Start {
    Run* run;
    int index;
};

void RunJob(Run& run, int index) {
    const bool outer = t_inJob;
    t_inJob = true;
    try {
        (*run.job)(index);
    } catch (...) {
        run.errors[size_t(index)] = std::current_exception();
    }
    t_inJob = outer;
}

void Entry(void* arg) {
    Start* s = static_cast<Start*>(arg);
    RunJob(*s->run, s->index);
}

}  // namespace

int ThreadCount() {
    const int set = g_threads.load();
    return set > 0 ? set : ProcessorCount();
}

void SetThreadCount(int count) { g_threads.store(count > 0 ? count : 0); }

void SetWorkPerThread(int64_t work) { g_workPerThread.store(work > 0 ? work : kWorkPerThread); }

bool InsideConcurrentJob() { return t_inJob; }

void RunConcurrently(int n, const std::function<void(int)>& job) {
    if (n <= 0) return;
    Run run{&job, std::vector<std::exception_ptr>(size_t(n))};
    std::vector<Start> starts(static_cast<size_t>(n));
    std::vector<void*> threads(static_cast<size_t>(n), nullptr);
    for (int i = 1; i < n; ++i) {
        starts[size_t(i)] = Start{&run, i};
        threads[size_t(i)] = os::StartThread(Entry, &starts[size_t(i)]);
    }
    RunJob(run, 0);
    for (int i = 1; i < n; ++i)
        if (!threads[size_t(i)]) RunJob(run, i);
    for (int i = 1; i < n; ++i)
        if (threads[size_t(i)]) os::JoinThread(threads[size_t(i)]);
    for (const auto& e : run.errors)
        if (e) std::rethrow_exception(e);
}

bool RunBeside(const std::function<void()>& main, const std::function<void()>& side) {
    if (InsideConcurrentJob() || ThreadCount() < 2) return false;
    const std::function<void(int)> job = [&](int i) { i == 0 ? main() : side(); };
    Run run{&job, std::vector<std::exception_ptr>(2)};
    Start start{&run, 1};
    void* thread = os::StartThread(Entry, &start);
    if (!thread) return false;
    RunJob(run, 0);
    os::JoinThread(thread);
    for (const auto& e : run.errors)
        if (e) std::rethrow_exception(e);
    return true;
}

int BandCount(int rows, int64_t workPerRow) {
    if (rows <= 0) return 0;
    int64_t n = InsideConcurrentJob() ? 1 : ThreadCount();
    n = std::min<int64_t>(n, rows);
    n = std::min<int64_t>(n, std::max<int64_t>(1, rows * std::max<int64_t>(1, workPerRow) / g_workPerThread.load()));
    return int(n);
}

void ForEachNumberedBand(int rows, int64_t workPerRow,
                         const std::function<void(int index, int first, int end)>& band) {
    const int n = BandCount(rows, workPerRow);
    if (n <= 1) {
        if (n == 1) band(0, 0, rows);
        return;
    }
    RunConcurrently(n, [&](int i) {
        const int first = int(int64_t(rows) * i / n), end = int(int64_t(rows) * (i + 1) / n);
        if (first < end) band(i, first, end);
    });
}

void ForEachBand(int rows, int64_t workPerRow, const std::function<void(int first, int end)>& band) {
    ForEachNumberedBand(rows, workPerRow, [&](int, int first, int end) { band(first, end); });
}

// The helper claims the far end's bytes a page at a time, the caller its own
// end's bytes; each publishes its claim before it looks at the other's (both
// sequentially consistent), so at least one of them sees an overlap: the
// helper then stops, and the caller waits until it has.
struct PageWarmer::State {
    uint8_t* begin;
    size_t size;
    bool upwards;
    std::atomic<size_t> callerReach{0};  // bytes from the caller's end
    std::atomic<size_t> helperReach{0};  // bytes from the far end, the page being touched included
    std::atomic<bool> done{false};
    size_t touched = 0;
    void* thread = nullptr;

    void Run() {
        constexpr size_t kPage = 4096;
        for (size_t from = 0; from < size; from += kPage) {
            const size_t claim = std::min(size, from + kPage);
            helperReach.store(claim);
            if (callerReach.load() + claim > size) break;
            // One byte in every 4 KB: every page of the range gets one.
            uint8_t* p = upwards ? begin + (size - 1 - from) : begin + from;
            __atomic_fetch_add(p, uint8_t(0), __ATOMIC_RELAXED);
            ++touched;
        }
        done.store(true);
    }
    static void Entry(void* self) { static_cast<State*>(self)->Run(); }
};

PageWarmer::PageWarmer(uint8_t* begin, uint8_t* end, bool fillsUpwards, size_t claimed) : state_(new State) {
    State& s = *state_;
    s.begin = begin;
    s.size = end > begin ? size_t(end - begin) : 0;
    s.upwards = fillsUpwards;
    s.callerReach.store(std::min(claimed, s.size));
    if (s.size < (size_t(4) << 20) || ThreadCount() < 2 || InsideConcurrentJob() ||
        !(s.thread = os::StartThread(State::Entry, &s)))
        s.done.store(true);
}

PageWarmer::~PageWarmer() {
    State& s = *state_;
    s.callerReach.store(s.size);  // the helper stops at its next page
    if (s.thread) os::JoinThread(s.thread);
}

void PageWarmer::Reach(size_t bytes) {
    State& s = *state_;
    // A claim only grows (only the caller writes it).
    const size_t reach = std::max(std::min(bytes, s.size), s.callerReach.load());
    s.callerReach.store(reach);
    if (s.done.load() || s.helperReach.load() + reach <= s.size) return;
    while (!s.done.load()) os::YieldThread();  // at most one page's touch
}

bool PageWarmer::Stopped() const { return state_->done.load(); }

size_t PageWarmer::TouchedPages() const { return state_->done.load() ? state_->touched : 0; }

}  // namespace lg::platform
