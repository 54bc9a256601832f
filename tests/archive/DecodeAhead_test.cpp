// Pictures decoded ahead by the archive's workers: whatever the workers got to, the build sees
// the same pictures and the same failures, in the same order, as with no workers at all; the
// decoded pictures waiting for the build stay within their share; closing (or dropping) the
// archive while the workers are busy stops them before the members go.
#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

#include "ArchiveTestSupport.h"
#include "archive/DecodePool.h"
#include "archive/ZipGrFile.h"
#include "demo/DemoFormats.h"
#include "pictures/Picture.h"
#include "support/RecordingApplication.h"

namespace {

// A noisy picture: it takes a while to decode and does not compress to nothing.
QImage Noise(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb(static_cast<int>(random() & 0xFF), (x + y) & 0xFF, static_cast<int>(seed * 40) & 0xFF);
    }
    return image;
}

std::string Jpeg(int width, int height, unsigned seed)
{
    return EncodedPicture(Noise(width, height, seed), "JPG", 90);
}

// What the build would see for each name asked, in order: the picture's size and a checksum of
// its pixels, the picture's error, or the fatal box.
std::vector<std::string> Build(ZipGrFile& zip, RecordingApplication& app, const std::vector<std::string>& asked)
{
    std::vector<std::string> seen;
    for (const std::string& name : asked) {
        app.calls.clear();
        try {
            const std::unique_ptr<Picture> picture = zip.LoadPicture(name);
            const QImage& image = picture->Image();
            std::uint64_t sum = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    sum = sum * 31 + image.pixel(x, y);
            seen.push_back(name + " " + std::to_string(image.width()) + "x" + std::to_string(image.height()) +
                           " " + std::to_string(sum));
        } catch (const PictureError& error) {
            seen.push_back(error.what());
        } catch (const ProgramHalted&) {
            seen.push_back(app.calls.empty() ? "halt" : app.calls.front());
        }
        if (zip.Members().count(name) != 0) {
            EXPECT_EQ(zip.Members().at(name)->Position(), 0u) << name;
        }
    }
    return seen;
}

class DecodeAheadTest : public testing::Test {
protected:
    std::vector<std::string> BuildWith(int workers, const std::vector<std::string>& asked)
    {
        RecordingApplication app;
        ZipGrFile zip(app, PathResolver(disc_.path()), kUnrarLibraryPath, kPictureArchivePath, kMaxUnpackedBytes,
                      workers);
        std::vector<std::string> seen = Build(zip, app, asked);
        zip.Close();
        return seen;
    }

    TempDir disc_;
};

TEST_F(DecodeAheadTest, PicturesAskedBeforeTheirDecodeEndedAndAskedAgainAreTheSame)
{
    std::vector<FixtureMember> members;
    std::vector<std::string> asked;
    for (unsigned i = 0; i < 12; ++i) {
        const std::string name = "shots\\big" + std::to_string(i) + (i % 4 == 3 ? ".gif" : ".jpg");
        members.push_back({name, i % 4 == 3 ? GifFile({Noise(300, 200, i)}) : Jpeg(900, 700, i)});
    }
    members.push_back({"btn.bmp", EncodedPicture(Noise(64, 24, 99), "BMP")});
    MakeDisc(disc_, members);
    // The last members first (likely still queued), the first ones (likely under way or done)
    // after, every one asked twice, the bitmap three times as a button's pictures are.
    for (int i = 11; i >= 0; --i)
        asked.push_back(members[static_cast<size_t>(i)].first);
    for (int i = 0; i < 12; ++i)
        asked.push_back(members[static_cast<size_t>(i)].first);
    asked.insert(asked.begin() + 3, 3, "btn.bmp");

    const std::vector<std::string> alone = BuildWith(0, asked);
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(BuildWith(4, asked), alone) << "round " << round;
}

