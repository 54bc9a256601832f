#include "platform/CursorFile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "CursorTestSupport.h"
#include "demo/DemoFormats.h"
#include "platform/ScreenCursors.h"
#include "support/MemoryDisc.h"
#include "support/TempDir.h"

namespace {

void Put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A bitmap image of one colour (24 bits) with an all-opaque mask, as a cursor file stores it.
std::string SolidDib(int width, int height, QRgb colour, int bits = 24)
{
    std::string d;
    Put32(d, 40);
    Put32(d, static_cast<std::uint32_t>(width));
    Put32(d, static_cast<std::uint32_t>(height * 2));
    Put16(d, 1);
    Put16(d, static_cast<unsigned>(bits));
    d.append(24, '\0');
    const std::size_t xor_stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    const std::size_t and_stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    if (bits == 4) {  // 16 palette entries: index 1 is the colour
        Put32(d, 0);
        Put32(d, colour & 0xFFFFFF);
        d.append(14 * 4, '\0');
        for (int y = 0; y < height; ++y) {
            std::string row(xor_stride, '\0');
            for (int x = 0; x < width; ++x)
                row[static_cast<std::size_t>(x / 2)] = static_cast<char>(row[static_cast<std::size_t>(x / 2)] | (x % 2 ? 0x01 : 0x10));
            d += row;
        }
    } else {
        for (int y = 0; y < height; ++y) {
            std::string row(xor_stride, '\0');
            for (int x = 0; x < width; ++x) {
                row[static_cast<std::size_t>(x) * 3] = static_cast<char>(qBlue(colour));
                row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>(qGreen(colour));
                row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>(qRed(colour));
            }
            d += row;
        }
    }
    d.append(and_stride * static_cast<std::size_t>(height), '\0');
    return d;
}

// What a pixel of a palette cursor image holds: its colour index and its AND mask bit.
struct MaskedIndex {
    std::uint8_t index = 0;
    bool masked = false;
};

// A bitmap image of 1 or 8 bits with its palette and AND mask, rows stored bottom-up.
std::string PaletteDib(int width, int height, int bits, const std::vector<QRgb>& palette,
                       const std::function<MaskedIndex(int, int)>& pixel)
{
    std::string d;
    Put32(d, 40);
    Put32(d, static_cast<std::uint32_t>(width));
    Put32(d, static_cast<std::uint32_t>(height * 2));
    Put16(d, 1);
    Put16(d, static_cast<unsigned>(bits));
    Put32(d, 0);
    Put32(d, 0);  // image size: real files leave it 0 or get it wrong
    Put32(d, 0);
    Put32(d, 0);
    Put32(d, 0);  // all 2^bits palette entries
    Put32(d, 0);
    for (int i = 0; i < (1 << bits); ++i)
        Put32(d, i < static_cast<int>(palette.size()) ? palette[static_cast<std::size_t>(i)] & 0xFFFFFFu : 0);
    const std::size_t xor_stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    const std::size_t and_stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    std::string colours, mask;
    for (int y = height - 1; y >= 0; --y) {
        std::string xor_row(xor_stride, '\0'), and_row(and_stride, '\0');
        for (int x = 0; x < width; ++x) {
            const MaskedIndex p = pixel(x, y);
            const auto at = static_cast<std::size_t>(x * bits / 8);
            xor_row[at] = static_cast<char>(xor_row[at] | (bits == 8 ? p.index : (p.index & 1) << (7 - x % 8)));
            if (p.masked)
                and_row[static_cast<std::size_t>(x / 8)] = static_cast<char>(and_row[static_cast<std::size_t>(x / 8)] | 0x80 >> (x % 8));
        }
        colours += xor_row;
        mask += and_row;
    }
    return d + colours + mask;
}

struct Entry {
    int width, height, hotspot_x, hotspot_y;
    std::string image;
};

std::string MakeCur(const std::vector<Entry>& entries, unsigned type = 2)
{
    std::string out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, static_cast<unsigned>(entries.size()));
    std::size_t offset = 6 + 16 * entries.size();
    for (const Entry& e : entries) {
        out += static_cast<char>(e.width & 0xFF);
        out += static_cast<char>(e.height & 0xFF);
        out += '\0';
        out += '\0';
        Put16(out, static_cast<unsigned>(e.hotspot_x));
        Put16(out, static_cast<unsigned>(e.hotspot_y));
        Put32(out, static_cast<std::uint32_t>(e.image.size()));
        Put32(out, static_cast<std::uint32_t>(offset));
        offset += e.image.size();
    }
    for (const Entry& e : entries)
        out += e.image;
    return out;
}

