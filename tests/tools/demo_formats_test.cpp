// The demo disc's own file writers, read back the way the menu reads those files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo/DemoFormats.h"
#include "pictures/Picture.h"

namespace {

std::uint32_t Le32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

TEST(DemoFormats, AnimatedGifKeepsFramesDelaysLoopAndColours)
{
    QImage red(8, 4, QImage::Format_RGB32), gradient(8, 4, QImage::Format_RGB32);
    red.fill(QColor(200, 20, 30));
    // More colours than a palette holds: each comes back close to what was drawn.
    QImage many(40, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            many.setPixel(x, y, qRgb(x * 6, y * 6, (x + y) * 3));
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            gradient.setPixel(x, y, qRgb(x * 30, 255 - x * 30, 128));
    GifPicture gif;
    gif.LoadFromBytes(GifFile({red, gradient}, {12, 30}), "a.gif");
    ASSERT_EQ(gif.FrameCount(), 2);
    EXPECT_EQ(gif.LoopCount(), 0);
    const auto frames = gif.Frames();
    EXPECT_EQ(frames[0].delay_ms, 120);
    EXPECT_EQ(frames[1].delay_ms, 300);
    EXPECT_EQ(frames[0].image.pixel(3, 2), qRgb(200, 20, 30));
    EXPECT_EQ(frames[1].image.pixel(7, 0), qRgb(210, 45, 128));

    GifPicture still;
    still.LoadFromBytes(GifFile({many}), "b.gif");
    EXPECT_EQ(still.FrameCount(), 1);
    EXPECT_EQ(still.LoopCount(), -1);
    int worst = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb a = many.pixel(x, y), b = still.Image().pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 24);
}

TEST(DemoFormats, CursorKeepsHotspotPixelsBottomUpAndTheMaskFromAlpha)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(10, 20, 30, 255));  // top left, opaque
    const std::string cur = CursorFile(image, 5, 7);
    EXPECT_EQ(cur.substr(0, 6), std::string("\0\0\2\0\1\0", 6));
    EXPECT_EQ(cur[10] | cur[11] << 8, 5);
    EXPECT_EQ(cur[12] | cur[13] << 8, 7);
    ASSERT_EQ(Le32(cur, 14), cur.size() - 22);
    EXPECT_EQ(Le32(cur, 22 + 8), 64u);  // height of colour rows and mask
    // Rows are stored bottom-up: the top row is the last of the 32 colour rows.
    const std::size_t pixels = 22 + 40;
    EXPECT_EQ(Le32(cur, pixels + 31 * 32 * 4), 0xFF0A141Eu);
    // The AND mask: bit set = transparent; the top row's first bit is clear.
    const std::size_t mask = pixels + 32 * 32 * 4;
    EXPECT_EQ(static_cast<unsigned char>(cur[mask]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(cur[mask + 31 * 4]), 0x7F);

    const std::string ani = AnimatedCursorFile({image, image}, 5, 7, 6);
    EXPECT_EQ(Le32(ani, 4), ani.size() - 8);
    const std::size_t anih = ani.find("anih");
    ASSERT_NE(anih, std::string::npos);
    EXPECT_EQ(Le32(ani, anih + 8 + 4), 2u);   // frames
    EXPECT_EQ(Le32(ani, anih + 8 + 28), 6u);  // jiffies
    EXPECT_EQ(ani.find(cur), ani.find("icon") + 8);
}

TEST(DemoFormats, MidiTimesAreVariableLengthAndNotesEndBeforeTheNextBegins)
{
    const std::string midi = MidiFile({{0, 200, 60, 100, 0}, {200, 10, 62, 90, 0}}, 96, 500000, {{0, 5}});
    ASSERT_EQ(midi.substr(0, 4), "MThd");
    EXPECT_EQ(static_cast<unsigned char>(midi[13]), 96);
    const std::string track = midi.substr(22);
    EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(midi[21])), track.size());
    // At tick 200 (delta 0x81 0x48) the first note ends, then the second begins.
    const std::size_t off = track.find(std::string("\x81\x48\x80\x3C", 4));
    ASSERT_NE(off, std::string::npos);
    EXPECT_EQ(track.substr(off + 5, 4), std::string("\x00\x90\x3E\x5A", 4));
    EXPECT_EQ(track.substr(track.size() - 3), std::string("\xFF\x2F\x00", 3));
    const std::string rmid = RmidFile(midi);
    EXPECT_EQ(rmid.substr(8, 8), "RMIDdata");
    EXPECT_EQ(rmid.substr(20, midi.size()), midi);
    EXPECT_EQ(rmid.size() % 2, 0u);
}

TEST(DemoFormats, WavSamplesAreUnsigned8OrSigned16Bits)
{
    const std::string w8 = WavFile({0.0f, 1.0f, -1.0f, 2.0f}, 8000, 8);
    EXPECT_EQ(Le32(w8, 24), 8000u);
    EXPECT_EQ(w8.substr(36, 4), "data");
    EXPECT_EQ(w8.substr(44), std::string("\x80\xFF\x01\xFF", 4));
    const std::string w16 = WavFile({-1.0f}, 8000, 16);
    EXPECT_EQ(w16.substr(44), std::string("\x01\x80", 2));
    EXPECT_EQ(Le32(w16, 4), w16.size() - 8);
    EXPECT_THROW(WavFile({0.0f}, 8000, 24), std::runtime_error);
}

}  // namespace
