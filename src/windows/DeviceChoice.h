// SPDX-License-Identifier: GPL-3.0-or-later
// The device the player plays through: the devices listed, the saved one chosen again, opened with
// retries, switched on the player's choice, and set back to equal temperament at the end. The
// boxes for what fails are shown here; the main window only shows the list.
#pragma once

#include "game/Clock.h"
#include "game/Session.h"
#include "output/DeviceList.h"
#include "output/MidiOutput.h"
#include "windows/Desktop.h"

#include <QObject>
#include <QStringList>

#include <vector>

namespace windows {

class DeviceChoice : public QObject {
    Q_OBJECT
public:
    DeviceChoice(output::DeviceList& devices, output::MidiOutput& output, game::Session& session,
                 game::Clock& clock, Desktop& desktop);
    ~DeviceChoice() override;

    // Whether there is any device at all; a box says so when there is none.
    bool anyDevice();
    // The names of the devices that can be chosen, in list order.
    const QStringList& names() const { return names_; }
    // Chooses the device saved by list position and name (the name wins when the numbering moved),
    // opens it and resets it: the start of the run.
    void start(int savedPosition, const QString& savedName);
    // The player chose the device at `position` of names(): the old one falls silent and closes,
    // the new one is opened, reset and given the instrument and the current tuning.
    void choose(int position);
    // The end of the run: the device back in equal temperament, then closed.
    void finish();

    // The chosen device's position in names() and its number in the device list (-1: none).
    int position() const { return position_; }
    int deviceId() const;

signals:
    // The device had gone away and is back: it has been sent the GS reset and the tuning again.
    void deviceReturned();

private:
    void listDevices();
    output::Result openWithRetry();

    output::DeviceList& devices_;
    output::MidiOutput& output_;
    game::Session& session_;
    game::Clock& clock_;
    Desktop& desktop_;
    QStringList names_;
    std::vector<int> deviceIds_; // the device number behind each name
    int position_ = -1;
};

} // namespace windows
