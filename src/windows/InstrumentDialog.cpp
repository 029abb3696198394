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
    instrumentList_ = new QComboBox(this);
    instrumentList_->setGeometry(9, 16, 145, instrumentList_->sizeHint().height());
    ui::NameList(instrumentList_, QStringLiteral("楽器"));
    connect(instrumentList_, &QComboBox::activated, this, &InstrumentDialog::onInstrumentChosen);
    auto* inharmonicityLabel = new QLabel(QStringLiteral("弦の非調和性(&H)"), this);
    inharmonicityLabel->setGeometry(9, 52, 145, 16);
    inharmonicityList_ = new QComboBox(this);
    inharmonicityList_->setGeometry(9, 70, 145, inharmonicityList_->sizeHint().height());
    inharmonicityList_->addItem(QStringLiteral("なし"), game::kTuningPiano);
    inharmonicityList_->addItem(QStringLiteral("実際のピアノ程度"), game::kStiffTuningPiano);
    inharmonicityList_->setAccessibleName(QStringLiteral("弦の非調和性"));
    inharmonicityList_->setToolTip(
        QStringLiteral("なし：倍音はちょうど整数倍で、平均律は教科書どおりにうなります。\n"
                       "実際のピアノ程度：実際のピアノの弦のように高い倍音ほど少し高くなります。"));
    inharmonicityLabel->setBuddy(inharmonicityList_);
    connect(inharmonicityList_, &QComboBox::activated, this,
            [this] { session_.chooseInstrument(inharmonicityList_->currentData().toInt()); });
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
    if (instrumentList_->count() != game::kGeneralMidiPrograms + (offered ? 1 : 0)) {
        instrumentList_->clear();
        if (offered)
            instrumentList_->addItem(game::kTuningPianoName, game::kTuningPiano);
        for (int program = 0; program < game::kGeneralMidiPrograms; ++program)
            instrumentList_->addItem(game::InstrumentNames()[program], program);
    }
    instrumentList_->setCurrentIndex(
        instrumentList_->findData(tuningPiano ? game::kTuningPiano : instrument));
    inharmonicityList_->setEnabled(tuningPiano);
    if (tuningPiano)
        inharmonicityList_->setCurrentIndex(inharmonicityList_->findData(instrument));
}

// The tuning piano keeps the inharmonicity chosen below the list.
void InstrumentDialog::onInstrumentChosen()
{
    const int chosen = instrumentList_->currentData().toInt();
    session_.chooseInstrument(game::IsTuningPiano(chosen) ? inharmonicityList_->currentData().toInt()
                                                          : chosen);
}

} // namespace windows
