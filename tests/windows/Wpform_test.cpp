// The wallpaper window on the offscreen platform, on a stated desktop, over wallpaper folders
// written to a temporary disc: when the show is available, what it lists, which picture it picks
// and when, how it paints, its timer, broken pictures, and which windows it raises in front.
#include "windows/Wpform.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <vector>

#include "demo/DemoFormats.h"
#include "pictures/Picture.h"
#include "platform/EventErrors.h"
#include "support/TempDir.h"

namespace {

const DesktopFacts kDesktop{QRect(0, 0, 800, 600), 24};

// A picture whose every pixel differs from its neighbours' by a visible step.
QImage Gradient(int width, int height, int hue = 0)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 255) / width, (y * 255) / height, hue));
    return image;
}

class WallpaperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetEventErrorHandler([this](const std::string& text) { reports.push_back(text); });
    }
    void TearDown() override { SetEventErrorHandler(nullptr); }

    void WriteJpeg(const std::string& rel, int hue = 0)
    {
        dir.Write(rel, EncodedPicture(Gradient(37, 23, hue), "JPG"));
    }

    TempDir dir;
    PathResolver resolver{dir.path()};
    std::vector<std::string> reports;
};

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(WallpaperTest, AvailableOnlyOnADesktopWiderThan640WithMoreThan8BitsAndAFolder)
{
    const WPs_inf set{{"wp\\"}, 60};
    TWPForm wide(nullptr, set, resolver, {QRect(0, 0, 641, 480), 24});
    EXPECT_TRUE(wide.available);
    EXPECT_EQ(wide.geometry(), QRect(0, 0, 641, 479));  // one pixel less high than the desktop
    EXPECT_EQ(wide.Timer1->interval(), 60000);

    EXPECT_FALSE(TWPForm(nullptr, set, resolver, {QRect(0, 0, 640, 480), 24}).available);
    EXPECT_FALSE(TWPForm(nullptr, set, resolver, {QRect(0, 0, 1024, 768), 8}).available);
    EXPECT_TRUE(TWPForm(nullptr, set, resolver, {QRect(0, 0, 1024, 768), 16}).available);

    // Created with the still empty set of the start, then given the parsed one.
    TWPForm later(nullptr, WPs_inf{}, resolver, kDesktop);
    EXPECT_FALSE(later.available);
    later.ShowRandom();
    later.ShowFolder(0);
    EXPECT_TRUE(later.CurrentPicture().isNull());
    later.SetWallpapers(set);
    EXPECT_TRUE(later.available);
}

TEST_F(WallpaperTest, ListsTheJpegFilesOfEachFolderInTheSetsOrder)
{
    WriteJpeg("wp/one/a.jpg");
    WriteJpeg("wp/one/B.JPG");
    dir.Write("wp/one/notes.txt", "text");
    dir.Write("wp/one/a.jpeg", "not matched");
    dir.MakeDir("wp/one/sub.jpg");
    WriteJpeg("wp/two/c.jpg");

    TWPForm form(nullptr, {{"wp\\two\\", "wp\\missing\\", "WP\\ONE\\"}, 60}, resolver, kDesktop);
    ASSERT_EQ(form.files.size(), 3u);
    EXPECT_EQ(form.files[0], std::vector<std::string>{"c.jpg"});
    EXPECT_TRUE(form.files[1].empty());
    EXPECT_EQ(Sorted(form.files[2]), (std::vector<std::string>{"B.JPG", "a.jpg", "sub.jpg"}));

    // A new set replaces the lists rather than adding to them.
    form.SetWallpapers({{"wp\\one\\"}, 60});
    ASSERT_EQ(form.files.size(), 1u);
    EXPECT_EQ(form.files[0].size(), 3u);
}

TEST_F(WallpaperTest, PicksTheSamePictureWithinASecondAndBlackForAFolderWithoutPictures)
{
    for (int i = 0; i < 6; ++i)
        WriteJpeg("wp/" + std::to_string(i) + ".jpg", i * 40);
    TWPForm form(nullptr, {{"wp\\", "empty\\"}, 60}, resolver, kDesktop);
    std::time_t now = 1000;
    form.SetClock([&] { return now; });

    form.ShowRandom();
    const std::string first = form.CurrentFile();
    EXPECT_EQ(first.rfind("wp\\", 0), 0u) << first;
    EXPECT_FALSE(form.CurrentPicture().isNull());
    form.ShowRandom();
    EXPECT_EQ(form.CurrentFile(), first);

    std::set<std::string> picked;
    for (now = 0; now < 40; ++now) {
        form.ShowRandom();
        picked.insert(form.CurrentFile());
    }
    EXPECT_GT(picked.size(), 1u);

    // A folder that does not exist lists nothing: the window goes black.
    form.ShowFolder(1);
    EXPECT_EQ(form.folder_index, 1);
    EXPECT_TRUE(form.CurrentPicture().isNull());
    EXPECT_TRUE(form.CurrentFile().empty());
    EXPECT_EQ(form.grab().toImage().pixel(5, 5), qRgb(0, 0, 0));

    // Indexes outside the folders change nothing.
    form.ShowFolder(2);
    form.ShowFolder(-1);
    EXPECT_EQ(form.folder_index, 1);
}

