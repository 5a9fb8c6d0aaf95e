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

}  // namespace lg::platform
