// Pictures decoded ahead by the archive's workers: whatever the workers got to, the build sees
// the same pictures and the same failures, in the same order, as with no workers at all, also
// with the archive read in the background; the decoded pictures waiting for the build stay within
// their share; closing (or dropping) the archive while the workers or the reading
// thread are busy stops them before the members go; a read in the background shows its failure
// only when the build needs the archive, and decodes the whole build before it starts.
#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

#include "ArchiveTestSupport.h"
#include "ZipGrFileTestSupport.h"
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
// its pixels, the picture's error, or the fatal box. Checked pictures (the catalogue's
// thumbnails) are looked at once checked, as when they are shown.
std::vector<std::string> Build(ZipGrFile& zip, RecordingApplication& app, const std::vector<std::string>& asked,
                               bool check = false)
{
    std::vector<std::string> seen;
    for (const std::string& name : asked) {
        app.calls.clear();
        try {
            QImage image;
            if (check)
                image = zip.CheckPicture(name).Image();
            else
                image = zip.LoadPicture(name)->Image();
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

    // The same with the archive read in the background; the build starts at once, or once the
    // workers have had time to check everything.
    std::vector<std::string> BuildReadInBackground(int workers, const std::vector<std::string>& asked,
                                                   bool check = false, bool late = false)
    {
        RecordingApplication app;
        std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), workers);
        if (late)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::vector<std::string> seen = Build(*zip, app, asked, check);
        zip->Close();
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
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(BuildWith(4, asked), alone) << "round " << round;
        EXPECT_EQ(BuildReadInBackground(4, asked), alone) << "round " << round;
    }
    EXPECT_EQ(BuildReadInBackground(0, asked), alone);
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
    // Fails only once its scan has been read: a second scan before the end.
    const std::string single = Jpeg(400, 300, 51);
    const std::size_t sos = single.find("\xFF\xDA");
    members.push_back({"two_scans.jpg", single.substr(0, single.size() - 2) + single.substr(sos, 30) + "\xFF\xD9"});
    MakeDisc(disc_, members);

    const std::vector<std::string> asked = {"good0.jpg",      "late_broken.jpg", "good5.jpg", "missing.jpg",
                                            "early_broken.jpg", "good1.JPG",     "cut.gif",   "late_bad.bmp",
                                            "good7.jpg",      "late_broken.jpg", "two_scans.jpg"};
    const std::vector<std::string> alone = BuildWith(0, asked);
    ASSERT_EQ(alone.size(), asked.size());
    EXPECT_EQ(alone[3], "box[okcancel] Error: Bad file: missing.jpg");
    EXPECT_EQ(alone[5], "box[okcancel] Error: Bad ext: good1.JPG");
    EXPECT_EQ(alone[4].rfind("Bad picture early_broken.jpg: ", 0), 0u) << alone[4];
    EXPECT_EQ(alone[6].rfind("Bad picture cut.gif: ", 0), 0u) << alone[6];
    EXPECT_EQ(alone[7].rfind("Bad picture late_bad.bmp: ", 0), 0u) << alone[7];
    EXPECT_EQ(alone[10], "Bad picture two_scans.jpg: cannot decode JPEG: Didn't expect more than one scan");
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(BuildWith(3, asked), alone) << "round " << round;
        EXPECT_EQ(BuildReadInBackground(3, asked), alone) << "round " << round;
        EXPECT_EQ(BuildReadInBackground(3, asked, true), alone) << "round " << round;
        EXPECT_EQ(BuildReadInBackground(3, asked, true, true), alone) << "round " << round;
    }

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
    {
        // Read in the background, every picture already decoded when the build asks.
        RecordingApplication app;
        std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        try {
            for (const std::string& name : asked)
                zip->LoadPicture(name);
            ADD_FAILURE() << "no failure";
        } catch (const PictureError& error) {
            EXPECT_EQ(std::string(error.what()), first_failure(0));
        }
    }
}

