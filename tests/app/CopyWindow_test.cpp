// Copies made on threads of their own: the interface thread goes on, a long copy shows its
// progress window, whose Cancel stops it; a runner destroyed meanwhile waits and calls nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/CopyWindow.h"

namespace {

using namespace std::chrono_literals;

QProgressDialog* ShownWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<QProgressDialog*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

// Runs the event loop until `condition` holds or `timeout` has passed.
template <typename Condition>
bool Until(Condition condition, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < until) {
        QApplication::processEvents();
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

TEST(QtCopyRunner, ALongCopyShowsItsProgressAndCancelStopsIt)
{
    int done = 0;
    std::thread::id worked_on;
    {
        QtCopyRunner runner;
        auto quick = std::make_shared<CopyProgress>();
        runner.Run("Quick", quick, [&] { worked_on = std::this_thread::get_id(); }, [&] { ++done; });
        EXPECT_EQ(done, 0);  // the interface thread goes on meanwhile
        ASSERT_TRUE(Until([&] { return done == 1; }, 5s));
        EXPECT_NE(worked_on, std::this_thread::get_id());
        EXPECT_FALSE(ShownWindow());

        auto slow = std::make_shared<CopyProgress>();
        slow->total = 1000;
        slow->done = 250;
        runner.Run("Big \"Folder\"", slow, [slow] {
            while (!slow->cancelled)
                std::this_thread::sleep_for(5ms);
        }, [&] { ++done; });
        EXPECT_FALSE(Until([] { return ShownWindow() != nullptr; }, 300ms));
        ASSERT_TRUE(Until([] { return ShownWindow() != nullptr; }, 3s));
        QProgressDialog* window = ShownWindow();
        EXPECT_EQ(window->labelText(), "Copying \"Big \"Folder\"\" out of the disc image...");
        EXPECT_TRUE(Until([&] { return window->value() == 250; }, 2s));
        QPushButton* cancel = window->findChild<QPushButton*>();
        ASSERT_TRUE(cancel);
        cancel->click();
        EXPECT_TRUE(slow->cancelled);
        ASSERT_TRUE(Until([&] { return done == 2; }, 5s));
        EXPECT_FALSE(ShownWindow());

        // Under way when the runner goes: cancelled and waited for, and nothing called after.
        auto last = std::make_shared<CopyProgress>();
        runner.Run("Last", last, [last] {
            while (!last->cancelled)
                std::this_thread::sleep_for(5ms);
        }, [&] { ++done; });
    }
    QApplication::processEvents();
    EXPECT_EQ(done, 2);
}

}  // namespace
