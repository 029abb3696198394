// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader finds in the accessibility tree: the twelve sliders named C ... B with their
// positions in cents, the keyboard's 24 keys as buttons named for their notes, every window as a
// window, the charts named and summed up; and the focused slider marked on screen.
#include "GameBench.h"
#include "ui/Accessibility.h"
#include "windows/HistoryWindow.h"

#include <QAccessible>
#include <QChartView>

using namespace testing;

namespace {

// Every accessible object below `parent` with `role`, depth first.
QList<QAccessibleInterface*> WithRole(QAccessibleInterface* parent, QAccessible::Role role)
{
    QList<QAccessibleInterface*> found;
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (child->role() == role)
            found << child;
        found << WithRole(child, role);
    }
    return found;
}

QStringList Names(const QList<QAccessibleInterface*>& objects)
{
    QStringList names;
    for (const auto* object : objects)
        names << object->text(QAccessible::Name);
    return names;
}

QAccessibleInterface* Accessible(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::InstallAccessibility(); }

    void slidersAreNamedForTheirPitchClassesInCents()
    {
        GameBench game;
        game.difficulty()->setLevel(1); // 上級: a step is 3 cents, -10 ... 10 steps
        game.tuning()->slider(0)->setValue(2);
        const auto sliders = WithRole(Accessible(game.tuning()), QAccessible::Slider);
        QCOMPARE(Names(sliders),
                 QStringList({"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"}));
        QCOMPARE(sliders[0]->text(QAccessible::Value), QStringLiteral("+6 セント"));
        QCOMPARE(sliders[1]->text(QAccessible::Value), QStringLiteral("0 セント"));
        QAccessibleValueInterface* value = sliders[0]->valueInterface();
        QCOMPARE(value->currentValue().toInt(), 6);
        QCOMPARE(value->minimumValue().toInt(), -30);
        QCOMPARE(value->maximumValue().toInt(), 30);
        QCOMPARE(value->minimumStepSize().toInt(), 3);
        sliders[2]->valueInterface()->setCurrentValue(-9);
        QCOMPARE(game.tuning()->slider(2)->value(), -3);
        QCOMPARE(sliders[2]->text(QAccessible::Value), QStringLiteral("-9 セント"));
    }

    void keyboardKeysAreButtonsNamedForTheirNotes()
    {
        GameBench game;
        const QStringList buttons = Names(WithRole(Accessible(game.main()), QAccessible::Button));
        const QStringList notes = {"F3",  "F#3", "G3",  "G#3", "A3",  "A#3", "B3",  "C4",
                                   "C#4", "D4",  "D#4", "E4",  "F4",  "F#4", "G4",  "G#4",
                                   "A4",  "A#4", "B4",  "C5",  "C#5", "D5",  "D#5", "E5"};
        for (const QString& note : notes)
            QVERIFY2(buttons.count(note) == 1, qPrintable(note));
    }

    void everyWindowIsAWindow()
    {
        GameBench game;
        game.main()->historyEntry()->trigger();
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton); // the results window
        for (QWidget* window : std::initializer_list<QWidget*>{
                 game.main(), game.tuning(), game.results(), game.hint(), game.difficulty(),
                 game.instruments(), game.program().history()->window()})
            QVERIFY2(Accessible(window)->role() == QAccessible::Window, window->metaObject()->className());
    }

    void chartsAreNamedAndSummedUp()
    {
        GameBench game;
        game.main()->historyEntry()->trigger();
        HistoryWindow* window = game.program().history()->window();
        history::ChallengeRecord record;
        record.ended = QDateTime(QDate(2024, 5, 1), QTime(10, 0));
        record.started = record.ended.addSecs(-60);
        record.score = 85;
        record.player[1] = 4; // C# 4 cents sharp
        window->setRecords({record});
        const auto charts = window->findChildren<QChartView*>();
        QCOMPARE(charts.size(), 3); // scores, errors, the drills
        QStringList descriptions;
        for (auto* chart : charts) {
            QVERIFY(!Accessible(chart)->text(QAccessible::Name).isEmpty());
            descriptions << Accessible(chart)->text(QAccessible::Description);
        }
        // Each figure once: the lone score is the latest and the best; C# was 4 cents sharp each time.
        const QString said = descriptions.join('|');
        QVERIFY2(said.count(QStringLiteral("85")) == 1 && said.count(QStringLiteral("4.0")) == 1,
                 qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("C#")) && said.contains(QStringLiteral("高め")),
                 qPrintable(said));
    }

    // The Fusion style draws no focus on a scroll bar: ours draws a mark.
    void theFocusedSliderIsMarked()
    {
        GameBench game;
        game.tuning()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(game.tuning()));
        game.tuning()->slider(0)->setFocus();
        QVERIFY(game.tuning()->slider(0)->hasFocus());
        QVERIFY(game.tuning()->slider(0)->grab().toImage() != game.tuning()->slider(1)->grab().toImage());
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
