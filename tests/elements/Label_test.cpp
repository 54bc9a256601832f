// The self-sizing label, the font record and colour values, with real widgets on the offscreen
// platform. Sizes are checked against the metrics of the same font, whatever face Qt picks.
#include "elements/Label.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPalette>

#include <climits>
#include <string>

#include "WidgetTestSupport.h"
#include "platform/DiscText.h"

namespace {

constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
// "Привет" in windows-1251.
const std::string kCyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";

void RegisterSkinFonts()
{
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromUtf8(file)))
            QFontDatabase::addApplicationFont(QString::fromUtf8(file));
}

class LabelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSkinFonts(); }

    LabelTest()
    {
        window.resize(400, 300);
        window.show();
        label = new TLabel(&window);
        label->SetFont(Font());
    }

    static TFont Font(int height = -11)
    {
        TFont font;
        font.height = height;
        font.bold = true;
        font.charset = 204;
        return font;
    }

    // The size `text` takes in the label's font: unwrapped, or wrapped within `wrap_width`.
    QSize Measured(const QString& text, int wrap_width = -1) const
    {
        const QFontMetrics metrics(MakeQFont(label->Font()));
        if (wrap_width < 0)
            return metrics.boundingRect(QRect(0, 0, 100000, 100000), kFlags, text).size();
        return QSize(wrap_width, metrics
                                     .boundingRect(QRect(0, 0, wrap_width, 100000),
                                                   kFlags | Qt::TextWordWrap, text)
                                     .height());
    }

    QWidget window;
    TLabel* label = nullptr;
};

TEST_F(LabelTest, FitsItsLinesWithoutWordWrap)
{
    label->SetText("Hello");
    EXPECT_EQ(label->size(), Measured("Hello"));
    const int line = label->height();
    EXPECT_GT(line, 0);

    label->SetText("ab\nthe longest line\nc");
    EXPECT_EQ(label->size(), Measured("ab\nthe longest line\nc"));
    EXPECT_EQ(label->width(), Measured("the longest line").width());
    EXPECT_GE(label->height(), 3 * line - 2);

    // Carriage returns end lines like line feeds.
    const QSize lf = label->size();
    label->SetText("ab\r\nthe longest line\rc");
    EXPECT_EQ(label->size(), lf);
    EXPECT_EQ(label->ShownText(), "ab\nthe longest line\nc");

    // Tabs expand rather than showing as nothing.
    label->SetText("a\tb");
    EXPECT_EQ(label->size(), Measured("a\tb"));
    EXPECT_GT(label->width(), Measured("ab").width() + 5);
}

TEST_F(LabelTest, EmptyTextIsOneLineHighAndOneSpaceWide)
{
    label->SetText("X");
    const int line = label->height();
    label->SetText("");
    EXPECT_EQ(label->height(), line);
    EXPECT_EQ(label->width(), QFontMetrics(MakeQFont(label->Font())).horizontalAdvance(' '));

    label->SetWordWrap(true);
    label->SetWidth(120);
    EXPECT_EQ(label->size(), QSize(120, line));
}

// The layouts read a label's height right after setting its text or width, on hidden labels.
TEST_F(LabelTest, WordWrapKeepsTheWidthAndEveryChangeResizesAtOnce)
{
    const QString text = "one two three four five six seven eight nine ten";
    label->hide();
    label->SetWordWrap(true);
    label->SetWidth(200);
    label->SetText(text.toStdString());
    EXPECT_EQ(label->size(), Measured(text, 200));

    EXPECT_GT(label->height(), Measured("one").height());
    label->SetWidth(80);
    EXPECT_EQ(label->size(), Measured(text, 80));

    const int small_font = label->height();
    label->SetFont(Font(-20));
    EXPECT_EQ(label->size(), Measured(text, 80));
    EXPECT_GT(label->height(), small_font);

    label->SetWordWrap(false);
    EXPECT_EQ(label->size(), Measured(text));

    // Without word wrap a width set afterwards is kept (the text is clipped) until the text
    // changes.
    const int height = label->height();
    label->SetWidth(30);
    EXPECT_EQ(label->size(), QSize(30, height));
    label->SetText("short");
    EXPECT_EQ(label->size(), Measured("short"));

    // With word wrap, a word longer than the width stays whole on one line.
    label->SetWordWrap(true);
    label->SetWidth(20);
    label->SetText("Supercalifragilistic");
    EXPECT_EQ(label->size(), QSize(20, Measured("S").height()));
}

