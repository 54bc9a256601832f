#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

// --- checks: CheckBytes raises exactly what LoadFromBytes raises ---

// The frame header of any JPEG (SOF0 to SOF15 but the table markers DHT, JPG and DAC).
std::size_t AnyFrameHeader(const std::string& jpeg)
{
    for (std::size_t at = jpeg.find('\xFF'); at + 1 < jpeg.size(); at = jpeg.find('\xFF', at + 1)) {
        const auto code = static_cast<unsigned char>(jpeg[at + 1]);
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC)
            return at;
    }
    throw std::logic_error("no frame header");
}

// Where the first scan's entropy-coded data begins: after the SOS segment.
std::size_t ScanData(const std::string& jpeg)
{
    const std::size_t sos = jpeg.find("\xFF\xDA");
    if (sos == std::string::npos)
        throw std::logic_error("no scan");
    return sos + 2 + (static_cast<unsigned char>(jpeg[sos + 2]) << 8 | static_cast<unsigned char>(jpeg[sos + 3]));
}

// `jpeg` with `bytes` put before its end-of-image marker (the last two bytes, as libjpeg writes).
std::string BeforeEnd(const std::string& jpeg, const std::string& bytes)
{
    return jpeg.substr(0, jpeg.size() - 2) + bytes + jpeg.substr(jpeg.size() - 2);
}

// The storages a disc may hold, each of which decodes.
std::vector<std::pair<std::string, std::string>> Storages(const QImage& image)
{
    using C = JpegStorage::Colours;
    auto with = [&image](auto change) {
        JpegStorage storage;
        change(storage);
        return JpegBytes(image, storage);
    };
    return {
        {"baseline 4:2:0", with([](JpegStorage&) {})},
        {"baseline 4:4:4", with([](JpegStorage& s) { s.h_sampling = s.v_sampling = 1; })},
        {"baseline 4:2:2", with([](JpegStorage& s) { s.v_sampling = 1; })},
        {"baseline 4:4:0", with([](JpegStorage& s) { s.h_sampling = 1; })},
        {"baseline 4:1:1", with([](JpegStorage& s) {
             s.h_sampling = 4;
             s.v_sampling = 1;
         })},
        {"grey", with([](JpegStorage& s) { s.colours = C::Grey; })},
        {"CMYK (Adobe)", with([](JpegStorage& s) { s.colours = C::Cmyk; })},
        {"YCCK (Adobe)", with([](JpegStorage& s) { s.colours = C::Ycck; })},
        {"a restart every MCU", with([](JpegStorage& s) { s.restart_interval = 1; })},
        {"a restart every 5 MCUs", with([](JpegStorage& s) { s.restart_interval = 5; })},
        {"arithmetic-coded", with([](JpegStorage& s) { s.arithmetic = true; })},
        {"arithmetic-coded with restarts", with([](JpegStorage& s) {
             s.arithmetic = true;
             s.restart_interval = 3;
         })},
        {"progressive", with([](JpegStorage& s) { s.progressive = true; })},
        {"progressive grey", with([](JpegStorage& s) {
             s.progressive = true;
             s.colours = C::Grey;
         })},
        {"progressive arithmetic-coded", with([](JpegStorage& s) {
             s.progressive = true;
             s.arithmetic = true;
         })},
        {"Qt's baseline", JpegBytes(image)},
        {"Qt's progressive", JpegBytes(image, true)},
    };
}

