// The picture viewer on the offscreen platform, over pictures written to a temporary disc: its
// steps through the list, the keys and clicks that drive them (through the modal loop), its size
// and place on a stated desktop, and what happens when a picture does not load.
#include "windows/Im_view.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "demo/DemoFormats.h"
#include "disc/CodePages.h"
#include "pictures/Picture.h"
#include "platform/EventErrors.h"
#include "support/TempDir.h"

namespace {

class CountingOutput : public SoundOutput {
public:
    int played = 0;
    void PlayFromMemory(std::shared_ptr<const std::string>) override { ++played; }
    void PlayLoop(const std::string&) override {}
    void StopAll() override {}
};

void SendKey(QWidget& widget, QEvent::Type type, int key, bool auto_repeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), auto_repeat);
    QCoreApplication::sendEvent(&widget, &event);
}

void Release(QWidget& widget, int key, bool auto_repeat = false)
{
    SendKey(widget, QEvent::KeyRelease, key, auto_repeat);
}

QImage Solid(int width, int height, QColor colour = Qt::darkCyan)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void PutLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A Windows icon holding one opaque 32-bit image of each size, in the order given.
std::string IconFile(const std::vector<int>& sides)
{
    std::string head;
    std::string images;
    PutLe(head, 0, 2);
    PutLe(head, 1, 2);
    PutLe(head, static_cast<std::uint32_t>(sides.size()), 2);
    const std::size_t data_start = 6 + 16 * sides.size();
    for (int side : sides) {
        const auto s = static_cast<std::uint32_t>(side);
        std::string image;
        PutLe(image, 40, 4);
        PutLe(image, s, 4);
        PutLe(image, 2 * s, 4);  // colour rows and mask rows
        PutLe(image, 1, 2);
        PutLe(image, 32, 2);
        image.append(24, '\0');
        for (int i = 0; i < side * side; ++i)
            image += std::string("\x40\x80\xc0\xff", 4);
        image.append(static_cast<std::size_t>((side + 31) / 32 * 4 * side), '\0');
        head.push_back(static_cast<char>(side & 0xFF));
        head.push_back(static_cast<char>(side & 0xFF));
        PutLe(head, 0, 2);
        PutLe(head, 1, 2);
        PutLe(head, 32, 2);
        PutLe(head, static_cast<std::uint32_t>(image.size()), 4);
        PutLe(head, static_cast<std::uint32_t>(data_start + images.size()), 4);
        images += image;
    }
    return head + images;
}

// What the window shows after one step.
struct State {
    unsigned index;
    std::string caption;
    int sounds;
    bool visible;
    bool operator==(const State&) const = default;
};

std::ostream& operator<<(std::ostream& out, const State& s)
{
    return out << "{" << s.index << ", \"" << s.caption << "\", " << s.sounds << ", " << s.visible << "}";
}

class ViewerTest : public ::testing::Test {
protected:
    ViewerTest()
    {
        SetEventErrorHandler([this](const std::string& text) { reports.push_back(text); });
        dir.Write("snd/picture.wav", WavFile({0.0f, 0.5f, -0.5f, 0.0f}, 8000, 16));
        EXPECT_EQ(sound.Load(resolver, "snd\\picture.wav"), 0);
        sounder.sounds_on = true;
        view.SetDesktop(QRect(-20, 10, 200, 150));
    }
    ~ViewerTest() override { SetEventErrorHandler(nullptr); }

    // Bitmaps pics/p1.bmp ... of sizes 11x9, 12x10 ...; their list.
    std::vector<PicPair> Pictures(int count)
    {
        std::vector<PicPair> list;
        for (int i = 1; i <= count; ++i) {
            const std::string name = "p" + std::to_string(i) + ".bmp";
            dir.Write("pics/" + name, EncodedPicture(Solid(10 + i, 8 + i), "BMP"));
            list.push_back({"thumbs\\" + name, "pics\\" + name});
        }
        return list;
    }

    State Now() const
    {
        return {view.CurrentIndex(), view.windowTitle().toStdString(), output.played, view.isVisible()};
    }