TEST_F(WallpaperTest, TilesThePictureFromTheTopLeftCorner)
{
    WriteJpeg("wp/a.jpg", 90);
    TWPForm form(nullptr, {{"wp\\"}, 60}, resolver, kDesktop);
    form.ShowRandom();
    const QImage shown = form.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(800, 599));
    const QImage source = Gradient(37, 23, 90);
    for (const QPoint p : {QPoint(0, 0), QPoint(20, 11), QPoint(36, 22)}) {
        EXPECT_EQ(shown.pixel(p), shown.pixel(p + QPoint(37, 0)));
        EXPECT_EQ(shown.pixel(p), shown.pixel(p + QPoint(37 * 5, 23 * 7)));
        // Near the picture's own colour (the JPEG is lossy).
        EXPECT_NEAR(qRed(shown.pixel(p)), qRed(source.pixel(p)), 24);
        EXPECT_NEAR(qGreen(shown.pixel(p)), qGreen(source.pixel(p)), 24);
    }
}

TEST_F(WallpaperTest, TheTimerRunsWhileShownAndNeverForATimeOf0)
{
    WriteJpeg("wp/a.jpg");
    TWPForm never(nullptr, {{"wp\\"}, 0}, resolver, kDesktop);
    never.show();
    EXPECT_FALSE(never.Timer1->isActive());
    EXPECT_EQ(never.CurrentFile(), "wp\\a.jpg");
    never.hide();

    TWPForm form(nullptr, {{"wp\\"}, 5}, resolver, kDesktop);
    form.show();
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 5000);
    form.hide();
    EXPECT_FALSE(form.Timer1->isActive());

    // A time too long for the timer is its longest interval, not an overflow.
    EXPECT_EQ(WallpaperInterval(3'000'000), INT_MAX);
    EXPECT_EQ(WallpaperInterval(-5), 0);
}

TEST_F(WallpaperTest, ABrokenPictureIsReportedAndThePreviousOneStays)
{
    WriteJpeg("good/a.jpg");
    dir.Write("bad/b.jpg", "not a JPEG at all");
    TWPForm form(nullptr, {{"good\\", "bad\\"}, 5}, resolver, kDesktop);
    form.show();
    ASSERT_EQ(form.CurrentFile(), "good\\a.jpg");

    EXPECT_THROW(form.ShowFolder(1), PictureError);
    EXPECT_EQ(form.folder_index, 1);
    EXPECT_EQ(form.CurrentFile(), "good\\a.jpg");
    EXPECT_FALSE(form.CurrentPicture().isNull());

    form.Timer1Timer();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Bad picture bad\\b.jpg", 0), 0u) << reports[0];
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.CurrentFile(), "good\\a.jpg");
    form.hide();

    // Failing when the window is shown: reported, and the timer is not started.
    TWPForm bad(nullptr, {{"bad\\"}, 5}, resolver, kDesktop);
    bad.show();
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_FALSE(bad.Timer1->isActive());
    bad.hide();
}

TEST(WallpaperStacking, RaisesTheMenuButNeverAboveAnOpenModalWindow)
{
    QWidget menu;
    EXPECT_TRUE(WindowsToRaise(&menu, {}).empty());  // hidden
    EXPECT_TRUE(WindowsToRaise(nullptr, {}).empty());
    menu.show();
    EXPECT_EQ(WindowsToRaise(&menu, VisibleModalWindows()), std::vector<QWidget*>{&menu});

    QWidget other;
    other.show();
    QDialog box;
    box.setModal(true);
    box.show();
    EXPECT_EQ(WindowsToRaise(&menu, VisibleModalWindows()),
              (std::vector<QWidget*>{&menu, &box}));
    box.hide();
    EXPECT_EQ(WindowsToRaise(&menu, VisibleModalWindows()), std::vector<QWidget*>{&menu});
}

}  // namespace
