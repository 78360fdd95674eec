// Pixel-for-pixel comparison of two renders. On a difference both pictures are
// written next to the test's output (<Name>-expected.png, <Name>-actual.png)
// so that a person can look at them.
#pragma once

#include "engine/TBitmap32.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <string>

inline QImage PictureImage(const TBitmap32& Picture) {
    return QImage(reinterpret_cast<const uchar*>(Picture.Bits()), Picture.Width(),
                  Picture.Height(), Picture.Width() * 4, QImage::Format_ARGB32)
        .copy();
}

inline ::testing::AssertionResult SamePicture(const TBitmap32& Expected, const TBitmap32& Actual,
                                              const std::string& Name) {
    std::string fault;
    if (Expected.Width() != Actual.Width() || Expected.Height() != Actual.Height()) {
        fault = "sizes " + std::to_string(Expected.Width()) + "x" +
                std::to_string(Expected.Height()) + " and " + std::to_string(Actual.Width()) +
                "x" + std::to_string(Actual.Height());
    } else {
        int differing = 0;
        for (int y = 0; y < Expected.Height(); ++y)
            for (int x = 0; x < Expected.Width(); ++x)
                if (Expected.Pixel(x, y) != Actual.Pixel(x, y) && differing++ == 0)
                    fault = "first at " + std::to_string(x) + "," + std::to_string(y);
        if (differing == 0)
            return ::testing::AssertionSuccess();
        fault = std::to_string(differing) + " pixels differ, " + fault;
    }
    const QString base = QDir::current().filePath(QString::fromStdString(Name));
    if (!Expected.IsEmpty())
        PictureImage(Expected).save(base + QStringLiteral("-expected.png"));
    if (!Actual.IsEmpty())
        PictureImage(Actual).save(base + QStringLiteral("-actual.png"));
    return ::testing::AssertionFailure()
           << Name << ": " << fault << " (pictures written to " << base.toStdString() << "-*.png)";
}
