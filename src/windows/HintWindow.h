// SPDX-License-Identifier: GPL-3.0-or-later
// The hint window "ヒント": the tuning-order picture and the text that explains it.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

class HintWindow : public QWidget {
    Q_OBJECT
public:
    HintWindow();

    QLabel* picture = nullptr;
    QPlainTextEdit* hintText = nullptr;
};
