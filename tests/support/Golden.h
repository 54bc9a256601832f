// Screens against reviewed pictures in tests/golden/. ZUL_UPDATE_GOLDEN=1 writes them anew (look
// at every one before committing it). Shots may differ only by font rendering: a pixel counts as
// different past 24 in a channel, and at most 0.5% of the pixels may. Header only, for the test
// executables that show widgets (ZUL_SOURCE_DIR and ZUL_BINARY_DIR come from zul_add_test).
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <cstdlib>
#include <string>

inline ::testing::AssertionResult MatchesGolden(const QImage& shot, const std::string& name)
{
    const std::string path = std::string(ZUL_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("ZUL_UPDATE_GOLDEN")) {
        image.save(QString::fromStdString(path));
        return ::testing::AssertionSuccess() << "written " << path;
    }
    const QImage golden = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden picture " << path;
    if (golden.size() != image.size())
        return ::testing::AssertionFailure() << name << ": size differs";
    long long different = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y);
            const QRgb b = golden.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 24 || std::abs(qGreen(a) - qGreen(b)) > 24 ||
                std::abs(qBlue(a) - qBlue(b)) > 24)
                ++different;
        }
    const long long allowed = static_cast<long long>(image.width()) * image.height() / 200;
    if (different > allowed) {
        const std::string seen = std::string(ZUL_BINARY_DIR) + "/golden-" + name + ".png";
        image.save(QString::fromStdString(seen));
        return ::testing::AssertionFailure() << name << ": " << different << " pixels differ (see " << seen << ")";
    }
    return ::testing::AssertionSuccess();
}
