// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument dialog: program changes on channels 1 and 2, each list entry carrying its
// instrument number.
#include "windows/InstrumentDialog.h"

#include "game/Instruments.h"
#include "ui/Controls.h"
#include "ui/DesignLayout.h"

#include <QLabel>

namespace windows {

InstrumentDialog::InstrumentDialog(game::Session& session) : session_(session)
{
    setWindowTitle(QStringLiteral("楽器の設定"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    resize(176, 128);
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    instrumentList = new QComboBox(this);
    instrumentList->setGeometry(9, 16, 145, instrumentList->sizeHint().height());
    ui::NameList(instrumentList, QStringLiteral("楽器"));
    connect(instrumentList, &QComboBox::activated, this, &InstrumentDialog::onInstrumentChosen);
    auto* inharmonicityLabel = new QLabel(QStringLiteral("弦の非調和性(&H)"), this);
    inharmonicityLabel->setGeometry(9, 52, 145, 16);
    inharmonicityList = new QComboBox(this);
    inharmonicityList->setGeometry(9, 70, 145, inharmonicityList->sizeHint().height());
    inharmonicityList->addItem(QStringLiteral("なし"), game::kTuningPiano);
    inharmonicityList->addItem(QStringLiteral("実際のピアノ程度"), game::kStiffTuningPiano);
    inharmonicityList->setAccessibleName(QStringLiteral("弦の非調和性"));
    inharmonicityList->setToolTip(
        QStringLiteral("なし：倍音はちょうど整数倍で、平均律は教科書どおりにうなります。\n"
                       "実際のピアノ程度：実際のピアノの弦のように高い倍音ほど少し高くなります。"));
    inharmonicityLabel->setBuddy(inharmonicityList);
    connect(inharmonicityList, &QComboBox::activated, this,
            [this] { session_.chooseInstrument(inharmonicityList->currentData().toInt()); });
    ui::KeepDesign(this);
    ui::WidenForTitle(this);
    showInstruments();
    connect(&session_, &game::Session::instrumentChanged, this, &InstrumentDialog::showInstruments);
    // Locked by a slider move: disabled and out of sight until the next challenge.
    connect(&session_, &game::Session::settingsLockChanged, this, [this](game::SettingsLock lock) {
        setEnabled(lock == game::SettingsLock::Open);
        if (lock == game::SettingsLock::Locked)
            hide();
    });
}

void InstrumentDialog::showInstruments()
{
    const int instrument = session_.instrument();
    const bool tuningPiano = game::IsTuningPiano(instrument);
    const bool offered = session_.tuningPianoOffered();
    if (instrumentList->count() != game::kGeneralMidiPrograms + (offered ? 1 : 0)) {
        instrumentList->clear();
        if (offered)
            instrumentList->addItem(game::kTuningPianoName, game::kTuningPiano);
        for (int program = 0; program < game::kGeneralMidiPrograms; ++program)
            instrumentList->addItem(game::InstrumentNames()[program], program);
    }
    instrumentList->setCurrentIndex(instrumentList->findData(tuningPiano ? game::kTuningPiano : instrument));
    inharmonicityList->setEnabled(tuningPiano);
    if (tuningPiano)
        inharmonicityList->setCurrentIndex(inharmonicityList->findData(instrument));
}

// The tuning piano keeps the inharmonicity chosen below the list.
void InstrumentDialog::onInstrumentChosen()
{
    const int chosen = instrumentList->currentData().toInt();
    session_.chooseInstrument(game::IsTuningPiano(chosen) ? inharmonicityList->currentData().toInt()
                                                          : chosen);
}

} // namespace windows