TEST(JpegPictureCheck, EveryStorageChecksAsItDecodes)
{
    // Sizes that are no multiple of the blocks, so edge MCUs are partial.
    for (const QSize size : {QSize(61, 37), QSize(8, 8), QSize(1, 1), QSize(300, 17)}) {
        for (const auto& [label, bytes] : Storages(TestPattern(size.width(), size.height()))) {
            SCOPED_TRACE(label + " " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
            EXPECT_EQ(ExpectCheckAgrees("x.jpg", bytes, label), "decodes");
        }
    }
    // A check empties a picture decoded before.
    const std::string good = JpegBytes(TestPattern(40, 30));
    JpegPicture picture;
    picture.LoadFromBytes(good, "x.jpg");
    picture.CheckBytes(good, "x.jpg");
    EXPECT_TRUE(picture.Image().isNull());
}

TEST(JpegPictureCheck, FailuresOfTheHeaderAreTheDecodesOwn)
{
    const std::string good = JpegBytes(TestPattern(64, 40));
    std::string twelve_bits = good;
    twelve_bits[FrameHeader(good) + 4] = 12;
    std::string huge = good;
    for (std::size_t i = 5; i < 9; ++i)
        huge[FrameHeader(good) + i] = static_cast<char>(i % 2 ? 0xFD : 0xE8);
    std::string no_width = good;
    no_width[FrameHeader(good) + 7] = no_width[FrameHeader(good) + 8] = 0;
    const struct {
        const char* label;
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"12-bit", twelve_bits, "precision 12"},
        {"too large", huge, "too large (65000x65000)"},
        {"no width", no_width, "cannot decode JPEG"},
        {"empty", "", "cannot decode JPEG"},
        {"not a JPEG", "GIF89a", "cannot decode JPEG"},
        {"no scan", good.substr(0, good.find("\xFF\xDA")), "cannot decode JPEG"},
    };
    for (const auto& c : cases) {
        const std::string outcome = ExpectCheckAgrees("skin\\x.jpg", c.bytes, c.label);
        EXPECT_EQ(outcome.rfind("Bad picture skin\\x.jpg: ", 0), 0u) << c.label << ": " << outcome;
        EXPECT_NE(outcome.find(c.expected), std::string::npos) << c.label << ": " << outcome;
    }
}

// A single-scan file is read to its end only while its rows are made: what follows the scan,
// and markers inside its data, must fail a check exactly as they fail the decode.
TEST(JpegPictureCheck, WhatFollowsASingleScanIsRead)
{
    const QImage image = TestPattern(48, 40);
    JpegStorage restarts;
    restarts.restart_interval = 2;
    JpegStorage arithmetic;
    arithmetic.arithmetic = true;
    const std::pair<const char*, std::string> files[] = {
        {"baseline", JpegBytes(image, JpegStorage{})},
        {"restarts", JpegBytes(image, restarts)},
        {"arithmetic", JpegBytes(image, arithmetic)},
    };
    for (const auto& [file, jpeg] : files) {
        const std::size_t data = ScanData(jpeg);
        const std::size_t sos = jpeg.find("\xFF\xDA");
        const std::size_t middle = (data + jpeg.size()) / 2;
        const std::string sof = jpeg.substr(AnyFrameHeader(jpeg), 19);  // 3 components: 17 bytes
        const bool resynchronised = std::string(file) == "restarts";  // skips markers below SOF0
        const struct {
            const char* label;
            std::string bytes;
            const char* expected;  // nullptr: decodes
        } cases[] = {
            {"a second scan", BeforeEnd(jpeg, jpeg.substr(sos, data - sos) + std::string(40, '\x55')),
             "Didn't expect more than one scan"},
            {"a second frame header", BeforeEnd(jpeg, sof), "two SOF markers"},
            {"a second start of image", BeforeEnd(jpeg, "\xFF\xD8"), "two SOI markers"},
            {"a bad table", BeforeEnd(jpeg, std::string("\xFF\xC4\x00\x13\x37", 5) + std::string(16, '\0')),
             "DHT index"},
            {"a bad quantisation table",
             BeforeEnd(jpeg, std::string("\xFF\xDB\x00\x43\x3F", 5) + std::string(64, '\x01')), "DQT"},
            {"an unknown marker", BeforeEnd(jpeg, std::string("\xFF\x02\x00\x02", 4)), "Unsupported marker"},
            {"a comment", BeforeEnd(jpeg, std::string("\xFF\xFE\x00\x05hi!", 7)), nullptr},
            {"an application segment", BeforeEnd(jpeg, std::string("\xFF\xE5\x00\x04" "ab", 6)), nullptr},
            {"a restart interval", BeforeEnd(jpeg, std::string("\xFF\xDD\x00\x04\x00\x07", 6)), nullptr},
            {"garbage before the end", BeforeEnd(jpeg, "garbage"), nullptr},
            {"garbage after the end", jpeg + "garbage\xFF\xC0\xFF\xDA", nullptr},
            {"no end", jpeg.substr(0, jpeg.size() - 2), nullptr},
            {"a frame header inside the data", jpeg.substr(0, middle) + sof + jpeg.substr(middle + sof.size()),
             "two SOF markers"},
            {"a scan inside the data", jpeg.substr(0, middle) + "\xFF\xDA" + jpeg.substr(middle + 2),
             "cannot decode JPEG"},
            {"an unknown marker inside the data", jpeg.substr(0, middle) + "\xFF\x05" + jpeg.substr(middle + 2),
             resynchronised ? nullptr : "Unsupported marker"},
            {"a stray restart marker inside the data", jpeg.substr(0, middle) + "\xFF\xD3" + jpeg.substr(middle + 2),
             nullptr},
            {"the end inside the data", jpeg.substr(0, middle) + "\xFF\xD9" + jpeg.substr(middle + 2), nullptr},
        };
        for (const auto& c : cases) {
            const std::string label = std::string(file) + ": " + c.label;
            const std::string outcome = ExpectCheckAgrees("x.jpg", c.bytes, label);
            if (c.expected == nullptr) {
                EXPECT_EQ(outcome, "decodes") << label;
            } else {
                EXPECT_NE(outcome.find(c.expected), std::string::npos) << label << ": " << outcome;
            }
        }
    }
}

