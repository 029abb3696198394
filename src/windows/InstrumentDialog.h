// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument dialog "楽器の設定": the instrument of channels 1 and 2. On the built-in
// synthesizer the tuning piano comes first, with the choice of its strings' inharmonicity; General
// MIDI's 128 sounds follow (an external device lists them alone).
#pragma once

#include "game/Session.h"

#include <QComboBox>
#include <QWidget>

namespace windows {

class InstrumentDialog : public QWidget {
    Q_OBJECT
public:
    explicit InstrumentDialog(game::Session& session);
    void onInstrumentChosen();

    // "弦の非調和性": なし (harmonic partials) or 実際のピアノ程度; only for the tuning piano.

    // The controls, for tests and the program object.
    QComboBox* instrumentList() const { return instrumentList_; }
    QComboBox* inharmonicityList() const { return inharmonicityList_; }

private:
    // Lists what the device offers and shows the session's instrument.
    void showInstruments();

    game::Session& session_;
    QComboBox* instrumentList_ = nullptr;
    QComboBox* inharmonicityList_ = nullptr;
};

} // namespace windows
