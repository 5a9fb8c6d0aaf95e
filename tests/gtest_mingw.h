// GoogleTest 1.12 takes std::mutex for granted on Windows, which MinGW's
// win32 thread model does not have. Its only user is gtest's Notification,
// and gtest-port.h lets a build bring its own; this one is enough for the
// thread helpers of gtest itself, which these tests never start.
// Included before <gtest/gtest.h> by every test file, and forced into the
// GoogleTest library sources when cross-building.
#pragma once

#if defined(__MINGW32__) && !defined(GTEST_HAS_NOTIFICATION_)
#include <cstddef>  // the library configuration: whether std::mutex exists
#if !defined(_GLIBCXX_HAS_GTHREADS)
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
#endif
#endif

// gtest hands every failure and skip message to OutputDebugString as well as
// printing it. Wine raises a debug-print exception for that, and a 32-bit
// Wine under qemu-i386 dies unwinding it, so the message would be the last
// thing a run printed. Only the library's own sources see this redirect.
#if defined(_WIN32) && defined(LG_GTEST_LIBRARY_SOURCE)
#include <windows.h>
inline void LgQuietDebugString(const char*) {}
#define OutputDebugStringA LgQuietDebugString
#endif
