// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument dialog "楽器の設定": one of the 128 General MIDI sounds for channels 1 and 2.
#pragma once

#include "port/Session.h"

#include <QComboBox>
#include <QWidget>

class InstrumentDialog : public QWidget {
    Q_OBJECT
public:
    explicit InstrumentDialog(game::Session& session);
    void onInstrumentChosen();

    QComboBox* instrumentList = nullptr;

private:
    game::Session& session_;
};
