// The picture control, the image button, the tab and two-state buttons and the placing helpers,
// with real widgets on the offscreen platform.
#include "controls/SkinButtons.h"

#include <QTest>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"
#include "model/Language.h"
#include "disc/CodePages.h"

namespace {

// What a tooltip shows: Qt takes a tip that might be markup for markup. Laying it out fails the
// test if it would load anything.
QString TipAsShown(const QString& tip)
{
    class Document : public QTextDocument {
    protected:
        QVariant loadResource(int, const QUrl& name) override
        {
            ADD_FAILURE() << "the tooltip loads " << name.toString().toStdString();
            return {};
        }
    } document;
    if (Qt::mightBeRichText(tip))
        document.setHtml(tip);
    else
        document.setPlainText(tip);
    document.size();  // lays it out, as showing it does
    return document.toPlainText();
}

const QColor kNormal(200, 0, 0);
const QColor kOver(0, 200, 0);
const QColor kDown(0, 0, 200);
const QColor kOther(200, 200, 0);

class WidgetTest : public ::testing::Test {
protected:
    WidgetTest()
    {
        source.Add("n.bmp", kNormal);
        source.Add("o.bmp", kOver);
        source.Add("d.bmp", kDown);
        window.resize(300, 200);
        window.show();
    }

    Inf_button Record(int width = 0, int height = 0) const
    {
        Inf_button record;
        record.normal_pic = "n.bmp";
        record.over_pic = "o.bmp";
        record.down_pic = "d.bmp";
        record.left = 10;
        record.top = 20;
        record.width = width;
        record.height = height;
        return record;
    }

    // A plain image button placed from Record(), with every event recorded together with the
    // colour on show when it was raised.
    std::unique_ptr<TImgBtn> MakeButton()
    {
        auto button = std::make_unique<TImgBtn>(&window);
        SetupImageButton(*button, &window, Record(), source);
        auto note = [this, b = button.get()](const char* what) {
            events.push_back(std::string(what) + ":" + Name(ColourAt(b->Shown())));
        };
        button->OnMouseEnter = [note](QEvent&) { note("enter"); };
        button->OnMouseLeave = [note](QEvent&) { note("leave"); };
        button->OnMouseDown = [note](QEvent&) { note("down"); };
        button->OnMouseUp = [note](QEvent&) { note("up"); };
        button->OnClick = [note](QObject*) { note("click"); };
        return button;
    }

    static std::string Name(QRgb colour)
    {
        if (colour == Rgb(kNormal)) return "normal";
        if (colour == Rgb(kOver)) return "over";
        if (colour == Rgb(kDown)) return "down";
        if (colour == Rgb(kOther)) return "other";
        return colour == 0 ? "none" : "?";
    }
    static std::string Showing(const TImage& image) { return Name(ColourAt(image.Shown())); }

