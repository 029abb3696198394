// SPDX-License-Identifier: GPL-3.0-or-later
// The test seam: recording MIDI devices and a virtual clock, handed to what a test makes, all
// writing one ordered trace with virtual times (RecordingDesktop.h adds the desktop).
#pragma once

#include "game/Clock.h"
#include "output/DeviceList.h"
#include "output/MidiOutput.h"
#include "output/Port.h"

#include <QMetaType>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace testing {

struct TraceEntry {
    qint64 ms;    // virtual time since the bench was set up
    QString what; // e.g. "open 0", "short 90 35 64", "long F0 41 ...", "sleep 300", "box error3"
};

class Trace {
public:
    void add(qint64 ms, const QString& what) { entries_.push_back({ms, what}); }
    const std::vector<TraceEntry>& entries() const { return entries_; }
    // The entries' texts, without times.
    QStringList texts() const;
    // The entries as "<ms> <what>".
    QStringList timed() const;
    // Only the entries whose text starts with one of `prefixes`.
    QStringList only(const QStringList& prefixes) const;
    void clear() { entries_.clear(); }

private:
    std::vector<TraceEntry> entries_;
};

// A listed device of the recording system and how it behaves.
struct FakeDeviceConfig {
    std::string name;
    output::Result capabilities = output::Result::Ok; // not Ok: the capability query fails
    std::deque<output::Result> openResults;           // consumed one per open; Ok once empty
    output::Result longResult = output::Result::Ok;   // what every system-exclusive send returns
    bool paced = true;                                // false: a device of our own, without fixed waits
    bool comesBack = false;                           // the open port's device has gone and is back (once)
    bool emphasis = false;       // offers a beat emphasis, as the built-in synthesizer does
    bool ownInstruments = false; // offers the tuning piano, as the built-in synthesizer does
    // What the port tells of every instrument's partials; nullopt: it cannot tell.
    std::optional<output::InstrumentPartials> partials;
};

// Recording devices and a virtual clock, to be handed to a program or an output.
class TestBench {
public:
    explicit TestBench(std::vector<FakeDeviceConfig> devices = {{.name = "Test Synth A"},
                                                                {.name = "Test Synth B"}});
    ~TestBench();
    TestBench(const TestBench&) = delete;
    TestBench& operator=(const TestBench&) = delete;

    Trace& trace() { return trace_; }
    // The virtual local time: the bench's start plus the virtual time passed.
    QDateTime now() const { return start_.addMSecs(elapsedMs_); }
    void advance(qint64 ms) { elapsedMs_ += ms; }
    // The devices as the system lists them; may be changed until the program first asks.
    std::vector<FakeDeviceConfig>& devices() { return devices_; }
    // The virtual clock: its sleeps pass virtual time and are recorded ("sleep 300").
    game::Clock& clock();
    // Lists the recording devices, as the program asks once.
    output::ListDevices listDevices();
    // The second line of every message box shown, in order ("box ..." entries hold the first).
    const QStringList& explanations() const { return explanations_; }
    // The text last put on the clipboard.
    QString clipboard() const { return clipboard_; }
    // Whether opening a web address finds a browser to start.
    bool browserStarts = true;

private:
    friend class FakeClock;
    friend class RecordingDesktop;
    friend class FakePort;
    friend class FakeEmphasis;
    friend class FakeDevice;
    void record(const QString& what) { trace_.add(elapsedMs_, what); }

    Trace trace_;
    std::vector<FakeDeviceConfig> devices_;
    QDateTime start_;
    qint64 elapsedMs_ = 0;
    QString clipboard_;
    QStringList explanations_;
    std::unique_ptr<game::Clock> clock_;
};

// A MIDI output on the bench's devices and clock, as the program makes one.
struct BenchOutput {
    explicit BenchOutput(TestBench& bench) : devices(bench.listDevices()), output(devices, bench.clock()) {}
    output::DeviceList devices;
    output::MidiOutput output;
};

// "90 35 64"-style hexadecimal text of bytes.
QString HexBytes(const std::vector<std::uint8_t>& bytes);
// How the trace names a result: "ok", "busy", ...
QString ResultName(output::Result result);

} // namespace testing

// Results as test-table columns.
Q_DECLARE_METATYPE(output::Result)
