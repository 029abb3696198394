// SPDX-License-Identifier: GPL-3.0-or-later
// Device 0 from the synthesizer's module as the build makes it, and listed still when the module
// cannot be found.
#include "host/BuiltinSynthLoader.h"

#include <QTemporaryDir>
#include <QtTest>

class BuiltinSynthLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void loadsDeviceZeroFromTheModule()
    {
        const auto device = host::LoadBuiltinSynthDevice(
            {QStringLiteral("/nonexistent"), QStringLiteral(SYNTH_MODULE_FOLDER)},
            [](const QString&, const QString&) {});
        QCOMPARE(QString::fromStdString(device->name()), QStringLiteral("内蔵GSシンセサイザー"));
        QCOMPARE(device->queryCapabilities(), output::Result::Ok);
    }

    void listsDeviceZeroWithoutTheModule()
    {
        const QTemporaryDir empty;
        const auto device =
            host::LoadBuiltinSynthDevice({empty.path()}, [](const QString&, const QString&) {});
        QCOMPARE(QString::fromStdString(device->name()), QStringLiteral("内蔵GSシンセサイザー"));
        std::unique_ptr<output::Port> port;
        QCOMPARE(device->open(port), output::Result::Missing);
        QVERIFY(!port);
    }
};

QTEST_GUILESS_MAIN(BuiltinSynthLoaderTest)
#include "test_builtin_synth_loader.moc"