    ColourSource source;
    QWidget window;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

// --- placing helpers ----------------------------------------------------------------------

TEST_F(WidgetTest, SetupImageSizesToThePictureUnlessBothSidesAreGiven)
{
    struct Case {
        int width, height;
        QSize expected;
    };
    const Case cases[] = {
        {0, 0, QSize(20, 10)}, {40, 0, QSize(20, 10)}, {0, 30, QSize(20, 10)},
        {40, 30, QSize(40, 30)}, {5, 4, QSize(5, 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        TImage image(nullptr);
        Inf_image record{"n.bmp", 7, 9, c.width, c.height};
        SetupImage(image, &window, record, source);
        EXPECT_EQ(image.parentWidget(), &window);
        EXPECT_EQ(image.pos(), QPoint(7, 9));
        EXPECT_EQ(image.size(), c.expected);
        EXPECT_TRUE(image.isVisible());
        EXPECT_EQ(Showing(image), "normal");
    }
}

TEST_F(WidgetTest, PictureIsDrawnUnscaledAtTheTopLeftOfALargerControl)
{
    TImage image(&window);
    SetupImage(image, &window, Inf_image{"n.bmp", 0, 0, 50, 40}, source);
    const QImage shot = image.grab().toImage();
    EXPECT_EQ(shot.pixel(2, 2) | 0xFF000000u, Rgb(kNormal));
    EXPECT_EQ(shot.pixel(19, 9) | 0xFF000000u, Rgb(kNormal));
    EXPECT_NE(shot.pixel(30, 25) | 0xFF000000u, Rgb(kNormal));
}

TEST_F(WidgetTest, SetupImageButtonLoadsThreePicturesAndTheHint)
{
    const std::uint8_t saved_charset = current_charset;
    current_charset = charsets::kCyrillic;

    TImgBtn button(&window);
    Inf_button record = Record(30, 15);
    record.hint = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in Windows-1251
    SetupImageButton(button, &window, record, source);
    EXPECT_EQ(source.loaded, (std::vector<std::string>{"n.bmp", "o.bmp", "d.bmp"}));
    EXPECT_EQ(button.geometry(), QRect(10, 20, 30, 15));
    EXPECT_EQ(Showing(button), "normal");
    EXPECT_EQ(ColourAt(button.PicUp()), Rgb(kOver));
    EXPECT_EQ(ColourAt(button.PicDown()), Rgb(kDown));
    EXPECT_TRUE(button.ShowHint());
    EXPECT_EQ(button.Hint(), record.hint);
    EXPECT_EQ(button.toolTip(), QString::fromUtf8("Привет"));

    TImgBtn plain(&window);
    SetupImageButton(plain, &window, Record(), source);
    EXPECT_FALSE(plain.ShowHint());
    EXPECT_TRUE(plain.toolTip().isEmpty());
    EXPECT_EQ(plain.size(), QSize(20, 10));

    // Markup in a hint is shown as its characters: the tooltip, read as Qt reads tooltips,
    // holds the text itself and names no picture to load.
    TImgBtn marked(&window);
    Inf_button with_markup = Record();
    with_markup.hint = "<img src=\"/nonexistent/zul-hint.png\">?";
    SetupImageButton(marked, &window, with_markup, source);
    EXPECT_EQ(TipAsShown(marked.toolTip()), QString::fromStdString(with_markup.hint));

    current_charset = saved_charset;
}

// --- TImgBtn ------------------------------------------------------------------------------

TEST_F(WidgetTest, HoverPressReleaseLeaveShowsEachPictureAndClicksOnce)
{
    auto button = MakeButton();
    EXPECT_EQ(Showing(*button), "normal");
    SendEnter(*button);
    EXPECT_TRUE(button->Inside());
    SendPress(*button, QPoint(3, 3));
    EXPECT_TRUE(button->Held());
    SendRelease(*button, QPoint(4, 4));
    EXPECT_FALSE(button->Held());
    EXPECT_EQ(Showing(*button), "over");
    SendLeave(*button);
    EXPECT_FALSE(button->Inside());
    EXPECT_EQ(Showing(*button), "normal");
    // Each event comes after its picture is shown; the click comes before the hover picture
    // returns.
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "click:down", "up:over", "leave:normal"}));
}

TEST_F(WidgetTest, OnlyTheLeftButtonPressesAndClicks)
{
    auto button = MakeButton();
    SendEnter(*button);
    for (Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton}) {
        SendPress(*button, QPoint(3, 3), other);
        EXPECT_FALSE(button->Held());
        EXPECT_EQ(Showing(*button), "over");
        SendRelease(*button, QPoint(3, 3), other);
    }
    // A left press released by another button is still held, and the left release clicks.
    SendPress(*button, QPoint(3, 3));
    SendRelease(*button, QPoint(3, 3), Qt::RightButton);
    EXPECT_TRUE(button->Held());
    SendRelease(*button, QPoint(3, 3));
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "click:down", "up:over"}));
}

// A picture reacts to the click, a button to the press: a double click clicks a picture once
// and a button twice.
TEST_F(WidgetTest, ADoubleClickIsOneClickOfAPictureAndTwoPressesOfAButton)
{
    TImage picture(&window);
    picture.resize(20, 10);
    picture.OnClick = [this](QObject*) { events.push_back("picture click"); };
    picture.OnMouseDown = [this](QEvent&) { events.push_back("picture down"); };
    SendDoubleClick(picture, QPoint(3, 3));
    EXPECT_EQ(events, (Events{"picture down", "picture click", "picture down"}));

    events.clear();
    auto button = MakeButton();
    SendEnter(*button);
    SendDoubleClick(*button, QPoint(3, 3));
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "click:down", "up:over", "down:down",
                              "click:down", "up:over"}));
}

