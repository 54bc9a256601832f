#include "support/RecordingStartup.h"

int RecordingStartupWindows::ChooseLanguage(const std::vector<lang_inf>& languages, int preselected)
{
    std::string line = "language dialog:";
    for (const lang_inf& l : languages)
        line += " " + l.name;
    line += " (preselected " + std::to_string(preselected) + ")";
    journal_.push_back(line);
    return choice == -2 ? preselected : choice;
}

void RecordingStartupWindows::ShowWallpaperWindow(const WPs_inf& wallpapers)
{
    journal_.push_back("wallpaper window: " + std::to_string(wallpapers.dirs.size()) + " folders");
}

void RecordingStartupWindows::ShowSplash(const std::string& picture_path)
{
    journal_.push_back("splash: " + picture_path);
}

void RecordingStartupWindows::SetMainWindowCursor(int slot)
{
    journal_.push_back("main window cursor: " + std::to_string(slot));
}

std::optional<CursorHandle> RecordingCursorSlots::LoadCursorFromFile(const std::string& disc_path)
{
    auto it = loadable.find(disc_path);
    journal_.push_back("load cursor '" + disc_path + "': " + (it == loadable.end() ? "fails" : "ok"));
    if (it == loadable.end())
        return std::nullopt;
    return it->second;
}

void RecordingCursorSlots::SetSlot(int slot, CursorHandle cursor)
{
    journal_.push_back("slot " + std::to_string(slot) + ": cursor " + std::to_string(cursor));
}

void RecordingCursorSlots::SetStandardSlot(int slot, StandardCursor cursor)
{
    journal_.push_back("slot " + std::to_string(slot) + ": " +
                       (cursor == StandardCursor::Arrow ? "arrow" : "hand point"));
}
