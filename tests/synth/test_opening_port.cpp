// SPDX-License-Identifier: GPL-3.0-or-later
// The port that opens on a thread of its own: what is sent before it is open reaches the open port
// in order, and a key released meanwhile still sounds as long as it was held.
#include "GsBytes.h"
#include "synth/OpeningPort.h"

#include <QtTest>

#include <future>
#include <mutex>
#include <thread>

using testing::Short;

namespace {

using Clock = std::chrono::steady_clock;

struct Received {
    midi::ShortMessage message; // empty for a system-exclusive message
    Clock::time_point at;
};

// An open port that notes what reaches it and when.
class RecordingPort final : public output::Port {
public:
    explicit RecordingPort(std::shared_ptr<std::vector<Received>> received, std::shared_ptr<std::mutex> lock)
        : received_(std::move(received)), lock_(std::move(lock))
    {
    }
    output::Result sendShort(const midi::ShortMessage& message) override { return note(message); }
    output::Result sendSysex(std::span<const std::uint8_t>) override { return note({}); }
    output::Result reset() override { return output::Result::Ok; }

private:
    output::Result note(const midi::ShortMessage& message)
    {
        const std::lock_guard lock(*lock_);
        received_->push_back({message, Clock::now()});
        return output::Result::Ok;
    }
    std::shared_ptr<std::vector<Received>> received_;
    std::shared_ptr<std::mutex> lock_;
};

// An opening port that opens when `opened` is set.
struct Opening {
    std::shared_ptr<std::vector<Received>> received = std::make_shared<std::vector<Received>>();
    std::shared_ptr<std::mutex> lock = std::make_shared<std::mutex>();
    std::promise<void> opened;
    synth::OpeningPort port{[received = received, lock = lock, open = opened.get_future().share()] {
                                open.wait();
                                return synth::OpeningPort::Opened{
                                    std::make_unique<RecordingPort>(received, lock)};
                            },
                            nullptr};

    // What has reached the open port once `count` messages have; fewer after ten seconds.
    std::vector<Received> receivedOnce(std::size_t count)
    {
        for (int tries = 0; tries < 1000; ++tries) {
            {
                const std::lock_guard guard(*lock);
                if (received->size() >= count)
                    return *received;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::lock_guard guard(*lock);
        return *received;
    }
};

constexpr auto kHeld = std::chrono::milliseconds(200);

} // namespace

class TestOpeningPort : public QObject {
    Q_OBJECT

private slots:
    void keyReleasedBeforeOpenSoundsAsLongAsItWasHeld()
    {
        Opening opening;
        const midi::ShortMessage press = Short(0x90, 60, 100), release = Short(0x80, 60, 127),
                                 pedal = Short(0xB0, 64, 127);
        QCOMPARE(opening.port.sendSysex(testing::GsReset()), output::Result::Ok);
        QCOMPARE(opening.port.sendShort(press), output::Result::Ok);
        std::this_thread::sleep_for(kHeld);
        QCOMPARE(opening.port.sendShort(release), output::Result::Ok);
        QCOMPARE(opening.port.sendShort(pedal), output::Result::Ok);
        QCOMPARE(opening.port.sendShort(Short(0x40, 0)), output::Result::Refused); // a data byte alone
        opening.opened.set_value();
        const std::vector<Received> received = opening.receivedOnce(4);
        QCOMPARE(received.size(), std::size_t(4));
        QCOMPARE(received[0].message, midi::ShortMessage{});
        QCOMPARE(received[1].message, press);
        QCOMPARE(received[2].message, pedal);
        QCOMPARE(received[3].message, release);
        QVERIFY(received[3].at - received[1].at >= kHeld);
    }

    // A key pressed before the open and released after it: the note began late, and its note-off
    // is put off by as much, so it sounds as long as the key was held, not only for what was left
    // of the press.
    void keyHeldAcrossTheOpenSoundsAsLongAsItWasHeld()
    {
        Opening opening;
        const midi::ShortMessage press = Short(0x90, 60, 100), release = Short(0x80, 60, 127),
                                 other = Short(0x90, 62, 100);
        const Clock::time_point pressed = Clock::now();
        opening.port.sendShort(press);
        std::this_thread::sleep_for(kHeld); // the port takes its time to open
        opening.opened.set_value();
        opening.receivedOnce(1);
        std::this_thread::sleep_for(kHeld / 2);
        const Clock::time_point released = Clock::now();
        QCOMPARE(opening.port.sendShort(release), output::Result::Ok);
        QCOMPARE(opening.port.sendShort(other), output::Result::Ok); // a key pressed after the open: at once
        const std::vector<Received> received = opening.receivedOnce(3);
        QCOMPARE(received.size(), std::size_t(3));
        QCOMPARE(received[0].message, press);
        QCOMPARE(received[1].message, other);
        QCOMPARE(received[2].message, release);
        // The note-on reached the port a little after the port began handing on: allow for that.
        constexpr auto kSlack = std::chrono::milliseconds(20);
        QVERIFY(received[2].at - received[0].at >= released - pressed - kSlack);
    }

    // The same key pressed again once the port is open ends the note released before, first.
    void newPressEndsTheNoteStillDue()
    {
        Opening opening;
        const midi::ShortMessage press = Short(0x91, 69, 100), release = Short(0x91, 69, 0);
        opening.port.sendShort(press);
        std::this_thread::sleep_for(kHeld);
        opening.port.sendShort(release);
        opening.opened.set_value();
        opening.receivedOnce(1);
        QCOMPARE(opening.port.sendShort(press), output::Result::Ok);
        const std::vector<Received> received = opening.receivedOnce(3);
        QCOMPARE(received.size(), std::size_t(3));
        QCOMPARE(received[1].message, release);
        QCOMPARE(received[2].message, press);
    }
};

QTEST_GUILESS_MAIN(TestOpeningPort)
#include "test_opening_port.moc"
