// SPDX-License-Identifier: GPL-3.0-or-later
// InstrumentDialog, the instrument dialog: one of the 128 General MIDI sounds for channels 1 and 2.
#pragma once

#include <QComboBox>
#include <QWidget>

class InstrumentDialog : public QWidget {
    Q_OBJECT
public:
    InstrumentDialog();
    void onInstrumentChosen();

    QComboBox* instrumentList = nullptr;
};

extern InstrumentDialog* theInstrumentDialog;