std::string Chunk(const std::string& id, const std::string& data)
{
    std::string out = id;
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    if (data.size() % 2)
        out += '\0';
    return out;
}

std::string Anih(std::uint32_t frames, std::uint32_t flags)
{
    std::string d;
    Put32(d, 36);
    Put32(d, frames);
    Put32(d, frames);  // steps
    for (int i = 0; i < 4; ++i)
        Put32(d, 0);  // cx, cy, bit count, planes
    Put32(d, 10);  // jiffies per step
    Put32(d, flags);
    return Chunk("anih", d);
}

std::string MakeAni(const std::string& body)
{
    std::string out = "RIFF";
    Put32(out, static_cast<std::uint32_t>(body.size() + 4));
    return out + "ACON" + body;
}

std::string Frames(const std::vector<std::string>& icons)
{
    std::string list = "fram";
    for (const std::string& icon : icons)
        list += Chunk("icon", icon);
    return Chunk("LIST", list);
}

// ---- cursors as discs carry them

const QRgb kOpaqueBlack = qRgb(0, 0, 0), kOpaqueWhite = qRgb(255, 255, 255);

// A monochrome 32x32 cursor of the four kinds of pixel, in diagonal stripes: black, white, the
// screen (masked black) and the inverted screen (masked white, drawn black).
MaskedIndex MonochromePixel(int x, int y)
{
    switch ((x + 3 * y) % 4) {
    case 0: return {0, false};
    case 1: return {1, false};
    case 2: return {0, true};
    default: return {1, true};
    }
}

QRgb ExpectedMonochrome(int x, int y)
{
    const MaskedIndex p = MonochromePixel(x, y);
    return p.masked && p.index == 0 ? 0u : p.index == 1 && !p.masked ? kOpaqueWhite : kOpaqueBlack;
}

std::string MonochromeCursor(int hotspot_x, int hotspot_y)
{
    return MakeCur({{32, 32, hotspot_x, hotspot_y, PaletteDib(32, 32, 1, {kOpaqueBlack, kOpaqueWhite}, MonochromePixel)}});
}

// A 32-bit cursor whose alpha channel varies: rows differ, so a picture upside down shows.
QImage ColourCursorPicture()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgba(x * 8, y * 8, 86, (x + y) % 3 == 0 ? 0 : 255));
    image.setPixel(0, 0, qRgba(0, 0, 25, 218));
    return image;
}

// An animated cursor with the faults of real files: the INFO list declares two bytes more than
// it holds, the RIFF size is short, and a sequence chunk is there although the header's flags
// do not say to use it. Three frames of different colours.
std::string AnimatedCursorOfRealFiles(std::vector<std::string>* frames = nullptr)
{
    std::vector<std::string> icons;
    for (QRgb colour : {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)}) {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(colour);
        icons.push_back(CursorFile(image, 0, 0));
    }
    if (frames != nullptr)
        *frames = icons;
    std::string info = "INFO" + Chunk("INAM", std::string("ANI Test\0", 9));
    std::string list = "LIST";
    Put32(list, static_cast<std::uint32_t>(info.size() + 2));
    list += info;
    std::string seq;
    for (std::uint32_t step : {1u, 2u, 1u, 0u})
        Put32(seq, step);
    std::string ani = MakeAni(list + Anih(3, 1) + Chunk("seq ", seq) + Frames(icons));
    const std::uint32_t riff_size = static_cast<std::uint32_t>(ani.size() - 8 - 26);
    ani.replace(4, 4, std::string{static_cast<char>(riff_size & 0xFF), static_cast<char>(riff_size >> 8 & 0xFF),
                                  static_cast<char>(riff_size >> 16 & 0xFF), static_cast<char>(riff_size >> 24)});
    return ani;
}

// A cursor file whose directory lists no image.
const std::string kNoImages("\0\0\2\0\0\0", 6);

TEST(CursorFile, MonochromeCursorsKeepTheirHotspotsAndMasks)
{
    struct Case {
        int hotspot_x, hotspot_y;
    };
    for (const Case& c : {Case{4, 1}, Case{1, 2}, Case{7, 7}}) {
        std::string error;
        const auto cursor = DecodeCursorFile(MonochromeCursor(c.hotspot_x, c.hotspot_y), &error);
        ASSERT_TRUE(cursor) << error;
        EXPECT_EQ(cursor->image.size(), QSize(32, 32));
        EXPECT_EQ(cursor->hotspot_x, c.hotspot_x);
        EXPECT_EQ(cursor->hotspot_y, c.hotspot_y);
        // Every pixel is either black or white and opaque, or fully transparent.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(cursor->image.pixel(x, y), ExpectedMonochrome(x, y)) << x << "," << y;
        EXPECT_EQ(OpaquePixels(cursor->image), 32 * 32 * 3 / 4);
    }
}

