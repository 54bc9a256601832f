#include "windows/Buttonwithcolor.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdint>

#include "controls/Label.h"

namespace {

// System colours of the classic desktop scheme, by index.
QColor SystemColour(unsigned index)
{
    return ColorFromValue(static_cast<std::int32_t>(0x80000000u | index));
}

QColor WindowFrame() { return SystemColour(6); }
QColor ButtonFace() { return SystemColour(15); }
QColor ButtonShadow() { return SystemColour(16); }
QColor ButtonHighlight() { return SystemColour(20); }
QColor DarkShadow() { return SystemColour(21); }
QColor LightEdge() { return SystemColour(22); }

struct KindPreset {
    int modal_result;
    bool is_default;
    bool cancel;
};

constexpr std::array<KindPreset, 11> kPresets = {{
    {0, false, false},  // bkCustom (not applied)
    {1, true, false},   // bkOK
    {2, false, true},   // bkCancel
    {0, false, false},  // bkHelp
    {6, true, false},   // bkYes
    {7, false, true},   // bkNo
    {0, false, false},  // bkClose
    {3, false, false},  // bkAbort
    {4, false, false},  // bkRetry
    {5, false, false},  // bkIgnore
    {8, false, false},  // bkAll
}};

// The edges are filled rows and columns of pixels rather than lines: a line of a pen one pixel
// wide falls half a pixel off on a screen drawn larger than the skin's pixels.

// A 1-pixel rectangle along the inside of r, without fill.
void FrameRect(QPainter& painter, const QRect& r, const QColor& colour)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

// One ring of a 3-D edge: top and left in one colour, bottom and right in another.
void EdgeRing(QPainter& painter, const QRect& r, const QColor& top_left, const QColor& bottom_right)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const int left = r.left();
    const int top = r.top();
    const int right = r.right();
    const int bottom = r.bottom();
    painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), top_left);
    painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom - 1)), top_left);
    painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), bottom_right);
    painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), bottom_right);
}

// A raised edge two pixels wide along the inside of r.
void RaisedEdge(QPainter& painter, const QRect& r)
{
    EdgeRing(painter, r, LightEdge(), DarkShadow());
    EdgeRing(painter, r.adjusted(1, 1, -1, -1), ButtonHighlight(), ButtonShadow());
}

// The dotted focus rectangle: every other pixel of the outline inverted.
void FocusRect(QPainter& painter, const QRect& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0)
            painter.fillRect(QRect(x, y, 1, 1), Qt::black);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        if (r.bottom() != r.top())
            dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        if (r.right() != r.left())
            dot(r.right(), y);
    }
    painter.restore();
}

// The pixels of image that are not of the transparent colour, as an opaque/clear mask image.
QImage Opaque(const QImage& image, QRgb transparent)
{
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            if ((line[x] & 0xFFFFFFu) == (transparent & 0xFFFFFFu))
                line[x] = 0;
    }
    return result;
}

// The shape of an image (its non-transparent pixels) filled with one colour.
QImage Silhouette(const QImage& opaque, const QColor& colour)
{
    QImage result(opaque.size(), QImage::Format_ARGB32);
    const QRgb fill = colour.rgb() | 0xFF000000u;
    for (int y = 0; y < opaque.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x)
            out[x] = qAlpha(in[x]) != 0 ? fill : 0;
    }
    return result;
}

// The embossed look of a disabled image: its shape in the highlight colour one pixel right and
// down, then in the shadow colour in its place.
QImage Embossed(const QImage& opaque)
{
    QImage result(opaque.size(), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(1, 1, Silhouette(opaque, ButtonHighlight()));
    painter.drawImage(0, 0, Silhouette(opaque, ButtonShadow()));
    return result;
}

// The stock pictures: 18 x 18 images drawn on a key colour that stands for transparency (the
// bottom-left pixel is always left in it).
constexpr int kStockSize = 18;
const QColor kStockKey(0, 128, 128);

void DrawCheck(QPainter& p, const QColor& colour, int dx = 0)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(QPolygon({QPoint(3 + dx, 9), QPoint(7 + dx, 13), QPoint(14 + dx, 4)}));
}

