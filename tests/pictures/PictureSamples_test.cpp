// Real pictures made by other people's tools (BMP Suite, giflib's and a GIF test suite's
// pictures, libjpeg's test images), from ../shared/samples: each decodes as the samples' README
// says (sizes, pixels as ImageMagick reports them, frame counts, and the SHA-256 of djpeg's
// output), the bad ones fail, and damaged copies of all of them fail cleanly.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <filesystem>

#include "PictureTestSupport.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255);
const QRgb kRedTopLeft = qRgb(255, 0, 0);

GifPicture LoadGif(const std::string& bytes)
{
    GifPicture picture;
    picture.LoadFromBytes(bytes, "test.gif");
    return picture;
}

using BmpPictureSamples = SamplesTest;
using GifPictureSamples = SamplesTest;
using JpegPictureSamples = SamplesTest;
using PictureSamples = SamplesTest;

TEST_F(BmpPictureSamples, GoodSamplesDecodeTheRightWayUp)
{
    const char* files[] = {"g/pal1.bmp",    "g/pal1wb.bmp",      "g/pal4.bmp",       "g/pal4rle.bmp",
                           "g/pal8.bmp",    "g/pal8rle.bmp",     "g/pal8topdown.bmp", "g/pal8os2.bmp",
                           "g/pal8v5.bmp",  "g/rgb16.bmp",       "g/rgb16-565.bmp",   "g/rgb24.bmp",
                           "g/rgb32bf.bmp", "q/pal4rletrns.bmp", "q/rgba32.bmp"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const auto picture = DecodeSample(std::string("bmp/") + file);
        ASSERT_EQ(picture->Image().size(), QSize(127, 64));
        const bool one_bit = std::string(file).find("pal1") != std::string::npos;
        // 16-bit files hold 5 bits of red: 248 or 255 depending on how they are scaled.
        const QRgb top_left = Pixel(picture->Image(), 0, 0);
        EXPECT_GE(qRed(top_left), 248);
        EXPECT_EQ(qGreen(top_left), one_bit ? 255 : 0);
        EXPECT_EQ(qBlue(top_left), one_bit ? 255 : 0);
        EXPECT_EQ(Pixel(picture->Image(), 0, 63), kBlack);
    }
    EXPECT_EQ(Pixel(DecodeSample("bmp/g/pal8.bmp")->Image(), 126, 63), qRgb(102, 85, 102));
    EXPECT_EQ(Pixel(DecodeSample("bmp/g/rgb32bf.bmp")->Image(), 126, 0), qRgb(159, 159, 189));
}

TEST_F(BmpPictureSamples, DifferentStoragesOfOnePictureDecodeAlike)
{
    const std::vector<std::vector<const char*>> groups = {
        {"g/pal8.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp", "g/pal8v5.bmp"},
        {"g/pal1.bmp", "g/pal1wb.bmp"},
        {"g/pal4.bmp", "g/pal4rle.bmp"},
        {"g/rgb24.bmp", "g/rgb32bf.bmp"},
    };
    for (const auto& group : groups) {
        const QImage first = DecodeSample(std::string("bmp/") + group[0])->Image().convertToFormat(QImage::Format_ARGB32);
        for (const char* other : group)
            EXPECT_EQ(DecodeSample(std::string("bmp/") + other)->Image().convertToFormat(QImage::Format_ARGB32), first)
                << other;
    }
}

TEST_F(BmpPictureSamples, BadSamples)
{
    for (const char* file : {"b/badbitcount.bmp", "b/reallybig.bmp", "b/shortfile.bmp"}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(DecodeSample(std::string("bmp/") + file), PictureError);
    }
    // Accepted or refused, but never undefined: runs past the edges are cut off, so two loads
    // give the same pixels. README: top-left (128,0,255), bottom-right (102,85,102).
    const QImage badrle = DecodeSample("bmp/b/badrle.bmp")->Image();
    EXPECT_EQ(badrle, DecodeSample("bmp/b/badrle.bmp")->Image());
    EXPECT_EQ(Pixel(badrle, 0, 0), qRgb(128, 0, 255));
    EXPECT_EQ(Pixel(badrle, 126, 63), qRgb(102, 85, 102));
    for (const char* file : {"b/badheadersize.bmp", "b/rletopdown.bmp"}) {
        try {
            DecodeSample(std::string("bmp/") + file);
        } catch (const PictureError&) {
        }
    }
}

