// Real cursor files made by other people's tools (Tk's cursors, cursors from Pillow's, KDE's and
// gdk-pixbuf's tests), from ../shared/samples: hotspots, masks and pixels as the samples' README
// gives them, the quirks of real files read all the same, and damaged copies failing cleanly.
#include "platform/CursorFile.h"

#include <gtest/gtest.h>

#include "CursorTestSupport.h"
#include "support/Samples.h"

namespace {

std::string Sample(const std::string& name)
{
    return SampleBytes("cursors/" + name);
}

using CursorFileSamples = SamplesTest;

TEST_F(CursorFileSamples, MonochromeCursorsKeepTheirHotspotsAndMasks)
{
    struct Case {
        const char* file;
        int hotspot_x, hotspot_y, opaque;
    };
    for (const Case& c : {Case{"tk-cursor44-left_ptr.cur", 4, 1, 94}, Case{"tk-cursor3c-hand2.cur", 1, 2, 145},
                          Case{"tk-cursor98-xterm.cur", 7, 7, 86}, Case{"tk-cursor96-watch.cur", 7, 7, 208}}) {
        std::string error;
        const auto cursor = DecodeCursorFile(Sample(c.file), &error);
        ASSERT_TRUE(cursor) << c.file << ": " << error;
        EXPECT_EQ(cursor->image.size(), QSize(32, 32)) << c.file;
        EXPECT_EQ(cursor->hotspot_x, c.hotspot_x) << c.file;
        EXPECT_EQ(cursor->hotspot_y, c.hotspot_y) << c.file;
        // Every pixel is either black or white and opaque, or fully transparent.
        EXPECT_EQ(OpaquePixels(cursor->image), c.opaque) << c.file;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb p = cursor->image.pixel(x, y);
                if (qAlpha(p) == 255)
                    EXPECT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << c.file;
                else
                    EXPECT_EQ(p, 0u) << c.file;
            }
    }
}

TEST_F(CursorFileSamples, ColourCursorUsesItsAlphaChannel)
{
    const auto cursor = DecodeCursorFile(Sample("deerstalker.cur"));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotspot_x, 0);
    EXPECT_EQ(cursor->hotspot_y, 0);
    // Rows are stored bottom-up: the first stored pixel is the bottom-left one.
    EXPECT_EQ(cursor->image.pixel(0, 0), qRgba(0, 0, 25, 218));
    EXPECT_EQ(cursor->image.pixel(16, 16), qRgba(84, 87, 86, 255));
}

TEST_F(CursorFileSamples, PalettedCursorAppliesTheMaskAndIgnoresTheUnderstatedSize)
{
    // 1 x 4, 8 bits; the directory says 8 bytes although the image runs to the end of the file.
    std::string error;
    const auto cursor = DecodeCursorFile(Sample("mask_L.cur"), &error);
    ASSERT_TRUE(cursor) << error;
    EXPECT_EQ(cursor->image.size(), QSize(1, 4));
    EXPECT_EQ(cursor->image.pixel(0, 0), qRgb(0, 0, 0));        // opaque black
    EXPECT_EQ(cursor->image.pixel(0, 1), qRgb(255, 255, 255));  // opaque white
    EXPECT_EQ(cursor->image.pixel(0, 2), 0u);                   // masked black: the screen
    EXPECT_EQ(cursor->image.pixel(0, 3), qRgb(0, 0, 0));        // masked white would invert: black
}

TEST_F(CursorFileSamples, FilesWithoutAUsableImageFail)
{
    std::string error;
    EXPECT_FALSE(DecodeCursorFile(Sample("no_cursors.cur"), &error));
    EXPECT_EQ(error, "the file has no images");
    // A duplicate header chunk and a frame list shorter than its frames.
    EXPECT_FALSE(DecodeCursorFile(Sample("CVE-2022-48622.ani"), &error));
    EXPECT_EQ(error, "the file has more than one header");
    EXPECT_FALSE(DecodeCursorFile("", &error));
    EXPECT_FALSE(DecodeCursorFile("GIF89a", &error));
}

TEST_F(CursorFileSamples, AnimatedCursorShowsItsFirstFrame)
{
    // The INFO list declares two bytes more than it holds and the RIFF size is short: the header
    // and the frames are found all the same.
    const std::string ani = Sample("kimageformats-test.ani");
    std::string error;
    const auto cursor = DecodeCursorFile(ani, &error);
    ASSERT_TRUE(cursor) << error;
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotspot_x, 0);
    EXPECT_EQ(cursor->hotspot_y, 0);
    const auto first = DecodeCurFile(ani.substr(176, 4286));
    const auto second = DecodeCurFile(ani.substr(4470, 4286));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(cursor->image, first->image);
    EXPECT_NE(cursor->image, second->image);
}

TEST_F(CursorFileSamples, DamagedBytesFailCleanly)
{
    for (const char* file : {"tk-cursor44-left_ptr.cur", "deerstalker.cur", "mask_L.cur", "kimageformats-test.ani",
                             "CVE-2022-48622.ani", "no_cursors.cur"}) {
        SCOPED_TRACE(file);
        ExpectDamagedCursorsFailCleanly(Sample(file));
    }
}

}  // namespace
