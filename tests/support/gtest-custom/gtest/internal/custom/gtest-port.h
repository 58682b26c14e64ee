#pragma once

// GoogleTest's customisation point for the MinGW build. The program is built
// with MinGW's win32 thread model, whose runtime needs nothing newer than
// Windows XP; that model has no std::mutex or std::condition_variable, which
// GoogleTest's Notification is made of. GoogleTest uses Notification only to
// start threads of its own tests, which never run here, so a plain flag
// stands in for it.

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification()
    {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

} // namespace testing::internal
