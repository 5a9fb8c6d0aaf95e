#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/thread_os.h"
#include "platform/threads.h"

namespace lg::platform {

int ProcessorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? int(n) : 1;
}

struct Signal::State {
    std::mutex lock;
    std::condition_variable raised;
    bool set = false;
};

Signal::Signal() : state_(new State) {}
Signal::~Signal() = default;

void Signal::Raise() {
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->set = true;
    }
    state_->raised.notify_all();
}

bool Signal::Wait(unsigned ms) {
    std::unique_lock<std::mutex> hold(state_->lock);
    const bool set = state_->raised.wait_for(hold, std::chrono::milliseconds(ms), [this] { return state_->set; });
    state_->set = false;
    return set;
}

namespace os {
namespace {

struct Call {
    void (*entry)(void*);
    void* arg;
};

void* Trampoline(void* p) {
    Call c = *static_cast<Call*>(p);
    delete static_cast<Call*>(p);
    c.entry(c.arg);
    return nullptr;
}

}  // namespace

void* StartThread(void (*entry)(void*), void* arg) {
    Call* c = new Call{entry, arg};
    pthread_t* t = new pthread_t;
    if (pthread_create(t, nullptr, Trampoline, c) != 0) {
        delete c;
        delete t;
        return nullptr;
    }
    return t;
}

void JoinThread(void* thread) {
    pthread_t* t = static_cast<pthread_t*>(thread);
    pthread_join(*t, nullptr);
    delete t;
}

void YieldThread() { sched_yield(); }

}  // namespace os
}  // namespace lg::platform