TEST_F(DecodeAheadTest, AReadInTheBackgroundShowsItsFailureWhenTheBuildNeedsTheArchive)
{
    auto ends_with = [&](const std::string& text, bool by_asking) {
        SCOPED_TRACE(text);
        RecordingApplication app;
        std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the read has long failed
        EXPECT_TRUE(app.calls.empty());
        try {
            if (by_asking)
                zip->LoadPicture("a.jpg");
            else
                zip->WaitForRead();
            ADD_FAILURE() << "no failure";
        } catch (const ProgramHalted& halted) {
            EXPECT_EQ(halted.exit_code, 1);
        }
        EXPECT_EQ(app.calls, FatalCalls(text));
    };
    MakeDisc(disc_, {{"a.jpg", Jpeg(40, 30, 1)}});
    std::filesystem::remove(disc_.path() / "graph" / "dll" / "unrar.dll");
    ends_with("Bad unzip dll", false);
    MakeDisc(disc_, {{"a.jpg", Jpeg(40, 30, 1)}});
    std::filesystem::remove(disc_.path() / "graph" / "shell.dat");
    ends_with("Bad open rar archive: graph\\shell.dat", true);
    WriteBadRar(disc_.path() / "graph" / "shell.dat", BadRar::CutInAHeader);
    ends_with(" File header broken: graph\\shell.dat", false);
    WriteBadRar(disc_.path() / "graph" / "shell.dat", BadRar::DamagedData);
    ends_with("Bad extracting file", true);

    // An archive given up before it was needed shows nothing, failed or not.
    {
        RecordingApplication app;
        ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2).reset();
        EXPECT_TRUE(app.calls.empty());
    }
}

