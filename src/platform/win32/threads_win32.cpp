#include <windows.h>
#include <process.h>

#include "platform/thread_os.h"
#include "platform/threads.h"

namespace lg::platform {

int ProcessorCount() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    return si.dwNumberOfProcessors > 0 ? int(si.dwNumberOfProcessors) : 1;
}

struct Signal::State {
    HANDLE event = nullptr;
};

Signal::Signal() : state_(new State) { state_->event = CreateEventA(nullptr, FALSE, FALSE, nullptr); }
Signal::~Signal() {
    if (state_->event) CloseHandle(state_->event);
}

void Signal::Raise() {
    if (state_->event) SetEvent(state_->event);
}

bool Signal::Wait(unsigned ms) {
    if (!state_->event) {  // no event object: a short sleep keeps a waiting caller polling
        Sleep(ms < 10 ? ms : 10);
        return false;
    }
    return WaitForSingleObject(state_->event, ms) == WAIT_OBJECT_0;
}

namespace os {
namespace {

struct Call {
    void (*entry)(void*);
    void* arg;
};

// _beginthreadex rather than CreateThread, so the C runtime's per-thread
// state is set up for the job.
unsigned __stdcall Trampoline(void* p) {
    Call c = *static_cast<Call*>(p);
    delete static_cast<Call*>(p);
    c.entry(c.arg);
    return 0;
}

}  // namespace

void* StartThread(void (*entry)(void*), void* arg) {
    Call* c = new Call{entry, arg};
    const uintptr_t h = _beginthreadex(nullptr, 0, Trampoline, c, 0, nullptr);
    if (h == 0) {
        delete c;
        return nullptr;
    }
    return reinterpret_cast<void*>(h);
}

void JoinThread(void* thread) {
    HANDLE h = static_cast<HANDLE>(thread);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
}

void YieldThread() { SwitchToThread(); }

}  // namespace os
}  // namespace lg::platform
