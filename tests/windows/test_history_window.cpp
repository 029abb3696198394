// SPDX-License-Identifier: GPL-3.0-or-later
// Each answer check recorded, the window "成績の推移" on the history, the status-bar notice.
#include "GameBench.h"
#include "ui/QtTexts.h"
#include "windows/HistoryWindow.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QScrollBar>

#include <cerrno>
#include <cstring>

using namespace testing;

namespace {

history::ChallengeRecord Finished(int minute, int difficulty, int score, int errorOfC = 0)
{
    history::ChallengeRecord record;
    record.started = QDateTime(QDate(2024, 5, 1), QTime(10, minute), Qt::OffsetFromUTC, 3600);
    record.ended = record.started.addSecs(50);
    record.difficulty = difficulty;
    record.score = score;
    record.player[0] = errorOfC;
    return record;
}

QList<qreal> Values(const QLineSeries* series)
{
    QList<qreal> values;
    for (const QPointF& point : series->points())
        values << point.y();
    return values;
}

// The window opened from the menu, showing these records.
HistoryWindow* OpenHistoryWith(GameBench& game, const std::vector<history::ChallengeRecord>& records)
{
    game.main()->historyEntry()->trigger();
    HistoryWindow* window = game.program().history()->window();
    window->setRecords(records);
    return window;
}

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT

private slots:
    void theCheckIsRecordedAndShown()
    {
        GameBench game;
        game.difficulty()->setLevel(2);
        game.instruments()->instrumentList()->setCurrentIndex(5);
        emit game.instruments()->instrumentList()->activated(5);
        QTest::mouseClick(game.main()->referenceButton(), Qt::LeftButton); // the reference A
        game.tuning()->slider(2)->setValue(2);
        game.bench().advance(95'000);
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);

        history::Database database(history::DefaultHistoryPath(), history::kWaitDuringPlay);
        const auto records = database.readAll();
        QCOMPARE(records.size(), 1u);
        const auto& record = records[0];
        QCOMPARE(record.started, game.session().started());
        QCOMPARE(record.started.offsetFromUtc(), game.session().started().offsetFromUtc());
        QCOMPARE(record.ended, game.session().lastResult()->ended);
        QCOMPARE(record.elapsedMs, game.session().started().msecsTo(game.session().lastResult()->ended));
        QCOMPARE(record.difficulty, 2);
        QCOMPARE(record.instrument, 5);
        QCOMPARE(record.device, QStringLiteral("Test Synth A"));
        QVERIFY(record.referenceToneUsed);
        QCOMPARE(record.detune, game.session().detune());
        QCOMPARE(record.player, (history::Cents{0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(QString::number(record.score), game.results()->scoreLabel()->text());

        // The window shows the file, and later checks as they happen.
        game.main()->historyEntry()->trigger();
        HistoryWindow* window = game.program().history()->window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->records().size(), 1u);
        QTest::mousePress(game.results()->retryButton(), Qt::LeftButton);
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QCOMPARE(window->records().size(), 2u);
        QCOMPARE(window->challengeTable()->model()->rowCount(), 2);
    }

    void chartsSummaryAndDetail()
    {
        GameBench game;
        game.main()->historyEntry()->trigger();
        HistoryWindow* window = game.program().history()->window();
        std::vector<history::ChallengeRecord> records = {Finished(0, 0, 80, 11)};
        for (int i = 1; i <= 9; ++i)
            records.push_back(Finished(i, 0, 90));
        records.push_back(Finished(10, 3, 40, -3));
        window->setRecords(records);

        QCOMPARE(Values(window->scoreSeries(0)), QList<qreal>({80, 90, 90, 90, 90, 90, 90, 90, 90, 90}));
        QCOMPARE(Values(window->averageSeries(0)).mid(0, 2), QList<qreal>({80, 85}));
        QCOMPARE(Values(window->averageSeries(0)).last(), 89.0);
        QCOMPARE(Values(window->scoreSeries(3)), QList<qreal>({40}));
        QCOMPARE(window->scoreSeries(3)->points()[0].x(), double(records.back().ended.toMSecsSinceEpoch()));
        QVERIFY(window->averageSeries(3)->pointsVisible()); // a lone challenge drawn large
        QVERIFY(!window->averageSeries(0)->pointsVisible());

        // C over the last ten: nine exact and -3; over all eleven: 11, nine exact and -3.
        QCOMPARE(window->signedErrors()->at(0), -0.3);
        QCOMPARE(window->absoluteErrors()->at(0), 0.3);
        window->errorWindowChoice()->setCurrentIndex(2);
        QCOMPARE(window->signedErrors()->at(0), 8.0 / 11);
        QCOMPARE(window->absoluteErrors()->at(0), 14.0 / 11);

        QVERIFY2(window->summaryLabel()->text().contains(QStringLiteral("挑戦回数：11回")),
                 qPrintable(window->summaryLabel()->text()));
        QVERIFY(window->summaryLabel()->text().contains(
            QStringLiteral("特級：10回　最高 90点　中央値 90点　最新 90点")));

        // Newest first; its detail: C set 3 cents flat narrows both intervals C takes part in.
        QCOMPARE(window->challengeTable()->model()->index(0, 2).data().toInt(), 40);
        QCOMPARE(window->rowsTable()->item(0, 3)->text(), QStringLiteral("-3"));
        QCOMPARE(window->beatsTable()->item(10, 4)->text(), QString()); // F4-C5 narrower still: right way
        // |2 f(C5) - 3 f(F4)| with A4 = 440 Hz: the player's C 3 cents flat, then equal temperament.
        QCOMPARE(window->beatsTable()->item(10, 2)->text(), QStringLiteral("2.99 Hz"));
        QCOMPARE(window->beatsTable()->item(10, 3)->text(), QStringLiteral("1.18 Hz"));
        QCOMPARE(window->beatsTable()->item(11, 4)->text(), QStringLiteral("× 4度が狭い")); // C5-G4
        // The intervals named as the beat window names them: A3-A4, A4-E5, A4-D5.
        QCOMPARE(window->beatsTable()->item(0, 1)->text(), QStringLiteral("完全8度"));
        QCOMPARE(window->beatsTable()->item(1, 1)->text(), QStringLiteral("完全5度"));
        QCOMPARE(window->beatsTable()->item(2, 1)->text(), QStringLiteral("完全4度"));
    }

    // Exams apart: the table lists only them when asked, and the summary gives their pass rate.
    void examsApartWithTheirPassRate()
    {
        GameBench game;
        std::vector<history::ChallengeRecord> records = {Finished(0, 2, 70), Finished(1, 0, 96),
                                                         Finished(2, 0, 90), Finished(3, 0, 99)};
        for (auto [index, score, passed] : {std::tuple{1, 90.0, true}, {2, 75.0, false}, {3, 97.5, true}}) {
            records[std::size_t(index)].examMinutes = 20;
            records[std::size_t(index)].examScore = score;
            records[std::size_t(index)].examPassed = passed;
        }
        records[2].referencePitch = 442;
        HistoryWindow* window = OpenHistoryWith(game, records);
        QVERIFY2(window->summaryLabel()->text().contains(QStringLiteral("検定：3回　合格 2回（合格率 66%）")),
                 qPrintable(window->summaryLabel()->text()));
        QAbstractItemModel* table = window->challengeTable()->model();
        QCOMPARE(table->rowCount(), 4);
        window->modeChoice()->setCurrentIndex(2); // 検定
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->index(0, 2).data().toString(), QStringLiteral("99（検定式 97.5・合格）"));
        QCOMPARE(table->index(1, 1).data().toString(), QStringLiteral("特級・検定20分・A=442Hz"));
        window->modeChoice()->setCurrentIndex(1); // the normal game
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->index(0, 2).data().toString(), QStringLiteral("70"));
    }

