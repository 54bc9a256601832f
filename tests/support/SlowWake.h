// A ring write hook that stands for an audio device taking long to open: its first call, on the
// producer's thread, waits until the test's thread has made its calls into the producer. Where
// those calls wait for the hook instead, it gives up after ten seconds.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class SlowWake {
public:
    void Hook()
    {
        std::unique_lock lock(mutex_);
        if (waking_)
            return;
        waking_ = true;
        changed_.notify_all();
        gave_up_ = !changed_.wait_for(lock, std::chrono::seconds(10), [this] { return answered_; });
    }
    // Until the producer's thread is in the hook.
    void WaitForWake()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waking_; });
    }
    // The calls are made: the hook returns. False when it had given up waiting for them.
    bool Answer()
    {
        std::lock_guard lock(mutex_);
        answered_ = true;
        changed_.notify_all();
        return !gave_up_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool waking_ = false;
    bool answered_ = false;
    bool gave_up_ = false;
};
