// The advertisement banner: pictures read from files of a disc in a temporary folder, an
// injected choice of advertisement, the change timer, the tooltip and the link passed on a click.
#include "controls/Banner.h"

#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/WidgetTestSupport.h"
#include "model/Language.h"
#include "disc/CodePages.h"
#include "platform/Cursors.h"
#include "platform/EventErrors.h"
#include "platform/ScreenCursors.h"
#include "support/TempDir.h"

namespace {

const QColor kRed(220, 0, 0);
const QColor kGreen(0, 220, 0);
const QColor kBlue(0, 0, 220);

class BannerTest : public ::testing::Test {
protected:
    BannerTest() : resolver(disc.path())
    {
        disc.Write("ads/red.bmp", BitmapBytes(kRed, QSize(30, 12)));
        disc.Write("ads/green.bmp", BitmapBytes(kGreen, QSize(40, 16)));
        disc.Write("ads/blue.bmp", BitmapBytes(kBlue, QSize(50, 20)));
        window.resize(300, 200);
        window.show();
    }

    static Inf_banner Record(std::vector<Inf_banner_aux> items, int time = 10, int width = 0,
                             int height = 0)
    {
        Inf_banner record;
        record.left = 5;
        record.top = 6;
        record.width = width;
        record.height = height;
        record.time = time;
        record.items = std::move(items);
        return record;
    }

    static std::vector<Inf_banner_aux> ThreeAds()
    {
        return {{"ads\\red.bmp", "http://red"},
                {"ads\\green.bmp", "http://green"},
                {"ads\\blue.bmp", "http://blue"}};
    }

    // A choice that gives the queued indexes in turn (and 0 once they are used up).
    Banner::RandomChoice Queue()
    {
        return [this](std::size_t count) {
            counts.push_back(count);
            if (choices.empty())
                return std::size_t{0};
            const std::size_t next = choices.front();
            choices.pop_front();
            return next;
        };
    }

    std::unique_ptr<Banner> Make(const Inf_banner& record)
    {
        return std::make_unique<Banner>(
            &window, record, [this](const std::string& link) { links.push_back(link); },
            resolver, Queue());
    }

    static QRgb Showing(const Banner& banner)
    {
        return ColourAt(banner.PictureControl()->Shown());
    }

    static void Click(const Banner& banner)
    {
        SendPress(*banner.PictureControl(), QPoint(1, 1));
        SendRelease(*banner.PictureControl(), QPoint(1, 1));
    }