void DrawCross(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(4, 4, 13, 13);
    p.drawLine(13, 4, 4, 13);
}

void DrawStockPicture(QPainter& p, TBitBtnWithColorKind kind)
{
    switch (kind) {
    case bkOK:
        DrawCheck(p, QColor(0, 128, 0));
        break;
    case bkYes:
        DrawCheck(p, QColor(0, 176, 0));
        p.fillRect(13, 12, 3, 3, QColor(0, 176, 0));
        break;
    case bkCancel:
        DrawCross(p, QColor(200, 0, 0));
        break;
    case bkNo:
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawEllipse(3, 3, 11, 11);
        p.drawLine(5, 12, 12, 5);
        break;
    case bkHelp: {
        p.setPen(QPen(QColor(0, 0, 160), 2, Qt::SolidLine, Qt::SquareCap));
        QPainterPath hook;
        hook.moveTo(5, 6);
        hook.arcTo(5, 2, 8, 7, 180, -270);
        hook.lineTo(9, 11);
        p.drawPath(hook);
        p.fillRect(8, 13, 3, 3, QColor(0, 0, 160));
        break;
    }
    case bkClose:
        p.fillRect(4, 2, 9, 14, QColor(128, 64, 0));
        p.fillRect(6, 4, 5, 10, QColor(255, 255, 160));
        p.fillRect(9, 9, 1, 2, Qt::black);
        break;
    case bkAbort:
        p.setBrush(QColor(200, 0, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 14, 14);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(6, 6, 11, 11);
        p.drawLine(11, 6, 6, 11);
        break;
    case bkRetry:
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawArc(3, 3, 12, 12, 90 * 16, 270 * 16);
        p.setBrush(QColor(0, 128, 0));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({QPoint(8, 0), QPoint(13, 3), QPoint(8, 7)}));
        break;
    case bkIgnore:
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.drawLine(2, 9, 12, 9);
        p.setBrush(QColor(0, 0, 160));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({QPoint(11, 4), QPoint(16, 9), QPoint(11, 14)}));
        break;
    case bkAll:
        DrawCheck(p, QColor(0, 128, 0), -2);
        DrawCheck(p, QColor(0, 128, 0), 2);
        break;
    case bkCustom:
        break;
    }
}

}  // namespace

TBitBtnWithColor::TBitBtnWithColor(QWidget* parent)
    : QPushButton(parent), color_(ButtonFace())
{
    // Connected first, so the dialog or window ends after every handler of the click has run.
    connect(this, &QAbstractButton::clicked, this, [this] { Clicked(); });
    // The active button's frame and focus rectangle follow the focus around the window.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        focus_watch_ = connect(app, &QApplication::focusChanged, this, [this] {
            if (isDefault())
                update();
        });
}

TBitBtnWithColor::~TBitBtnWithColor()
{
    // The base's destruction moves the focus away, which would call back into a button that is
    // no more: let go of the focus changes first.
    disconnect(focus_watch_);
}

void TBitBtnWithColor::SetColor(const QColor& color)
{
    color_ = color;
    update();
}

TBitBtnWithColorKind TBitBtnWithColor::Kind() const
{
    if (kind_ == bkCustom)
        return bkCustom;
    const KindPreset& preset = kPresets[static_cast<std::size_t>(kind_)];
    if (isDefault() != preset.is_default || cancel_ != preset.cancel ||
        modal_result_ != preset.modal_result || glyph_ != StockGlyph(kind_))
        return bkCustom;
    return kind_;
}