// A grey JPEG of 2048x2064 whose every block's DC value grows by 32767 (a DC table of one code
// for the largest category), coded in one baseline scan, or as the first DC scan of a progressive
// file: the sum overflows after 65538 blocks.
std::string GrowingDcJpeg(bool progressive)
{
    const int width = 2048, height = 2064;
    std::string jpeg = "\xFF\xD8";
    jpeg += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    jpeg += std::string(progressive ? "\xFF\xC2" : "\xFF\xC0", 2) + std::string("\x00\x0B\x08", 3);
    for (const int v : {height, width}) {
        jpeg += static_cast<char>(v >> 8);
        jpeg += static_cast<char>(v & 0xFF);
    }
    jpeg += std::string("\x01\x01\x11\x00", 4);
    // DC table 0: symbol 15 coded "0"; AC table 0: end of block coded "0".
    jpeg += std::string("\xFF\xC4\x00\x14\x00\x01", 6) + std::string(15, '\0') + "\x0F";
    jpeg += std::string("\xFF\xC4\x00\x14\x10\x01", 6) + std::string(15, '\0') + std::string(1, '\0');
    // One component; spectral selection 0 to 0 (the DC scan) or 0 to 63 (baseline).
    jpeg += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00", 8) + (progressive ? '\0' : '\x3F') + '\0';
    std::string bits;
    for (int block = 0; block < width / 8 * (height / 8); ++block)
        bits += progressive ? "0111111111111111" : "01111111111111110";
    bits.resize((bits.size() + 7) / 8 * 8, '1');
    for (std::size_t at = 0; at < bits.size(); at += 8) {
        const auto byte = static_cast<char>(std::stoi(bits.substr(at, 8), nullptr, 2));
        jpeg += byte;
        if (byte == '\xFF')
            jpeg += '\0';
    }
    return jpeg + "\xFF\xD9";
}

// Data the decode itself fails on, however well formed the file: a check must fail it too.
TEST(JpegPictureCheck, DataTheDecoderRefusesFailsTheCheck)
{
    EXPECT_NE(ExpectCheckAgrees("x.jpg", GrowingDcJpeg(true), "progressive").find("out of range"),
              std::string::npos);
    ExpectCheckAgrees("x.jpg", GrowingDcJpeg(false), "baseline");
}

