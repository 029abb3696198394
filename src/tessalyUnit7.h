// SPDX-License-Identifier: GPL-3.0-or-later
// TForm7, the instrument dialog: one of the 128 General MIDI sounds for channels 1 and 2.
#pragma once

#include <QComboBox>
#include <QWidget>

class TForm7 : public QWidget {
    Q_OBJECT
public:
    TForm7();
    void ComboBox1Change();

    QComboBox* ComboBox1 = nullptr;
};

extern TForm7* Form7;
