#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "PictureTestSupport.h"

namespace {

// The frame header (SOF0) of a baseline JPEG: marker, length, precision, height, width.
std::size_t FrameHeader(const std::string& jpeg)
{
    const std::size_t sof = jpeg.find("\xFF\xC0");
    if (sof == std::string::npos)
        throw std::logic_error("no baseline frame header");
    return sof;
}

// The largest difference of one colour channel between two pictures of the same size.
int LargestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(JpegPicture, BaselineProgressiveAndGreyDecodeToThePicture)
{
    // Flat areas of colour, so that what the compression loses stays small.
    QImage source(48, 32, QImage::Format_RGB32);
    source.fill(qRgb(200, 40, 40));
    for (int y = 16; y < 32; ++y)
        for (int x = 24; x < 48; ++x)
            source.setPixel(x, y, qRgb(30, 60, 220));
    const QImage baseline = Decode("x.jpg", JpegBytes(source))->Image();
    ASSERT_EQ(baseline.size(), source.size());
    EXPECT_FALSE(baseline.hasAlphaChannel());
    // Colours in their places: red top left, blue bottom right (away from the edge's ringing).
    EXPECT_LE(LargestDifference(baseline.copy(0, 0, 16, 8), source.copy(0, 0, 16, 8)), 8);
    EXPECT_LE(LargestDifference(baseline.copy(32, 24, 16, 8), source.copy(32, 24, 16, 8)), 8);
    // The same coefficients stored in several scans give the same pixels.
    EXPECT_EQ(Decode("x.jpg", JpegBytes(source, true))->Image(), baseline);

    const QImage grey = Decode("x.jpg", JpegBytes(source.convertToFormat(QImage::Format_Grayscale8)))->Image();
    ASSERT_EQ(grey.size(), source.size());
    const QRgb p = grey.pixel(40, 28);
    EXPECT_EQ(qRed(p), qGreen(p));
    EXPECT_EQ(qGreen(p), qBlue(p));
}

TEST(JpegPicture, FailuresBecomePictureErrors)
{
    const std::string good = JpegBytes(TestPattern(64, 40));
    std::string twelve_bits = good;
    twelve_bits[FrameHeader(good) + 4] = 12;  // the sample precision
    const struct {
        std::string bytes;
        const char* expected;
    } cases[] = {
        {twelve_bits, "precision 12"},
        {"", "cannot decode JPEG"},
        {"not a jpeg at all", "cannot decode JPEG"},
        {good.substr(0, good.find("\xFF\xDA")), "cannot decode JPEG"},  // ends before the first scan
    };
    for (const auto& c : cases) {
        try {
            JpegPicture().LoadFromBytes(c.bytes, "skin\\back.jpg");
            ADD_FAILURE() << "decoded: " << c.expected;
        } catch (const PictureError& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("skin\\back.jpg"), std::string::npos) << text;
            EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        }
    }
}

TEST(JpegPicture, RefusesAbsurdSizesBeforeDecoding)
{
    // The frame header with its size changed to 65000x65000.
    std::string bytes = JpegBytes(TestPattern(64, 40));
    const std::size_t sof = FrameHeader(bytes);
    for (std::size_t i = 5; i < 9; ++i)
        bytes[sof + i] = static_cast<char>(i % 2 ? 0xFD : 0xE8);
    EXPECT_THROW(JpegPicture().LoadFromBytes(bytes, "big.jpg"), PictureError);
}

}  // namespace