TEST(CursorFile, ColourCursorUsesItsAlphaChannel)
{
    const QImage picture = ColourCursorPicture();
    const auto cursor = DecodeCursorFile(CursorFile(picture, 0, 0));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotspot_x, 0);
    EXPECT_EQ(cursor->hotspot_y, 0);
    // Rows are stored bottom-up; the alpha channel, not the mask, says what shows.
    EXPECT_EQ(cursor->image.pixel(0, 0), qRgba(0, 0, 25, 218));
    EXPECT_EQ(cursor->image.pixel(16, 16), qRgba(128, 128, 86, 255));
    EXPECT_EQ(cursor->image, picture);
}

TEST(CursorFile, PalettedCursorAppliesTheMaskAndIgnoresTheUnderstatedSize)
{
    // 1 x 4, 8 bits; the directory says 8 bytes although the image runs to the end of the file.
    const MaskedIndex rows[] = {{0, false}, {1, false}, {0, true}, {1, true}};
    std::string cur = MakeCur({{1, 4, 0, 0, PaletteDib(1, 4, 8, {kOpaqueBlack, kOpaqueWhite},
                                                        [&](int, int y) { return rows[y]; })}});
    cur.replace(6 + 8, 4, std::string("\x08\0\0\0", 4));
    std::string error;
    const auto cursor = DecodeCurFile(cur, &error);
    ASSERT_TRUE(cursor) << error;
    EXPECT_EQ(cursor->image.size(), QSize(1, 4));
    EXPECT_EQ(cursor->image.pixel(0, 0), kOpaqueBlack);  // opaque black
    EXPECT_EQ(cursor->image.pixel(0, 1), kOpaqueWhite);  // opaque white
    EXPECT_EQ(cursor->image.pixel(0, 2), 0u);            // masked black: the screen
    EXPECT_EQ(cursor->image.pixel(0, 3), kOpaqueBlack);  // masked white would invert: black
}

TEST(CursorFile, FilesWithoutAUsableImageFail)
{
    std::string error;
    EXPECT_FALSE(DecodeCursorFile(kNoImages, &error));
    EXPECT_EQ(error, "the file has no images");
    // A duplicate header chunk.
    const std::string red = MakeCur({{8, 8, 1, 1, SolidDib(8, 8, qRgb(255, 0, 0))}});
    EXPECT_FALSE(DecodeCursorFile(MakeAni(Anih(1, 1) + Anih(1, 1) + Frames({red})), &error));
    EXPECT_EQ(error, "the file has more than one header");
    EXPECT_FALSE(DecodeCursorFile("", &error));
    EXPECT_FALSE(DecodeCursorFile("GIF89a", &error));
}

TEST(CursorFile, AnimatedCursorShowsItsFirstFrame)
{
    // The header and the frames are found all the same.
    std::vector<std::string> icons;
    const std::string ani = AnimatedCursorOfRealFiles(&icons);
    std::string error;
    const auto cursor = DecodeCursorFile(ani, &error);
    ASSERT_TRUE(cursor) << error;
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotspot_x, 0);
    EXPECT_EQ(cursor->hotspot_y, 0);
    const auto first = DecodeCurFile(icons[0]);
    const auto second = DecodeCurFile(icons[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(cursor->image, first->image);
    EXPECT_NE(cursor->image, second->image);
}

// ---- made files

TEST(CursorFile, TakesTheLargestImageThatFitsTheScreenCursor)
{
    const std::string cur = MakeCur({{16, 16, 1, 1, SolidDib(16, 16, qRgb(255, 0, 0), 4)},
                                     {48, 48, 2, 2, SolidDib(48, 48, qRgb(0, 0, 255))},
                                     {32, 32, 3, 3, SolidDib(32, 32, qRgb(0, 255, 0))}});
    auto cursor = DecodeCurFile(cur);
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(32, 32));
    EXPECT_EQ(cursor->hotspot_x, 3);
    EXPECT_EQ(cursor->image.pixel(5, 5), qRgb(0, 255, 0));

    // Only larger ones: the smallest of them. A broken best image gives way to the next.
    cursor = DecodeCurFile(MakeCur({{64, 64, 0, 0, SolidDib(64, 64, qRgb(1, 1, 1))},
                                    {48, 48, 9, 9, SolidDib(48, 48, qRgb(0, 0, 255))}}));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(48, 48));
    cursor = DecodeCurFile(MakeCur({{32, 32, 0, 0, std::string(40, '\x7f')},
                                    {16, 16, 1, 1, SolidDib(16, 16, qRgb(255, 0, 0), 4)}}));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(16, 16));
    EXPECT_EQ(cursor->image.pixel(15, 15), qRgb(255, 0, 0));
}

