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
        MakeDisc(disc_, {{"skin\\back.jpg", jpg},
                         {"back.JPG", jpg},
                         {"back.jpeg", jpg},
                         {"a.b.gif", gif},
                         {"broken.jpg", "not a jpeg at all"}});
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

}  // namespace
