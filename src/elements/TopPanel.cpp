#include "elements/TopPanel.h"

#include "platform/EventErrors.h"

TopPanel::TopPanel(QWidget* parent, const Inf_top_panel& record, SubEvent sub,
                   PictureSource& pictures)
    : description_(record), sub_(std::move(sub))
{
    background_ = std::make_unique<TImage>(parent);
    SetupImage(*background_, parent, description_.back, pictures);

    for (const IndBtn& tab : description_.tab_rows) {
        std::vector<std::unique_ptr<SidePanelBtn>> row;
        for (std::size_t j = 0; j < tab.buttons.size(); ++j) {
            auto button = std::make_unique<SidePanelBtn>(
                pictures, parent, tab.buttons[j], static_cast<int>(j),
                [this](int index) { SubSelect(index); }, [this](QObject*) { SubNotify(); });
            button->setVisible(false);
            row.push_back(std::move(button));
        }
        rows_.push_back(std::move(row));
        remembered_.push_back(0);
    }
}

TopPanel::~TopPanel()
{
    background_.reset();
    rows_.clear();
}

void TopPanel::SubSelect(int index)
{
    CheckedAt(CheckedAt(rows_, row_), column_)->Deselect();
    column_ = index;
}

void TopPanel::SubNotify()
{
    if (!sub_)
        return;
    const SubEvent handler = sub_;
    handler(column_);
}

void TopPanel::ShowRow(int row)
{
    // A row without buttons (a tab with no sub-tabs) has nothing to release or to press: the
    // tab then shows no sub-tab, and leaving it later checks nothing in it.
    std::vector<std::unique_ptr<SidePanelBtn>>& current = CheckedAt(rows_, row_);
    for (auto& button : current)
        button->setVisible(false);
    CheckedAt(remembered_, row_) = column_;
    if (!current.empty())
        CheckedAt(current, column_)->Deselect();

    row_ = row;
    std::vector<std::unique_ptr<SidePanelBtn>>& next = CheckedAt(rows_, row_);
    for (auto& button : next)
        button->setVisible(true);
    column_ = CheckedAt(remembered_, row_);
    if (!next.empty())
        CheckedAt(next, column_)->PressAndRelease();
}
