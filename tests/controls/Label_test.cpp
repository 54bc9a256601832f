// The self-sizing label, the font record and colour values, with real widgets on the offscreen
// platform. Widths are checked against Qt's measure of the same font, heights against its lines.
#include "controls/Label.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>

#include <climits>
#include <string>

#include "support/WidgetTestSupport.h"
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

    // How wide `text` is in the label's font, on one line.
    int Width(const QString& text) const
    {
        const QFontMetrics metrics(MakeQFont(label->Font()));
        return metrics.boundingRect(QRect(0, 0, 100000, 100000), kFlags, text).width();
    }
    int Line() const { return MeasureLines(label->Font()).Height(); }

    QWidget window;
    TLabel* label = nullptr;
};

TEST_F(LabelTest, FitsItsLinesWithoutWordWrap)
{
    label->SetText("Hello");
    EXPECT_EQ(label->size(), QSize(Width("Hello"), Line()));

    label->SetText("ab\nthe longest line\nc");
    EXPECT_EQ(label->size(), QSize(Width("the longest line"), 3 * Line()));

    // Carriage returns end lines like line feeds.
    const QSize lf = label->size();
    label->SetText("ab\r\nthe longest line\rc");
    EXPECT_EQ(label->size(), lf);
    EXPECT_EQ(label->ShownText(), "ab\nthe longest line\nc");

    // Tabs expand rather than showing as nothing.
    label->SetText("a\tb");
    EXPECT_EQ(label->size(), QSize(Width("a\tb"), Line()));
    EXPECT_GT(label->width(), Width("ab") + 5);
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
    const QString text = "Wide Wide Wide Wide";
    label->hide();
    label->SetWordWrap(true);
    label->SetWidth(Width("Wide Wide") + 1);
    label->SetText(text.toStdString());
    EXPECT_EQ(label->size(), QSize(Width("Wide Wide") + 1, 2 * Line()));

    const int one_word = Width("Wide") + 1;
    label->SetWidth(one_word);
    EXPECT_EQ(label->size(), QSize(one_word, 4 * Line()));

    // Larger letters: each word, now wider than the label, on a line of its own.
    label->SetFont(Font(-20));
    EXPECT_EQ(label->size(), QSize(one_word, 4 * Line()));
    EXPECT_GT(Line(), MeasureLines(Font()).Height());

    label->SetWordWrap(false);
    EXPECT_EQ(label->size(), QSize(Width(text), Line()));

    // Without word wrap a width set afterwards is kept (the text is clipped) until the text
    // changes.
    label->SetWidth(30);
    EXPECT_EQ(label->size(), QSize(30, Line()));
    label->SetText("short");
    EXPECT_EQ(label->size(), QSize(Width("short"), Line()));

    // With word wrap, a word longer than the width stays whole on one line.
    label->SetWordWrap(true);
    label->SetWidth(20);
    label->SetText("Supercalifragilistic");
    EXPECT_EQ(label->size(), QSize(20, Line()));
}

TEST_F(LabelTest, DecodesTextAndHintThroughTheFontCharacterSet)
{
    label->SetText(kCyrillic);
    EXPECT_EQ(label->ShownText(), QString::fromUtf8("Привет"));
    EXPECT_EQ(label->size(), QSize(Width(QString::fromUtf8("Привет")), Line()));

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
        for (int x = 10; x < 10 + Width("WW"); ++x)
            ink = ink || QColor(shot.pixel(x, y)).blue() > 200;
    EXPECT_TRUE(ink);
}

// The lowest row of `image` with dark ink between rows `from` and `to`.
int LowestInk(const QImage& image, int from, int to)
{
    int lowest = -1;
    for (int y = from; y < to; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                lowest = y;
    return lowest;
}

// Tahoma as the window system measures it (usWinAscent 2049, usWinDescent 423 per 2048 units):
// lines of 11 + 2 pixels at -11 and 20 + 4 at -20, each drawn on its baseline.
TEST_F(LabelTest, TahomaLinesAreAsHighAsOnTheWindowSystem)
{
    if (!QFile::exists("/usr/share/wine/fonts/tahoma.ttf"))
        GTEST_SKIP() << "Wine's Tahoma is not installed";
    struct Case {
        int height;
        bool bold;
        int ascent;
        int descent;
    };
    for (const Case& c : {Case{-11, true, 11, 2}, Case{-11, false, 11, 2}, Case{-18, true, 18, 4},
                          Case{-20, true, 20, 4}, Case{-26, true, 26, 5}, Case{24, true, 20, 4}}) {
        TFont font = Font(c.height);
        font.bold = c.bold;
        const LineMetrics lines = MeasureLines(font);
        EXPECT_EQ(lines.ascent, c.ascent) << c.height;
        EXPECT_EQ(lines.descent, c.descent) << c.height;
    }

    // Wrapped lines follow each other 13 pixels apart; the foot of an H stands on the baseline.
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    label->SetWordWrap(true);
    label->SetWidth(Width("HH") + 1);
    label->SetText("HH HH");
    ASSERT_EQ(label->height(), 26);
    QImage shot = window.grab(label->geometry()).toImage();
    EXPECT_EQ(LowestInk(shot, 0, 13), 10);
    EXPECT_EQ(LowestInk(shot, 13, 26), 23);

    label->SetFont(Font(-20));
    label->SetText("H");
    ASSERT_EQ(label->height(), 24);
    shot = window.grab(label->geometry()).toImage();
    EXPECT_EQ(LowestInk(shot, 0, 24), 19);
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

    // A positive height is the cell: a line that high, the letters a little smaller.
    font.height = 20;
    EXPECT_LT(MakeQFont(font).pixelSize(), 20);
    EXPECT_EQ(MeasureLines(font).Height(), 20);

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
