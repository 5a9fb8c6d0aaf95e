// What each system provides under threads.h: starting and joining a thread.
#pragma once

namespace lg::platform::os {

// A started thread running entry(arg), or null when none could be started.
void* StartThread(void (*entry)(void*), void* arg);
// Waits for the thread's end and releases it.
void JoinThread(void* thread);
// Gives the processor to another thread that is ready to run.
void YieldThread();

}  // namespace lg::platform::os
