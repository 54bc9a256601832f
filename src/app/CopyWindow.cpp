#include "app/CopyWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <exception>
#include <system_error>
#include <thread>

struct QtCopyRunner::Job {
    std::string what;
    std::shared_ptr<CopyProgress> progress;
    std::thread thread;
    QTimer show;    // once: the copy has taken long enough to be shown
    QTimer update;  // while shown: the bar follows the copy
    // Owned by the job, unless the window it was shown over takes it along first.
    QPointer<QProgressDialog> window;

    ~Job() { delete window.data(); }
};

QtCopyRunner::QtCopyRunner(std::chrono::milliseconds show_after)
    : show_after_(show_after), context_(std::make_unique<QObject>())
{
}

QtCopyRunner::~QtCopyRunner()
{
    CancelAll();
    for (const std::unique_ptr<Job>& job : jobs_)
        if (job->thread.joinable())
            job->thread.join();
    // The completions already queued go with their context, uncalled.
    context_.reset();
    jobs_.clear();
}

void QtCopyRunner::CancelAll()
{
    for (const std::unique_ptr<Job>& job : jobs_) {
        job->progress->cancelled = true;
        job->show.stop();
        job->update.stop();
        if (job->window)
            job->window->hide();
    }
}

void QtCopyRunner::Run(const std::string& what, std::shared_ptr<CopyProgress> progress, std::function<void()> work,
                       std::function<void()> done)
{
    auto owned = std::make_unique<Job>();
    Job* job = owned.get();
    job->what = what;
    job->progress = std::move(progress);
    job->show.setSingleShot(true);
    job->show.setInterval(show_after_);
    QObject::connect(&job->show, &QTimer::timeout, context_.get(), [this, job] { ShowWindow(*job); });
    job->update.setInterval(100);
    QObject::connect(&job->update, &QTimer::timeout, context_.get(), [job] {
        const std::uintmax_t total = job->progress->total;
        const std::uintmax_t done_bytes = job->progress->done;
        if (job->window && total > 0)
            job->window->setValue(static_cast<int>(std::min<std::uintmax_t>(done_bytes, total) * 1000 / total));
    });
    jobs_.push_back(std::move(owned));
    QObject* context = context_.get();
    auto shared_work = std::make_shared<std::function<void()>>(std::move(work));
    auto shared_done = std::make_shared<std::function<void()>>(std::move(done));
    try {
        job->thread = std::thread([this, job, context, shared_work, shared_done] {
            try {
                (*shared_work)();
            } catch (...) {
                // The work reports its own failures; nothing may escape a thread.
            }
            QMetaObject::invokeMethod(context, [this, job, shared_done] { Finish(job, *shared_done); },
                                      Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to copy on: the copy is made here, the menu waiting for it.
        jobs_.pop_back();
        (*shared_work)();
        (*shared_done)();
        return;
    }
    job->show.start();
}

void QtCopyRunner::ShowWindow(Job& job)
{
    // Plain text: the folder's name comes from the disc.
    auto* label = new QLabel(QString::fromStdString("Copying \"" + job.what + "\" out of the disc image..."));
    label->setTextFormat(Qt::PlainText);
    // Over a modal window of the menu (the setup window) where one is open, so that it is not
    // blocked by it; otherwise a window of its own beside the menu, which goes on answering.
    job.window = new QProgressDialog(QApplication::activeModalWidget());
    job.window->setLabel(label);
    job.window->setCancelButtonText(QStringLiteral("Cancel"));
    job.window->setWindowTitle(QStringLiteral("Copying"));
    job.window->setRange(0, 1000);
    job.window->setAutoClose(false);
    job.window->setAutoReset(false);
    job.window->setMinimumDuration(0);
    job.window->setWindowModality(Qt::NonModal);
    QObject::connect(job.window.data(), &QProgressDialog::canceled, context_.get(), [&job] {
        job.progress->cancelled = true;
        job.window->hide();
    });
    job.window->setValue(0);
    job.window->show();
    job.update.start();
}

void QtCopyRunner::Finish(Job* job, const std::function<void()>& done)
{
    if (job->thread.joinable())
        job->thread.join();
    jobs_.remove_if([job](const std::unique_ptr<Job>& each) { return each.get() == job; });
    done();
}