TEST_F(GifPictureSamples, EveryGoodSampleDecodesToItsScreenSize)
{
    const struct {
        const char* file;
        int width, height;
        QRgb top_left;  // as ImageMagick reports it
    } samples[] = {
        {"porsche.gif", 320, 200, kBlack},  // with 631 bytes after the trailer
        {"treescap.gif", 40, 40, qRgb(231, 231, 231)},
        {"treescap-interlaced.gif", 40, 40, qRgb(231, 231, 231)},
        {"solid2.gif", 640, 400, qRgb(0, 0, 255)},
        {"gifgrid.gif", 100, 100, qRgb(165, 17, 4)},
        {"x-trans.gif", 100, 100, 0},
        {"fire.gif", 30, 60, kBlack},
        {"welcome2.gif", 290, 48, 0},
        {"suite-local-color-table.gif", 1, 1, kWhite},
        {"suite-no-global-color-table.gif", 1, 1, kWhite},
        {"suite-dispose-restore-previous.gif", 2, 2, 0xdead},
        {"suite-image-outside-bg.gif", 2, 2, kWhite},
        {"suite-max-width.gif", 65535, 1, 0xdead},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const auto picture = DecodeSample(std::string("gif/") + s.file);
        EXPECT_EQ(picture->Width(), s.width);
        EXPECT_EQ(picture->Height(), s.height);
        if (s.top_left != 0xdead) {
            EXPECT_EQ(Pixel(picture->Image(), 0, 0), s.top_left);
        }
    }
}

TEST_F(GifPictureSamples, InterlacedAndPlainStorageGiveTheSamePixels)
{
    EXPECT_EQ(DecodeSample("gif/treescap-interlaced.gif")->Image(), DecodeSample("gif/treescap.gif")->Image());
}

TEST_F(GifPictureSamples, BadSamplesRaiseAnErrorNamingThePicture)
{
    for (const char* file : {"suite-no-data.gif", "suite-invalid-code.gif"}) {
        SCOPED_TRACE(file);
        try {
            GifPicture().LoadFromBytes(Sample(std::string("gif/") + file), file);
            ADD_FAILURE() << "decoded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
    }
}

TEST_F(GifPictureSamples, AnimationsKeepEveryFrameWithItsDelay)
{
    const GifPicture fire = LoadGif(Sample("gif/fire.gif"));
    const std::vector<GifFrame> frames = fire.Frames();
    ASSERT_EQ(frames.size(), 33u);
    for (const GifFrame& f : frames) {
        EXPECT_EQ(f.delay_ms, 50);
        EXPECT_EQ(f.image.size(), QSize(30, 60));
    }
    EXPECT_EQ(fire.LoopCount(), 0);
    EXPECT_EQ(frames.front().image, fire.Image().convertToFormat(frames.front().image.format()));

    const GifPicture welcome = LoadGif(Sample("gif/welcome2.gif"));
    const std::vector<GifFrame> wframes = welcome.Frames();
    ASSERT_EQ(wframes.size(), 6u);
    for (const GifFrame& f : wframes)
        EXPECT_EQ(f.delay_ms, 1000);
    EXPECT_EQ(welcome.LoopCount(), 1000);
    // Frames with the local table use index 210 as their see-through colour.
    EXPECT_EQ(qAlpha(Pixel(wframes[1].image, 0, 0)), 0);

    EXPECT_EQ(LoadGif(Sample("gif/treescap.gif")).LoopCount(), -1);
}

TEST_F(GifPictureSamples, RestorePreviousPutsBackWhatTheFrameCovered)
{
    const GifPicture picture = LoadGif(Sample("gif/suite-dispose-restore-previous.gif"));
    const std::vector<GifFrame> frames = picture.Frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].delay_ms, 0);
    const QPoint spots[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(frames[i].delay_ms, 500);
        // Each 1x1 image changes only its own spot of the first frame, and is undone after.
        for (const QPoint& p : spots) {
            if (p != spots[i - 1]) {
                EXPECT_EQ(Pixel(frames[i].image, p.x(), p.y()), Pixel(frames[0].image, p.x(), p.y()))
                    << "frame " << i << " at " << p.x() << "," << p.y();
            }
        }
    }
}

// The picture written as djpeg writes it (binary PPM, or PGM for a grey picture), so that its
// SHA-256 can be compared with the one the samples' README lists for djpeg -dct int.
std::string Netpbm(const QImage& image, bool grey)
{
    std::string out = (grey ? "P5\n" : "P6\n") + std::to_string(image.width()) + " " +
                      std::to_string(image.height()) + "\n255\n";
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            out += static_cast<char>(qRed(c));
            if (!grey) {
                out += static_cast<char>(qGreen(c));
                out += static_cast<char>(qBlue(c));
            }
        }
    }
    return out;
}