TEST_F(WidgetTest, PressDragOutReleaseOutsideDoesNotClick)
{
    auto button = MakeButton();
    SendEnter(*button);
    SendPress(*button, QPoint(3, 3));
    SendLeave(*button);
    EXPECT_EQ(Showing(*button), "normal");
    SendRelease(*button, QPoint(60, 60));
    EXPECT_EQ(Showing(*button), "normal");
    EXPECT_FALSE(button->Held());
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "leave:normal", "up:normal"}));

    // Coming back in the meantime and releasing inside does click, on the pressed picture.
    events.clear();
    SendPress(*button, QPoint(3, 3));
    EXPECT_EQ(Showing(*button), "normal");  // pressed from outside: nothing to show
    SendEnter(*button);
    EXPECT_EQ(Showing(*button), "down");
    SendRelease(*button, QPoint(19, 9));
    EXPECT_EQ(events, (Events{"down:normal", "enter:down", "click:down", "up:over"}));
}

TEST_F(WidgetTest, TheClickDecidesWhatStaysVisibleAfterTheRelease)
{
    auto button = MakeButton();
    button->OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, button.get());
        button->SetPicUp(source.LoadPicture("d.bmp")->ToPixmap());
    };
    SendEnter(*button);
    SendPress(*button, QPoint(1, 1));
    SendRelease(*button, QPoint(1, 1));
    EXPECT_EQ(Showing(*button), "down");
}

TEST_F(WidgetTest, WithoutSupportTheButtonIgnoresTheMouse)
{
    auto button = MakeButton();
    button->SetSupported(false);
    SendEnter(*button);
    SendPress(*button, QPoint(1, 1));
    SendRelease(*button, QPoint(1, 1));
    SendLeave(*button);
    button->PressAndRelease();
    EXPECT_EQ(Showing(*button), "normal");
    EXPECT_FALSE(button->Inside());
    EXPECT_FALSE(button->Held());
    EXPECT_TRUE(events.empty());
}

TEST_F(WidgetTest, PressAndReleaseClicksFromCodeWithoutTheMouse)
{
    auto button = MakeButton();
    button->hide();
    button->PressAndRelease();
    EXPECT_EQ(events, (Events{"down:normal", "click:normal", "up:normal"}));
    EXPECT_EQ(Showing(*button), "normal");

    // With the mouse over it, it looks like a real click.
    events.clear();
    button->show();
    SendEnter(*button);
    button->PressAndRelease();
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "click:down", "up:over"}));
}

TEST_F(WidgetTest, AClickHandlerMayDestroyTheButton)
{
    auto* button = new TImgBtn(&window);
    SetupImageButton(*button, &window, Record(), source);
    bool up = false;
    button->OnClick = [button](QObject*) { delete button; };
    button->OnMouseUp = [&up](QEvent&) { up = true; };
    button->PressAndRelease();
    EXPECT_FALSE(up);
    EXPECT_TRUE(window.findChildren<TImgBtn*>().isEmpty());
}

