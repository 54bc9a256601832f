// Registers the offscreen GUI application before any test of this program runs.
#include "WidgetTestSupport.h"

namespace {

[[maybe_unused]] ::testing::Environment* const qt_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
