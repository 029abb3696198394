// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start-up, settings, devices, keyboard, reference A, device switch, close.
#include "windows/MainWindow.h"

#include "game/KeyMap.h"
#include "game/Report.h"
#include "game/SavedSettings.h"
#include "game/Version.h"
#include "ui/DesignLayout.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

namespace windows {

namespace {

const QString kDeviceReturnedText =
    QStringLiteral("ＭＩＤＩ機器が戻ったので、ＧＳリセットと今の調律を送り直しました");
// How long the status bar tells of a device that came back before the clock returns.
constexpr qint64 kDeviceReturnedNoticeMs = 10000;
const QString kCannotSaveText = QStringLiteral("設定ファイルを保存できませんでした。");
const QString kCannotSaveExplanation =
    QStringLiteral("このフォルダーに書き込めるか、ディスクに空きがあるかを確かめてください。");

// Why a settings entry is greyed out: its tooltip says it in full, the status bar in short while
// the menu is open (the main window is narrow).
const QString kDifficultyLockedText =
    QStringLiteral("スライダーを動かしたので、答え合わせが済むまで難易度は変えられません");
const QString kDifficultyInExamText =
    QStringLiteral("検定モードは特級で挑戦します（「検定モードを終える」か「もう一度挑戦」で戻ります）");
const QString kInstrumentLockedText =
    QStringLiteral("スライダーを動かしたので、次の挑戦が始まるまで楽器は変えられません");
const QString kInstrumentAfterCheckText =
    QStringLiteral("楽器は次の挑戦から変えられます（「もう一度挑戦」で始まります）");
const QString kSettingsLockedStatus = QStringLiteral("スライダーを動かしたので難易度と楽器は変えられません");
const QString kInstrumentAfterCheckStatus = QStringLiteral("楽器は次の挑戦から変えられます");

// The screens' usable areas, the primary first.
std::vector<QRect> ScreenAreas()
{
    std::vector<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas.push_back(screen->availableGeometry());
    return areas;
}

} // namespace

MainWindow::MainWindow(DeviceChoice& devices, game::Session& session, Keyboard& keyboard, game::Clock& clock,
                       Desktop& desktop)
    : devices_(devices), session_(session), keyboard_(keyboard), clock_(clock), desktop_(desktop)
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ui::FormFont());
    ui::SetBounds(this, {298, 107, 345, 246});
    setMinimumSize(345, 246); // the layout needs all of it
    auto* client = new QWidget(this);
    setCentralWidget(client);
    createKeyboard(client);
    createControls(client);
    createMenu();
    clockStatusBar_ = new QStatusBar(this);
    clockStatusBar_->setFixedHeight(18);
    clockStatusBar_->setSizeGripEnabled(false);
    setStatusBar(clockStatusBar_);
    // The keys and controls in proportion to the window: a maximized window grows them.
    new ui::DesignLayout(client,
                         QSize(345, 246 - menuBar()->sizeHint().height() - clockStatusBar_->height()));
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(100);
    connect(clockTimer_, &QTimer::timeout, this, &MainWindow::onClockTick);
    clockTimer_->start();
    ui::OnActivate(this, [this] { emit activated(); });
    connect(&keyboard_, &Keyboard::noteShown, this, &MainWindow::showNote);
    connect(&session_, &game::Session::settingsLockChanged, this, &MainWindow::showSettingsLock);
    // An exam's challenge locks the difficulty however the sliders stand.
    connect(&session_, &game::Session::challengeStarted, this, [this] {
        showExamEntry();
        showSettingsLock(session_.settingsLock());
    });
}