    TempDir disc;
    PathResolver resolver;
    QWidget window;
    std::deque<std::size_t> choices;
    std::vector<std::size_t> counts;
    std::vector<std::string> links;
};

TEST_F(BannerTest, AnEmptyListShowsNothingAndIgnoresClicks)
{
    auto banner = Make(Record({}, 10, 60, 30));
    EXPECT_TRUE(banner->PictureControl()->Shown().isNull());
    EXPECT_TRUE(banner->PictureControl()->toolTip().isEmpty());
    EXPECT_FALSE(banner->Timer()->isActive());
    Click(*banner);
    EXPECT_TRUE(links.empty());
    EXPECT_TRUE(counts.empty());
    EXPECT_EQ(banner->geometry(), QRect(5, 6, 60, 30));

    // Auto-sized and empty, it covers nothing of what lies below.
    auto small = Make(Record({}));
    EXPECT_EQ(small->size(), QSize(0, 0));
}

TEST_F(BannerTest, ClickPassesTheLinkOfTheAdvertisementOnShow)
{
    const std::uint8_t saved_charset = current_charset;
    current_charset = charsets::kCyrillic;

    choices = {2, 0, 1};
    std::vector<Inf_banner_aux> ads = ThreeAds();
    ads[1].url = "\xF1\xE0\xE9\xF2";  // "сайт" in Windows-1251
    auto banner = Make(Record(ads));
    EXPECT_EQ(counts, (std::vector<std::size_t>{3}));
    EXPECT_EQ(Showing(*banner), Rgb(kBlue));
    EXPECT_EQ(banner->PictureControl()->toolTip(), QString("http://blue"));
    Click(*banner);

    banner->ShowRandomAd();
    EXPECT_EQ(Showing(*banner), Rgb(kRed));
    Click(*banner);

    banner->ShowRandomAd();
    EXPECT_EQ(Showing(*banner), Rgb(kGreen));
    EXPECT_EQ(banner->PictureControl()->toolTip(), QString::fromUtf8("сайт"));
    Click(*banner);

    EXPECT_EQ(links, (std::vector<std::string>{"http://blue", "http://red", ads[1].url}));
    current_charset = saved_charset;
}

TEST_F(BannerTest, SizeCursorAndPlacement)
{
    SetScreenCursor(kLinkCursorSlot, QCursor(Qt::CrossCursor));

    choices = {1, 2};
    auto sized = Make(Record(ThreeAds(), 10, 100, 50));
    EXPECT_EQ(sized->parentWidget(), &window);
    EXPECT_TRUE(sized->isVisible());
    EXPECT_EQ(sized->geometry(), QRect(5, 6, 100, 50));
    EXPECT_EQ(sized->PictureControl()->geometry(), QRect(0, 0, 100, 50));
    EXPECT_EQ(sized->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(sized->PictureControl()->cursor().shape(), Qt::CrossCursor);

    // Width or height 0: the banner takes the size of each advertisement.
    auto automatic = Make(Record(ThreeAds(), 10, 100, 0));
    EXPECT_EQ(automatic->geometry(), QRect(5, 6, 50, 20));
    EXPECT_EQ(automatic->PictureControl()->geometry(), QRect(0, 0, 50, 20));
    automatic->ShowRandomAd();  // the queue is empty: red
    EXPECT_EQ(automatic->size(), QSize(30, 12));
    EXPECT_EQ(automatic->PictureControl()->size(), QSize(30, 12));

    SetScreenCursor(kLinkCursorSlot, QCursor(Qt::PointingHandCursor));
}

TEST_F(BannerTest, PicturesAreFoundWithoutRegardToCase)
{
    disc.Write("Ads/Promo.BMP", BitmapBytes(kGreen, QSize(8, 8)));
    auto banner = Make(Record({{"ADS\\promo.bmp", "x"}}));
    EXPECT_EQ(Showing(*banner), Rgb(kGreen));
}

TEST_F(BannerTest, APictureThatCannotBeShownFailsTheConstruction)
{
    disc.Write("ads/broken.bmp", "BM not really");
    disc.Write("ads/text.txt", "hello");
    for (const char* path : {"ads\\missing.bmp", "ads\\text.txt", "ads\\broken.bmp", ""}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(Make(Record({{path, "x"}})), PictureError);
    }
    EXPECT_TRUE(window.findChildren<Banner*>().isEmpty());
}

TEST_F(BannerTest, TheChangeTimeSetsTheTimer)
{
    auto ten = Make(Record(ThreeAds(), 10));
    EXPECT_TRUE(ten->Timer()->isActive());
    EXPECT_EQ(ten->Timer()->interval(), 10000);
    // 0 never changes the advertisement (and neither does a negative time).
    for (int time : {0, -5}) {
        auto still = Make(Record(ThreeAds(), time));
        EXPECT_FALSE(still->Timer()->isActive());
    }
    auto huge = Make(Record(ThreeAds(), 2000000000));
    EXPECT_TRUE(huge->Timer()->isActive());
    EXPECT_GT(huge->Timer()->interval(), 0);
}

TEST_F(BannerTest, OneAdvertisementIsReloadedEveryChangeTime)
{
    auto banner = Make(Record({{"ads\\red.bmp", "http://one"}}, 1));
    std::vector<std::string> errors;
    SetEventErrorHandler([&](const std::string& text) { errors.push_back(text); });
    EXPECT_EQ(Showing(*banner), Rgb(kRed));

    // The file changes on the disc: the timer shows the new picture.
    disc.Write("ads/red.bmp", BitmapBytes(kBlue, QSize(30, 12)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Showing(*banner) == Rgb(kBlue); }, 5000));
    EXPECT_GE(counts.size(), 2u);

    // The file goes away: the failure is reported, the last advertisement and link stay.
    std::filesystem::remove(disc.path() / "ads/red.bmp");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !errors.empty(); }, 5000));
    EXPECT_NE(errors.front().find("ads\\red.bmp"), std::string::npos) << errors.front();
    EXPECT_EQ(Showing(*banner), Rgb(kBlue));
    Click(*banner);
    EXPECT_EQ(links, (std::vector<std::string>{"http://one"}));
    banner.reset();
    SetEventErrorHandler({});
}

TEST_F(BannerTest, TheDefaultChoiceReachesEveryAdvertisement)
{
    auto banner = std::make_unique<Banner>(&window, Record(ThreeAds()), Banner::LinkEvent{},
                                           resolver);
    std::set<QRgb> seen;
    for (int i = 0; i < 60 && seen.size() < 3; ++i) {
        banner->ShowRandomAd();
        seen.insert(Showing(*banner));
    }
    EXPECT_EQ(seen, (std::set<QRgb>{Rgb(kRed), Rgb(kGreen), Rgb(kBlue)}));
    Click(*banner);  // no link callback: nothing happens
}

TEST_F(BannerTest, BannersMadeAtTheSameMomentGoTheirOwnWays)
{
    // Forty advertisements with one picture and their own links: the tooltip tells which is on
    // show. Two banners with the default choice, made one after the other, must not show the
    // same sequence (a shared seed would make them do so).
    std::vector<Inf_banner_aux> ads;
    for (int i = 0; i < 40; ++i)
        ads.push_back({"ads\\red.bmp", "http://ad" + std::to_string(i)});
    auto first = std::make_unique<Banner>(&window, Record(ads), Banner::LinkEvent{}, resolver);
    auto second = std::make_unique<Banner>(&window, Record(ads), Banner::LinkEvent{}, resolver);
    std::vector<QString> first_seen, second_seen;
    for (int i = 0; i < 12; ++i) {
        first->ShowRandomAd();
        second->ShowRandomAd();
        first_seen.push_back(first->PictureControl()->toolTip());
        second_seen.push_back(second->PictureControl()->toolTip());
    }
    EXPECT_FALSE(first_seen.front().isEmpty());
    EXPECT_NE(first_seen, second_seen);
}

}  // namespace