std::string Sha256(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

TEST_F(JpegPictureSamples, DecodesEveryKindExactlyAsTheReferenceDecoder)
{
    const struct {
        const char* file;
        int width, height;
        bool grey;
        const char* sha256;
    } samples[] = {
        {"testorig.jpg", 227, 149, false, "b64a47d529e289e5570648db9f0385d9b240448724cdde7716fa0139b121d491"},
        {"testprog.jpg", 227, 149, false, "b64a47d529e289e5570648db9f0385d9b240448724cdde7716fa0139b121d491"},
        {"testimgint.jpg", 227, 149, false, "c495b9838693f7314dbc25e7c6429506a1c42970ecef068a207ffa16e7efb580"},
        {"testimgari.jpg", 227, 149, false, "c495b9838693f7314dbc25e7c6429506a1c42970ecef068a207ffa16e7efb580"},
        {"testimggray.jpg", 227, 149, true, "ac5cf239fcdb60cd11128eac249ad5d4641772d4e5d61eff1950b45a533be25f"},
        // Adobe CMYK (YCCK), stored inverted.
        {"pil_sample_cmyk.jpg", 100, 100, false, "5cff968ae67a136e09a5ddb6204f297d467415ead209b6eaa43e6c8ecef40bd1"},
        // Data ends inside the last scan: decoded as far as it goes, the rest filled grey.
        {"truncated_jpeg.jpg", 100, 100, false, "1a3a13ed647afd16d0b1164c6a453f891443f0cb0de4713df24fd3e14f61a7a4"},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const auto picture = DecodeSample(std::string("jpeg/") + s.file);
        ASSERT_EQ(picture->Image().size(), QSize(s.width, s.height));
        EXPECT_FALSE(picture->Image().hasAlphaChannel());
        EXPECT_EQ(Sha256(Netpbm(picture->Image(), s.grey)), s.sha256);
    }
    // A 12-bit picture, which this decoder does not read.
    try {
        DecodeSample("jpeg/testorig12.jpg");
        ADD_FAILURE() << "decoded a 12-bit picture";
    } catch (const PictureError& e) {
        EXPECT_NE(std::string(e.what()).find("precision 12"), std::string::npos) << e.what();
    }
}

// libjpeg's test images (baseline, progressive, arithmetic-coded, grey, 12-bit), an Adobe CMYK
// picture and a cut one: each, cut at many places and with bytes changed, checks exactly as it
// decodes.
TEST_F(JpegPictureSamples, ChecksGiveTheVerdictOfADecode)
{
    std::size_t files = 0, failed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("jpeg"))) {
        if (entry.path().extension() != ".jpg")
            continue;
        ++files;
        const std::string file = entry.path().filename().string();
        const std::string bytes = ReadFileBytes(entry.path().string());
        const bool twelve_bits = file == "testorig12.jpg";
        EXPECT_EQ(ExpectCheckAgrees("x.jpg", bytes, file) == "decodes", !twelve_bits) << file;
        for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 150)
            failed += ExpectCheckAgrees("x.jpg", bytes.substr(0, cut), file + " cut at " + std::to_string(cut)) !=
                      "decodes";
        std::uint32_t seed = 77;
        for (int round = 0; round < 200; ++round) {
            std::string changed = bytes;
            seed = seed * 1664525u + 1013904223u;
            const std::size_t at = seed % bytes.size();
            changed[at] = round % 2 ? '\xFF' : static_cast<char>(seed >> 24);
            if (round % 2 && at + 1 < changed.size())
                changed[at + 1] = static_cast<char>(seed >> 16);
            failed += ExpectCheckAgrees("x.jpg", changed, file + " changed at " + std::to_string(at)) != "decodes";
        }
    }
    EXPECT_EQ(files, 8u);
    EXPECT_GT(failed, 100u);
}

TEST_F(PictureSamples, DamagedBytesNeverEscapeAsAnythingButPictureError)
{
    std::vector<std::string> files;
    for (const char* folder : {"gif", "jpeg", "bmp/g", "bmp/b"})
        for (const auto& entry : std::filesystem::directory_iterator(SamplePath(folder)))
            if (entry.path().extension() != ".md")
                files.push_back(entry.path().string());
    ASSERT_GT(files.size(), 30u);
    for (const std::string& file : files)
        ExpectDamageGivesOnlyPictureErrors(file, ReadFileBytes(file));
}

}  // namespace