TEST_F(DecodeAheadTest, FailuresComeInTheBuildsOrderWithTheirOwnTexts)
{
    // A broken member early in the archive that the build asks for late, and one late in the
    // archive that the build asks for first: the late one's failure must be the first seen.
    std::vector<FixtureMember> members = {{"early_broken.jpg", "not a jpeg"},
                                          {"cut.gif", GifFile({Noise(80, 60, 1)}).substr(0, 40)}};
    for (unsigned i = 0; i < 8; ++i)
        members.push_back({"good" + std::to_string(i) + ".jpg", Jpeg(400, 300, i)});
    members.push_back({"late_broken.jpg", Jpeg(400, 300, 50).substr(0, 300)});
    members.push_back({"late_bad.bmp", "BM not a bitmap"});
    MakeDisc(disc_, members);

    const std::vector<std::string> asked = {"good0.jpg",      "late_broken.jpg", "good5.jpg", "missing.jpg",
                                            "early_broken.jpg", "good1.JPG",     "cut.gif",   "late_bad.bmp",
                                            "good7.jpg",      "late_broken.jpg"};
    const std::vector<std::string> alone = BuildWith(0, asked);
    ASSERT_EQ(alone.size(), asked.size());
    EXPECT_EQ(alone[3], "box[okcancel] Error: Bad file: missing.jpg");
    EXPECT_EQ(alone[5], "box[okcancel] Error: Bad ext: good1.JPG");
    EXPECT_EQ(alone[4].rfind("Bad picture early_broken.jpg: ", 0), 0u) << alone[4];
    EXPECT_EQ(alone[6].rfind("Bad picture cut.gif: ", 0), 0u) << alone[6];
    EXPECT_EQ(alone[7].rfind("Bad picture late_bad.bmp: ", 0), 0u) << alone[7];
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(BuildWith(3, asked), alone) << "round " << round;

    // The first failure of the build ends it: with the workers it is the same one.
    auto first_failure = [&](int workers) {
        RecordingApplication app;
        ZipGrFile zip(app, PathResolver(disc_.path()), kUnrarLibraryPath, kPictureArchivePath, kMaxUnpackedBytes,
                      workers);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the workers reach the end
        try {
            for (const std::string& name : asked)
                zip.LoadPicture(name);
        } catch (const PictureError& error) {
            return std::string(error.what());
        }
        return std::string("none");
    };
    EXPECT_EQ(first_failure(2), first_failure(0));
    EXPECT_EQ(first_failure(2).rfind("Bad picture late_broken.jpg: ", 0), 0u);
}

TEST_F(DecodeAheadTest, ClosingOrDroppingTheArchiveWhileWorkersAreBusyStopsThem)
{
    std::vector<FixtureMember> members;
    for (unsigned i = 0; i < 24; ++i)
        members.push_back({"p" + std::to_string(i) + ".jpg", Jpeg(1000, 800, i)});
    MakeDisc(disc_, members);

    {
        RecordingApplication app;
        ZipGrFile zip(app, PathResolver(disc_.path()), kUnrarLibraryPath, kPictureArchivePath, kMaxUnpackedBytes, 4);
        ASSERT_NE(zip.Decoding(), nullptr);
        EXPECT_FALSE(zip.LoadPicture("p1.jpg")->Image().isNull());
        zip.Close();
        EXPECT_EQ(zip.Decoding(), nullptr);
        EXPECT_TRUE(zip.Members().empty());
        EXPECT_TRUE(app.calls.empty());
    }
    {
        RecordingApplication app;
        auto zip = std::make_unique<ZipGrFile>(app, PathResolver(disc_.path()), kUnrarLibraryPath,
                                               kPictureArchivePath, kMaxUnpackedBytes, 4);
        zip.reset();  // without Close: the destructor stops the workers first
        EXPECT_TRUE(app.calls.empty());
    }
    {
        // A fatal failure while the workers decode earlier members.
        members.push_back({"after.jpg", Jpeg(100, 100, 7)});
        MakeDisc(disc_, members);
        RecordingApplication app;
        try {
            ZipGrFile zip(app, PathResolver(disc_.path()), kUnrarLibraryPath, kPictureArchivePath, 64u << 20, 4);
            zip.LoadPicture("p0.jpg");
            zip.LoadPicture("p0.bmp");
            ADD_FAILURE() << "no failure";
        } catch (const ProgramHalted& halted) {
            EXPECT_EQ(halted.exit_code, 1);
        }
        EXPECT_EQ(app.calls, (std::vector<std::string>{"box[okcancel] Error: Bad file: p0.bmp", "halt: 1"}));
    }
}

TEST(DecodePoolTest, DecodedPicturesWaitingForTheBuildStayWithinTheirShare)
{
    std::vector<std::unique_ptr<MemoryStream>> streams;
    const std::string jpg = Jpeg(200, 150, 3);  // 120,000 bytes decoded
    const std::size_t decoded = 200 * 150 * 4;
    DecodePool pool(2, 1.0);  // pictures may wait up to the submitted bytes
    for (int i = 0; i < 40; ++i) {
        streams.push_back(std::make_unique<MemoryStream>());
        streams.back()->Write(jpg.data(), jpg.size());
        pool.Submit("p" + std::to_string(i) + ".jpg", streams.back().get());
    }
    const std::size_t share = 40 * jpg.size();
    // Nobody takes anything: the workers stop once the share is used up.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pool.WaitingBytes() < share && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GE(pool.WaitingBytes(), share);
    EXPECT_LE(pool.PeakWaitingBytes(), share + 2 * decoded);
    EXPECT_LT(pool.PeakWaitingBytes(), 40 * decoded);

    // Taking them makes room; every one comes out decoded or for the caller to decode.
    int decoded_ahead = 0;
    for (auto& stream : streams) {
        std::unique_ptr<Picture> picture = pool.Take(stream.get());
        if (picture != nullptr) {
            ++decoded_ahead;
            EXPECT_EQ(picture->Width(), 200);
        }
        EXPECT_EQ(pool.Take(stream.get()), nullptr);  // taken once only
    }
    EXPECT_GT(decoded_ahead, 0);
    EXPECT_EQ(pool.WaitingBytes(), 0u);
}

}  // namespace
