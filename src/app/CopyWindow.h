// Copies out of a disc image made on threads of their own, so that the menu keeps drawing and
// answering while a large folder is copied. A copy that takes longer than half a second shows a
// small progress window, whose Cancel stops it (the opener then opens nothing).
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "disc/DiscCopy.h"

class QtCopyRunner : public CopyRunner {
public:
    explicit QtCopyRunner(std::chrono::milliseconds show_after = std::chrono::milliseconds(500));
    // Cancels the copies under way and waits for them; what waited for them is not called.
    ~QtCopyRunner() override;
    QtCopyRunner(const QtCopyRunner&) = delete;
    QtCopyRunner& operator=(const QtCopyRunner&) = delete;

    // Runs `work` on a thread of its own and `done` on this (the interface) thread afterwards.
    void Run(const std::string& what, std::shared_ptr<CopyProgress> progress, std::function<void()> work,
             std::function<void()> done) override;

    // Cancels the copies under way and takes their windows away, as the menu ends.
    void CancelAll() override;

private:
    struct Job;
    void ShowWindow(Job& job);
    void Finish(Job* job, const std::function<void()>& done);

    std::chrono::milliseconds show_after_;
    std::unique_ptr<QObject> context_;  // the completions are queued to it, and go with it
    std::list<std::unique_ptr<Job>> jobs_;
};
