// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0 from the synthesizer's module as the build makes it, and listed still when the module
// cannot be found.
#include "desktop/BuiltinSynthLoader.h"

#include <QTemporaryDir>
#include <QtTest>

class BuiltinSynthLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void loadsDeviceZeroFromTheModule()
    {
        const auto device = desktop::LoadBuiltinSynthDevice(
            {QStringLiteral("/nonexistent"), QStringLiteral(SYNTH_MODULE_FOLDER)});
        QCOMPARE(QString::fromStdString(device->name()), QStringLiteral("内蔵GSシンセサイザー"));
        QCOMPARE(device->queryCapabilities(), midi::Result::Ok);
    }

    void listsDeviceZeroWithoutTheModule()
    {
        const QTemporaryDir empty;
        const auto device = desktop::LoadBuiltinSynthDevice({empty.path()});
        QCOMPARE(QString::fromStdString(device->name()), QStringLiteral("内蔵GSシンセサイザー"));
        std::unique_ptr<platform::OutputPort> port;
        QCOMPARE(device->open(port), midi::Result::NoDriver);
        QVERIFY(!port);
    }
};

QTEST_GUILESS_MAIN(BuiltinSynthLoaderTest)
#include "test_builtin_synth_loader.moc"
