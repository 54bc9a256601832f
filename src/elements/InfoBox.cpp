#include "elements/InfoBox.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "platform/Cursors.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"

namespace {

constexpr int kThumbWidth = 169;
constexpr int kThumbHeight = 130;
constexpr int kColumnWidth = 189;  // the thumbnail column, from the column bevel to the right edge

int Bottom(const QWidget& w)
{
    return w.y() + w.height();
}

}  // namespace

TBevel::TBevel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::paintEvent(QPaintEvent*)
{
    // Lowered: the shadow on the top and left edges, the light on the bottom and right ones.
    // Filled rows and columns of pixels rather than lines: a line of a pen one pixel wide falls
    // half a pixel off on a screen drawn larger than the skin's pixels.
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QColor shadow(128, 128, 128);
    const QColor light(255, 255, 255);
    painter.fillRect(QRect(0, 0, w, 1), shadow);
    painter.fillRect(QRect(0, 0, 1, h), shadow);
    painter.fillRect(QRect(0, h - 1, w, 1), light);
    painter.fillRect(QRect(w - 1, 0, 1, h), light);
}

MF_inf::MF_inf(QWidget* parent, const SoftTabTitles& titles, int left, int top, int width,
               int height, LinkEvent link, TNotifyEvent toggle, PictureEvent picture,
               const ThumbnailMap& thumbnails)
    : picture_(std::move(picture)),
      link_(std::move(link)),
      toggle_(std::move(toggle)),
      thumbnails_(thumbnails)
{
    title_ = MakeLabel(parent, -20);
    title_->move(left + 5, top + 5);

    second_ = MakeLabel(parent);
    second_->move(title_->x(), title_->y() + title_->height() + 1);

    top_bevel_ = std::make_unique<TBevel>(parent);
    top_bevel_->setGeometry(left, Bottom(*second_) + 2, width, 3);

    column_bevel_ = std::make_unique<TBevel>(parent);
    column_bevel_->setGeometry(left + width - kColumnWidth, Bottom(*top_bevel_), 3,
                               top + height - top_bevel_->y());

    const std::string* caption_texts[kRows] = {&titles.size_title, &titles.zhanr_title,
                                               &titles.developer_title, &titles.publisher_title,
                                               &titles.url_title};
    int widest = 0;
    for (int i = 0; i < kRows; ++i) {
        auto& caption = captions_[i];
        caption = MakeLabel(parent);
        caption->move(title_->x(), caption->y());
        caption->SetText(*caption_texts[i]);
        widest = std::max(widest, caption->width());
    }
    const int value_left = title_->x() + widest + 10;
    const int value_width = column_bevel_->x() - value_left - 5;
    for (auto& value : values_) {
        value = MakeLabel(parent);
        value->move(value_left, value->y());
        value->SetWordWrap(true);
        value->SetWidth(value_width);
    }

    separator_bevel_ = std::make_unique<TBevel>(parent);
    separator_bevel_->setGeometry(value_left - 7, column_bevel_->y(), 2, 0);
    rows_bevel_ = std::make_unique<TBevel>(parent);
    rows_bevel_->setGeometry(top_bevel_->x(), 0, column_bevel_->x() - top_bevel_->x(), 2);
    for (auto* bevel : {&sysinf_bevel_, &description_bevel_}) {
        *bevel = std::make_unique<TBevel>(parent);
        (*bevel)->setGeometry(rows_bevel_->x(), 0, rows_bevel_->width(), 2);
        (*bevel)->SetTag(1);
    }

    sysinf_caption_ = MakeLabel(parent);
    sysinf_caption_->move(title_->x(), 0);
    sysinf_caption_->SetText(titles.sysinf_title);
    sysinf_value_ = MakeLabel(parent);
    sysinf_value_->move(title_->x(), 0);
    sysinf_value_->SetWordWrap(true);
    sysinf_value_->SetWidth(column_bevel_->x() - sysinf_value_->x() - 5);

    description_caption_ = MakeLabel(parent);
    description_caption_->move(title_->x(), 0);
    description_caption_->SetText(titles.description_title);
    description_value_ = MakeLabel(parent);
    description_value_->move(title_->x(), 0);
    description_value_->SetWordWrap(true);
    description_value_->SetWidth(sysinf_value_->width());

    thumb1_ = std::make_unique<TImage>(parent);
    thumb1_->setGeometry(column_bevel_->x() + 10, Bottom(*top_bevel_) + 2, kThumbWidth, kThumbHeight);
    thumb2_ = std::make_unique<TImage>(parent);
    thumb2_->setGeometry(thumb1_->x(), thumb1_->y() + kThumbHeight + 2, kThumbWidth, kThumbHeight);
    int which = 0;
    for (TImage* thumb : {thumb1_.get(), thumb2_.get()}) {
        thumb->setAlignment(Qt::AlignCenter);
        thumb->setCursor(ScreenCursor(kLinkCursorSlot));
        thumb->OnClick = [this, which](QObject*) { Raise(picture_, which); };
        thumb->hide();
        thumb->SetTag(1);
        ++which;
    }
    for (TBevel* bevel : {top_bevel_.get(), column_bevel_.get(), separator_bevel_.get(),
                          rows_bevel_.get(), sysinf_bevel_.get(), description_bevel_.get()})
        bevel->hide();
}