    // ShowList with `inside` run once the window is open; returns when it has closed.
    void Run(const std::vector<PicPair>& list, unsigned start, const std::function<void()>& inside)
    {
        QTimer::singleShot(0, &view, inside);
        QTimer::singleShot(10000, &view, [this] { view.done(-1); });  // never hang the run
        view.ShowList(list, start);
    }

    TempDir dir;
    PathResolver resolver{dir.path()};
    SoundFile sound;
    Sounder sounder;
    CountingOutput output;
    std::vector<std::string> reports;
    TImageView view{nullptr, sound, sounder, output, resolver};
};

TEST_F(ViewerTest, KeysStepThroughTheListOnRelease)
{
    const std::vector<PicPair> list = Pictures(5);
    std::vector<State> steps;
    Run(list, 2, [&] {
        steps.push_back(Now());
        SendKey(view, QEvent::KeyPress, Qt::Key_PageUp);  // a press alone does nothing
        steps.push_back(Now());
        Release(view, Qt::Key_PageUp);
        steps.push_back(Now());
        Release(view, Qt::Key_Home);
        Release(view, Qt::Key_Home);      // already first
        Release(view, Qt::Key_PageUp);    // nothing before the first
        steps.push_back(Now());
        Release(view, Qt::Key_End);
        Release(view, Qt::Key_End);       // already last
        Release(view, Qt::Key_PageUp, true);  // auto-repeat: not a release
        steps.push_back(Now());
        Release(view, Qt::Key_PageUp);
        Release(view, Qt::Key_Return);
        steps.push_back(Now());
        Release(view, Qt::Key_F1);        // other keys do nothing
        Release(view, Qt::Key_Space);     // Next on the last picture closes
        steps.push_back(Now());
    });
    EXPECT_EQ(steps, (std::vector<State>{
                         {2, "pics\\p3.bmp (3/5)", 1, true},
                         {2, "pics\\p3.bmp (3/5)", 1, true},
                         {1, "pics\\p2.bmp (2/5)", 2, true},
                         {0, "pics\\p1.bmp (1/5)", 3, true},
                         {4, "pics\\p5.bmp (5/5)", 4, true},
                         {4, "pics\\p5.bmp (5/5)", 6, true},
                         {4, "pics\\p5.bmp (5/5)", 6, false},
                     }));
    EXPECT_FALSE(view.Shown());
    EXPECT_TRUE(reports.empty());
}

TEST_F(ViewerTest, ClicksAndOtherKeysGoOnOrClose)
{
    const std::vector<PicPair> three = Pictures(3);
    std::vector<State> steps;
    Run(three, 0, [&] {
        // A double click goes on once: its second press is no second click.
        QTest::mouseClick(view.Image1, Qt::LeftButton);
        QTest::mouseDClick(view.Image1, Qt::LeftButton);
        QTest::mouseRelease(view.Image1, Qt::LeftButton);
        steps.push_back(Now());
        Release(view, Qt::Key_Enter);  // the keypad's
        steps.push_back(Now());
        QTest::mouseClick(view.Image1, Qt::LeftButton);  // Next on the last
        steps.push_back(Now());
    });
    EXPECT_EQ(steps, (std::vector<State>{{1, "pics\\p2.bmp (2/3)", 2, true},
                                         {2, "pics\\p3.bmp (3/3)", 3, true},
                                         {2, "pics\\p3.bmp (3/3)", 3, false}}));

    // A list of one: going on closes at once. Esc closes on its release only.
    const std::vector<PicPair> one(three.begin(), three.begin() + 1);
    for (int key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_PageDown, Qt::Key_Escape}) {
        bool visible_after_press = false;
        bool visible_after_release = true;
        Run(one, 0, [&] {
            SendKey(view, QEvent::KeyPress, key);
            visible_after_press = view.isVisible();
            Release(view, key);
            visible_after_release = view.isVisible();
        });
        EXPECT_TRUE(visible_after_press) << key;
        EXPECT_FALSE(visible_after_release) << key;
    }

    // The right button closes; so does the window's close box.
    bool closed_by_right_click = false;
    Run(three, 1, [&] {
        QTest::mouseClick(view.Image1, Qt::RightButton);
        closed_by_right_click = !view.isVisible();
    });
    EXPECT_TRUE(closed_by_right_click);
    Run(three, 1, [&] { view.close(); });
    EXPECT_FALSE(view.Shown());
    EXPECT_TRUE(reports.empty());
}

