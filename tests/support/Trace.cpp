// SPDX-License-Identifier: GPL-3.0-or-later
// The recording devices, virtual clock and recording desktop of the test bench.
#include "Trace.h"

#include "midi/Midi.h"

#include <optional>

namespace testing {

QStringList Trace::texts() const
{
    QStringList result;
    for (const auto& entry : entries_)
        result << entry.what;
    return result;
}

QStringList Trace::timed() const
{
    QStringList result;
    for (const auto& entry : entries_)
        result << QString::number(entry.ms) + ' ' + entry.what;
    return result;
}

QStringList Trace::only(const QStringList& prefixes) const
{
    QStringList result;
    for (const auto& entry : entries_)
        for (const auto& prefix : prefixes)
            if (entry.what.startsWith(prefix)) {
                result << entry.what;
                break;
            }
    return result;
}

QString HexBytes(const std::vector<std::uint8_t>& bytes)
{
    QStringList parts;
    for (auto byte : bytes)
        parts << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(' ');
}

// How the trace names a result: "ok", "busy", ...
QString ResultName(output::Result result)
{
    switch (result) {
    case output::Result::Ok:
        return QStringLiteral("ok");
    case output::Result::Failed:
        return QStringLiteral("failed");
    case output::Result::NoSuchDevice:
        return QStringLiteral("no such device");
    case output::Result::NoSoundOutput:
        return QStringLiteral("no sound output");
    case output::Result::Busy:
        return QStringLiteral("busy");
    case output::Result::NotOpen:
        return QStringLiteral("not open");
    case output::Result::Missing:
        return QStringLiteral("missing");
    case output::Result::NoMemory:
        return QStringLiteral("no memory");
    case output::Result::Refused:
        return QStringLiteral("refused");
    case output::Result::NotPrepared:
        return QStringLiteral("not prepared");
    case output::Result::Gone:
        return QStringLiteral("gone");
    }
    return QStringLiteral("?");
}

// A recording port: every message it receives lands in the trace.
// A beat emphasis that records what it is asked: "emphasis 1046.50", "emphasis off".
class FakeEmphasis final : public output::BeatEmphasis {
public:
    explicit FakeEmphasis(TestBench& bench) : bench_(bench) {}
    void emphasize(double centreHz) override
    {
        record(QStringLiteral("emphasis %1").arg(centreHz, 0, 'f', 2));
    }
    void stopEmphasis() override { record(QStringLiteral("emphasis off")); }

private:
    // Only changes: the window repeats its wish on every tick.
    void record(const QString& what)
    {
        if (what != std::exchange(last_, what))
            bench_.record(what);
    }
    TestBench& bench_;
    QString last_ = QStringLiteral("emphasis off");
};

class FakePort final : public output::Port {
public:
    FakePort(TestBench& bench, int id, const FakeDeviceConfig& config)
        : bench_(bench), id_(id), longResult_(config.longResult), paced_(config.paced)
    {
        if (config.emphasis)
            emphasis_.emplace(bench);
    }
    ~FakePort() override { bench_.record(QStringLiteral("close %1").arg(id_)); }

    output::Result sendShort(const midi::ShortMessage& message) override
    {
        if (message.size == 0)
            return output::Result::Refused;
        bench_.record("short " + HexBytes({message.view().begin(), message.view().end()}));
        return output::Result::Ok;
    }
    output::Result sendSysex(std::span<const std::uint8_t> bytes) override
    {
        bench_.record("long " + HexBytes({bytes.begin(), bytes.end()}));
        return longResult_;
    }
    output::Result reset() override
    {
        bench_.record(QStringLiteral("reset"));
        return output::Result::Ok;
    }
    bool needsPacing() const override { return paced_; }
    bool reconnect() override
    {
        if (!std::exchange(bench_.devices_[id_].comesBack, false))
            return false;
        bench_.record(QStringLiteral("reconnect %1").arg(id_));
        return true;
    }
    output::BeatEmphasis* beatEmphasis() override { return emphasis_ ? &*emphasis_ : nullptr; }
    bool offersOwnInstruments() const override { return bench_.devices_[id_].ownInstruments; }
    std::optional<output::InstrumentPartials> partials(int, int) override
    {
        return bench_.devices_[id_].partials;
    }

private:
    TestBench& bench_;
    int id_;
    output::Result longResult_;
    bool paced_;
    std::optional<FakeEmphasis> emphasis_;
};

class FakeDevice final : public output::Device {
public:
    FakeDevice(TestBench& bench, int id) : bench_(bench), id_(id) {}
    std::string name() const override { return config().name; }
    output::Result queryCapabilities() const override { return config().capabilities; }
    output::Result open(std::unique_ptr<output::Port>& port) override
    {
        auto& results = config().openResults;
        const output::Result result = results.empty() ? output::Result::Ok : results.front();
        if (!results.empty())
            results.pop_front();
        bench_.record(QStringLiteral("open %1 -> %2").arg(id_).arg(ResultName(result)));
        if (result == output::Result::Ok)
            port = std::make_unique<FakePort>(bench_, id_, config());
        return result;
    }

private:
    FakeDeviceConfig& config() const { return bench_.devices_[id_]; }
    TestBench& bench_;
    int id_;
};

class FakeClock final : public game::Clock {
public:
    explicit FakeClock(TestBench& bench) : bench_(bench) {}
    void sleep(std::chrono::milliseconds wait) override
    {
        bench_.record(QStringLiteral("sleep %1").arg(wait.count()));
        bench_.elapsedMs_ += wait.count();
    }
    QDateTime now() override { return bench_.now(); }

private:
    TestBench& bench_;
};

TestBench::TestBench(std::vector<FakeDeviceConfig> devices)
    : devices_(std::move(devices)), start_(QDate(2026, 12, 7), QTime(10, 0)),
      clock_(std::make_unique<FakeClock>(*this))
{
}

TestBench::~TestBench() = default;

game::Clock& TestBench::clock()
{
    return *clock_;
}

output::ListDevices TestBench::listDevices()
{
    return [this] {
        output::Devices devices;
        for (int id = 0; id < int(devices_.size()); ++id)
            devices.push_back(std::make_unique<FakeDevice>(*this, id));
        return devices;
    };
}

} // namespace testing
