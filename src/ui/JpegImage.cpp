// SPDX-License-Identifier: GPL-3.0-or-later
// Reading JPEG pictures with libjpeg, whose errors jump back to the step that called it.
#include "ui/JpegImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h uses FILE without including it

#include <jpeglib.h>

namespace ui {
namespace {

// A damaged header can claim 65 500 × 65 500 pixels; such pictures are refused, not allocated.
constexpr qint64 kMaxPixels = qint64(1) << 26;

// libjpeg's error manager with a place to jump back to: left alone, libjpeg would exit the program.
struct JumpingErrors {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to the manager points to the whole
    std::jmp_buf jumpBack;
};

[[noreturn]] void JumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JumpingErrors*>(info->err)->jumpBack, 1);
}

// libjpeg warns, and carries on with grey, on a premature end or a corrupt entropy stream: a damaged
// picture is refused like any other error. Trace messages (levels 0 and up) are ignored.
void JumpBackOnWarning(j_common_ptr info, int level)
{
    if (level < 0)
        JumpBack(info);
}

void StaySilent(j_common_ptr)
{
}

// Owns one decompress struct reading from memory, destroyed on every path. Each step that calls
// libjpeg sets its own jump target and creates no object with a destructor, so a jump back skips
// nothing that needs cleaning up.
class JpegReader {
public:
    explicit JpegReader(const QByteArray& jpeg) : jpeg_(jpeg)
    {
        info_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = JumpBack;
        errors_.manager.emit_message = JumpBackOnWarning;
        errors_.manager.output_message = StaySilent;
    }
    // Safe whether or not jpeg_create_decompress ran or finished: the struct starts zeroed.
    ~JpegReader() { jpeg_destroy_decompress(&info_); }
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    bool readHeader()
    {
        if (jpeg_.isEmpty())
            return false;
        if (setjmp(errors_.jumpBack))
            return false;
        jpeg_create_decompress(&info_);
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(jpeg_.constData()),
                     static_cast<unsigned long>(jpeg_.size()));
        return jpeg_read_header(&info_, TRUE) == JPEG_HEADER_OK;
    }

    // Valid after readHeader() succeeded.
    JpegInfo header() const
    {
        JpegInfo header;
        header.width = int(info_.image_width);
        header.height = int(info_.image_height);
        header.components = info_.num_components;
        header.progressive = info_.progressive_mode != FALSE;
        for (int i = 0; i < info_.num_components; ++i) {
            header.maxHSampling = std::max(header.maxHSampling, info_.comp_info[i].h_samp_factor);
            header.maxVSampling = std::max(header.maxVSampling, info_.comp_info[i].v_samp_factor);
        }
        header.jfif = info_.saw_JFIF_marker != FALSE;
        header.jfifMajor = info_.JFIF_major_version;
        header.jfifMinor = info_.JFIF_minor_version;
        header.densityUnit = info_.density_unit;
        header.xDensity = info_.X_density;
        header.yDensity = info_.Y_density;
        return header;
    }

    // Decodes into `image`, already allocated as RGB888 at the size the header gave.
    bool decodeInto(QImage& image)
    {
        if (setjmp(errors_.jumpBack))
            return false;
        info_.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info_);
        if (int(info_.output_width) != image.width() || int(info_.output_height) != image.height() ||
            info_.output_components != 3)
            return false;
        while (info_.output_scanline < info_.output_height) {
            JSAMPROW row = image.scanLine(int(info_.output_scanline));
            // Memory never suspends, so no progress means something is wrong.
            if (jpeg_read_scanlines(&info_, &row, 1) != 1)
                return false;
        }
        jpeg_finish_decompress(&info_);
        return true;
    }

private:
    const QByteArray& jpeg_;
    JumpingErrors errors_{};
    jpeg_decompress_struct info_{};
};

} // namespace

std::optional<JpegInfo> ReadJpegInfo(const QByteArray& jpeg)
{
    JpegReader reader(jpeg);
    if (!reader.readHeader())
        return std::nullopt;
    return reader.header();
}

QImage DecodeJpeg(const QByteArray& jpeg)
{
    JpegReader reader(jpeg);
    if (!reader.readHeader())
        return {};
    const JpegInfo header = reader.header();
    if (header.width <= 0 || header.height <= 0 || qint64(header.width) * header.height > kMaxPixels)
        return {};
    QImage image(header.width, header.height, QImage::Format_RGB888);
    if (image.isNull() || !reader.decodeInto(image))
        return {};
    return image;
}

} // namespace ui