TEST_F(ViewerTest, AStartBeyondTheListShowsTheFirstPicture)
{
    const std::vector<PicPair> list = Pictures(3);
    State shown{};
    Run(list, 7, [&] {
        shown = Now();
        view.close();
    });
    EXPECT_EQ(shown, (State{0, "pics\\p1.bmp (1/3)", 1, true}));

    // An empty list shows nothing.
    const std::vector<PicPair> none;
    view.ShowList(none, 0);
    EXPECT_FALSE(view.Shown());
    EXPECT_EQ(output.played, 1);
}

TEST_F(ViewerTest, SizedToThePictureAndCentredOnTheDesktop)
{
    // The desktop is 200 x 150 at (-20, 10); the window has no frame on this platform.
    struct Case {
        QSize picture;
        QRect window;
    };
    const Case cases[] = {
        {{193, 141}, {-17, 14, 193, 141}},  // narrower than 194 and lower than 142
        {{191, 139}, {-16, 15, 191, 139}},  // halves rounded down
        {{194, 142}, {-20, 10, 200, 149}},  // exactly desktop - 6 and - 8: too large
        {{500, 400}, {-20, 10, 200, 149}},
        {{20, 300}, {70, 10, 20, 149}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "big" + std::to_string(++n) + ".bmp";
        dir.Write("pics/" + name, EncodedPicture(Solid(c.picture.width(), c.picture.height()), "BMP"));
        view.ShowPicture("pics\\" + name);
        EXPECT_EQ(view.geometry(), c.window) << name;
        EXPECT_EQ(view.Image1->geometry(), QRect(QPoint(0, 0), c.picture)) << name;
    }
}

TEST_F(ViewerTest, TheCaptionIsThePathInTheDiscCodePage)
{
    const std::uint8_t saved = current_charset;
    current_charset = 204;
    dir.Write("pics/\xd1\x80\xd0\xb8\xd1\x81.bmp", EncodedPicture(Solid(30, 20), "BMP"));  // "рис.bmp"
    std::vector<PicPair> list(5);
    list[2].pic = "PICS\\\xf0\xe8\xf1.BMP";
    QString caption;
    Run(list, 2, [&] {
        caption = view.windowTitle();
        view.close();
    });
    current_charset = saved;
    EXPECT_EQ(caption, QString::fromUtf8("PICS\\рис.BMP (3/5)"));
}

TEST_F(ViewerTest, TheSamePictureAgainIsNotReloaded)
{
    dir.Write("pics/a.bmp", EncodedPicture(Solid(30, 20), "BMP"));
    dir.Write("pics/b.bmp", EncodedPicture(Solid(40, 30), "BMP"));
    const std::vector<PicPair> list{{"", "pics\\a.bmp"}, {"", "pics\\a.bmp"}, {"", "pics\\b.bmp"}};
    std::vector<State> steps;
    std::vector<std::size_t> report_counts;
    Run(list, 0, [&] {
        std::filesystem::remove(dir.path() / "pics/a.bmp");
        Release(view, Qt::Key_PageDown);  // a.bmp again: nothing happens, not even its caption
        steps.push_back(Now());
        Release(view, Qt::Key_PageDown);
        steps.push_back(Now());
        Release(view, Qt::Key_PageUp);  // a.bmp is gone now: reported, nothing else changes
        steps.push_back(Now());
        report_counts.push_back(reports.size());
        Release(view, Qt::Key_Escape);
    });
    EXPECT_EQ(steps, (std::vector<State>{{1, "pics\\a.bmp (1/3)", 1, true},
                                         {2, "pics\\b.bmp (3/3)", 2, true},
                                         {1, "pics\\b.bmp (3/3)", 3, true}}));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Bad picture pics\\a.bmp: ", 0), 0u) << reports[0];

    // After closing, the same file is shown afresh.
    State reopened{};
    Run(list, 2, [&] {
        reopened = Now();
        view.close();
    });
    EXPECT_EQ(reopened, (State{2, "pics\\b.bmp (3/3)", 4, true}));
}

TEST_F(ViewerTest, ABrokenPictureKeepsTheWindowAsItWas)
{
    dir.Write("pics/good.bmp", EncodedPicture(Solid(30, 20), "BMP"));
    dir.Write("pics/broken.jpg", "not a JPEG at all");
    dir.Write("pics/good2.bmp", EncodedPicture(Solid(40, 30), "BMP"));
    const std::vector<PicPair> list{{"", "pics\\good.bmp"}, {"", "pics\\broken.jpg"}, {"", "pics\\good2.bmp"}};
    QRect before, after;
    State failed{}, then{};
    std::string last_after_failure;
    Run(list, 0, [&] {
        before = view.geometry();
        QTest::mouseClick(view.Image1, Qt::LeftButton);
        after = view.geometry();
        failed = Now();
        last_after_failure = TImageView::LastLoadedPath();
        Release(view, Qt::Key_PageDown);
        then = Now();
        view.close();
    });
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Bad picture pics\\broken.jpg: ", 0), 0u) << reports[0];
    EXPECT_EQ(failed, (State{1, "pics\\good.bmp (1/3)", 2, true}));  // the index has moved
    EXPECT_EQ(after, before);
    EXPECT_EQ(after.size(), QSize(30, 20));
    EXPECT_EQ(last_after_failure, "pics\\good.bmp");
    EXPECT_EQ(then, (State{2, "pics\\good2.bmp (3/3)", 3, true}));

    // A first picture that does not load: ShowList raises and the window is not shown.
    for (const std::string& pic : {std::string(), std::string("pics\\missing.bmp"), std::string("pics\\broken.jpg")}) {
        const std::vector<PicPair> bad{{"", pic}};
        EXPECT_THROW(view.ShowList(bad, 0), PictureError) << pic;
        EXPECT_FALSE(view.isVisible());
        EXPECT_FALSE(view.Shown());
    }
}

TEST_F(ViewerTest, PictureKindFollowsTheExtensionWithoutRegardToCase)
{
    dir.Write("pics/a.JPEG", EncodedPicture(Solid(33, 21), "JPG"));
    dir.Write("pics/b.Bmp", EncodedPicture(Solid(34, 22), "BMP"));
    dir.Write("pics/c.GIF", GifFile({Solid(35, 23)}));
    dir.Write("pics/d.jpg", EncodedPicture(Solid(36, 24), "JPG"));
    // An icon shows its standard-size image: the largest that fits in 32 x 32 ...
    dir.Write("pics/e.Ico", IconFile({16, 48, 32, 24}));
    // ... else the smallest.
    dir.Write("pics/f.ico", IconFile({64, 48}));
    const std::vector<std::pair<std::string, QSize>> kinds{
        {"pics\\a.JPEG", {33, 21}}, {"pics\\b.Bmp", {34, 22}}, {"pics\\c.GIF", {35, 23}},
        {"pics\\d.jpg", {36, 24}},  {"pics\\e.Ico", {32, 32}}, {"pics\\f.ico", {48, 48}}};
    for (const auto& [path, size] : kinds) {
        view.ShowPicture(path);
        EXPECT_EQ(view.Image1->size(), size) << path;
        EXPECT_EQ(view.size(), size) << path;
    }

    // Metafiles are known but cannot be drawn; other kinds are unknown.
    dir.Write("pics/g.WMF", "\xd7\xcd\xc6\x9a");
    dir.Write("pics/h.emf", "\x01\x00\x00\x00");
    dir.Write("pics/i.png", "\x89PNG");
    const std::vector<std::pair<std::string, std::string>> refused{
        {"pics\\g.WMF", "Bad picture pics\\g.WMF: metafiles cannot be shown"},
        {"pics\\h.emf", "Bad picture pics\\h.emf: metafiles cannot be shown"},
        {"pics\\i.png", "Bad picture pics\\i.png: unknown picture file extension"}};
    for (const auto& [path, text] : refused) {
        try {
            view.ShowPicture(path);
            ADD_FAILURE() << path << " was shown";
        } catch (const PictureError& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
    }
    EXPECT_EQ(TImageView::LastLoadedPath(), "pics\\f.ico");
}

}  // namespace
