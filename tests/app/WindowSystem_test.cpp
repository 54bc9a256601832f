#include <gtest/gtest.h>

#include "app/WindowSystem.h"

// A Wayland session with X11 runs the menu through X11; without X11, or outside Wayland, Qt
// chooses; the reader's own choice stands in every session.
TEST(WindowSystem, XWaylandWhenTheWaylandSessionHasIt)
{
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "wayland", ":0"}), "xcb");
    EXPECT_EQ(ChosenPlatform({"", "", "wayland", ":1"}), "xcb");  // the socket's variable unset
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "", ":0"}), "xcb");
    EXPECT_EQ(ChosenPlatform({"", "wayland-0", "wayland", ""}), std::nullopt);  // no XWayland
    EXPECT_EQ(ChosenPlatform({"", "", "x11", ":0"}), std::nullopt);
    EXPECT_EQ(ChosenPlatform({"wayland", "wayland-0", "wayland", ":0"}), std::nullopt);
    EXPECT_EQ(ChosenPlatform({"offscreen", "wayland-0", "wayland", ":0"}), std::nullopt);
}