// Markers of every kind put inside the entropy-coded data and after it, over or between its
// bytes, with and without restart intervals: where a check passes, the decode must pass too.
TEST(JpegPictureCheck, MarkersInsideTheDataCheckAsTheyDecode)
{
    const QImage image = TestPattern(48, 32);
    std::vector<std::pair<std::string, std::string>> files;
    for (const int interval : {0, 1, 4}) {
        for (const bool arithmetic : {false, true}) {
            for (const bool progressive : {false, true}) {
                if (progressive && interval == 1)
                    continue;
                JpegStorage storage;
                storage.restart_interval = interval;
                storage.arithmetic = arithmetic;
                storage.progressive = progressive;
                files.push_back({std::string(arithmetic ? "arithmetic" : "huffman") +
                                     (progressive ? " progressive" : "") + " restarts " + std::to_string(interval),
                                 JpegBytes(image, storage)});
            }
        }
    }
    const unsigned char codes[] = {0x00, 0x01, 0x05, 0xBF, 0xC0, 0xC2, 0xC4, 0xC8, 0xCC, 0xCF, 0xD0, 0xD1,
                                   0xD3, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xE0, 0xEE, 0xFE, 0xFF};
    std::size_t failed = 0, total = 0;
    for (const auto& [label, jpeg] : files) {
        const std::size_t data = ScanData(jpeg);
        const std::size_t step = std::max<std::size_t>(1, (jpeg.size() - data) / 23);
        for (std::size_t at = data; at < jpeg.size(); at += step) {
            for (const unsigned char code : codes) {
                const std::string marker = {'\xFF', static_cast<char>(code)};
                std::string over = jpeg;
                over.replace(at, std::min<std::size_t>(2, jpeg.size() - at), marker);
                const std::string between = jpeg.substr(0, at) + marker + jpeg.substr(at);
                const std::string where = label + " at " + std::to_string(at) + " code " + std::to_string(code);
                for (const std::string& bytes : {over, between}) {
                    ++total;
                    failed += ExpectCheckAgrees("x.jpg", bytes, where) != "decodes";
                }
            }
        }
    }
    EXPECT_GT(failed, total / 10);
    EXPECT_LT(failed, total * 9 / 10);
}

// Every length a file can be cut to, and thousands of changed bytes (from a fixed seed): a check
// fails exactly when the decode fails, with its text.
TEST(JpegPictureCheck, CutAndDamagedFilesCheckAsTheyDecode)
{
    const QImage image = TestPattern(40, 32);
    JpegStorage restarts;
    restarts.restart_interval = 3;
    JpegStorage arithmetic;
    arithmetic.arithmetic = true;
    arithmetic.h_sampling = 1;
    JpegStorage grey_progressive;
    grey_progressive.colours = JpegStorage::Colours::Grey;
    grey_progressive.progressive = true;
    const std::pair<const char*, std::string> files[] = {
        {"baseline", JpegBytes(image, JpegStorage{})},
        {"restarts", JpegBytes(image, restarts)},
        {"arithmetic", JpegBytes(image, arithmetic)},
        {"progressive", JpegBytes(image, true)},
        {"grey progressive", JpegBytes(image, grey_progressive)},
    };
    std::uint32_t seed = 2024;
    auto next = [&seed]() { return seed = seed * 1664525u + 1013904223u; };
    std::size_t failed = 0, decoded = 0;
    std::set<std::string> texts;
    for (const auto& [file, jpeg] : files) {
        auto agree = [&, file = file](const std::string& bytes, const std::string& what) {
            const std::string outcome = ExpectCheckAgrees("x.jpg", bytes, std::string(file) + ": " + what);
            if (outcome == "decodes") {
                ++decoded;
            } else {
                ++failed;
                texts.insert(outcome);
            }
        };
        for (std::size_t cut = 0; cut < jpeg.size(); cut += 1 + cut / 200)
            agree(jpeg.substr(0, cut), "cut at " + std::to_string(cut));
        // Changes anywhere, and in the entropy-coded data and what follows it: a random byte, or a
        // marker (0xFF and a random code) at a random place.
        const std::size_t data = ScanData(jpeg);
        for (int round = 0; round < 900; ++round) {
            std::string changed = jpeg;
            const std::size_t at = round % 3 == 0 ? next() % jpeg.size() : data + next() % (jpeg.size() - data);
            if (round % 2 == 0) {
                changed[at] = static_cast<char>(next() >> 24);
            } else {
                changed[at] = '\xFF';
                if (at + 1 < changed.size())
                    changed[at + 1] = static_cast<char>(next() >> 24);
            }
            agree(changed, "changed at " + std::to_string(at));
        }
    }
    // The sweep reaches both verdicts and many different failures.
    EXPECT_GT(decoded, 1000u);
    EXPECT_GT(failed, 500u);
    EXPECT_GE(texts.size(), 10u);
}

}  // namespace
