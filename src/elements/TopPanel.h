// The top panel: the strip of sub-tab buttons of the tab on show, over its background picture.
// Every tab has its row of buttons, all made at start and hidden; showing a tab's row presses the
// sub-tab chosen last in that row (the first one the first time).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "elements/ElementContext.h"
#include "controls/SkinButtons.h"
#include "model/Description.h"

class TopPanel {
public:
    using SubEvent = std::function<void(int column)>;

    TopPanel(QWidget* parent, const Inf_top_panel& record, SubEvent sub, PictureSource& pictures);
    ~TopPanel();
    TopPanel(const TopPanel&) = delete;
    TopPanel& operator=(const TopPanel&) = delete;

    // Switches the strip to the row of tab `row` and presses its remembered sub-tab button.
    void ShowRow(int row);

    int Row() const { return row_; }
    int Column() const { return column_; }
    TImage* Background() const { return background_.get(); }
    const std::vector<std::vector<std::unique_ptr<SidePanelBtn>>>& Rows() const { return rows_; }

private:
    void SubSelect(int index);
    void SubNotify();

    std::vector<std::vector<std::unique_ptr<SidePanelBtn>>> rows_;
    std::vector<int> remembered_;
    Inf_top_panel description_;
    int column_ = 0;
    int row_ = 0;
    SubEvent sub_;
    std::unique_ptr<TImage> background_;
};
