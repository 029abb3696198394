// SPDX-License-Identifier: GPL-3.0-or-later
// InstrumentDialog, the instrument dialog: program changes on channels 1 and 2.
#include "windows/InstrumentDialog.h"

#include "game/Instruments.h"
#include "port/Messages.h"
#include "ui/Controls.h"

InstrumentDialog* theInstrumentDialog = nullptr;

InstrumentDialog::InstrumentDialog()
{
    setWindowTitle(QStringLiteral("楽器の設定"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::SetBounds(this, {192, 107, 176, 92});
    instrumentList = new QComboBox(this);
    instrumentList->setGeometry(9, 16, 145, instrumentList->sizeHint().height());
    instrumentList->addItems(game::InstrumentNames());
    instrumentList->setCurrentIndex(0);
    connect(instrumentList, &QComboBox::activated, this, &InstrumentDialog::onInstrumentChosen);
}

void InstrumentDialog::onInstrumentChosen()
{
    // Channel 1 plays the detuned keys, channel 2 the reference A: both take the instrument.
    midi::SendProgramChange(midi::kKeysChannel, instrumentList->currentIndex());
    midi::SendProgramChange(midi::kReferenceChannel, instrumentList->currentIndex());
}
