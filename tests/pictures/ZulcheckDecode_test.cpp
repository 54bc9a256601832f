// Runs the built zulcheck --decode on pictures written into a temporary folder and checks its
// output and exit status.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include "PictureTestSupport.h"
#include "support/RunProgram.h"

namespace {

ProgramResult Zulcheck(const std::string& operand)
{
    return RunProgram(ZUL_BINARY_DIR "/tools/zulcheck", {"--decode", operand});
}

std::string Sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

TEST(ZulcheckDecode, PrintsSizeAndDigestOfTheRgbaPixels)
{
    TempDir dir;
    // One white pixel, from a local colour table: the digest of the four bytes FF FF FF FF.
    TestGif gif;
    gif.width = gif.height = 1;
    gif.images.push_back({0, 0, 1, 1, {qRgb(255, 255, 255), qRgb(0, 0, 0)}, {0}});
    const ProgramResult white = Zulcheck(dir.Write("white.gif", WriteGif(gif)).string());
    EXPECT_EQ(white.exit_code, 0);
    EXPECT_EQ(white.out, "1x1 " + Sha256Hex(QByteArray(4, '\xFF')) + "\n");
    EXPECT_EQ(white.err, "");

    // The same pixels give the same line, whatever the storage.
    const QImage pattern = TestPattern(57, 31);
    const ProgramResult baseline = Zulcheck(dir.Write("baseline.jpg", JpegBytes(pattern)).string());
    EXPECT_EQ(baseline.exit_code, 0);
    EXPECT_EQ(baseline.out.substr(0, 6), "57x31 ");
    EXPECT_EQ(baseline.out, Zulcheck(dir.Write("progressive.jpg", JpegBytes(pattern, true)).string()).out);
}

TEST(ZulcheckDecode, SeeThroughPixelsAreWrittenAsZeros)
{
    // A 2x1 32-bit bitmap with an alpha mask: a see-through red pixel, then an opaque green one.
    std::string b = "BM";
    PutLe32(b, 14 + 108 + 8);
    PutLe32(b, 0);
    PutLe32(b, 14 + 108);
    PutLe32(b, 108);
    PutLe32(b, 2);
    PutLe32(b, 1);
    PutLe16(b, 1);
    PutLe16(b, 32);
    PutLe32(b, 3);  // bit fields
    PutLe32(b, 8);
    PutLe32(b, 2835);
    PutLe32(b, 2835);
    PutLe32(b, 0);
    PutLe32(b, 0);
    PutLe32(b, 0x00FF0000);
    PutLe32(b, 0x0000FF00);
    PutLe32(b, 0x000000FF);
    PutLe32(b, 0xFF000000);
    PutLe32(b, 0x73524742);  // sRGB
    b += std::string(48, '\0');
    PutLe32(b, 0x000000FF);  // red, alpha 0
    PutLe32(b, 0xFF00FF00);  // green, opaque
    TempDir dir;
    const auto path = dir.Write("alpha.bmp", b);
    const ProgramResult run = Zulcheck(path.string());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "2x1 " + Sha256Hex(QByteArray("\0\0\0\0\0\xFF\0\xFF", 8)) + "\n");
}

TEST(ZulcheckDecode, FailuresGoToStandardErrorWithStatusOne)
{
    TempDir dir;
    const std::string jpeg = JpegBytes(TestPattern(20, 10));
    const std::string upper = dir.Write("back.JPG", jpeg).string();
    const ProgramResult ext = Zulcheck(upper);
    EXPECT_EQ(ext.exit_code, 1);
    EXPECT_EQ(ext.err, "Bad ext: " + upper + "\n");
    EXPECT_EQ(ext.out, "");

    const ProgramResult missing = Zulcheck("no/such/picture.gif");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(missing.err, "Bad file: no/such/picture.gif\n");

    std::string twelve_bits = jpeg;
    twelve_bits[jpeg.find("\xFF\xC0") + 4] = 12;  // a sample precision this decoder does not read
    const std::string broken = dir.Write("back.jpg", twelve_bits).string();
    const ProgramResult bad = Zulcheck(broken);
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_EQ(bad.err.rfind("Bad picture " + broken + ": ", 0), 0u) << bad.err;
    EXPECT_EQ(bad.out, "");
}

}  // namespace