void MainWindow::createKeyboard(QWidget* client)
{
    // White keys first, so that the black keys lie above them and take the mouse where they overlap.
    for (bool black : {false, true})
        for (const auto& key : game::PianoKeys()) {
            if (key.black != black)
                continue;
            const QSize size = black ? QSize(game::kBlackKeyWidth, game::kBlackKeyHeight)
                                     : QSize(game::kWhiteKeyWidth, game::kWhiteKeyHeight);
            auto* shape = new ui::Shape(client, {QPoint(key.left, 0), size}, black ? Qt::black : Qt::white);
            shape->setObjectName(QStringLiteral("pianoKey%1").arg(key.shape));
            shape->setNote(key.note);
            connect(shape, &ui::Shape::mouseDown, this, [this, n = key.shape] { onPianoKeyPressed(n); });
            connect(shape, &ui::Shape::mouseUp, this, [this, n = key.shape] { onPianoKeyReleased(n); });
            pianoKeys_[std::size_t(key.shape - 1)] = shape;
        }
}

void MainWindow::createControls(QWidget* client)
{
    // The device list comes first in the tab order, so it has the focus at start.
    deviceList_ = new QComboBox(client);
    deviceList_->setGeometry(152, 120, 177, deviceList_->sizeHint().height());
    deviceList_->setEditable(false);
    ui::NameList(deviceList_, QStringLiteral("音源"));
    ui::KeepKeysFromList(deviceList_);
    connect(deviceList_, &QComboBox::activated, this, &MainWindow::onDeviceChosen);

    referenceButton_ = new ui::Button(client, QStringLiteral("A音"), {8, 120, 65, 25});
    keyboard_.setReferenceControl(referenceButton_);
    connect(referenceButton_, &ui::Button::mouseDown, &keyboard_, &Keyboard::pressReference);
    connect(referenceButton_, &ui::Button::mouseUp, &keyboard_, &Keyboard::releaseReference);

    hintButton_ = new ui::Button(client, QStringLiteral("ヒント(&H)"), {80, 120, 65, 25});
    connect(hintButton_, &QPushButton::clicked, this, &MainWindow::hintRequested);

    const QString credit =
        QString::fromLatin1(game::kVersionLine) + QStringLiteral("　制作：Velmora 開発チーム");
    creditLabel_ = new ui::Label(client, credit, {8, 152});
    connect(creditLabel_, &ui::Label::clicked, this, [this] { desktop_.playClip(); });

    setTabOrder(deviceList_, referenceButton_);
    setTabOrder(referenceButton_, hintButton_);
    deviceList_->setFocus();
    ui::ShowFocus(this);
}

void MainWindow::createMenu()
{
    settingsMenu_ = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    difficultyEntry_ = settingsMenu_->addAction(QStringLiteral("難易度の設定(&N)"), this,
                                                &MainWindow::difficultyDialogRequested);
    instrumentEntry_ = settingsMenu_->addAction(QStringLiteral("楽器の設定(&G)"), this,
                                                &MainWindow::instrumentDialogRequested);
    createReferencePitchMenu();
    recordsMenu_ = menuBar()->addMenu(QStringLiteral("記録(&R)"));
    historyEntry_ =
        recordsMenu_->addAction(QStringLiteral("成績の推移(&K)…"), this, &MainWindow::historyRequested);
    practiceMenu_ = menuBar()->addMenu(QStringLiteral("練習(&P)"));
    beatWindowEntry_ = practiceMenu_->addAction(QStringLiteral("うなりの聴き比べ(&B)…"), this,
                                                &MainWindow::beatWindowRequested);
    examEntry_ = practiceMenu_->addAction(QString(), this, &MainWindow::onExamEntry);
    showExamEntry();
    comparisonEntry_ = practiceMenu_->addAction(QStringLiteral("うなりの速さ比べ(&C)…"), this,
                                                &MainWindow::comparisonWindowRequested);
    unisonEntry_ =
        practiceMenu_->addAction(QStringLiteral("ユニゾン(&U)…"), this, &MainWindow::unisonWindowRequested);
    // A greyed-out entry says why: its tooltip, and the status bar while the menu is open.
    settingsMenu_->setToolTipsVisible(true);
    connect(settingsMenu_, &QMenu::aboutToShow, this, [this] {
        settingsMenuOpen_ = true;
        onClockTick();
    });
    connect(settingsMenu_, &QMenu::aboutToHide, this, [this] {
        settingsMenuOpen_ = false;
        onClockTick();
    });
}

