// SPDX-License-Identifier: GPL-3.0-or-later
// The hint window "ヒント": the tuning-order picture and the text that explains it.
#pragma once

#include "ui/Controls.h"

#include <QPixmap>
#include <QPlainTextEdit>
#include <QWidget>

#include <functional>

namespace windows {

// The picture at its own size from the top-left corner, smaller (never stretched out of shape)
// where the window is too small for it, drawn from the source made for the screen's density. The
// dense source is decoded when first drawn on a dense screen: four times the pixels, and most
// screens never need it.
class FittedPicture : public ui::Picture {
public:
    FittedPicture(QPixmap normal, std::function<QPixmap()> decodeDense, QWidget* parent);

    // The source drawn at the widget's present density: the dense one above one device pixel a pixel.
    const QPixmap& pixmap() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap normal_;
    mutable std::function<QPixmap()> decodeDense_; // until it has been called
    mutable QPixmap dense_;
};

class HintWindow : public QWidget {
    Q_OBJECT
public:
    HintWindow();

    // The controls, for tests and the program object.
    FittedPicture* picture() const { return picture_; }
    QPlainTextEdit* hintText() const { return hintText_; }

private:
    FittedPicture* picture_ = nullptr;
    QPlainTextEdit* hintText_ = nullptr;
};

} // namespace windows