TEST_F(WidgetTest, RealMouseOnTheOffscreenWindow)
{
    auto button = MakeButton();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseMove(button.get(), QPoint(4, 4));
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(events, (Events{"enter:over", "down:down", "click:down", "up:over"}));

    // Pressed on the button, dragged over the window beside it and back, dragged out again
    // and released there: the pictures follow the mouse, and there is no click.
    events.clear();
    QTest::mousePress(button.get(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(button.get(), QPoint(100, 100));
    EXPECT_EQ(Showing(*button), "normal");
    QTest::mouseMove(button.get(), QPoint(6, 6));
    EXPECT_EQ(Showing(*button), "down");
    QTest::mouseMove(button.get(), QPoint(100, 100));
    QTest::mouseRelease(button.get(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(Showing(*button), "normal");
    EXPECT_FALSE(button->Held());
    EXPECT_FALSE(button->Inside());
    EXPECT_EQ(events, (Events{"down:down", "leave:normal", "enter:down", "leave:normal",
                              "up:normal"}));
}

// --- SidePanelBtn -------------------------------------------------------------------------

TEST_F(WidgetTest, SidePanelButtonClickSelectsBetweenItsTwoCallbacks)
{
    std::vector<std::string> calls;
    std::unique_ptr<SidePanelBtn> button;
    button = std::make_unique<SidePanelBtn>(
        source, &window, Record(), 3,
        [&](int index) {
            calls.push_back("select " + std::to_string(index) + ":" + Showing(*button));
        },
        [&](QObject* sender) {
            EXPECT_EQ(sender, button.get());
            calls.push_back("notify:" + Showing(*button));
        });
    EXPECT_EQ(button->Index(), 3);
    EXPECT_EQ(button->pos(), QPoint(10, 20));
    EXPECT_EQ(button->size(), QSize(20, 10));
    EXPECT_EQ(Showing(*button), "normal");

    SendEnter(*button);
    EXPECT_EQ(Showing(*button), "over");
    SendPress(*button, QPoint(1, 1));
    SendRelease(*button, QPoint(1, 1));
    EXPECT_EQ(calls, (std::vector<std::string>{"select 3:down", "notify:down"}));
    EXPECT_EQ(Showing(*button), "down");  // still hovered, but selected
}

TEST_F(WidgetTest, ASelectedSidePanelButtonIsInertUntilDeselected)
{
    int selects = 0, notifies = 0;
    SidePanelBtn button(source, &window, Record(), 0, [&](int) { ++selects; },
                        [&](QObject*) { ++notifies; });
    button.PressAndRelease();
    ASSERT_EQ(selects, 1);

    EXPECT_EQ(Showing(button), "down");
    SendEnter(button);
    EXPECT_EQ(Showing(button), "down");
    SendPress(button, QPoint(1, 1));
    EXPECT_EQ(Showing(button), "down");
    SendRelease(button, QPoint(1, 1));
    SendLeave(button);
    EXPECT_EQ(Showing(button), "down");
    EXPECT_EQ(selects, 1);
    EXPECT_EQ(notifies, 1);

    button.Deselect();
    EXPECT_EQ(Showing(button), "normal");
    SendEnter(button);
    EXPECT_EQ(Showing(button), "over");
    SendPress(button, QPoint(1, 1));
    EXPECT_EQ(Showing(button), "down");
    SendRelease(button, QPoint(1, 1));
    EXPECT_EQ(selects, 2);
    EXPECT_EQ(notifies, 2);
}

TEST_F(WidgetTest, AGroupOfTabsKeepsOneSelected)
{
    // The owner's select callback releases the previous tab and remembers the new one.
    std::vector<std::unique_ptr<SidePanelBtn>> tabs;
    int current = -1;
    std::vector<int> notified;
    for (int i = 0; i < 3; ++i) {
        Inf_button record = Record();
        record.left = 25 * i;
        tabs.push_back(std::make_unique<SidePanelBtn>(
            source, &window, record, i,
            [&](int index) {
                if (current >= 0)
                    tabs[static_cast<size_t>(current)]->Deselect();
                current = index;
            },
            [&](QObject*) { notified.push_back(current); }));
    }
    tabs[0]->PressAndRelease();
    tabs[2]->PressAndRelease();
    tabs[2]->PressAndRelease();  // selected: nothing
    tabs[1]->PressAndRelease();
    EXPECT_EQ(notified, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(Showing(*tabs[0]), "normal");
    EXPECT_EQ(Showing(*tabs[1]), "down");
    EXPECT_EQ(Showing(*tabs[2]), "normal");
}

// --- T2stateBtn ---------------------------------------------------------------------------

TEST_F(WidgetTest, TwoStateButtonAlternatesActionsWhileLatched)
{
    std::vector<std::string> calls;
    T2stateBtn button(
        source, &window, Record(),
        [&](QObject* s) { calls.push_back(s == &button ? "first" : "?"); },
        [&](QObject* s) { calls.push_back(s == &button ? "second" : "?"); });
    EXPECT_EQ(Showing(button), "normal");

    SendEnter(button);
    for (int i = 0; i < 4; ++i) {
        SendPress(button, QPoint(1, 1));
        SendRelease(button, QPoint(1, 1));
        EXPECT_EQ(Showing(button), "down");  // hovered, latched
    }
    SendLeave(button);
    EXPECT_EQ(Showing(button), "down");  // idle, latched
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "first", "second"}));

    // Released while waiting for a first click, and again while waiting for a second one.
    button.Release();
    EXPECT_EQ(Showing(button), "normal");
    SendEnter(button);
    EXPECT_EQ(Showing(button), "over");
    button.PressAndRelease();
    button.Release();
    button.PressAndRelease();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "first", "second", "first",
                                               "first"}));
}

}  // namespace
