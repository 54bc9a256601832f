// LoadPicture: the kind by the exact extension, the member by its exact name, the stream put
// back to its start after every load, and a picture that does not decode raising its error.
#include <gtest/gtest.h>

#include <QImage>

#include "ArchiveTestSupport.h"
#include "archive/ZipGrFile.h"
#include "demo/DemoFormats.h"
#include "pictures/Picture.h"
#include "support/RecordingApplication.h"

namespace {

class LoadPictureTest : public testing::Test {
protected:
    void SetUp() override
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 6, y * 8, 128));
        const std::string jpg = EncodedPicture(picture, "JPG");
        const std::string gif = GifFile({picture});
        // A second scan after the first: found only once the first scan has been read.
        const std::string twice =
            jpg.substr(0, jpg.size() - 2) + jpg.substr(jpg.find("\xFF\xDA"), 20) + "\xFF\xD9";
        MakeDisc(disc_, {{"skin\\back.jpg", jpg},
                         {"back.JPG", jpg},
                         {"back.jpeg", jpg},
                         {"a.b.gif", gif},
                         {"broken.jpg", "not a jpeg at all"},
                         {"twice.jpg", twice},
                         {"cut.gif", gif.substr(0, 20)}});
        zip_ = std::make_unique<ZipGrFile>(app_, PathResolver(disc_.path()));
    }

    std::vector<std::string> ExpectHalt(const std::string& name)
    {
        app_.calls.clear();
        try {
            zip_->LoadPicture(name);
            ADD_FAILURE() << "no failure for " << name;
        } catch (const ProgramHalted& halted) {
            EXPECT_EQ(halted.exit_code, 1);
        }
        return app_.calls;
    }

    TempDir disc_;
    RecordingApplication app_;
    std::unique_ptr<ZipGrFile> zip_;
};

std::vector<std::string> FatalCalls(const std::string& text)
{
    return {"box[okcancel] Error: " + text, "halt: 1"};
}

TEST_F(LoadPictureTest, SameMemberLoadsTwiceToEqualPictures)
{
    auto first = zip_->LoadPicture("skin\\back.jpg");
    ASSERT_NE(dynamic_cast<JpegPicture*>(first.get()), nullptr);
    EXPECT_EQ(zip_->Members().at("skin\\back.jpg")->Position(), 0u);
    auto second = zip_->LoadPicture("skin\\back.jpg");
    EXPECT_FALSE(first->Image().isNull());
    EXPECT_EQ(first->Image(), second->Image());
}

TEST_F(LoadPictureTest, KindComesFromTheTextAfterTheLastDot)
{
    auto picture = zip_->LoadPicture("a.b.gif");
    EXPECT_NE(dynamic_cast<GifPicture*>(picture.get()), nullptr);
    EXPECT_FALSE(picture->Image().isNull());
    EXPECT_TRUE(app_.calls.empty());
}

TEST_F(LoadPictureTest, OtherExtensionsAreRefusedEvenWhenTheMemberExists)
{
    EXPECT_EQ(ExpectHalt("back.JPG"), FatalCalls("Bad ext: back.JPG"));
    EXPECT_EQ(ExpectHalt("back.jpeg"), FatalCalls("Bad ext: back.jpeg"));
    EXPECT_EQ(ExpectHalt("skin\\back"), FatalCalls("Bad ext: skin\\back"));
    EXPECT_EQ(ExpectHalt(""), FatalCalls("Bad ext: "));
}

TEST_F(LoadPictureTest, MissingMemberIsNamed)
{
    EXPECT_EQ(ExpectHalt("btn.gif"), FatalCalls("Bad file: btn.gif"));
    EXPECT_EQ(ExpectHalt("SKIN\\back.jpg"), FatalCalls("Bad file: SKIN\\back.jpg"));  // names are case-sensitive
}

TEST_F(LoadPictureTest, UndecodableMemberRaisesThePictureErrorAndStaysReadable)
{
    EXPECT_THROW(zip_->LoadPicture("broken.jpg"), PictureError);
    EXPECT_TRUE(app_.calls.empty());
    EXPECT_EQ(zip_->Members().at("broken.jpg")->Position(), 0u);
}

// The message of the PictureError `load` raises, or "decodes".
template <typename Load>
std::string Failure(Load&& load)
{
    try {
        load();
        return "decodes";
    } catch (const PictureError& e) {
        return e.what();
    }
}

TEST_F(LoadPictureTest, CheckPictureRaisesWhatLoadPictureRaisesAndRewinds)
{
    // Without workers every check is the caller's own.
    ZipGrFile alone(app_, PathResolver(disc_.path()), kUnrarLibraryPath, kPictureArchivePath, kMaxUnpackedBytes, 0);
    for (const char* name : {"skin\\back.jpg", "a.b.gif", "broken.jpg", "twice.jpg", "cut.gif"}) {
        SCOPED_TRACE(name);
        const std::string loaded = Failure([&] { alone.LoadPicture(name); });
        EXPECT_EQ(Failure([&] { alone.CheckPicture(name); }), loaded);
        EXPECT_EQ(Failure([&] { zip_->CheckPicture(name); }), loaded);
        EXPECT_EQ(alone.Members().at(name)->Position(), 0u);
    }
    EXPECT_EQ(Failure([&] { alone.LoadPicture("twice.jpg"); }),
              "Bad picture twice.jpg: cannot decode JPEG: Didn't expect more than one scan");
    // A picture checked comes as its bytes and decodes when shown.
    const CheckedPicture checked = alone.CheckPicture("skin\\back.jpg");
    EXPECT_FALSE(checked.Decoded());
    EXPECT_EQ(checked.Image(), alone.LoadPicture("skin\\back.jpg")->Image());
    EXPECT_TRUE(app_.calls.empty());
}

}  // namespace