TEST_F(DecodeAheadTest, AReadInTheBackgroundChecksEveryPictureBeforeTheBuildStarts)
{
    // Far more decoded than may wait: the first ones wait decoded, the others are only checked.
    std::vector<FixtureMember> members;
    std::vector<std::string> asked;
    for (unsigned i = 0; i < 20; ++i) {
        members.push_back({"p" + std::to_string(i) + ".jpg", Jpeg(700, 600, i)});
        asked.push_back(members.back().first);
    }
    members.push_back({"broken.jpg", "no JPEG"});
    MakeDisc(disc_, members);

    RecordingApplication app;
    std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2);
    ASSERT_NE(zip->Decoding(), nullptr);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (zip->Decoding()->DecodedCount() < 20 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(zip->Decoding()->DecodedCount(), 20u);
    // Once the waiting pictures filled their share the others were checked, not decoded.
    EXPECT_GT(zip->Decoding()->CheckedOnlyCount(), 10u);
    // What waited stayed within a tenth of the archive, or one picture.
    std::size_t archive = 0;
    for (const FixtureMember& member : members)
        archive += member.second.size();
    EXPECT_LE(zip->Decoding()->PeakWaitingBytes(), std::max<std::size_t>(archive / 10, 700 * 600 * 4));
    EXPECT_GT(zip->Decoding()->PeakWaitingBytes(), 0u);

    // Checked, each comes as its bytes and shows what the picture holds.
    const std::vector<std::string> alone = BuildWith(0, asked);
    std::vector<CheckedPicture> checked;
    for (const std::string& name : asked)
        checked.push_back(zip->CheckPicture(name));
    EXPECT_EQ(zip->Decoding()->WaitingBytes(), 0u);
    EXPECT_FALSE(checked.front().Decoded());
    EXPECT_FALSE(checked.back().Decoded());
    RecordingApplication again;
    std::unique_ptr<ZipGrFile> plain = ZipGrFile::ReadInBackground(again, PathResolver(disc_.path()), 0);
    for (std::size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(checked[i].Image(), plain->LoadPicture(asked[i])->Image()) << asked[i];
    EXPECT_TRUE(checked.back().Decoded());
    // The broken one fails when it is checked, as when it is loaded, with the same text.
    std::string check_failure = "none", load_failure = "none";
    try {
        zip->CheckPicture("broken.jpg");
    } catch (const PictureError& error) {
        check_failure = error.what();
    }
    try {
        plain->LoadPicture("broken.jpg");
    } catch (const PictureError& error) {
        load_failure = error.what();
    }
    EXPECT_EQ(check_failure, load_failure);
    EXPECT_EQ(check_failure.rfind("Bad picture broken.jpg: ", 0), 0u) << check_failure;
    // A picture only checked is decoded again when loaded whole.
    EXPECT_EQ(Build(*zip, app, asked), alone);
    zip->Close();
    // What was checked outlives the archive.
    EXPECT_EQ(checked[5].Image().width(), 700);
}

TEST_F(DecodeAheadTest, ClosingOrDroppingTheArchiveWhileWorkersAreBusyStopsThem)
{
    {
        // The reading thread too, in the middle of a large archive.
        std::vector<FixtureMember> large;
        std::mt19937 random(5);
        for (int i = 0; i < 24; ++i) {
            std::string bytes(1 << 20, '\0');
            for (char& c : bytes)
                c = static_cast<char>(random());
            large.push_back({"blob" + std::to_string(i) + ".dat", bytes});
        }
        large.push_back({"last.jpg", Jpeg(100, 100, 7)});
        MakeDisc(disc_, large);
        RecordingApplication app;
        std::unique_ptr<ZipGrFile> zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2);
        zip.reset();
        EXPECT_TRUE(app.calls.empty());
        // Closed once read, it had every member.
        zip = ZipGrFile::ReadInBackground(app, PathResolver(disc_.path()), 2);
        EXPECT_FALSE(zip->LoadPicture("last.jpg")->Image().isNull());
        EXPECT_EQ(zip->Members().size(), large.size());
        zip->Close();
        EXPECT_TRUE(app.calls.empty());
    }

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

    // Checking beyond the share goes on to the end and keeps no more pixels than resting does.
    const double five = (5.0 * static_cast<double>(decoded) + 1.0) / static_cast<double>(share);
    for (const bool check_beyond : {false, true}) {
        SCOPED_TRACE(check_beyond);
        DecodePool bounded(2, five, check_beyond ? DecodePool::Beyond::Check : DecodePool::Beyond::Rest);
        for (auto& stream : streams)
            bounded.Submit("p.jpg", stream.get());
        const auto bounded_until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        const std::size_t wanted = check_beyond ? streams.size() : 5;
        while (bounded.DecodedCount() < wanted && std::chrono::steady_clock::now() < bounded_until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (check_beyond) {
            EXPECT_EQ(bounded.DecodedCount(), streams.size());
            EXPECT_LE(bounded.PeakWaitingBytes(), 5 * decoded);
        } else {
            EXPECT_EQ(bounded.WaitingBytes(), bounded.DecodedCount() * decoded);
            EXPECT_GE(bounded.WaitingBytes(), 5 * decoded);
            EXPECT_LT(bounded.DecodedCount(), streams.size());
            EXPECT_LE(bounded.PeakWaitingBytes(), 5 * decoded + 2 * decoded);
        }
        std::size_t kept = 0;
        for (auto& stream : streams) {
            bool checked = false;
            const std::unique_ptr<Picture> picture = bounded.Take(stream.get(), &checked);
            kept += picture != nullptr;
            EXPECT_EQ(checked, check_beyond || picture != nullptr);
        }
        EXPECT_GE(kept, 1u);
        if (check_beyond) {
            EXPECT_LE(kept, 5u);
            // Once five waited, no picture of that size could be kept: the rest were only
            // checked, but for those already under way.
            EXPECT_GE(bounded.CheckedOnlyCount(), streams.size() - 5 - bounded.Workers());
        } else {
            EXPECT_EQ(bounded.CheckedOnlyCount(), 0u);
        }
    }
}

TEST(DecodePoolTest, PicturesOnlyCheckedGiveTheVerdictOfADecode)
{
    // The first picture fills the share at once (it is larger than a share of nothing), so every
    // later one is only checked: the good ones are reported checked, the broken ones (failing in
    // their header, or only after their scan) are left to the caller, who raises their failure.
    const std::string good = Jpeg(120, 90, 1);
    const std::string twice = good.substr(0, good.size() - 2) + good.substr(good.find("\xFF\xDA"), 30) + "\xFF\xD9";
    const std::vector<std::pair<std::string, std::string>> members = {
        {"first.jpg", Jpeg(300, 200, 2)}, {"good.jpg", good},      {"twice.jpg", twice},
        {"cut.jpg", good.substr(0, 100)}, {"bad.gif", "GIF89a"},   {"good.gif", GifFile({Noise(30, 20, 3)})},
        {"none.txt", "not a picture"},
    };
    std::vector<std::unique_ptr<MemoryStream>> streams;
    DecodePool pool(2, 0.001, DecodePool::Beyond::Check);
    for (const auto& [name, bytes] : members) {
        streams.push_back(std::make_unique<MemoryStream>());
        streams.back()->Write(bytes.data(), bytes.size());
    }
    pool.Submit(members[0].first, streams[0].get());
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pool.WaitingBytes() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    for (std::size_t i = 1; i < members.size(); ++i)
        pool.Submit(members[i].first, streams[i].get());
    while (pool.DecodedCount() < 3 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the failures end too
    EXPECT_EQ(pool.DecodedCount(), 3u);
    EXPECT_EQ(pool.CheckedOnlyCount(), 2u);
    for (std::size_t i = 0; i < members.size(); ++i) {
        bool checked = false;
        const std::unique_ptr<Picture> picture = pool.Take(streams[i].get(), &checked);
        EXPECT_EQ(picture != nullptr, i == 0) << members[i].first;
        const std::string& name = members[i].first;
        const bool decodes = name == "first.jpg" || name.rfind("good", 0) == 0;
        EXPECT_EQ(checked, decodes) << name;
    }
}

}  // namespace
