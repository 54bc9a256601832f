// The info box: every detail of one software entry in place of its entry view. Title and type,
// a block of captioned facts (size, genre, developer, publisher, web address) whose developer,
// publisher and address values open their links, the system requirements and the description
// in captioned sections, and a column with up to two thumbnails that open the picture viewer.
// Any other click on it returns to the entry view. Its controls lie directly on the main window.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "archive/PictureSource.h"
#include "controls/Label.h"
#include "controls/Zulwid.h"
#include "model/Catalogue.h"

// A sunken line or box, drawn in the shadow and light colours of the window system's 3-D look.
class TBevel : public QWidget {
public:
    explicit TBevel(QWidget* parent);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int tag_ = 0;
};

// Thumbnail name (an archive member) -> the picture, checked once for the whole catalogue when
// the screen is built and decoded when it is first shown.
using ThumbnailMap = std::map<std::string, CheckedPicture>;

class MF_inf {
public:
    using LinkEvent = std::function<void(const std::string& link)>;
    using PictureEvent = std::function<void(int which)>;  // 0 the first thumbnail, 1 the second

    // Lays the box out in the area (left, top, width, height) of `parent`; hidden.
    MF_inf(QWidget* parent, const SoftTabTitles& titles, int left, int top, int width, int height,
           LinkEvent link, TNotifyEvent toggle, PictureEvent picture, const ThumbnailMap& thumbnails);
    ~MF_inf();
    MF_inf(const MF_inf&) = delete;
    MF_inf& operator=(const MF_inf&) = delete;

    // Lays the box out for `entry`; its visibility does not change.
    void Fill(const SoftTabElement& entry);
    void SetShown(bool shown);
    bool Shown() const { return shown_; }
    void SetSectionCaptions(const std::string& description_caption, const std::string& sysinf_caption);

    // The rows of facts: 0 size, 1 genre, 2 developer, 3 publisher, 4 web address.
    static constexpr int kRows = 5;
    TLabel* Title() const { return title_.get(); }
    TLabel* SecondLine() const { return second_.get(); }
    TLabel* Caption(int row) const { return captions_[static_cast<std::size_t>(row)].get(); }
    TLabel* Value(int row) const { return values_[static_cast<std::size_t>(row)].get(); }
    TLabel* SysinfCaption() const { return sysinf_caption_.get(); }
    TLabel* SysinfValue() const { return sysinf_value_.get(); }
    TLabel* DescriptionCaption() const { return description_caption_.get(); }
    TLabel* DescriptionValue() const { return description_value_.get(); }
    TBevel* TopBevel() const { return top_bevel_.get(); }
    TBevel* ColumnBevel() const { return column_bevel_.get(); }
    TBevel* SeparatorBevel() const { return separator_bevel_.get(); }
    TBevel* RowsBevel() const { return rows_bevel_.get(); }
    TBevel* SysinfBevel() const { return sysinf_bevel_.get(); }
    TBevel* DescriptionBevel() const { return description_bevel_.get(); }
    TImage* Thumbnail(int which) const { return which == 0 ? thumb1_.get() : thumb2_.get(); }

private:
    std::unique_ptr<TLabel> MakeLabel(QWidget* parent, int height = -11);
    void OpenLink(QObject* sender);
    void SetLinkValue(TLabel& value, const std::string& address);
    void ShowThumbnail(TImage& thumbnail, const PicPair& pair);

    bool shown_ = false;
    PictureEvent picture_;
    LinkEvent link_;
    TNotifyEvent toggle_;
    const ThumbnailMap& thumbnails_;
    std::unique_ptr<TLabel> title_;
    std::unique_ptr<TBevel> top_bevel_;
    std::unique_ptr<TBevel> column_bevel_;
    std::unique_ptr<TLabel> second_;
    std::unique_ptr<TLabel> captions_[kRows];
    std::unique_ptr<TLabel> values_[kRows];
    std::unique_ptr<TBevel> separator_bevel_;
    std::unique_ptr<TBevel> rows_bevel_;
    std::unique_ptr<TBevel> sysinf_bevel_;
    std::unique_ptr<TBevel> description_bevel_;
    std::unique_ptr<TLabel> sysinf_caption_;
    std::unique_ptr<TLabel> sysinf_value_;
    std::unique_ptr<TLabel> description_caption_;
    std::unique_ptr<TLabel> description_value_;
    std::unique_ptr<TImage> thumb1_;
    std::unique_ptr<TImage> thumb2_;
};
