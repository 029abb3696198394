// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument dialog: program changes on channels 1 and 2.
#include "windows/InstrumentDialog.h"

#include "game/Instruments.h"
#include "ui/Controls.h"
#include "ui/DesignLayout.h"

InstrumentDialog::InstrumentDialog(game::Session& session) : session_(session)
{
    setWindowTitle(QStringLiteral("楽器の設定"));
    setWindowFlags(Qt::Window);
    setFont(ui::FormFont());
    resize(176, 92);
    ui::CloseOnEscape(this);
    ui::ShowFocus(this);
    instrumentList = new QComboBox(this);
    instrumentList->setGeometry(9, 16, 145, instrumentList->sizeHint().height());
    instrumentList->addItems(game::InstrumentNames());
    instrumentList->setCurrentIndex(0);
    connect(instrumentList, &QComboBox::activated, this, &InstrumentDialog::onInstrumentChosen);
    ui::KeepDesign(this);
    ui::WidenForTitle(this);
    // Locked by a slider move: disabled and out of sight until the next challenge.
    connect(&session_, &game::Session::settingsLockChanged, this, [this](game::SettingsLock lock) {
        setEnabled(lock == game::SettingsLock::Open);
        if (lock == game::SettingsLock::Locked)
            hide();
    });
}

void InstrumentDialog::onInstrumentChosen()
{
    session_.chooseInstrument(instrumentList->currentIndex());
}
