// Recording doubles of the start's window steps and of the cursor slots. Both write into a
// journal shared with a RecordingApplication, so a test sees every step in one order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/Startup.h"

class RecordingStartupWindows : public StartupWindows {
public:
    explicit RecordingStartupWindows(std::vector<std::string>& journal) : journal_(journal) {}

    int choice = -2;  // the dialog's answer; -2: keep the preselected language

    int ChooseLanguage(const std::vector<lang_inf>& languages, int preselected) override;
    void ShowWallpaperWindow(const WPs_inf& wallpapers) override;
    void ShowSplash(const std::string& picture_path) override;
    void SetMainWindowCursor(int slot) override;

private:
    std::vector<std::string>& journal_;
};

class RecordingCursorSlots : public CursorSlots {
public:
    explicit RecordingCursorSlots(std::vector<std::string>& journal) : journal_(journal) {}

    std::map<std::string, CursorHandle> loadable;  // file name -> the cursor it loads as

    std::optional<CursorHandle> LoadCursorFromFile(const std::string& disc_path) override;
    void SetSlot(int slot, CursorHandle cursor) override;
    void SetStandardSlot(int slot, StandardCursor cursor) override;

private:
    std::vector<std::string>& journal_;
};
