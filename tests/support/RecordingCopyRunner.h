// A recording double of CopyRunner: every copy asked for is kept, and runs (with what waited for
// it) only when the test says so.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disc/DiscCopy.h"

class RecordingCopyRunner : public CopyRunner {
public:
    struct Job {
        std::string what;
        std::shared_ptr<CopyProgress> progress;
        std::function<void()> work;
        std::function<void()> done;
    };
    // Shared with the test, which keeps it after the opener that owns the runner is gone.
    std::shared_ptr<std::vector<Job>> jobs = std::make_shared<std::vector<Job>>();

    void Run(const std::string& what, std::shared_ptr<CopyProgress> progress, std::function<void()> work,
             std::function<void()> done) override
    {
        jobs->push_back({what, std::move(progress), std::move(work), std::move(done)});
    }
};

// Runs the copy `job` and then what waited for it, as the runner would on its two threads.
inline void Finish(RecordingCopyRunner::Job& job)
{
    job.work();
    job.done();
}
