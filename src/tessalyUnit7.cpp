// SPDX-License-Identifier: GPL-3.0-or-later
// TForm7, the instrument dialog: program changes on channels 1 and 2.
#include "tessalyUnit7.h"

#include "game/Instruments.h"
#include "port/Messages.h"
#include "ui/Controls.h"

TForm7* Form7 = nullptr;

TForm7::TForm7()
{
    setWindowTitle(QStringLiteral("楽器の設定"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    ui::SetBounds(this, {192, 107, 176, 92});
    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(9, 16, 145, ComboBox1->sizeHint().height());
    ComboBox1->addItems(game::InstrumentNames());
    ComboBox1->setCurrentIndex(0);
    connect(ComboBox1, &QComboBox::activated, this, &TForm7::ComboBox1Change);
}

void TForm7::ComboBox1Change()
{
    // Channel 1 plays the detuned keys, channel 2 the reference A: both take the instrument.
    midi::SendProgramChange(midi::kKeysChannel, ComboBox1->currentIndex());
    midi::SendProgramChange(midi::kReferenceChannel, ComboBox1->currentIndex());
}