void TBitBtnWithColor::SetKind(TBitBtnWithColorKind kind)
{
    if (kind < bkCustom || kind > bkAll)
        return;
    if (kind != bkCustom) {
        const KindPreset& preset = kPresets[static_cast<std::size_t>(kind)];
        SetDefault(preset.is_default);
        SetCancel(preset.cancel);
        modal_result_ = preset.modal_result;
        glyph_ = StockGlyph(kind);
        num_glyphs_ = 2;
    }
    kind_ = kind;
    update();
}

void TBitBtnWithColor::SetGlyph(const QImage& glyph)
{
    glyph_ = glyph;
    update();
}

void TBitBtnWithColor::SetNumGlyphs(int count)
{
    num_glyphs_ = std::clamp(count, 1, 4);
    update();
}

void TBitBtnWithColor::SetLayout(TButtonLayout layout)
{
    layout_ = layout;
    update();
}

void TBitBtnWithColor::SetMargin(int margin)
{
    if (margin < -1)
        return;
    margin_ = margin;
    update();
}

void TBitBtnWithColor::SetSpacing(int spacing)
{
    spacing_ = spacing;
    update();
}

void TBitBtnWithColor::SetDefault(bool on)
{
    setDefault(on);
    update();
}

void TBitBtnWithColor::SetCancel(bool on)
{
    cancel_ = on;
    if (on && escape_ == nullptr) {
        escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        escape_->setContext(Qt::WindowShortcut);
        connect(escape_, &QShortcut::activated, this, [this] {
            if (isEnabled() && isVisible())
                click();
        });
    }
    if (escape_ != nullptr)
        escape_->setEnabled(on);
}

QImage TBitBtnWithColor::StockGlyph(TBitBtnWithColorKind kind)
{
    if (kind <= bkCustom || kind > bkAll)
        return {};
    static std::array<QImage, 11> cache;
    QImage& strip = cache[static_cast<std::size_t>(kind)];
    if (strip.isNull()) {
        QImage up(kStockSize, kStockSize, QImage::Format_RGB32);
        up.fill(kStockKey);
        {
            QPainter painter(&up);
            DrawStockPicture(painter, kind);
        }
        up.setPixel(0, kStockSize - 1, kStockKey.rgb());
        const QImage disabled = Embossed(Opaque(up, kStockKey.rgb()));
        strip = QImage(kStockSize * 2, kStockSize, QImage::Format_RGB32);
        strip.fill(kStockKey);
        QPainter painter(&strip);
        painter.drawImage(0, 0, up);
        painter.drawImage(kStockSize, 0, disabled);
    }
    return strip;
}

void TBitBtnWithColor::Clicked()
{
    QWidget* form = window();
    if (form == this)
        return;
    if (kind_ == bkClose) {
        QTimer::singleShot(0, form, [form] { form->close(); });
        return;
    }
    if (modal_result_ != 0) {
        if (auto* dialog = qobject_cast<QDialog*>(form)) {
            const int result = modal_result_;
            QTimer::singleShot(0, dialog, [dialog, result] { dialog->done(result); });
        }
    }
}

bool TBitBtnWithColor::IsActive() const
{
    QWidget* focus = window()->focusWidget();
    if (focus == this)
        return true;
    return isDefault() && qobject_cast<QPushButton*>(focus) == nullptr;
}

void TBitBtnWithColor::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double-click is a second press.
    mousePressEvent(event);
}

QImage TBitBtnWithColor::GlyphImage(GlyphState state) const
{
    if (glyph_.isNull())
        return {};
    const int width = glyph_.width() / num_glyphs_;
    if (width <= 0)
        return {};
    const QRgb transparent = glyph_.pixel(0, glyph_.height() - 1);
    int index = 0;
    if (state == GlyphState::Disabled) {
        if (num_glyphs_ < 2)
            return Embossed(Opaque(glyph_.copy(0, 0, width, glyph_.height()), transparent));
        index = 1;
    } else if (state == GlyphState::Down && num_glyphs_ >= 3) {
        index = 2;
    }
    return Opaque(glyph_.copy(index * width, 0, width, glyph_.height()), transparent);
}

