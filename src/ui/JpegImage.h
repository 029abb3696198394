// SPDX-License-Identifier: GPL-3.0-or-later
// Reading JPEG pictures with libjpeg: the header's facts, and the decoded image.
#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace ui {

struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    // The largest sampling factors of any component; 1 and 1 mean full-resolution chroma.
    int maxHSampling = 0;
    int maxVSampling = 0;
    bool jfif = false;
    int jfifMajor = 0;
    int jfifMinor = 0;
    int densityUnit = 0; // 0 aspect ratio only, 1 dots per inch, 2 dots per centimetre
    int xDensity = 0;
    int yDensity = 0;
};

// The header of a JPEG stream, or nothing when the data is not one.
std::optional<JpegInfo> ReadJpegInfo(const QByteArray& jpeg);

// The whole picture at its own size as RGB888; a null image for empty, damaged, truncated or
// oversized data. Never prints anything.
QImage DecodeJpeg(const QByteArray& jpeg);

} // namespace ui
