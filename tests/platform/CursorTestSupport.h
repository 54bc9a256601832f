// Damage done to a cursor file, for the tests of the cursor decoder.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/CursorFile.h"

// How many pixels of a decoded cursor are fully opaque.
inline int OpaquePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) == 255;
    return n;
}

// Every cut of `bytes` (every seventh for a large file) and random damage from a fixed seed: the
// decoder answers without reading past the bytes (the sanitizer run checks that) and without
// hanging; what it decodes is a picture.
inline void ExpectDamagedCursorsFailCleanly(const std::string& bytes)
{
    std::mt19937 random(4);
    const std::size_t step = bytes.size() > 5000 ? 7 : 1;
    for (std::size_t cut = 0; cut < bytes.size(); cut += step) {
        const std::string part = bytes.substr(0, cut);  // its own allocation, for the sanitizer
        const auto cursor = DecodeCursorFile(part);
        if (cursor) {
            EXPECT_FALSE(cursor->image.isNull());
        }
    }
    for (int round = 0; round < 300 && !bytes.empty(); ++round) {
        std::string damaged = bytes;
        for (int i = 0; i < 4; ++i)
            damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
        (void)DecodeCursorFile(damaged);
    }
}