MF_inf::~MF_inf() = default;

std::unique_ptr<TLabel> MF_inf::MakeLabel(QWidget* parent, int height)
{
    auto label = std::make_unique<TLabel>(parent);
    TFont font;
    font.height = height;
    font.bold = true;
    label->SetFont(font);
    label->hide();
    label->SetTag(1);
    label->OnClick = [this](QObject* sender) { Raise(toggle_, sender); };
    return label;
}

void MF_inf::OpenLink(QObject* sender)
{
    // Only a label carries a link in its hint.
    if (const auto* label = dynamic_cast<const TLabel*>(sender)) {
        const std::string link = label->Hint();
        Raise(link_, link);
    }
}

void MF_inf::SetLinkValue(TLabel& value, const std::string& address)
{
    if (!address.empty()) {
        value.SetHint(address);
        value.SetShowHint(true);
        value.OnClick = [this](QObject* sender) { OpenLink(sender); };
        value.setCursor(ScreenCursor(kLinkCursorSlot));
    } else {
        value.SetShowHint(false);
        value.OnClick = nullptr;
        value.setCursor(ScreenCursor(kMainCursorSlot));
    }
}

void MF_inf::ShowThumbnail(TImage& thumbnail, const PicPair& pair)
{
    // A pair without a thumbnail name shows an empty thumbnail that still opens its picture.
    const auto it = thumbnails_.find(pair.thumb);
    thumbnail.ShowPicture(it != thumbnails_.end() ? it->second.Pixmap() : QPixmap());
    thumbnail.SetTag(0);
}

void MF_inf::Fill(const SoftTabElement& entry)
{
    title_->SetText(entry.title);
    second_->SetText(entry.type);

    int p = Bottom(*top_bevel_) + 1;
    const std::string* texts[kRows] = {&entry.size, &entry.zhanr, &entry.developer, &entry.publisher,
                                       &entry.url};
    for (int i = 0; i < kRows; ++i) {
        TLabel& caption = *captions_[i];
        TLabel& value = *values_[i];
        if (texts[i]->empty()) {
            caption.SetTag(1);
            value.SetTag(1);
        } else {
            caption.move(caption.x(), p);
            value.move(value.x(), p);
            value.SetText(*texts[i]);
            value.SetWidth(column_bevel_->x() - value.x() - 5);
            caption.SetTag(0);
            value.SetTag(0);
            p = Bottom(value) + 1;
        }
    }
    SetLinkValue(*values_[2], entry.url_dev);
    SetLinkValue(*values_[3], entry.url_pub);
    SetLinkValue(*values_[4], entry.url);

    separator_bevel_->resize(separator_bevel_->width(), p - separator_bevel_->y());
    rows_bevel_->move(rows_bevel_->x(), Bottom(*separator_bevel_));
    int q = Bottom(*rows_bevel_) + 2;

    struct Section {
        TLabel& caption;
        TLabel& value;
        TBevel& bevel;
        const std::string& text;
    };
    for (const Section& s : {Section{*sysinf_caption_, *sysinf_value_, *sysinf_bevel_, entry.sysinf},
                             Section{*description_caption_, *description_value_, *description_bevel_,
                                     entry.description}}) {
        if (s.text.empty()) {
            s.caption.SetTag(1);
            s.value.SetTag(1);
            s.bevel.SetTag(1);
            continue;
        }
        s.caption.move(s.caption.x(), q);
        s.value.move(s.value.x(), Bottom(s.caption) + 1);
        s.value.SetText(s.text);
        s.value.SetWidth(sysinf_value_->width());
        s.bevel.move(s.bevel.x(), Bottom(s.value) + 1);
        s.caption.SetTag(0);
        s.value.SetTag(0);
        s.bevel.SetTag(0);
        q = Bottom(s.bevel) + 2;
    }

    thumb1_->SetTag(1);
    thumb2_->SetTag(1);
    if (!entry.pics.empty())
        ShowThumbnail(*thumb1_, entry.pics[0]);
    if (entry.pics.size() >= 2)
        ShowThumbnail(*thumb2_, entry.pics[1]);
}

void MF_inf::SetShown(bool shown)
{
    shown_ = shown;
    for (QWidget* always : {static_cast<QWidget*>(title_.get()), static_cast<QWidget*>(second_.get()),
                            static_cast<QWidget*>(top_bevel_.get()), static_cast<QWidget*>(column_bevel_.get()),
                            static_cast<QWidget*>(separator_bevel_.get()), static_cast<QWidget*>(rows_bevel_.get())})
        always->setVisible(shown);
    for (int i = 0; i < kRows; ++i) {
        ShowIfWanted(*captions_[i], shown);
        ShowIfWanted(*values_[i], shown);
    }
    for (TLabel* label : {sysinf_caption_.get(), sysinf_value_.get(), description_caption_.get(),
                          description_value_.get()})
        ShowIfWanted(*label, shown);
    ShowIfWanted(*sysinf_bevel_, shown);
    ShowIfWanted(*description_bevel_, shown);
    ShowIfWanted(*thumb1_, shown);
    ShowIfWanted(*thumb2_, shown);
}

void MF_inf::SetSectionCaptions(const std::string& description_caption,
                                const std::string& sysinf_caption)
{
    description_caption_->SetText(description_caption);
    sysinf_caption_->SetText(sysinf_caption);
}