TEST(CursorFile, PngImagesIconsAndHotspotsOutside)
{
    QImage png(20, 10, QImage::Format_ARGB32);
    png.fill(qRgba(10, 20, 30, 128));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(png.save(&buffer, "PNG"));
    auto cursor = DecodeCurFile(MakeCur({{20, 10, 5, 6, encoded.toStdString()}}));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.size(), QSize(20, 10));
    EXPECT_EQ(cursor->image.pixel(3, 3), qRgba(10, 20, 30, 128));
    EXPECT_EQ(cursor->hotspot_x, 5);
    EXPECT_EQ(cursor->hotspot_y, 6);

    // An icon's hotspot is its centre; a cursor's hotspot past the edge stays on the picture.
    cursor = DecodeCurFile(MakeCur({{16, 8, 0, 0, SolidDib(16, 8, qRgb(1, 2, 3))}}, 1));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->hotspot_x, 8);
    EXPECT_EQ(cursor->hotspot_y, 4);
    cursor = DecodeCurFile(MakeCur({{16, 8, 900, 40, SolidDib(16, 8, qRgb(1, 2, 3))}}));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->hotspot_x, 15);
    EXPECT_EQ(cursor->hotspot_y, 7);

    // Absurd sizes are refused before anything is allocated.
    std::string huge = SolidDib(16, 8, qRgb(1, 2, 3));
    huge[4] = '\x00';
    huge[5] = '\x00';
    huge[6] = '\x01';  // width 65536
    std::string error;
    EXPECT_FALSE(DecodeCurFile(MakeCur({{0, 8, 0, 0, huge}}), &error));
    EXPECT_EQ(error, "bad image size");
}

TEST(CursorFile, AnimatedCursorHeaderIsHonoured)
{
    const std::string red = MakeCur({{8, 8, 1, 1, SolidDib(8, 8, qRgb(255, 0, 0))}});
    const std::string blue = MakeCur({{8, 8, 2, 2, SolidDib(8, 8, qRgb(0, 0, 255))}});
    std::string seq;
    Put32(seq, 1);
    Put32(seq, 0);

    // With the sequence flag, the first step names the frame; without it, frame 0.
    auto cursor = DecodeAniFile(MakeAni(Anih(2, 3) + Chunk("seq ", seq) + Frames({red, blue})));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(cursor->hotspot_x, 2);
    cursor = DecodeAniFile(MakeAni(Frames({red, blue}) + Chunk("seq ", seq) + Anih(2, 1)));
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->image.pixel(0, 0), qRgb(255, 0, 0));

    std::string error;
    EXPECT_FALSE(DecodeAniFile(MakeAni(Frames({red})), &error));
    EXPECT_EQ(error, "the file has no header");
    EXPECT_FALSE(DecodeAniFile(MakeAni(Anih(0, 1) + Frames({red})), &error));
    EXPECT_EQ(error, "the file has no frames");
    EXPECT_FALSE(DecodeAniFile(MakeAni(Anih(1, 0) + Frames({red})), &error));
    EXPECT_EQ(error, "raw bitmap frames are not supported");
    EXPECT_FALSE(DecodeAniFile(MakeAni(Anih(1, 1)), &error));
    EXPECT_EQ(error, "the first frame is missing");
    std::string far_seq;
    Put32(far_seq, 7);
    EXPECT_FALSE(DecodeAniFile(MakeAni(Anih(2, 3) + Chunk("seq ", far_seq) + Frames({red, blue})), &error));
    EXPECT_EQ(error, "the first frame is missing");
    // A chunk whose size runs past the end of the file: nothing is read beyond it.
    std::string broken = MakeAni(Anih(1, 1) + Frames({red}));
    broken[broken.size() - red.size() - 1] = '\x7f';  // the last frame's size, high byte
    EXPECT_FALSE(DecodeAniFile(broken, &error));
}

