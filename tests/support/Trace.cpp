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

// A recording port: every message it receives lands in the trace.
// A beat emphasis that records what it is asked: "emphasis 1046.50", "emphasis off".
class FakeEmphasis final : public platform::BeatEmphasis {
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

class FakePort final : public platform::OutputPort {
public:
    FakePort(TestBench& bench, int id, const FakeDeviceConfig& config)
        : bench_(bench), id_(id), longResult_(config.longResult), paced_(config.paced)
    {
        if (config.emphasis)
            emphasis_.emplace(bench);
    }
    ~FakePort() override { bench_.record(QStringLiteral("close %1").arg(id_)); }

    midi::Result sendShort(std::uint32_t word) override
    {
        const auto message = midi::UnpackShortWord(word);
        if (!message)
            return midi::Result::InvalidParameter;
        bench_.record("short " + HexBytes({message->view().begin(), message->view().end()}));
        return midi::Result::Ok;
    }
    midi::Result sendLong(std::span<const std::uint8_t> bytes) override
    {
        bench_.record("long " + HexBytes({bytes.begin(), bytes.end()}));
        return longResult_;
    }
    midi::Result reset() override
    {
        bench_.record(QStringLiteral("reset"));
        return midi::Result::Ok;
    }
    bool needsPacing() const override { return paced_; }
    bool reconnect() override
    {
        if (!std::exchange(bench_.devices_[id_].comesBack, false))
            return false;
        bench_.record(QStringLiteral("reconnect %1").arg(id_));
        return true;
    }
    platform::BeatEmphasis* beatEmphasis() override { return emphasis_ ? &*emphasis_ : nullptr; }
    bool offersOwnInstruments() const override { return bench_.devices_[id_].ownInstruments; }
    std::optional<platform::InstrumentPartials> partials(int, int) override
    {
        return bench_.devices_[id_].partials;
    }

private:
    TestBench& bench_;
    int id_;
    midi::Result longResult_;
    bool paced_;
    std::optional<FakeEmphasis> emphasis_;
};

class FakeDevice final : public platform::MidiOutDevice {
public:
    FakeDevice(TestBench& bench, int id) : bench_(bench), id_(id) {}
    std::string name() const override { return config().name; }
    midi::Result queryCapabilities() const override { return config().capabilities; }
    midi::Result open(std::unique_ptr<platform::OutputPort>& port) override
    {
        auto& results = config().openResults;
        const midi::Result result = results.empty() ? midi::Result::Ok : results.front();
        if (!results.empty())
            results.pop_front();
        bench_.record(QStringLiteral("open %1 -> %2").arg(id_).arg(std::uint32_t(result)));
        if (result == midi::Result::Ok)
            port = std::make_unique<FakePort>(bench_, id_, config());
        return result;
    }

private:
    FakeDeviceConfig& config() const { return bench_.devices_[id_]; }
    TestBench& bench_;
    int id_;
};

class FakeSystem final : public platform::System {
public:
    explicit FakeSystem(TestBench& bench) : bench_(bench) {}
    std::vector<std::unique_ptr<platform::MidiOutDevice>> enumerateMidiOutDevices() override
    {
        std::vector<std::unique_ptr<platform::MidiOutDevice>> devices;
        for (int id = 0; id < int(bench_.devices_.size()); ++id)
            devices.push_back(std::make_unique<FakeDevice>(bench_, id));
        return devices;
    }
    void sleep(std::chrono::milliseconds wait) override
    {
        bench_.record(QStringLiteral("sleep %1").arg(wait.count()));
        bench_.elapsedMs_ += wait.count();
    }
    QDateTime now() override { return bench_.now(); }

private:
    TestBench& bench_;
};

class FakeDesktop final : public platform::Desktop {
public:
    explicit FakeDesktop(TestBench& bench) : bench_(bench) {}
    void messageBox(const QString& text, const QString& explanation) override
    {
        bench_.record("box " + text);
        bench_.explanations_ << explanation;
    }
    void setClipboardText(const QString& text) override
    {
        bench_.clipboard_ = text;
        bench_.record(QStringLiteral("clipboard"));
    }
    bool openUrl(const QString& address) override
    {
        bench_.record("url " + address);
        return bench_.browserStarts;
    }
    void playClip() override { bench_.record(QStringLiteral("clip")); }

private:
    TestBench& bench_;
};

TestBench::TestBench(std::vector<FakeDeviceConfig> devices)
    : devices_(std::move(devices)), start_(QDate(2026, 12, 7), QTime(10, 0))
{
    previousSystem_ = platform::InstallSystem(std::make_unique<FakeSystem>(*this));
    desktop_ = std::make_unique<FakeDesktop>(*this);
    desktopInForce_ = std::make_unique<platform::DesktopInForce>(*desktop_);
}

TestBench::~TestBench()
{
    // Ports close while the bench still exists; their closes are recorded and then dropped.
    platform::InstallSystem(std::move(previousSystem_));
    desktopInForce_.reset();
}

} // namespace testing
