// Runs the built zulcheck --decode on sample pictures and checks its output and exit status.
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
    // One white pixel: the digest of the four bytes FF FF FF FF.
    const ProgramResult white = Zulcheck("../shared/samples/gif/suite-local-color-table.gif");
    EXPECT_EQ(white.exit_code, 0);
    EXPECT_EQ(white.out, "1x1 " + Sha256Hex(QByteArray(4, '\xFF')) + "\n");
    EXPECT_EQ(white.err, "");

    // The same pixels give the same line, whatever the storage.
    const ProgramResult orig = Zulcheck("../shared/samples/jpeg/testorig.jpg");
    EXPECT_EQ(orig.exit_code, 0);
    EXPECT_EQ(orig.out.substr(0, 8), "227x149 ");
    EXPECT_EQ(orig.out, Zulcheck("../shared/samples/jpeg/testprog.jpg").out);
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
    const ProgramResult ext = Zulcheck("../shared/samples/jpeg/testorig.JPG");
    EXPECT_EQ(ext.exit_code, 1);
    EXPECT_EQ(ext.err, "Bad ext: ../shared/samples/jpeg/testorig.JPG\n");
    EXPECT_EQ(ext.out, "");

    const ProgramResult missing = Zulcheck("no/such/picture.gif");
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(missing.err, "Bad file: no/such/picture.gif\n");

    const ProgramResult bad = Zulcheck("../shared/samples/jpeg/testorig12.jpg");
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_EQ(bad.err.rfind("Bad picture ../shared/samples/jpeg/testorig12.jpg: ", 0), 0u) << bad.err;
    EXPECT_EQ(bad.out, "");
}

}  // namespace