TEST(CursorFile, DamagedBytesFailCleanly)
{
    const std::string red = MakeCur({{8, 8, 1, 1, SolidDib(8, 8, qRgb(255, 0, 0))}});
    const MaskedIndex rows[] = {{0, false}, {1, false}, {0, true}, {1, true}};
    for (const std::string& bytes :
         {MonochromeCursor(4, 1), CursorFile(ColourCursorPicture(), 0, 0),
          MakeCur({{1, 4, 0, 0, PaletteDib(1, 4, 8, {kOpaqueBlack, kOpaqueWhite}, [&](int, int y) { return rows[y]; })}}),
          AnimatedCursorOfRealFiles(), MakeAni(Anih(1, 1) + Anih(1, 1) + Frames({red})), kNoImages})
        ExpectDamagedCursorsFailCleanly(bytes);
}

// ---- the screen's cursor_slots

TEST(QtCursorSlots, LoadsByDiscPathAndFillsTheSlots)
{
    TempDir disc;
    disc.Write("cursors/left_ptr.cur", MonochromeCursor(4, 1));
    disc.Write("cursors/link.ani", AnimatedCursorOfRealFiles());
    QtCursorSlots cursor_slots(PathResolver(disc.path()));
    // The disc path's letter case need not match the files'.
    const auto main = cursor_slots.LoadCursorFromFile("CURSORS\\Left_Ptr.CUR");
    const auto link = cursor_slots.LoadCursorFromFile("cursors\\link.ani");
    ASSERT_TRUE(main && link);
    EXPECT_NE(*main, *link);
    EXPECT_EQ(cursor_slots.Cursor(*main).hotSpot(), QPoint(4, 1));
    EXPECT_EQ(cursor_slots.Cursor(*main).shape(), Qt::BitmapCursor);

    cursor_slots.SetSlot(kMainCursorSlot, *main);
    cursor_slots.SetSlot(kLinkCursorSlot, *link);
    EXPECT_EQ(ScreenCursor(kMainCursorSlot).hotSpot(), QPoint(4, 1));
    EXPECT_EQ(ScreenCursor(kMainCursorSlot).pixmap().size(), QSize(32, 32));
    EXPECT_EQ(ScreenCursor(kLinkCursorSlot).shape(), Qt::BitmapCursor);

    cursor_slots.SetStandardSlot(kMainCursorSlot, StandardCursor::Arrow);
    cursor_slots.SetStandardSlot(kLinkCursorSlot, StandardCursor::HandPoint);
    EXPECT_EQ(ScreenCursor(kMainCursorSlot).shape(), Qt::ArrowCursor);
    EXPECT_EQ(ScreenCursor(kLinkCursorSlot).shape(), Qt::PointingHandCursor);

    EXPECT_THROW(cursor_slots.SetSlot(kMainCursorSlot, 99), std::out_of_range);
    EXPECT_THROW(cursor_slots.SetSlot(kMainCursorSlot, 0), std::out_of_range);
}

TEST(QtCursorSlots, CursorsOfADiscImageAreReadThroughTheDisc)
{
    auto image = std::make_shared<MemoryDisc>();
    image->Add("Cursors/Main.cur", MonochromeCursor(4, 1));
    image->Add("Cursors/big.cur", MonochromeCursor(1, 1));
    image->ClaimSize("Cursors/big.cur", 17u << 20);  // over the cap on cursor files
    image->Add("Cursors/broken.cur", MonochromeCursor(1, 1));
    image->FailAfter("Cursors/broken.cur", 10);
    QtCursorSlots cursor_slots{PathResolver(image)};
    const auto main = cursor_slots.LoadCursorFromFile("cursors\\main.cur");
    ASSERT_TRUE(main);
    EXPECT_EQ(cursor_slots.Cursor(*main).hotSpot(), QPoint(4, 1));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("cursors\\big.cur"));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("cursors\\broken.cur"));
    EXPECT_EQ(image->Opened(), (std::vector<std::string>{"Cursors/Main.cur", "Cursors/broken.cur"}));
}

TEST(QtCursorSlots, WhatCannotBeLoadedGivesNoHandle)
{
    TempDir dir;
    dir.Write("graph/big.cur", std::string(17u << 20, '\0'));
    dir.MakeDir("graph/folder.cur");
    dir.Write("graph/empty.cur", kNoImages);
    const std::string red = MakeCur({{8, 8, 1, 1, SolidDib(8, 8, qRgb(255, 0, 0))}});
    dir.Write("graph/two-headers.ani", MakeAni(Anih(1, 1) + Anih(1, 1) + Frames({red})));
    QtCursorSlots cursor_slots(PathResolver(dir.path()));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile(""));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("graph\\missing.cur"));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("graph\\big.cur"));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("graph\\folder.cur"));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("graph\\empty.cur"));
    EXPECT_FALSE(cursor_slots.LoadCursorFromFile("graph\\two-headers.ani"));
}

}  // namespace