TEST_F(LabelTest, DecodesTextAndHintThroughTheFontCharacterSet)
{
    label->SetText(kCyrillic);
    EXPECT_EQ(label->ShownText(), QString::fromUtf8("Привет"));
    EXPECT_EQ(label->size(), Measured(QString::fromUtf8("Привет")));

    label->SetHint(kCyrillic);
    EXPECT_TRUE(label->toolTip().isEmpty());
    label->SetShowHint(true);
    EXPECT_EQ(label->toolTip(), QString::fromUtf8("Привет"));
    label->SetHint("http://example.com");
    EXPECT_EQ(label->toolTip(), "http://example.com");
    label->SetShowHint(false);
    EXPECT_TRUE(label->toolTip().isEmpty());

    // Another character set reads the same bytes anew.
    TFont baltic = Font();
    baltic.charset = 186;
    label->SetFont(baltic);
    EXPECT_EQ(label->Text(), kCyrillic);
    EXPECT_EQ(label->ShownText(), DiscText(kCyrillic, 186));
    EXPECT_NE(label->ShownText(), QString::fromUtf8("Привет"));
}

TEST_F(LabelTest, ClickIsALeftPressAndReleaseInside)
{
    label->SetText("click me");
    std::vector<QObject*> clicks;
    label->OnClick = [&](QObject* sender) { clicks.push_back(sender); };

    SendPress(*label, QPoint(2, 2));
    SendRelease(*label, QPoint(3, 3));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], label);

    SendPress(*label, QPoint(2, 2));
    SendRelease(*label, QPoint(label->width() + 5, 3));  // let go outside
    SendPress(*label, QPoint(2, 2), Qt::RightButton);
    SendRelease(*label, QPoint(2, 2), Qt::RightButton);
    EXPECT_EQ(clicks.size(), 1u);

    // A double click is one click.
    SendDoubleClick(*label, QPoint(2, 2));
    EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(LabelTest, DrawsOnlyItsTextOverWhatIsBeneath)
{
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::red);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    TFont font = Font(-20);
    font.color = Qt::blue;
    label->SetFont(font);
    label->SetWordWrap(true);
    label->SetWidth(200);
    label->SetText("WW");
    label->move(10, 10);

    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixel(10 + 190, 10 + 2) | 0xFF000000u, Rgb(Qt::red));
    bool ink = false;
    for (int y = 10; y < 10 + label->height(); ++y)
        for (int x = 10; x < 10 + Measured("WW").width(); ++x)
            ink = ink || QColor(shot.pixel(x, y)).blue() > 200;
    EXPECT_TRUE(ink);
}

TEST(FontRecord, HeightsFollowTheWindowSystemConvention)
{
    RegisterSkinFonts();
    TFont font;
    font.height = -11;
    font.bold = true;
    const QFont small = MakeQFont(font);
    EXPECT_EQ(small.pixelSize(), 11);
    EXPECT_TRUE(small.bold());

    // A positive height is the cell: ascent and descent together.
    font.height = 20;
    const QFontMetricsF cell(MakeQFont(font));
    EXPECT_LT(MakeQFont(font).pixelSize(), 20);
    EXPECT_NEAR(cell.ascent() + cell.descent(), 20.0, 1.5);

    // Heights from a script are bounded either way.
    font.height = INT_MIN;
    EXPECT_EQ(MakeQFont(font).pixelSize(), 1000);
    font.height = INT_MAX;
    EXPECT_LE(MakeQFont(font).pixelSize(), 1000);
}

TEST(ColourValue, PlainAndSystemColours)
{
    EXPECT_EQ(ColorFromValue(13689318), QColor(230, 225, 208));
    EXPECT_EQ(ColorFromValue(10137246), QColor(158, 174, 154));
    EXPECT_EQ(ColorFromValue(0), QColor(Qt::black));
    EXPECT_EQ(ColorFromValue(0x00FF0000), QColor(Qt::blue));
    EXPECT_EQ(ColorFromValue(static_cast<std::int32_t>(0x80000008u)), QColor(Qt::black));
    EXPECT_EQ(ColorFromValue(static_cast<std::int32_t>(0x8000000Fu)), QColor(212, 208, 200));
    EXPECT_EQ(ColorFromValue(static_cast<std::int32_t>(0x800000FFu)), QColor(Qt::black));
}

}  // namespace