// Outside an exam the entry opens the exam dialog; in one it returns to the normal game.
void MainWindow::onExamEntry()
{
    if (session_.examActive())
        session_.startChallenge();
    else
        emit examDialogRequested();
}

void MainWindow::showExamEntry()
{
    examEntry_->setText(session_.examActive() ? QStringLiteral("検定モードを終える(&X)")
                                              : QStringLiteral("検定モード(&X)…"));
}

// One checkable entry per pitch; the choice goes to the session, which sends the master tune.
void MainWindow::createReferencePitchMenu()
{
    referencePitchMenu_ = settingsMenu_->addMenu(QStringLiteral("基準ピッチ(&A)"));
    auto* group = new QActionGroup(referencePitchMenu_);
    for (const int hertz : game::kReferencePitches) {
        QAction* entry =
            referencePitchMenu_->addAction(QStringLiteral("%1 Hz").arg(hertz), this,
                                           [this, hertz] { session_.chooseReferencePitch(hertz); });
        entry->setCheckable(true);
        entry->setData(hertz);
        group->addAction(entry);
    }
    connect(&session_, &game::Session::referencePitchChanged, this, &MainWindow::showReferencePitch);
    showReferencePitch(session_.referencePitch());
}

QAction* MainWindow::referencePitchEntry(int hertz) const
{
    for (QAction* entry : referencePitchMenu_->actions())
        if (entry->data().toInt() == hertz)
            return entry;
    return nullptr;
}

void MainWindow::showReferencePitch(int hertz)
{
    if (QAction* entry = referencePitchEntry(hertz))
        entry->setChecked(true);
    const QString text = QStringLiteral("基準音 ") + game::ReferencePitchText(hertz);
    referenceButton_->setToolTip(text);
    referenceButton_->setAccessibleDescription(text);
}

// ---- Start-up -------------------------------------------------------------------------------

void MainWindow::startUp()
{
    if (!devices_.anyDevice())
        return; // the program ends; nothing is sent or saved
    settingsFile_ = game::IniDocument::load(game::SettingsLocationOfThisProgram().pathToRead());
    const game::SavedSettings saved = game::ReadSavedSettings(settingsFile_);
    placeWindow(saved.window);
    // Once the window manager has drawn the frame, the window is fitted to the screen by it.
    ui::AfterFirstPaint(this, [this] { placeWindow(storedBounds_); });
    mapValue_ = saved.mapValue;
    // Before the device opens: its GS reset is followed by the master tune.
    session_.chooseReferencePitch(saved.referencePitch);
    devices_.start(saved.deviceNumber, saved.deviceName);
    deviceList_->addItems(devices_.names());
    deviceList_->setCurrentIndex(devices_.position());
    connect(&devices_, &DeviceChoice::deviceReturned, this, [this] {
        deviceReturnedAt_ = clock_.now();
        onClockTick();
    });
    startedUp_ = true;
}

void MainWindow::placeWindow(const game::WindowBounds& stored)
{
    storedBounds_ = stored;
    // Bounds that would leave the window off screen or unusable are not applied as they stand.
    appliedBounds_ =
        game::PlacedOnScreen(storedBounds_, minimumSize(), ui::FrameMargins(this), ScreenAreas());
    ui::SetBounds(this,
                  {appliedBounds_.left, appliedBounds_.top, appliedBounds_.width, appliedBounds_.height});
}

// ---- Close ----------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    finishRun();
    event->accept();
    QCoreApplication::exit(0);
}

void MainWindow::finishRun()
{
    if (!startedUp_ || closed_)
        return;
    closed_ = true;
    // What must be kept is written first: a device that fails or is slow cannot cost the settings
    // or the history's records.
    saveSettings();
    emit runFinished();
    // Nothing goes on sounding on the device: the pedal up and every note off before its tuning
    // goes back to equal temperament.
    keyboard_.releaseAll();
    session_.endCheckRun();
    devices_.finish();
}

