// SPDX-License-Identifier: GPL-3.0-or-later
// TForm4, the hint window: the tuning-order picture and the text that explains it.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

class TForm4 : public QWidget {
    Q_OBJECT
public:
    TForm4();

    QLabel* Image1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
};

extern TForm4* Form4;