void TBitBtnWithColor::DrawGlyphAndCaption(QPainter& painter, const QRect& client,
                                           GlyphState state) const
{
    const QImage image = GlyphImage(state);
    const QString caption = text();
    constexpr int kTextFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;
    const QSize text_size = caption.isEmpty()
                                ? QSize(0, 0)
                                : QFontMetrics(painter.font()).size(kTextFlags, caption);
    const QSize glyph_size = image.isNull() ? QSize(0, 0) : image.size();
    const bool across = layout_ == blGlyphLeft || layout_ == blGlyphRight;

    // Along the layout's axis, then across it.
    const int client_along = across ? client.width() : client.height();
    const int glyph_along = across ? glyph_size.width() : glyph_size.height();
    const int text_along = across ? text_size.width() : text_size.height();

    int spacing = spacing_;
    int margin = margin_;
    if (caption.isEmpty() || glyph_along == 0)
        spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (client_along - glyph_along - text_along) / 3;
            spacing = margin;
        } else {
            // The block starts at the same place whichever edge the glyph is measured from,
            // so that without a glyph every layout draws the caption alike.
            const int room = client_along - (glyph_along + spacing + text_along);
            margin = layout_ == blGlyphLeft || layout_ == blGlyphTop ? (room + 1) / 2 : room / 2;
        }
    } else if (spacing == -1) {
        spacing = (client_along - (margin + glyph_along) - text_along) / 2;
    }

    int glyph_pos = 0;
    int text_pos = 0;
    if (layout_ == blGlyphLeft || layout_ == blGlyphTop) {
        glyph_pos = margin;
        text_pos = glyph_pos + glyph_along + spacing;
    } else {
        glyph_pos = client_along - margin - glyph_along;
        text_pos = glyph_pos - spacing - text_along;
    }

    QPoint glyph_at;
    QPoint text_at;
    if (across) {
        glyph_at = QPoint(glyph_pos, (client.height() - glyph_size.height() + 1) / 2);
        text_at = QPoint(text_pos, (client.height() - text_size.height() + 1) / 2);
    } else {
        glyph_at = QPoint((client.width() - glyph_size.width() + 1) / 2, glyph_pos);
        text_at = QPoint((client.width() - text_size.width() + 1) / 2, text_pos);
    }
    glyph_at += client.topLeft();
    text_at += client.topLeft();

    if (!image.isNull())
        painter.drawImage(glyph_at, image);
    if (caption.isEmpty())
        return;

    const QRect bounds(text_at, text_size);
    constexpr int kDrawFlags = kTextFlags | Qt::AlignCenter;
    if (state == GlyphState::Disabled) {
        painter.setPen(Qt::white);
        painter.drawText(bounds.translated(1, 1), kDrawFlags, caption);
        painter.setPen(QColor(128, 128, 128));
        painter.drawText(bounds, kDrawFlags, caption);
    } else {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(bounds, kDrawFlags, caption);
    }
}

void TBitBtnWithColor::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    QRect r = client;
    const bool down = isDown();
    const bool active = IsActive();
    const GlyphState state = !isEnabled() ? GlyphState::Disabled
                             : down       ? GlyphState::Down
                                          : GlyphState::Up;

    if (active || hasFocus()) {
        FrameRect(painter, r, WindowFrame());
        r.adjust(1, 1, -1, -1);
    }
    QColor outline = color_;
    if (!down) {
        RaisedEdge(painter, r);
        r.adjust(2, 2, -2, -2);
    } else {
        outline = ButtonShadow();
    }
    if (r.width() > 0 && r.height() > 0)
        painter.fillRect(r, color_);
    FrameRect(painter, r, outline);
    r.adjust(1, 1, -1, -1);
    if (active)
        r = client.adjusted(1, 1, -1, -1);

    painter.setFont(font());
    if (down)
        r.translate(1, 1);
    DrawGlyphAndCaption(painter, r, state);

    if (active)
        FocusRect(painter, client.adjusted(4, 4, -4, -4));
}