void MainWindow::saveSettings()
{
    game::WriteSavedSettings(settingsFile_, {.window = boundsToSave(),
                                             .deviceNumber = devices_.deviceId(),
                                             .deviceName = deviceList_->currentText(),
                                             .mapValue = mapValue_,
                                             .referencePitch = session_.referencePitch()});
    const QString path = game::SettingsLocationOfThisProgram().pathToWrite();
    if (const auto saved = settingsFile_.save(path); !saved)
        desktop_.messageBox(game::NotWrittenText(kCannotSaveText, path, saved.failure),
                            kCannotSaveExplanation);
    settingsFile_ = game::IniDocument();
}

// The bounds as read while the window still stands where they put it, so that values no screen
// could show are kept as the player wrote them; else where the player put it. A maximized or
// minimized window keeps its normal bounds.
game::WindowBounds MainWindow::boundsToSave() const
{
    QRect inside = geometry();
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        inside = normalGeometry();
    const QPoint frame = inside.topLeft() + (pos() - geometry().topLeft());
    const game::WindowBounds now{frame.x(), frame.y(), inside.width(), inside.height()};
    return now == appliedBounds_ ? storedBounds_ : now;
}

// ---- Device switch --------------------------------------------------------------------------

void MainWindow::onDeviceChosen()
{
    devices_.choose(deviceList_->currentIndex());
}

// ---- Keyboard, reference A, settings menu, clock --------------------------------------------

void MainWindow::showNote(int note, bool held)
{
    for (const auto& key : game::PianoKeys())
        if (key.note == note)
            pianoKey(key.shape)->setFill(held ? Qt::red : key.black ? Qt::black : Qt::white);
}

void MainWindow::onPianoKeyPressed(int number)
{
    keyboard_.pressNote(game::PianoKeyOfShape(number).note);
}

void MainWindow::onPianoKeyReleased(int number)
{
    keyboard_.releaseNote(game::PianoKeyOfShape(number).note);
}

// A slider move locks the difficulty and instrument entries, the answer check opens the
// difficulty again, the next challenge both.
void MainWindow::showSettingsLock(game::SettingsLock lock)
{
    const bool exam = session_.examActive();
    difficultyEntry_->setEnabled(lock != game::SettingsLock::Locked && !exam);
    instrumentEntry_->setEnabled(lock == game::SettingsLock::Open);
    difficultyEntry_->setToolTip(exam                                 ? kDifficultyInExamText
                                 : lock == game::SettingsLock::Locked ? kDifficultyLockedText
                                                                      : QString());
    instrumentEntry_->setToolTip(lock == game::SettingsLock::Locked           ? kInstrumentLockedText
                                 : lock == game::SettingsLock::DifficultyOnly ? kInstrumentAfterCheckText
                                                                              : QString());
    onClockTick();
}

// Why the settings menu's entries are greyed out, while it is open; empty when none is.
QString MainWindow::settingsLockText() const
{
    if (!settingsMenuOpen_)
        return {};
    switch (session_.settingsLock()) {
    case game::SettingsLock::Locked:
        return kSettingsLockedStatus;
    case game::SettingsLock::DifficultyOnly:
        return kInstrumentAfterCheckStatus;
    case game::SettingsLock::Open:
        break;
    }
    return {};
}

void MainWindow::onClockTick()
{
    const QDateTime now = clock_.now();
    // For a while after the device came back, the status bar says so instead of showing the time.
    const bool deviceJustReturned =
        deviceReturnedAt_.isValid() && deviceReturnedAt_.msecsTo(now) < kDeviceReturnedNoticeMs;
    const QString lockText = settingsLockText();
    // Ten ticks a second, one new text a second: the status bar is repainted only when it changes.
    const QString text = deviceJustReturned    ? kDeviceReturnedText
                         : !lockText.isEmpty() ? lockText
                                               : game::DateTimeText(now, QLocale::system());
    if (text != clockStatusBar_->currentMessage())
        clockStatusBar_->showMessage(text);
}

} // namespace windows
