// The setup window: for a software entry with several installers, a small modal window lists
// them (number, file name, description) and starts the chosen one with the "open" verb. It stays
// open after a start, so that several setups can be started in turn; Close (or Esc) ends it.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QStatusBar>

#include <string>
#include <vector>

#include "controls/StringGrid.h"
#include "model/Catalogue.h"
#include "platform/Opener.h"

class QKeyEvent;
class QShowEvent;

class Tsetup_win : public QDialog {
public:
    // `setups` (path and description of each installer) is kept by reference and must outlive the
    // window; `opener` too. The five texts are disc bytes: the headers of the number, file and
    // description columns, then the captions of RunBtn and CloseBtn. The first setup is selected
    // and its path shown in the status bar.
    Tsetup_win(QWidget* owner, const std::vector<string_pair>& setups,
               const std::string& number_header, const std::string& file_header,
               const std::string& description_header, const std::string& run_caption,
               const std::string& close_caption, Opener& opener);
    // A list that would be gone before the window is never taken.
    Tsetup_win(QWidget*, std::vector<string_pair>&&, const std::string&, const std::string&,
               const std::string&, const std::string&, const std::string&, Opener&) = delete;

    // The file-name part of a setup's path: what follows its last backslash (all of it when it
    // has none, nothing when it ends in one).
    static std::string FileNamePart(const std::string& path);

    // The path of the selected setup (empty when there is none).
    const std::string& SelectedPath() const { return selected_path_; }

    // Opens the selected path; nothing when it is empty. The window stays open.
    void RunBtnClick();
    // Ends the modal loop.
    void CloseBtnClick();
    void StringGrid1DblClick();
    // A key released in the grid: Enter (either) runs the selected setup.
    void StringGrid1KeyUp(int key);
    // Before a row becomes current: a row with an empty file name is refused; otherwise its setup
    // becomes the selected one.
    void StringGrid1SelectCell(int col, int row, bool& can_select);

    TStringGrid* StringGrid1;
    QPushButton* RunBtn;
    QPushButton* CloseBtn;
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SelectSetup(std::size_t index);

    const std::vector<string_pair>& setups_;
    Opener& opener_;
    std::string selected_path_;
};
