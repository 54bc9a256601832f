#include <gtest/gtest.h>

#include "app/WindowSystem.h"

// A Wayland session runs the menu natively, with X11 as the fallback where the session has it;
// outside Wayland Qt chooses; the reader's own choice stands in every session.
TEST(WindowSystem, NativeInAWaylandSessionUnlessTheReaderChose)
{
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "wayland", ":0"}), "wayland;xcb");
    EXPECT_EQ(ChosenPlatform({"", "", "wayland", ":1"}), "wayland;xcb");  // the socket's variable unset
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "", ":0"}), "wayland;xcb");  // GNOME's way: no session type
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "wayland", ""}), "wayland");  // no XWayland
    EXPECT_EQ(ChosenPlatform({"", "", "x11", ":0"}), std::nullopt);
    EXPECT_EQ(ChosenPlatform({"xcb", "wayland-0", "wayland", ":0"}), std::nullopt);
    EXPECT_EQ(ChosenPlatform({"offscreen", "wayland-0", "wayland", ":0"}), std::nullopt);
}
