// One QApplication on the offscreen platform for a whole test executable that shows widgets,
// cursors or pixmaps: list this file among the executable's sources.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

namespace {

class OffscreenApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char arg0_[16] = "zul_tests";
    char* argv_[2] = {arg0_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication);

}  // namespace