    // At the size the window takes on a 1024 x 768 screen, a challenge's twelve rows and its tuning
    // order show every column without scrolling sideways.
    void detailFitsA1024PixelScreen()
    {
        GameBench game;
        HistoryWindow* window = OpenHistoryWith(game, {Finished(0, 0, -107, 11)});
        window->resize(QSize(1024, 768) * 9 / 10);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->challengeTable()->selectRow(0);
        QCoreApplication::processEvents();
        for (QTableWidget* table : {window->rowsTable(), window->beatsTable()})
            QVERIFY2(table->horizontalScrollBar()->maximum() == 0,
                     qPrintable(table->horizontalHeaderItem(1)->text()));
    }

    // A click on a header sorts by the values behind the texts (a score as a number, an end as a
    // time), a second click the other way; every column sorts.
    void tableSortsByEveryColumn()
    {
        GameBench game;
        game.main()->historyEntry()->trigger();
        HistoryWindow* window = game.program().history()->window();
        std::vector<history::ChallengeRecord> records = {Finished(0, 1, 40), Finished(1, 0, 85),
                                                         Finished(2, 3, 9)};
        records[0].ended = records[0].ended.addMonths(7); // December: as text, its date sorts first
        window->setRecords(records);
        QTableView* table = window->challengeTable();
        const auto scores = [table] {
            QList<int> values;
            for (int row = 0; row < table->model()->rowCount(); ++row)
                values << table->model()->index(row, 2).data().toInt();
            return values;
        };
        const auto clickHeader = [table](int column) {
            QHeaderView* header = table->horizontalHeader();
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                       header->height() / 2));
            QCOMPARE(header->sortIndicatorSection(), column);
        };
        const auto inEitherOrder = [](const QList<int>& values, QList<int> ascending) {
            const QList<int> descending(ascending.rbegin(), ascending.rend());
            return values == ascending || values == descending;
        };
        QCOMPARE(scores(), (QList<int>{40, 9, 85})); // newest first
        clickHeader(2);
        const QList<int> once = scores();
        QVERIFY2(inEitherOrder(once, {9, 40, 85}), qPrintable(QString::number(once.first())));
        clickHeader(2);
        QCOMPARE(scores(), QList<int>(once.rbegin(), once.rend()));
        clickHeader(0);
        QVERIFY(inEitherOrder(scores(), {85, 9, 40}));
        for (int column = 1; column < table->model()->columnCount(); ++column)
            clickHeader(column);
    }

    // A history file that cannot be written loses nothing: the run's records go to a CSV file
    // beside the settings file at exit, or in the home folder when that folder refuses it, and a
    // box says how many and where.
    void recordsThatCannotBeWrittenAreSavedAtExit_data()
    {
        QTest::addColumn<bool>("settingsFolderRefuses");
        QTest::newRow("beside the settings") << false;
        QTest::newRow("settings folder refuses: home folder") << true;
    }
    void recordsThatCannotBeWrittenAreSavedAtExit()
    {
        QFETCH(bool, settingsFolderRefuses);
        const QDir settingsFolder = QFileInfo(SettingsPath()).absoluteDir();
        for (const QString& name : settingsFolder.entryList({"velmora-unsaved-history-*.csv"}, QDir::Files))
            QVERIFY(QFile::remove(settingsFolder.filePath(name)));
        QTemporaryDir home;
        const QByteArray homeBefore = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        GameBench game({{.name = "Built-in", .paced = false}}); // no waits: the clock stands at exit
        // The file's name carries the time of the exit.
        const QString name = QStringLiteral("velmora-unsaved-history-%1.csv")
                                 .arg(game.bench().now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", homeBefore);
            QDir().rmdir(history::DefaultHistoryPath());
            settingsFolder.rmdir(name);
        });
        QVERIFY(QDir().mkpath(history::DefaultHistoryPath())); // a folder where the file should be
        // Root writes into any folder: the settings folder refuses the file by a folder of its name.
        if (settingsFolderRefuses)
            QVERIFY(settingsFolder.mkdir(name));
        for (int check = 0; check < 2; ++check) {
            QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
            game.results()->close();
        }
        game.main()->close();
        const QString path = (settingsFolderRefuses ? QDir(home.path()) : settingsFolder).filePath(name);
        QCOMPARE(game.trace().only({"box"}),
                 QStringList{"box 成績の記録 2 件を記録ファイルに保存できませんでした。\n"
                             "代わりに次のファイルに書き出しました：\n" +
                             path});
        QFile csv(path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count("\r\n"), 3); // the header and two records
        csv.close();
        QVERIFY(QFile::remove(path));
    }

    // Nowhere to write the records at all: the box gives the system's reason for the history file
    // (a folder in its place: EISDIR) and for each file the CSV was tried as (under a plain file:
    // ENOTDIR), in the order tried.
    void recordsThatCannotBeWrittenAnywhereAreReportedWithTheReasons()
    {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("blocker")).open(QIODevice::WriteOnly)); // a file where folders should be
        const QByteArray homeBefore = qgetenv("HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", homeBefore);
            QDir().rmdir(history::DefaultHistoryPath());
        });
        GameBench game;
        QVERIFY(QDir().mkpath(history::DefaultHistoryPath()));
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        qputenv("HOME", QFile::encodeName(dir.filePath("blocker/home")));
        game.trace().clear();
        game.program().history()->saveAtExit(dir.filePath("blocker/settings"));
        QCOMPARE(game.trace().only({"box"}), QStringList{"box 成績の記録 1 件を保存できませんでした。"});
        const QStringList lines = game.bench().explanations().last().split(u'\n');
        const auto reason = [](int error) {
            return QStringLiteral("理由：") + QString::fromLocal8Bit(std::strerror(error));
        };
        QVERIFY2(lines.size() == 10 && lines[1] == history::DefaultHistoryPath() &&
                     lines[2].startsWith(reason(EISDIR)) &&
                     lines[4].startsWith(dir.filePath("blocker/settings/")) && lines[5] == reason(ENOTDIR) &&
                     lines[7].startsWith(dir.filePath("blocker/home/")) && lines[8] == reason(ENOTDIR),
                 qPrintable(lines.join(u'|')));
    }

    // A file damaged under the running program is found at the next record: moved aside, a box says
    // where and how many of its records were kept (none of this one), and the record goes on.
    void damagedFileIsReportedInABox()
    {
        GameBench game;
        QFile file(history::DefaultHistoryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, '?'));
        file.close();
        game.trace().clear();
        QTest::mouseClick(game.tuning()->answerButton(), Qt::LeftButton);
        QDir folder = QFileInfo(history::DefaultHistoryPath()).dir();
        const QStringList aside = folder.entryList({"history.sqlite.damaged-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(game.trace().only({"box"}),
                 QStringList{"box 記録ファイルが壊れていたので、新しい記録ファイルを始めました。"});
        const QString explanation = game.bench().explanations().join('|');
        QVERIFY2(explanation.contains(folder.filePath(aside.first())) && explanation.contains(" 0 件"),
                 qPrintable(explanation));
        history::Database database(history::DefaultHistoryPath(), history::kWaitDuringPlay);
        QCOMPARE(database.readAll().size(), 1u);
        for (const QString& name : folder.entryList({"history.sqlite.damaged-*"}))
            QVERIFY(folder.remove(name));
    }

    void returnOnTheExportButtonOpensTheDialog()
    {
        GameBench game;
        HistoryWindow* window = OpenHistoryWith(game, {Finished(0, 2, 75)});
        QTest::keyClick(window->exportButton(), Qt::Key_Return);
        auto* dialog = window->findChild<QFileDialog*>();
        QVERIFY(dialog);
        dialog->reject();
    }

    // Through the real dialog, in Japanese, offered in the documents folder; the file names the
    // difficulty as the dialog the player chose it in.
    void csvIsExportedThroughAJapaneseDialog()
    {
        QVERIFY(ui::InstallJapaneseQtTexts(*QCoreApplication::instance()));
        QTemporaryDir home;
        const QString documents = home.filePath("Documents");
        QVERIFY(QDir().mkdir(documents));
        const QByteArray homeBefore = qgetenv("HOME"), configBefore = qgetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", homeBefore);
            qputenv("XDG_CONFIG_HOME", configBefore);
        });
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(".config")));
        GameBench game;
        HistoryWindow* window = OpenHistoryWith(game, {Finished(0, 2, 75)});
        QTest::mouseClick(window->exportButton(), Qt::LeftButton);
        auto* dialog = window->findChild<QFileDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->directory().absolutePath(), documents);
        QStringList captions;
        QPushButton* save = nullptr;
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            captions << button->text();
            if (button->text() == QStringLiteral("保存(&S)"))
                save = button;
        }
        QVERIFY2(captions.contains(QStringLiteral("保存(&S)")) &&
                     captions.contains(QStringLiteral("キャンセル")),
                 qPrintable(captions.join('|')));
        dialog->selectFile(QStringLiteral("export.csv"));
        QTest::mouseClick(save, Qt::LeftButton);

        QFile file(QDir(documents).filePath("export.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll().mid(3)).split("\r\n");
        const int column = int(lines[0].split(',').indexOf(QStringLiteral("難易度")));
        QCOMPARE(lines[1].split(',').value(column), QStringLiteral("中級（５セント単位）"));

        // A folder where the file should be: the box says why and what to do.
        game.trace().clear();
        window->writeCsv(documents);
        QVERIFY2(game.trace().texts().value(0).startsWith("box CSVファイルを書き出せませんでした。\n" +
                                                          documents + QStringLiteral("\n理由：")),
                 qPrintable(game.trace().texts().value(0)));
        QVERIFY(game.bench().explanations().join('|').contains(QStringLiteral("もう一度")));
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"
